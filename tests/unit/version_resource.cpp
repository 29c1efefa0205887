// The version resources of the library and the sample player, read back
// through the platform's version API the way Explorer and installers read
// them, against the newest release that CHANGELOG.md names. The changelog is
// read when the test runs (OMBRIX_CHANGELOG, its path as the test program
// opens it), so a release written there is checked without a rebuild.
#include <doctest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <regex>
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

// The newest release of a changelog: the first heading "## X.Y.Z (date)",
// as its text "X.Y.Z"; empty when the file cannot be read or names none.
// Headings that are not releases ("## Unreleased") are passed over; a
// newest release heading out of that form fails the test.
std::string newestRelease(const char* utf8Path)
{
    wchar_t path[MAX_PATH];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path, -1, path, MAX_PATH) == 0)
        return "";
    std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path, L"rb"), fclose);
    if (!file)
        return "";
    static const std::regex release(R"(## (\d+\.\d+\.\d+) \(\d{4}-\d{2}-\d{2}\)\s*)");
    char line[1024];
    while (std::fgets(line, sizeof line, file.get())) {
        const std::string text = line;
        if (text.size() < 4 || text.compare(0, 3, "## ") != 0 || text[3] < '0' || text[3] > '9')
            continue;
        std::smatch match;
        CAPTURE(text);
        CHECK_MESSAGE(std::regex_match(text, match, release), "a release heading reads \"## X.Y.Z (YYYY-MM-DD)\"");
        return match.empty() ? "" : match[1].str();
    }
    return "";
}

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

TEST_CASE("the DLL and the player carry the changelog's newest release, name and file name")
{
    const std::string version = newestRelease(OMBRIX_CHANGELOG);
    CAPTURE(OMBRIX_CHANGELOG);
    unsigned major = 0, minor = 0, patch = 0;
    REQUIRE(std::sscanf(version.c_str(), "%u.%u.%u", &major, &minor, &patch) == 3);
    std::string descriptions[2];
    int row = 0;
    for (const Binary& binary : kBinaries) {
        const std::string file = binary.file;
        CAPTURE(file);
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
