// The two modal windows the library opens: the self-test's message box and a
// filter's property frame. Both go through replaceable function pointers so
// that a test can stand in for them and nothing waits for a click.
#pragma once
#include <windows.h>
#include <ole2.h>

namespace ombrix::platform {

// Signature of MessageBoxW.
using MessageBoxFn = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
extern MessageBoxFn messageBoxFn;

// Signature of OleCreatePropertyFrame.
using PropertyFrameFn = HRESULT(WINAPI*)(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                                         LPUNKNOWN* objects, ULONG pageCount, LPCLSID pages, LCID locale,
                                         DWORD reserved, LPVOID reservedPointer);
extern PropertyFrameFn propertyFrameFn;

} // namespace ombrix::platform
