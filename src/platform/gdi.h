// The GDI and USER calls that draw captured frames into a host's device
// context, behind replaceable function pointers so that a test can see the
// exact arguments (and the bytes handed to GDI) or refuse the drawing.
#pragma once
#include <windows.h>

namespace ombrix::platform {

// Signature of StretchDIBits.
using StretchDIBitsFn = int(WINAPI*)(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                                     int ySrc, int srcWidth, int srcHeight, const void* bits,
                                     const BITMAPINFO* info, UINT usage, DWORD rop);
extern StretchDIBitsFn stretchDIBitsFn;

// Signature of SetDIBitsToDevice.
using SetDIBitsToDeviceFn = int(WINAPI*)(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc,
                                         int ySrc, UINT startScan, UINT lines, const void* bits,
                                         const BITMAPINFO* info, UINT usage);
extern SetDIBitsToDeviceFn setDIBitsToDeviceFn;

// Signature of GetDC.
using GetDCFn = HDC(WINAPI*)(HWND window);
extern GetDCFn getDCFn;

} // namespace ombrix::platform
