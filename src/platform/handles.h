// The USER and GDI queries that tell a window or a device context from any
// other value a host may pass as a handle, behind replaceable function
// pointers so that tests against fake objects can accept their own handles.
#pragma once
#include <windows.h>

namespace ombrix::platform {

// Signature of IsWindow.
using IsWindowFn = BOOL(WINAPI*)(HWND window);
extern IsWindowFn isWindowFn;

// Signature of GetObjectType.
using GetObjectTypeFn = DWORD(WINAPI*)(HGDIOBJ object);
extern GetObjectTypeFn getObjectTypeFn;

// True for a handle of an existing window (of any process).
bool isWindow(HWND window);

// True for a handle of a device context a GDI drawing call can take: a
// display or memory DC, or a metafile DC.
bool isDeviceContext(HDC dc);

} // namespace ombrix::platform
