// The host's x87 precision and the library's answers, through the DLL as a
// host loads it, against the platform's real graph. The Video Mixing
// Renderer 9 creates a Direct3D device without FPU preservation while the
// graph is built; the host's control word must come back unchanged, and the
// positions must convert exactly whatever precision the host chose.
#include <doctest.h>

#include <windows.h>

#include <string>

#include "ombrix.h"
#include "platform_gaps.h"
#include "real_player.h"
#include "x87.h"

using testing::X87Precision;

namespace {

struct Library {
    Library()
    {
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dll(path);
        dll = dll.substr(0, dll.find_last_of('\\') + 1) + "ombrix.dll";
        module = LoadLibraryA(dll.c_str());
        REQUIRE(module != nullptr);
        load(open, "omb_Open");
        load(close, "omb_Close");
        load(setSeek2, "omb_SetSeek2");
        load(setSeek, "omb_SetSeek");
        load(info, "omb_Info");
        load(nowPlayTime, "omb_GetNowPlayTime");
    }
    ~Library()
    {
        close();
        testing::pumpFor(20);
        FreeLibrary(module);
    }
    template <class F>
    void load(F*& function, const char* name)
    {
        function = reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        REQUIRE(static_cast<bool>(function));
    }
    HMODULE module = nullptr;
    int(__cdecl* open)(const char*, int, int, int, int) = nullptr;
    int(__cdecl* close)() = nullptr;
    int(__cdecl* setSeek2)(int) = nullptr;
    int(__cdecl* setSeek)(double) = nullptr;
    int(__cdecl* info)(int) = nullptr;
    double(__cdecl* nowPlayTime)() = nullptr;
};

} // namespace

TEST_CASE("precision: a VMR-9 open leaves the host's x87 precision, and positions convert exactly at each")
{
    const testing::WineMedia& media = testing::wineMedia();
    Library dll;
    // The platform converts seconds to 100-ns units and back with x87 code
    // of its own: at 64 or 24 bits of precision 0.7 s would come back as
    // 0.6999999 s, so the library runs those calls at the default precision.
    for (X87Precision precision : testing::kAllPrecisions) {
        const std::string name = testing::nameOf(precision);
        CAPTURE(name);
        testing::ScopedX87Precision host(precision);
        const std::uint16_t before = testing::x87ControlWord();
        REQUIRE(dll.open(media.longVideo.c_str(), OpenMode_Vmr9, 0, 0, 0) == 0);
        CHECK(testing::x87ControlWord() == before);
        for (int hundredths : {35, 70, 85}) {
            CAPTURE(hundredths);
            REQUIRE(dll.setSeek2(hundredths) == 0);
            CHECK(dll.info(3) == hundredths);
            const double seconds = hundredths / 100.0;
            REQUIRE(dll.setSeek(seconds) == 0);
            const bool rounded = precision == X87Precision::Bits24 && testing::has(testing::Gap::X87MovesRounded);
            CHECK(dll.nowPlayTime() == (rounded ? static_cast<double>(static_cast<float>(seconds)) : seconds));
        }
        CHECK(dll.close() == 0);
        CHECK(testing::x87ControlWord() == before);
        testing::pumpFor(20);
    }
}
