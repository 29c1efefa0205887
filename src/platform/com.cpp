#include "platform/com.h"

namespace ombrix::platform {

CreateInstanceFn createInstanceFn = CoCreateInstance;

HRESULT createInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out)
{
    *out = nullptr;
    HRESULT hr = createInstanceFn(clsid, nullptr, context, iid, out);
    if (FAILED(hr) && *out) {
        // A failed creation never hands out an object.
        static_cast<IUnknown*>(*out)->Release();
        *out = nullptr;
    }
    return hr;
}

} // namespace ombrix::platform
