#include "platform/media_type.h"

#include <cstring>

namespace ombrix::platform {

void freeMediaTypeFormat(AM_MEDIA_TYPE& type)
{
    if (type.pbFormat)
        CoTaskMemFree(type.pbFormat);
    type.pbFormat = nullptr;
    type.cbFormat = 0;
    if (type.pUnk)
        type.pUnk->Release();
    type.pUnk = nullptr;
}

void MediaType::reset()
{
    freeMediaTypeFormat(*this);
    clearRecord();
}

bool MediaType::setFormat(const GUID& type, const void* bytes, ULONG size)
{
    if (pbFormat)
        CoTaskMemFree(pbFormat);
    pbFormat = nullptr;
    cbFormat = 0;
    formattype = type;
    if (size == 0)
        return true;
    void* block = CoTaskMemAlloc(size);
    if (!block)
        return false;
    std::memcpy(block, bytes, size);
    pbFormat = static_cast<BYTE*>(block);
    cbFormat = size;
    return true;
}

AM_MEDIA_TYPE MediaType::detach()
{
    AM_MEDIA_TYPE handed = *this;
    clearRecord();
    return handed;
}

} // namespace ombrix::platform
