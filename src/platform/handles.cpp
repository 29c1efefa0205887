#include "platform/handles.h"

namespace ombrix::platform {

IsWindowFn isWindowFn = IsWindow;
GetObjectTypeFn getObjectTypeFn = GetObjectType;

bool isWindow(HWND window) { return isWindowFn(window) != FALSE; }

bool isDeviceContext(HDC dc)
{
    // A null DC is asked about too: GetObjectType answers 0 for it.
    switch (getObjectTypeFn(dc)) {
    case OBJ_DC:
    case OBJ_MEMDC:
    case OBJ_METADC:
    case OBJ_ENHMETADC:
        return true;
    default:
        return false;
    }
}

} // namespace ombrix::platform
