#include "bmp.h"

#include <cstdio>

namespace play {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

std::vector<std::uint8_t> encodeBmp24(int width, int height, const std::uint8_t* bits, int stride)
{
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768 || !bits || stride < width * 3)
        return {};
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    const std::uint32_t offset = 14 + 40;
    std::vector<std::uint8_t> out;
    out.reserve(offset + imageBytes);
    // BITMAPFILEHEADER
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + imageBytes);
    put32(out, 0);
    put32(out, offset);
    // BITMAPINFOHEADER: positive height, so the rows stay bottom-up.
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);          // BI_RGB
    put32(out, imageBytes);
    put32(out, 2835);       // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* src = bits + static_cast<std::size_t>(row) * stride;
        out.insert(out.end(), src, src + width * 3);
        out.insert(out.end(), rowBytes - width * 3, 0);
    }
    return out;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty())
        return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::remove(path.c_str());
    return ok;
}

} // namespace play
