// The clips the end-to-end tests play, written once per test process.
#pragma once
#include <string>

namespace testing {

struct WineMedia {
    std::string dir;
    std::string av;        // 64x48 RGB24, 25 fps, 2 s, with PCM audio
    std::string video;     // the same without audio
    std::string longVideo; // 10 s, video only
    std::string shortVideo; // 4 frames (160 ms), video only
    std::string wav;       // 2 s PCM
    std::string empty;     // zero bytes
    std::string truncated; // the first 100 bytes of a clip
    std::string random;    // 4 KiB of noise
    std::string missing;   // a path where no file is
};

const WineMedia& wineMedia();

} // namespace testing
