// A memory DC over a 32-bit DIB section whose pixels a test reads back.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "media.h"
#include "ombrix.h"

namespace testing {

constexpr DWORD kGrey = 0x00808080;

// A 32-bit top-down DIB section in a memory DC, filled with grey.
struct Canvas {
    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    DWORD* pixels = nullptr;

    Canvas(int w, int h) : width(w), height(h), dc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0);
        old = SelectObject(dc, bitmap);
        std::fill(pixels, pixels + w * h, kGrey);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    omb_handle handle() const { return reinterpret_cast<omb_handle>(dc); }
    media::Rgb at(int x, int y) const
    {
        GdiFlush();
        DWORD p = pixels[y * width + x];
        return {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
    }
    bool untouched(int x, int y) const { return pixels[y * width + x] == kGrey; }
};

} // namespace testing
