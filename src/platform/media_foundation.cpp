#include "platform/media_foundation.h"

namespace ombrix::platform {

const char* mediaFoundationLibrary = "MF.DLL";

bool mediaFoundationPresent()
{
    HMODULE module = LoadLibraryA(mediaFoundationLibrary);
    if (!module)
        return false;
    FreeLibrary(module);
    return true;
}

HRESULT getService(IUnknown* object, REFGUID service, REFIID iid, void** out)
{
    using GetServiceFn = HRESULT(WINAPI*)(IUnknown*, REFGUID, REFIID, LPVOID*);
    *out = nullptr;
    if (!object)
        return E_POINTER;
    // Bound once and kept loaded, as an import would be (host's thread only).
    static const char* boundName = nullptr;
    static GetServiceFn bound = nullptr;
    if (boundName != mediaFoundationLibrary) {
        bound = nullptr;
        boundName = mediaFoundationLibrary;
        if (HMODULE module = LoadLibraryA(mediaFoundationLibrary)) {
            bound = reinterpret_cast<GetServiceFn>(reinterpret_cast<void*>(GetProcAddress(module, "MFGetService")));
            if (!bound)
                FreeLibrary(module);
        }
    }
    return bound ? bound(object, service, iid, out) : E_NOINTERFACE;
}

} // namespace ombrix::platform
