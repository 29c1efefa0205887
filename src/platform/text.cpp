#include "platform/text.h"

#include <new>

namespace ombrix::platform {

std::unique_ptr<wchar_t[]> widen(const char* text, UINT codePage, DWORD flags)
{
    const int count = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    if (count <= 0)
        return nullptr;
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[count]);
    if (!wide || MultiByteToWideChar(codePage, flags, text, -1, wide.get(), count) != count)
        return nullptr;
    return wide;
}

} // namespace ombrix::platform
