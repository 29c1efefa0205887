// The system's version query. Called through versionQueryFn, which is
// GetVersionExW unless a test has put a stand-in in its place.
#pragma once
#include <windows.h>

namespace ombrix::platform {

using VersionQueryFn = BOOL(WINAPI*)(LPOSVERSIONINFOW info);
extern VersionQueryFn versionQueryFn;

} // namespace ombrix::platform
