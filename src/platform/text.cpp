#include "platform/text.h"

#include <climits>
#include <new>

namespace ombrix::platform {

WideText widen(const char* text, size_t bytes, UINT codePage, DWORD flags)
{
    WideText wide;
    if (bytes > static_cast<size_t>(INT_MAX))
        return wide;
    flags |= MB_ERR_INVALID_CHARS;
    const int length = static_cast<int>(bytes);
    // The platform takes no zero length; an empty text needs no call.
    const int count = length == 0 ? 0 : MultiByteToWideChar(codePage, flags, text, length, nullptr, 0);
    if (count < 0 || (count == 0 && length != 0))
        return wide;
    // count + 1 fits size_t; the array new checks its byte size itself.
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[static_cast<size_t>(count) + 1]);
    if (!buffer || (count != 0 && MultiByteToWideChar(codePage, flags, text, length, buffer.get(), count) != count))
        return wide;
    buffer[count] = L'\0';
    wide.text = std::move(buffer);
    wide.length = static_cast<size_t>(count);
    return wide;
}

} // namespace ombrix::platform
