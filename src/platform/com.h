// COM activation and reference helpers shared by every subsystem.
#pragma once
#include <windows.h>
#include <wrl/client.h>

namespace ombrix {

using Microsoft::WRL::ComPtr;

namespace platform {

// Signature of CoCreateInstance. Every object the library creates goes
// through createInstance, so a test can hand out stand-in objects and see
// the class context that was asked for.
using CreateInstanceFn = HRESULT(WINAPI*)(REFCLSID clsid, LPUNKNOWN outer, DWORD context,
                                          REFIID iid, LPVOID* out);
extern CreateInstanceFn createInstanceFn;

HRESULT createInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out);

template <class T>
HRESULT create(REFCLSID clsid, DWORD context, REFIID iid, ComPtr<T>& out)
{
    return createInstance(clsid, context, iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
}

// QueryInterface into a ComPtr, releasing what it held before. A null source
// gives E_POINTER and an empty result instead of a call through null.
template <class T>
HRESULT query(IUnknown* from, REFIID iid, ComPtr<T>& out)
{
    out.Reset();
    if (!from)
        return E_POINTER;
    return from->QueryInterface(iid, reinterpret_cast<void**>(out.GetAddressOf()));
}

// Like query, for callers that only need to know whether they may call the
// interface: true when the request succeeded and gave a pointer.
template <class T>
bool obtain(IUnknown* from, REFIID iid, ComPtr<T>& out)
{
    return SUCCEEDED(query(from, iid, out)) && out;
}

} // namespace platform
} // namespace ombrix
