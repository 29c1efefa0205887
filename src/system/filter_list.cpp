// The DirectShow filters registered on the machine, read straight from the
// registry key of the filter category: one subkey per filter, named by its
// class identifier and holding its "FriendlyName". All texts are ANSI, and
// every call is the registry's ANSI one. An index is the subkey's position in
// the registry's enumeration order; nothing is kept between calls.
#include "ombrix.h"

#include <cstring>

#include <windows.h>
#include <shlwapi.h>

namespace {

// The category key under HKEY_CLASSES_ROOT, and the same path with the
// separator that a filter's subkey name follows.
constexpr char kCategoryKey[] = "CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance";
constexpr char kFilterKeyPrefix[] = "CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance\\";
constexpr size_t kPrefixLength = sizeof kFilterKeyPrefix - 1;
static_assert(sizeof kCategoryKey - 1 == 53 && kPrefixLength == 54);

// Subkey names are read into this many characters, terminator included;
// the host's name buffer for GetDSFilterName has this many bytes too.
constexpr DWORD kNameCapacity = 1000;

// A registry key opened for reading, closed when it goes. An open that fails
// leaves it empty, and nothing is closed then.
class ReadKey {
public:
    ReadKey(HKEY parent, const char* path)
    {
        if (RegOpenKeyExA(parent, path, 0, KEY_READ, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~ReadKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    ReadKey(const ReadKey&) = delete;
    ReadKey& operator=(const ReadKey&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The name of the category's subkey at index; false when there is none.
bool filterKeyName(const ReadKey& category, int index, char (&name)[kNameCapacity])
{
    if (!category)
        return false;
    DWORD capacity = kNameCapacity;
    return SHEnumKeyExA(category.get(), static_cast<DWORD>(index), name, &capacity) == ERROR_SUCCESS;
}

} // namespace

// Exported a second time as GetDSFilterNameNext: one entry point, two names.
extern "C" int OMBRIX_CALL GetDSFilterNum(void) noexcept
{
    ReadKey category(HKEY_CLASSES_ROOT, kCategoryKey);
    if (!category)
        return 0;
    int count = 0;
    for (;;) {
        char name[kNameCapacity];
        DWORD capacity = kNameCapacity; // each call may shrink it
        if (RegEnumKeyExA(category.get(), static_cast<DWORD>(count), name, &capacity, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        ++count;
    }
    return count;
}

extern "C" int OMBRIX_CALL GPS(char* text, int index) noexcept
{
    // A negative index names no filter; it never reaches the registry.
    if (!text || index < 0)
        return 0;
    ReadKey category(HKEY_CLASSES_ROOT, kCategoryKey);
    char name[kNameCapacity];
    // An index that names no filter appends nothing.
    if (!filterKeyName(category, index, name))
        return 0;
    // Appended at the end of the host's text, which the host sized.
    char* end = text + std::strlen(text);
    std::memcpy(end, kFilterKeyPrefix, kPrefixLength);
    std::strcpy(end + kPrefixLength, name);
    return 0;
}

extern "C" int OMBRIX_CALL GetDSFilterName(int index, char* name) noexcept
{
    if (!name || index < 0)
        return 0;
    ReadKey category(HKEY_CLASSES_ROOT, kCategoryKey);
    char keyName[kNameCapacity];
    if (!filterKeyName(category, index, keyName))
        return 0;
    // Room for the prefix and the longest name the enumeration can give.
    char path[kPrefixLength + kNameCapacity];
    std::memcpy(path, kFilterKeyPrefix, kPrefixLength);
    std::strcpy(path + kPrefixLength, keyName);
    ReadKey filter(HKEY_CLASSES_ROOT, path);
    if (!filter)
        return 0;
    // Straight into the host's buffer; a missing value writes nothing.
    DWORD type = 0;
    DWORD size = kNameCapacity;
    SHQueryValueExA(filter.get(), "FriendlyName", nullptr, &type, name, &size);
    return 0;
}
