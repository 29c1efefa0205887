#include "platform/gdi.h"

namespace ombrix::platform {

StretchDIBitsFn stretchDIBitsFn = StretchDIBits;
SetDIBitsToDeviceFn setDIBitsToDeviceFn = SetDIBitsToDevice;
GetDCFn getDCFn = GetDC;

} // namespace ombrix::platform
