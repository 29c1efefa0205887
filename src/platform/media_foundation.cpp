#include "platform/media_foundation.h"

#include <initguid.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include "platform/com.h"

namespace ombrix::platform {

const char* mediaFoundationLibrary = "MF.DLL";
SourceReaderFactory sourceReaderFactory = openSourceReader;

namespace {

template <class Fn>
Fn bind(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// The source reader's entry points, bound once and kept loaded. Guarded by
// a one-time initialisation, as players on several threads may open files.
struct ReaderLibrary {
    using StartupFn = HRESULT(WINAPI*)(ULONG, DWORD);
    using CreateAttributesFn = HRESULT(WINAPI*)(IMFAttributes**, UINT32);
    using CreateReaderFn = HRESULT(WINAPI*)(LPCWSTR, IMFAttributes*, IMFSourceReader**);
    using CreateTypeFn = HRESULT(WINAPI*)(IMFMediaType**);

    CreateAttributesFn createAttributes = nullptr;
    CreateTypeFn createType = nullptr;
    CreateReaderFn createReader = nullptr;
    bool started = false;
};

BOOL CALLBACK bindReaderLibrary(PINIT_ONCE, PVOID parameter, PVOID*)
{
    auto& lib = *static_cast<ReaderLibrary*>(parameter);
    HMODULE plat = LoadLibraryA("MFPLAT.DLL");
    HMODULE readwrite = plat ? LoadLibraryA("MFREADWRITE.DLL") : nullptr;
    auto startup = bind<ReaderLibrary::StartupFn>(plat, "MFStartup");
    lib.createAttributes = bind<ReaderLibrary::CreateAttributesFn>(plat, "MFCreateAttributes");
    lib.createReader = bind<ReaderLibrary::CreateReaderFn>(readwrite, "MFCreateSourceReaderFromURL");
    lib.createType = bind<ReaderLibrary::CreateTypeFn>(plat, "MFCreateMediaType");
    lib.started = startup && lib.createAttributes && lib.createReader && lib.createType &&
                  SUCCEEDED(startup(MF_VERSION, MFSTARTUP_LITE));
    if (!lib.started) {
        if (readwrite)
            FreeLibrary(readwrite);
        if (plat)
            FreeLibrary(plat);
    }
    return TRUE;
}

const ReaderLibrary& readerLibrary()
{
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    static ReaderLibrary lib;
    InitOnceExecuteOnce(&once, bindReaderLibrary, &lib, nullptr);
    return lib;
}

} // namespace

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
            bound = bind<GetServiceFn>(module, "MFGetService");
            if (!bound)
                FreeLibrary(module);
        }
    }
    return bound ? bound(object, service, iid, out) : E_NOINTERFACE;
}

HRESULT openSourceReader(const wchar_t* path, IMFSourceReader** out)
{
    *out = nullptr;
    const ReaderLibrary& lib = readerLibrary();
    if (!lib.started)
        return E_NOINTERFACE;
    ComPtr<IMFAttributes> attributes;
    HRESULT hr = lib.createAttributes(attributes.GetAddressOf(), 1);
    if (FAILED(hr))
        return hr;
    attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE);
    return lib.createReader(path, attributes.Get(), out);
}

} // namespace ombrix::platform

namespace ombrix::platform {

HRESULT createMediaType(IMFMediaType** out)
{
    *out = nullptr;
    const ReaderLibrary& lib = readerLibrary();
    return lib.started ? lib.createType(out) : E_NOINTERFACE;
}

} // namespace ombrix::platform
