// Texts from the host turned into the platform's UTF-16.
#pragma once
#include <windows.h>

#include <memory>

namespace ombrix::platform {

// text (terminated) in code page codePage as a terminated UTF-16 buffer of
// the caller's own; null when it cannot be converted (with
// MB_ERR_INVALID_CHARS among flags: when it holds a byte sequence the code
// page does not define) or memory runs out.
std::unique_ptr<wchar_t[]> widen(const char* text, UINT codePage, DWORD flags);

} // namespace ombrix::platform
