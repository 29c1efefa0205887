// A short text naming the running Windows version, chosen from the platform
// identifier and the major and minor version numbers alone: build, service
// pack and product type are not consulted, so server and workstation
// editions of one version get the same text.
#include "ombrix.h"

#include <windows.h>

#include "platform/version.h"

namespace {

// The texts, constants of the library. Two keep the spelling that hosts
// already compare against.
const char kWin32s[] = "Windows 3.1 (Win32s)";
const char kWindows95[] = "Windows 95";
const char kWindows98[] = "Windows 98";
const char kWindowsMe[] = "Windows Me";
const char kWindows9x[] = "Windows 95/98/Me";
const char kWindowsNT4[] = "Windows NT 4.0";
const char kWindows2000[] = "Widnows 2000";
const char kWindowsXP[] = "Windows XP";
const char kWindowsServer2003[] = "Windows Server 2003";
const char kWindowsVista[] = "Widnows Vista";
const char kWindows7[] = "Windows 7";
const char kWindows8[] = "Windows 8";
const char kWindows81[] = "Windows 8.1";
const char kWindowsNT[] = "Windows NT/2000/XP";
const char kUnknown[] = "OS Unknown";

// NT versions that have no text of their own (below 4, 5.3 and later 5.x,
// 6.4 and later 6.x, 7 and above) get the family's generic text.
const char* ntText(DWORD major, DWORD minor)
{
    switch (major) {
    case 4:
        return kWindowsNT4;
    case 5:
        switch (minor) {
        case 0: return kWindows2000;
        case 1: return kWindowsXP;
        case 2: return kWindowsServer2003;
        default: return kWindowsNT;
        }
    case 6:
        switch (minor) {
        case 0: return kWindowsVista;
        case 1: return kWindows7;
        case 2: return kWindows8;
        case 3: return kWindows81;
        default: return kWindowsNT;
        }
    default:
        return kWindowsNT;
    }
}

} // namespace

extern "C" const char* OMBRIX_CALL GetOSVersion(void) noexcept
{
    static_assert(sizeof(OSVERSIONINFOEXW) == 284, "the extended version record");
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    // A query that fails leaves nothing to choose by.
    if (!ombrix::platform::versionQueryFn(reinterpret_cast<OSVERSIONINFOW*>(&info)))
        return kUnknown;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        return kWin32s;
    case VER_PLATFORM_WIN32_WINDOWS:
        switch (info.dwMinorVersion) {
        case 0: return kWindows95;
        case 10: return kWindows98;
        case 90: return kWindowsMe;
        default: return kWindows9x;
        }
    case VER_PLATFORM_WIN32_NT:
        return ntText(info.dwMajorVersion, info.dwMinorVersion);
    default:
        return kUnknown;
    }
}
