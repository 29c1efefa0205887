// The version resources of the library and the sample player, read back
// through the platform's version API the way Explorer and installers read
// them, against the project's version (OMBRIX_PROJECT_VERSION, given by the
// build).
#include <doctest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// A binary of this build (they all land in the test program's folder) and
// the file type its resource must declare.
struct Binary {
    const char* file;
    DWORD fileType;
};

const Binary kBinaries[] = {
    {"ombrix.dll", VFT_DLL},
    {"ombrix-play.exe", VFT_APP},
};

std::wstring besideTestProgram(const std::string& file)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + std::wstring(file.begin(), file.end());
}

// One file's version block, as GetFileVersionInfoW gives it.
class VersionBlock {
public:
    explicit VersionBlock(const std::wstring& path)
    {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        if (size == 0)
            return;
        block_.resize(size);
        if (!GetFileVersionInfoW(path.c_str(), 0, size, block_.data()))
            block_.clear();
    }

    bool read() const { return !block_.empty(); }

    const VS_FIXEDFILEINFO* fixed() const
    {
        UINT bytes = 0;
        const void* value = query(L"\\", bytes);
        return bytes >= sizeof(VS_FIXEDFILEINFO) ? static_cast<const VS_FIXEDFILEINFO*>(value) : nullptr;
    }

    // A value of the string table that the first translation names, as
    // the shell picks it, in UTF-8; empty when there is none.
    std::string text(const wchar_t* name) const
    {
        UINT length = 0;
        const auto* translation = static_cast<const WORD*>(query(L"\\VarFileInfo\\Translation", length));
        if (length < 2 * sizeof(WORD))
            return "";
        wchar_t key[96];
        std::swprintf(key, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], name);
        const auto* value = static_cast<const wchar_t*>(query(key, length));
        if (length == 0)
            return "";
        char utf8[512];
        int bytes = WideCharToMultiByte(CP_UTF8, 0, value, -1, utf8, sizeof utf8, nullptr, nullptr);
        return bytes > 0 ? std::string(utf8, bytes - 1) : "";
    }

private:
    // The value under key and its length (bytes, or characters for a
    // string); length 0 when there is none.
    const void* query(const wchar_t* key, UINT& length) const
    {
        void* value = nullptr;
        length = 0;
        if (!read() || !VerQueryValueW(block_.data(), key, &value, &length) || !value)
            length = 0;
        return value;
    }

    std::vector<BYTE> block_;
};

} // namespace

TEST_CASE("the DLL and the player carry the project's version, name and file name")
{
    unsigned major = 0, minor = 0, patch = 0;
    REQUIRE(std::sscanf(OMBRIX_PROJECT_VERSION, "%u.%u.%u", &major, &minor, &patch) == 3);
    const std::string version = OMBRIX_PROJECT_VERSION;
    std::string descriptions[2];
    int row = 0;
    for (const Binary& binary : kBinaries) {
        CAPTURE(binary.file);
        VersionBlock info(besideTestProgram(binary.file));
        REQUIRE(info.read());

        const VS_FIXEDFILEINFO* fixed = info.fixed();
        REQUIRE(fixed != nullptr);
        CHECK(fixed->dwSignature == VS_FFI_SIGNATURE);
        CHECK(fixed->dwFileVersionMS == MAKELONG(minor, major));
        CHECK(fixed->dwFileVersionLS == MAKELONG(0, patch));
        CHECK(fixed->dwProductVersionMS == MAKELONG(minor, major));
        CHECK(fixed->dwProductVersionLS == MAKELONG(0, patch));
        CHECK(fixed->dwFileType == binary.fileType);
        CHECK((fixed->dwFileFlags & fixed->dwFileFlagsMask & VS_FF_DEBUG) == 0);

        CHECK(info.text(L"FileVersion") == version);
        CHECK(info.text(L"ProductVersion") == version);
        CHECK(info.text(L"ProductName") == "ombrix");
        CHECK(info.text(L"OriginalFilename") == binary.file);
        CHECK(info.text(L"LegalCopyright").rfind("Copyright ", 0) == 0);
        descriptions[row] = info.text(L"FileDescription");
        CHECK(!descriptions[row].empty());
        ++row;
    }
    // Each file describes itself, not the other.
    CHECK(descriptions[0] != descriptions[1]);
}
