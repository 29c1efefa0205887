// Filter enumeration against a registry of the test's own: HKEY_CLASSES_ROOT
// is redirected to a scratch key that holds a category with three filters.
#include <doctest.h>

#include <cstring>
#include <string>

#include <windows.h>

#include "ombrix.h"

namespace {

const char kScratch[] = "Software\\ombrix-tests\\classes";
const char kCategory[] = "CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance";
const std::string kPrefix = std::string(kCategory) + "\\";
const char* const kFilters[] = {"{00000001-0000-0000-0000-000000000001}", "{00000002-0000-0000-0000-000000000002}",
                                "{00000003-0000-0000-0000-000000000003}"};

// Redirects HKEY_CLASSES_ROOT to an empty scratch key for one test.
struct ScratchClasses {
    ScratchClasses()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
        REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                                nullptr) == ERROR_SUCCESS);
        REQUIRE(RegOverridePredefKey(HKEY_CLASSES_ROOT, root) == ERROR_SUCCESS);
    }
    ~ScratchClasses()
    {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        RegCloseKey(root);
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    }
    // Adds a filter key, with a FriendlyName unless name is null.
    void addFilter(const char* clsid, const char* name)
    {
        HKEY key;
        std::string path = kPrefix + clsid;
        REQUIRE(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
                ERROR_SUCCESS);
        if (name)
            RegSetValueExA(key, "FriendlyName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                           static_cast<DWORD>(std::strlen(name) + 1));
        RegCloseKey(key);
    }
    HKEY root = nullptr;
};

struct ThreeFilters : ScratchClasses {
    ThreeFilters()
    {
        addFilter(kFilters[0], "First Filter");
        addFilter(kFilters[1], "Second Filter");
        addFilter(kFilters[2], nullptr);
    }
};

} // namespace

TEST_CASE_FIXTURE(ThreeFilters, "count, paths and friendly names of the filters")
{
    CHECK(GetDSFilterNum() == 3);

    char text[400] = "";
    CHECK(GPS(text, 2) == 0);
    CHECK(std::string(text) == kPrefix + kFilters[2]);

    char name[1000];
    CHECK(GetDSFilterName(1, name) == 0);
    CHECK(std::string(name) == "Second Filter");

    SUBCASE("an index that names no filter leaves the buffers as they were")
    {
        std::strcpy(text, "kept");
        std::strcpy(name, "kept");
        for (int index : {3, -1}) {
            CHECK(GPS(text, index) == 0);
            CHECK(GetDSFilterName(index, name) == 0);
        }
        CHECK(GetDSFilterName(2, name) == 0); // no FriendlyName value
        CHECK(std::string(text) == "kept");
        CHECK(std::string(name) == "kept");
    }
    SUBCASE("null buffers are not written")
    {
        CHECK(GPS(nullptr, 0) == 0);
        CHECK(GetDSFilterName(0, nullptr) == 0);
    }
    SUBCASE("every key opened is closed again")
    {
        // A leaked key would hold the handle slot that the next handle takes.
        auto nextHandle = [] {
            HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            CloseHandle(probe);
            return probe;
        };
        HANDLE before = nextHandle();
        for (int i = 0; i < 5; ++i) {
            text[0] = '\0';
            GetDSFilterNum();
            GPS(text, i % 4);
            GetDSFilterName(i % 4, name);
        }
        CHECK(nextHandle() == before);
    }
}

TEST_CASE_FIXTURE(ScratchClasses, "without the category key there are no filters")
{
    char text[8] = "kept", name[1000] = "kept";
    CHECK(GetDSFilterNum() == 0);
    CHECK(GPS(text, 0) == 0);
    CHECK(GetDSFilterName(0, name) == 0);
    CHECK(std::string(text) == "kept");
    CHECK(std::string(name) == "kept");
}
