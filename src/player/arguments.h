// Checks of the host's arguments at the door of an export: what the platform
// cannot take safely is refused with OMB_E_REFUSED before any call acts on it.
#pragma once
#include <windows.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "ombrix.h"
#include "platform/handles.h"

namespace ombrix::arguments {

// The longest path the platform opens, in UTF-16 units without the
// terminator (a character outside the Basic Multilingual Plane takes two).
constexpr size_t kMaxPath = 32767;
// The most bytes a narrow text of kMaxPath UTF-16 units can take in any code
// page the platform converts: no code page spends more than four bytes on a
// unit (UTF-8 spends three, double-byte code pages two). A longer text is
// too long whatever it holds, and is read no further.
constexpr size_t kMaxPathBytes = 4 * kMaxPath;
// The longest name a filter can have in a graph, without the terminator.
constexpr size_t kMaxFilterName = 127;

// A window handle, or null where the export gives null a meaning of its own
// (no owner, no notification, no forwarding).
inline bool windowOrNull(omb_handle window)
{
    return window == 0 || platform::isWindow(reinterpret_cast<HWND>(window));
}

inline bool deviceContext(omb_handle dc) { return platform::isDeviceContext(reinterpret_cast<HDC>(dc)); }

// One edge plus an extent, in 64 bits: true when the far edge is a 32-bit
// coordinate too.
inline bool spanFits(int origin, int extent)
{
    const int64_t end = static_cast<int64_t>(origin) + extent;
    return end >= INT_MIN && end <= INT_MAX;
}

// A placement rectangle: no negative size, and right and bottom fit.
inline bool placementFits(int left, int top, int width, int height)
{
    return width >= 0 && height >= 0 && spanFits(left, width) && spanFits(top, height);
}

// Seconds that the platform can turn into its 64-bit count of 100 ns.
inline bool secondsFit(double seconds) { return std::isfinite(seconds) && std::fabs(seconds) < 9.2e11; }

inline bool finite(double value) { return std::isfinite(value); }

// A terminated text of at most `limit` characters; the scan never reads
// further than limit + 1 characters.
inline bool textWithin(const char* text, size_t limit) { return text && strnlen(text, limit + 1) <= limit; }
inline bool textWithin(const wchar_t* text, size_t limit) { return text && wcsnlen(text, limit + 1) <= limit; }

} // namespace ombrix::arguments
