// Texts from the host turned into the platform's UTF-16.
#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>

namespace ombrix::platform {

// A terminated UTF-16 text of the caller's own and its length in UTF-16
// units, without the terminator.
struct WideText {
    std::unique_ptr<wchar_t[]> text;
    size_t length = 0;
};

// The first `bytes` bytes of text (no terminator among them) in code page
// codePage as UTF-16. Always converted with MB_ERR_INVALID_CHARS besides
// flags, so that a byte sequence the code page does not define gives no text
// instead of the code page's default character. No text either when bytes
// does not fit an int or memory runs out; zero bytes give an empty text.
WideText widen(const char* text, size_t bytes, UINT codePage, DWORD flags);

} // namespace ombrix::platform
