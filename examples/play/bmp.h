// 24-bit BMP files from device-independent bitmap rows.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace play {

// The bytes of a BMP file holding a width x height 24-bit image. bits holds
// the rows bottom-up (the layout of a bottom-up DIB section), each stride
// bytes long (at least width * 3); the file's rows are padded to 4 bytes.
// Empty when the arguments do not describe an image.
std::vector<std::uint8_t> encodeBmp24(int width, int height, const std::uint8_t* bits, int stride);
// Writes bytes to path; false when the file cannot be written completely.
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
// "grab-0001.bmp" style names in dir: the first number from `first` on whose
// file does not exist yet (exists tells).
template <class Exists>
std::string numberedName(const std::string& dir, const std::string& stem, int first, Exists exists)
{
    for (int n = first; n < first + 10000; ++n) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", n);
        std::string path = dir + stem + "-" + number + ".bmp";
        if (!exists(path))
            return path;
    }
    return {};
}

} // namespace play
