// GetOSVersion's decision table, with a stand-in version query.
#include <doctest.h>

#include <string>

#include "ombrix.h"
#include "platform/version.h"

namespace {

// Answers the version query with one platform and version, or fails.
struct StandInVersion {
    StandInVersion(DWORD platformId, DWORD major, DWORD minor, BOOL answer = TRUE)
    {
        info = {};
        info.dwPlatformId = platformId;
        info.dwMajorVersion = major;
        info.dwMinorVersion = minor;
        result = answer;
        askedSize = 0;
        ombrix::platform::versionQueryFn = query;
    }
    ~StandInVersion() { ombrix::platform::versionQueryFn = ::GetVersionExW; }

    static inline OSVERSIONINFOEXW info{};
    static inline BOOL result = TRUE;
    static inline DWORD askedSize = 0;

    static BOOL WINAPI query(LPOSVERSIONINFOW out)
    {
        askedSize = out->dwOSVersionInfoSize;
        if (!result)
            return FALSE;
        // Everything beyond the three numbers is noise the text must ignore.
        auto* ex = reinterpret_cast<OSVERSIONINFOEXW*>(out);
        *ex = info;
        ex->dwOSVersionInfoSize = askedSize;
        ex->dwBuildNumber = 7601;
        ex->wProductType = VER_NT_SERVER;
        ex->wServicePackMajor = 1;
        return TRUE;
    }
};

} // namespace

TEST_CASE("every row of the version table")
{
    struct Row {
        DWORD platformId, major, minor;
        const char* text;
    };
    const Row rows[] = {
        {0, 3, 10, "Windows 3.1 (Win32s)"}, {0, 9, 99, "Windows 3.1 (Win32s)"},
        {1, 4, 0, "Windows 95"},            {1, 4, 10, "Windows 98"},
        {1, 4, 90, "Windows Me"},           {1, 4, 3, "Windows 95/98/Me"},
        {1, 7, 0, "Windows 95"},            {2, 3, 51, "Windows NT/2000/XP"},
        {2, 4, 0, "Windows NT 4.0"},        {2, 4, 90, "Windows NT 4.0"},
        {2, 5, 0, "Widnows 2000"},          {2, 5, 1, "Windows XP"},
        {2, 5, 2, "Windows Server 2003"},   {2, 5, 3, "Windows NT/2000/XP"},
        {2, 6, 0, "Widnows Vista"},         {2, 6, 1, "Windows 7"},
        {2, 6, 2, "Windows 8"},             {2, 6, 3, "Windows 8.1"},
        {2, 6, 4, "Windows NT/2000/XP"},    {2, 10, 0, "Windows NT/2000/XP"},
        {2, 7, 0, "Windows NT/2000/XP"},    {3, 10, 0, "OS Unknown"},
        {0xFFFFFFFF, 6, 1, "OS Unknown"},
    };
    for (const Row& row : rows) {
        CAPTURE(row.platformId);
        CAPTURE(row.major);
        CAPTURE(row.minor);
        StandInVersion version(row.platformId, row.major, row.minor);
        const char* text = GetOSVersion();
        CHECK(std::string(text) == row.text);
        CHECK(GetOSVersion() == text); // a constant: the same pointer each time
        CHECK(StandInVersion::askedSize == 284);
    }
}

TEST_CASE("a failed version query names no version")
{
    // A record left unfilled would read as platform 0, Win32s.
    StandInVersion version(2, 6, 1, FALSE);
    CHECK(std::string(GetOSVersion()) == "OS Unknown");
}
