#include "fake_keys.h"

#include <map>
#include <ostream>

namespace fakes {
namespace {

#define FAKE_NAME_TEXT(fake) #fake,
const char* const kFakeTexts[] = {FAKE_NAMES(FAKE_NAME_TEXT)};
#undef FAKE_NAME_TEXT
static_assert(sizeof kFakeTexts / sizeof kFakeTexts[0] == static_cast<size_t>(Fake::Count), "one text per fake");

#define FAKE_CALL_TEXT(fake, method) #fake "." #method,
const char* const kCallTexts[] = {FAKE_CALLS(FAKE_CALL_TEXT)};
#undef FAKE_CALL_TEXT
static_assert(sizeof kCallTexts / sizeof kCallTexts[0] == static_cast<size_t>(Call::Count), "one text per call");

#define FAKE_QUIRK_TEXT(fake, name, text) #fake "." text,
const char* const kQuirkTexts[] = {FAKE_QUIRKS(FAKE_QUIRK_TEXT)};
#undef FAKE_QUIRK_TEXT
static_assert(sizeof kQuirkTexts / sizeof kQuirkTexts[0] == static_cast<size_t>(Quirk::Count), "one text per quirk");

template <class Key, size_t N>
bool find(const char* const (&texts)[N], const std::string& text, Key& key)
{
    static const std::map<std::string, Key> byText = [&texts] {
        std::map<std::string, Key> out;
        for (size_t i = 0; i < N; ++i)
            out.emplace(texts[i], static_cast<Key>(i));
        return out;
    }();
    auto it = byText.find(text);
    if (it == byText.end())
        return false;
    key = it->second;
    return true;
}

} // namespace

const char* keyText(Fake fake) { return kFakeTexts[static_cast<size_t>(fake)]; }
const char* keyText(Call call) { return kCallTexts[static_cast<size_t>(call)]; }
const char* keyText(Quirk quirk) { return kQuirkTexts[static_cast<size_t>(quirk)]; }
bool keyNamed(const std::string& text, Call& call) { return find(kCallTexts, text, call); }
bool keyNamed(const std::string& text, Quirk& quirk) { return find(kQuirkTexts, text, quirk); }
std::ostream& operator<<(std::ostream& out, Call call) { return out << keyText(call); }
std::ostream& operator<<(std::ostream& out, Quirk quirk) { return out << keyText(quirk); }

} // namespace fakes
