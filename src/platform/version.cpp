#include "platform/version.h"

namespace ombrix::platform {

VersionQueryFn versionQueryFn = ::GetVersionExW;

} // namespace ombrix::platform
