// File names outside the process code page on the platform's real
// DirectShow: a clip copied to a name of Cyrillic, Japanese and an emoji is
// opened, played and grabbed through UTF-8 and through UTF-16; the ANSI path
// with that name, and names no mode opens, answer with a code.
#include <doctest.h>

#include <windows.h>

#include <string>

#include "canvas.h"
#include "host_window.h"
#include "ombrix.h"
#include "real_player.h"

using testing::Canvas;
using testing::HostWindow;
using testing::pumpUntil;
using testing::RealPlayer;

namespace {

// "Пример 映像 🎬.avi" beside the shared clips.
const std::wstring& unicodePath()
{
    static const std::wstring path = [] {
        const std::string& dir = testing::wineMedia().dir;
        std::wstring wide(dir.begin(), dir.end());
        wide += L"\u041F\u0440\u0438\u043C\u0435\u0440 \u6620\u50CF \U0001F3AC.avi";
        const std::string& from = testing::wineMedia().longVideo;
        REQUIRE(CopyFileW(std::wstring(from.begin(), from.end()).c_str(), wide.c_str(), FALSE));
        return wide;
    }();
    return path;
}

std::string encoded(const std::wstring& text, UINT codePage)
{
    const int size = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size) - 1);
    return out;
}

// The host's texts read as UTF-8 for one scope, and in the process code page
// again after it on every path: a failed assertion leaves no setting behind.
struct Utf8Texts {
    Utf8Texts() { CHECK(omb_UseUTF8(1) == 0); }
    ~Utf8Texts() { omb_UseUTF8(0); }
    Utf8Texts(const Utf8Texts&) = delete;
    Utf8Texts& operator=(const Utf8Texts&) = delete;
};

std::string repeated(const std::string& piece, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

} // namespace

TEST_CASE_FIXTURE(RealPlayer, "unicode: a name outside the code page opens, plays and grabs through UTF-8 and UTF-16")
{
    HostWindow host;
    const std::string utf8 = encoded(unicodePath(), CP_UTF8);
    const std::string ansi = encoded(unicodePath(), CP_ACP);
    REQUIRE(ansi.find('?') != std::string::npos); // the code page cannot hold the name

    for (int mode : {OpenMode_DefaultRenderers, OpenMode_VideoRenderer}) {
        for (const char* how : {"UTF-8", "UTF-16"}) {
            CAPTURE(mode);
            CAPTURE(how);
            REQUIRE(omb_UseCaptureVideoEx(1) == 0);
            if (std::string(how) == "UTF-8") {
                Utf8Texts texts;
                REQUIRE(omb_Open(utf8.c_str(), mode, 0, 0, 0) == 0);
            } else {
                REQUIRE(omb_OpenW(unicodePath().c_str(), mode, 0, 0, 0) == 0);
            }
            CHECK(omb_GetAllPlayTime() == doctest::Approx(10.0));
            REQUIRE(omb_SetCaptureBufferSamples(1) == 0);
            REQUIRE(omb_Play(reinterpret_cast<omb_handle>(host.hwnd()), 0, 0, 64, 48) == 0);
            CHECK(pumpUntil([] { return omb_GetNowPlayTime() > 0.2; }, 5000));
            if (mode == OpenMode_DefaultRenderers) { // the grabber is routed in mode 0
                Canvas canvas(64, 48);
                CHECK(pumpUntil([&] { return omb_CaptureVideoEx(canvas.handle(), 0, 0, 64, 48) == 0; }, 5000));
                CHECK_FALSE(canvas.untouched(32, 24));
            }
            CHECK(omb_Close() == 0);
        }
        // The ANSI path gets the name with its characters replaced: a code, no crash.
        CHECK(omb_Open(ansi.c_str(), mode, 0, 0, 0) == OMB_E_CANNOT_RENDER);
        CHECK(omb_GetState() == OMB_E_NOT_OPEN);
    }
    // Names no mode opens: refused before a graph is made, or (a long one
    // within the limit, which counts UTF-16 units) not found by the platform.
    struct NameRow {
        const char* what;
        bool utf8;
        std::string name;
        int code;
    };
    const std::string kanji = "\xE6\x98\xA0";
    const NameRow rows[] = {
        {"ANSI bytes as UTF-8", true, encoded(L"caf\u00E9.avi", CP_ACP), OMB_E_BAD_FILE_NAME},
        {"empty, ANSI", false, "", OMB_E_BAD_FILE_NAME},
        {"empty, UTF-8", true, "", OMB_E_BAD_FILE_NAME},
        {"11,000 Japanese characters in 33,000 bytes of UTF-8", true, "C:\\" + repeated(kanji, 11000) + ".avi",
         OMB_E_CANNOT_RENDER},
        {"32,761 Japanese characters: 32,768 UTF-16 units", true, "C:\\" + repeated(kanji, 32761) + ".avi",
         OMB_E_BAD_FILE_NAME},
    };
    for (const NameRow& row : rows)
        for (int mode : {OpenMode_DefaultRenderers, OpenMode_VideoRenderer}) {
            const std::string what = row.what;
            CAPTURE(what);
            CAPTURE(mode);
            int code;
            if (row.utf8) {
                Utf8Texts texts;
                code = omb_Open(row.name.c_str(), mode, 0, 0, 0);
            } else {
                code = omb_Open(row.name.c_str(), mode, 0, 0, 0);
            }
            CHECK(code == row.code);
            CHECK(omb_GetState() == OMB_E_NOT_OPEN);
        }
    // The host goes on: the shared clip opens as ever.
    REQUIRE(omb_Open(media.video.c_str(), 1, 0, 0, 0) == 0);
    CHECK(omb_Close() == 0);
    omb_UseCaptureVideoEx(0);
}
