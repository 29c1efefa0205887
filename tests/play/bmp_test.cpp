// BMP files written by the player.
#include <doctest.h>

#include <cstdio>
#include <set>

#include "bmp.h"

namespace {

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

} // namespace

TEST_CASE("a 24-bit BMP keeps the DIB's bottom-up rows and pads each row to 4 bytes")
{
    // 3x2 pixels in a DIB with 12-byte rows (9 bytes of pixels + 3 padding
    // bytes that must not reach the file as pixels).
    const int width = 3, height = 2, stride = 12;
    std::vector<std::uint8_t> bits(stride * height, 0xEE);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                bits[row * stride + x * 3 + c] = static_cast<std::uint8_t>(row * 100 + x * 10 + c);
    std::vector<std::uint8_t> file = play::encodeBmp24(width, height, bits.data(), stride);
    REQUIRE(file.size() == 54 + 12 * 2);
    CHECK(file[0] == 'B');
    CHECK(file[1] == 'M');
    CHECK(u32(file, 2) == file.size());
    CHECK(u32(file, 10) == 54);        // pixel data offset
    CHECK(u32(file, 14) == 40);        // BITMAPINFOHEADER
    CHECK(u32(file, 18) == 3);
    CHECK(static_cast<std::int32_t>(u32(file, 22)) == 2); // positive: bottom-up
    CHECK(u16(file, 26) == 1);
    CHECK(u16(file, 28) == 24);
    CHECK(u32(file, 30) == 0);         // BI_RGB
    CHECK(u32(file, 34) == 24);
    for (int row = 0; row < height; ++row) {
        for (int i = 0; i < 9; ++i)
            CHECK(file[54 + row * 12 + i] == bits[row * stride + i]);
        for (int i = 9; i < 12; ++i)
            CHECK(file[54 + row * 12 + i] == 0);
    }
}

TEST_CASE("rows that need no padding are written back to back, whatever the DIB's stride")
{
    const int width = 4, height = 3, stride = 16; // 12 pixel bytes in 16-byte DIB rows
    std::vector<std::uint8_t> bits(stride * height);
    for (std::size_t i = 0; i < bits.size(); ++i)
        bits[i] = static_cast<std::uint8_t>(i);
    std::vector<std::uint8_t> file = play::encodeBmp24(width, height, bits.data(), stride);
    REQUIRE(file.size() == 54 + 12 * 3);
    for (int row = 0; row < height; ++row)
        for (int i = 0; i < 12; ++i)
            CHECK(file[54 + row * 12 + i] == bits[row * stride + i]);
}

TEST_CASE("no file for arguments that describe no image")
{
    std::vector<std::uint8_t> bits(64);
    CHECK(play::encodeBmp24(0, 2, bits.data(), 12).empty());
    CHECK(play::encodeBmp24(2, 0, bits.data(), 12).empty());
    CHECK(play::encodeBmp24(-2, 2, bits.data(), 12).empty());
    CHECK(play::encodeBmp24(4, 2, bits.data(), 11).empty()); // rows shorter than the pixels
    CHECK(play::encodeBmp24(2, 2, nullptr, 8).empty());
    CHECK_FALSE(play::writeFile("never-written.bmp", {}));
}

TEST_CASE("a written file holds exactly the bytes, and a failed write leaves nothing")
{
    std::vector<std::uint8_t> bits(12, 7);
    std::vector<std::uint8_t> bytes = play::encodeBmp24(2, 2, bits.data(), 8);
    const char* path = "bmp_test_out.bmp";
    REQUIRE(play::writeFile(path, bytes));
    std::FILE* f = std::fopen(path, "rb");
    REQUIRE(f);
    std::vector<std::uint8_t> back(bytes.size() + 8);
    std::size_t got = std::fread(back.data(), 1, back.size(), f);
    std::fclose(f);
    std::remove(path);
    CHECK(got == bytes.size());
    back.resize(got);
    CHECK(back == bytes);
    CHECK_FALSE(play::writeFile("no-such-folder/x.bmp", bytes));
}

TEST_CASE("grab files are numbered from the first free number")
{
    std::set<std::string> taken = {"out/grab-0001.bmp", "out/grab-0002.bmp", "out/grab-0004.bmp"};
    auto exists = [&](const std::string& p) { return taken.count(p) > 0; };
    CHECK(play::numberedName("out/", "grab", 1, exists) == "out/grab-0003.bmp");
    CHECK(play::numberedName("", "grab", 1, exists) == "grab-0001.bmp");
    CHECK(play::numberedName("out/", "grab", 4, exists) == "out/grab-0005.bmp");
    CHECK(play::numberedName("", "g", 1, [](const std::string&) { return true; }).empty());
}
