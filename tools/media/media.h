// Test media written by the tests themselves: uncompressed RGB24 AVI whose
// frames carry their own index in their colour, PCM WAV, and broken files.
#pragma once
#include <cstdint>
#include <string>

namespace media {

struct Rgb {
    std::uint8_t r, g, b;
};

// The colour of frame `index` (everywhere but the two corner marks).
Rgb frameColour(int index);
// A 4x4 pixel mark in the image's bottom-left corner is red and in its
// bottom-right corner blue, so orientation can be checked.
constexpr Rgb kBottomLeftMark{255, 0, 0};
constexpr Rgb kBottomRightMark{0, 0, 255};
// The frame index a pixel of frameColour() belongs to, or -1.
int frameIndexOf(Rgb pixel);

struct Clip {
    int width = 64;
    int height = 48;
    int fps = 25;
    int frames = 50;
    bool audio = false;   // a 22050 Hz mono 16-bit PCM stream beside the video
};

// A fresh directory under the temporary folder, removed by nobody: the
// prefix's temp folder is part of the build tree.
std::string scratchDir();

void writeAvi(const std::string& path, const Clip& clip);
void writeWav(const std::string& path, double seconds, int sampleRate = 22050);
void writeEmpty(const std::string& path);
// The first `keep` bytes of a valid clip.
void writeTruncatedAvi(const std::string& path, std::size_t keep);
void writeRandom(const std::string& path, std::size_t size, std::uint32_t seed);

} // namespace media
