#include "platform/media_type.h"

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

} // namespace ombrix::platform
