// Filter enumeration on Wine's own registry and the version text of what
// Wine reports, each checked against the platform read independently.
#include <doctest.h>

#include <cstring>
#include <string>

#include <windows.h>

#include "ombrix.h"

namespace {

const char kCategory[] = "CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance";

std::string subkeyName(HKEY key, DWORD index)
{
    char name[256];
    DWORD size = sizeof name;
    REQUIRE(RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS);
    return name;
}

} // namespace

TEST_CASE("the filters of Wine's DirectShow category")
{
    HKEY category;
    REQUIRE(RegOpenKeyExA(HKEY_CLASSES_ROOT, kCategory, 0, KEY_READ, &category) == ERROR_SUCCESS);
    DWORD subkeys = 0;
    REQUIRE(RegQueryInfoKeyA(category, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr) == ERROR_SUCCESS);
    MESSAGE("filters registered: " << subkeys);
    REQUIRE(subkeys >= 2);
    CHECK(GetDSFilterNum() == static_cast<int>(subkeys));

    const std::string prefix = std::string(kCategory) + "\\";
    const std::string first = subkeyName(category, 0), second = subkeyName(category, 1);
    char text[300] = "";
    CHECK(GPS(text, 0) == 0);
    CHECK(std::strlen(text) == 92);
    CHECK(std::string(text) == prefix + first);
    CHECK(GPS(text, 1) == 0);
    CHECK(std::string(text) == prefix + first + prefix + second);

    char expected[1000] = "";
    DWORD size = sizeof expected;
    REQUIRE(RegGetValueA(category, first.c_str(), "FriendlyName", RRF_RT_REG_SZ, nullptr, expected, &size) ==
            ERROR_SUCCESS);
    char name[1000];
    CHECK(GetDSFilterName(0, name) == 0);
    CHECK(std::string(name) == expected);

    // One past the last filter: both buffers stay as they were.
    std::memset(name, 'x', sizeof name);
    std::strcpy(text, "kept");
    CHECK(GetDSFilterName(static_cast<int>(subkeys), name) == 0);
    CHECK(GPS(text, static_cast<int>(subkeys)) == 0);
    CHECK(std::string(name, sizeof name) == std::string(sizeof name, 'x'));
    CHECK(std::string(text) == "kept");
    RegCloseKey(category);
}

TEST_CASE("the version text of what Wine reports")
{
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    REQUIRE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)));
    MESSAGE("Wine reports platform " << info.dwPlatformId << ", " << info.dwMajorVersion << "."
                                     << info.dwMinorVersion);
    // The prefixes report Windows 7, as a fresh prefix does.
    REQUIRE(info.dwPlatformId == VER_PLATFORM_WIN32_NT);
    REQUIRE(info.dwMajorVersion == 6);
    REQUIRE(info.dwMinorVersion == 1);
    const char* text = GetOSVersion();
    CHECK(std::string(text) == "Windows 7");
    CHECK(GetOSVersion() == text);
}
