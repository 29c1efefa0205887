#include "platform/dialogs.h"

#include <olectl.h>

namespace ombrix::platform {

MessageBoxFn messageBoxFn = MessageBoxW;
PropertyFrameFn propertyFrameFn = OleCreatePropertyFrame;

} // namespace ombrix::platform
