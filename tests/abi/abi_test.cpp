// Loads ombrix.dll the way a script host does (LoadLibrary + GetProcAddress
// by undecorated name) and calls exports through cdecl function pointers.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest.h>

#include <windows.h>

#include <cstring>

namespace {

HMODULE library()
{
    static HMODULE module = LoadLibraryA("ombrix.dll");
    return module;
}

template <class Fn>
Fn entry(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library(), name)));
}

using IntFn = int(__cdecl*)();
using DoubleFn = double(__cdecl*)();

// Every export of the library, by the name a host asks for.
const char* const kExports[] = {
    "omb_t", "omb_Version", "omb_BuildVersion", "omb_Init", "omb_Exit", "omb_Open", "omb_Close",
    "omb_Play", "omb_Play2", "omb_Stop", "omb_GetState", "omb_SetEvHWND", "omb_GetStopped",
    "omb_Resize", "omb_FullScreen", "omb_SetHideCursor", "omb_GetVideoSize", "omb_GetVideoWindow",
    "omb_SetVideoWindow", "omb_UseCaptureVideoEx", "omb_SetCaptureBufferSamples", "omb_CaptureVideo",
    "omb_CaptureVideoEx", "GetHWNDtoHDC", "omb_VMRMixImage", "SetColorRef", "omb_GetAvgFrameRate",
    "omb_GetAvgSyncOffset", "omb_GetDevSyncOffset", "omb_GetFramesDrawn", "omb_GetFramesDroppedInRenderer",
    "omb_GetJitter",
    "omb_GetAllPlayTime", "omb_GetNowPlayTime", "omb_SetSeek", "omb_SetSeek2", "omb_Info",
    "omb_GetMediaEvStr", "omb_CreateThread", "omb_GetThreadHWND",
    "omb_SetVolume", "omb_GetVolume", "omb_GetAudioClockSlave", "omb_SetAudioClockSlave",
    "omb_SetGraphStreams", "omb_SetClockDelta", "SetMasterVolume", "SetMasterVolumeVista",
    "GetDSFilterNum", "GetDSFilterNameNext", "GPS", "GetDSFilterName", "GetOSVersion",
    "omb_SetSpeed", "omb_SetSpeed2", "omb_GetSpeed", "omb_GetMediaSeeking", "omb_SetMediaSeeking",
    "omb_SetFrameStep", "omb_CanselFrameStep", "omb_CanFrameStep", "omb_FillterProp", "omb_Test",
    "omb_SelectPlayer", "omb_GetPlayer", "omb_GetPlayerCount", "omb_OpenW", "omb_UseUTF8",
    "omb_SetSourcePolicy", "omb_GetSource",
};

} // namespace

TEST_CASE("the library loads and offers every export by its undecorated name")
{
    REQUIRE(library() != nullptr);
    CHECK(sizeof kExports / sizeof kExports[0] == 70);
    for (const char* name : kExports) {
        CAPTURE(name);
        CHECK(reinterpret_cast<void*>(GetProcAddress(library(), name)) != nullptr);
    }
    // Decorated spellings are not exported.
    CHECK(reinterpret_cast<void*>(GetProcAddress(library(), "_omb_Version")) == nullptr);
    CHECK(reinterpret_cast<void*>(GetProcAddress(library(), "omb_Version@0")) == nullptr);
}

TEST_CASE("frame exports return their constants through the C calling convention")
{
    REQUIRE(library() != nullptr);
    double one = entry<DoubleFn>("omb_t")();
    CHECK(std::memcmp(&one, "\0\0\0\0\0\0\xF0\x3F", 8) == 0); // exactly 1.0
    CHECK(entry<IntFn>("omb_Version")() == 101);
    CHECK(entry<IntFn>("omb_BuildVersion")() == 20090917);
    CHECK(entry<IntFn>("omb_Init")() == 0);
    CHECK(entry<IntFn>("omb_Close")() == -1); // nothing open yet
    auto open = entry<int(__cdecl*)(const char*, int, int, int, int)>("omb_Open");
    CHECK(open("x.avi", 7, 0, 0, 0) == -2);
    CHECK(open("x.avi", -1, 0, 0, 0) == -2);
    // The double-returning queries give -1.0 with nothing open.
    double none = entry<DoubleFn>("omb_GetAllPlayTime")();
    CHECK(none == -1.0);
    CHECK(entry<int(__cdecl*)(double)>("omb_SetSeek")(1.5) == -1);
    CHECK(entry<const char*(__cdecl*)(int)>("omb_GetMediaEvStr")(0) != nullptr);
    CHECK(entry<IntFn>("omb_Exit")() == 0);
}

TEST_CASE("audio, clock and system exports through cdecl")
{
    REQUIRE(library() != nullptr);
    CHECK(entry<int(__cdecl*)(int, int)>("omb_SetVolume")(0, -10000) == -1);
    CHECK(entry<int(__cdecl*)(int)>("omb_GetVolume")(1) == -1);
    CHECK(entry<IntFn>("omb_GetAudioClockSlave")() == -1);
    CHECK(entry<int(__cdecl*)(int)>("omb_SetAudioClockSlave")(50) == -1);
    CHECK(entry<int(__cdecl*)(int, int)>("omb_SetGraphStreams")(1, 500000) == -1);
    CHECK(entry<int(__cdecl*)(int)>("omb_SetClockDelta")(-1000) == -1);

    // One entry point under two names.
    IntFn count = entry<IntFn>("GetDSFilterNum");
    REQUIRE(reinterpret_cast<void*>(count) != nullptr);
    CHECK(reinterpret_cast<void*>(entry<IntFn>("GetDSFilterNameNext")) == reinterpret_cast<void*>(count));
    int filters = count();
    CHECK(filters > 0);
    CHECK(entry<IntFn>("GetDSFilterNameNext")() == filters);

    char text[200] = "";
    CHECK(entry<int(__cdecl*)(char*, int)>("GPS")(text, 0) == 0);
    CHECK(std::strlen(text) == 92);
    char name[1000] = "";
    CHECK(entry<int(__cdecl*)(int, char*)>("GetDSFilterName")(0, name) == 0);
    CHECK(name[0] != '\0');

    auto version = entry<const char*(__cdecl*)()>("GetOSVersion");
    const char* os = version();
    CHECK(std::strcmp(os, "Windows 7") == 0);
    CHECK(version() == os);
}

TEST_CASE("rate, seeking, stepping and property exports answer -1 through cdecl while nothing is open")
{
    REQUIRE(library() != nullptr);
    // A double argument and a wide-text argument cross the boundary too.
    CHECK(entry<int(__cdecl*)(double)>("omb_SetSpeed")(2.0) == -1);
    CHECK(entry<int(__cdecl*)(int)>("omb_SetSpeed2")(2000) == -1);
    CHECK(entry<IntFn>("omb_GetSpeed")() == -1);
    CHECK(entry<int(__cdecl*)(int)>("omb_GetMediaSeeking")(2) == -1);
    CHECK(entry<int(__cdecl*)(int, int)>("omb_SetMediaSeeking")(0, 0) == -1);
    CHECK(entry<int(__cdecl*)(int)>("omb_SetFrameStep")(1) == -1);
    CHECK(entry<IntFn>("omb_CanselFrameStep")() == -1);
    CHECK(entry<int(__cdecl*)(int)>("omb_CanFrameStep")(0) == -1);
    CHECK(entry<int(__cdecl*)(intptr_t, const wchar_t*)>("omb_FillterProp")(0, L"VMR9") == -1);
}

TEST_CASE("video exports through cdecl: handles, fourteen slots and the colour packing")
{
    REQUIRE(library() != nullptr);
    CHECK(entry<int(__cdecl*)(intptr_t, int, int, int, int)>("omb_Resize")(0, 0, 0, 320, 240) == -1);
    CHECK(entry<int(__cdecl*)(int)>("omb_FullScreen")(2) == -1);
    CHECK(entry<int(__cdecl*)(int, int)>("omb_SetVideoWindow")(10, 320) == -1);
    CHECK(entry<int(__cdecl*)(intptr_t, int, int, int, int, int)>("omb_CaptureVideo")(0, 0, 0, 1, 1, SRCCOPY) == -1);
    CHECK(entry<int(__cdecl*)(int)>("omb_SetCaptureBufferSamples")(1) == -2);
    CHECK(entry<int(__cdecl*)(int)>("omb_UseCaptureVideoEx")(0) == 0);
    CHECK(entry<IntFn>("omb_GetJitter")() == -1);
    auto mix = entry<int(__cdecl*)(intptr_t, int, int, int, int, float, float, float, float, float, int, int,
                                   int, int)>("omb_VMRMixImage");
    CHECK(mix(0, 0, 0, 100, 50, 1.0f, 0.0f, 0.0f, 0.5f, 0.25f, 1, 255, 0, 255) == -1);
    auto color = entry<int(__cdecl*)(int, int, int)>("SetColorRef");
    CHECK(color(255, 128, 0) == 0x0080FF);
    CHECK(color(0x1FF, 0x100, -1) == 0xFF00FF);

    // The device context of a window of the caller's, by handle.
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    REQUIRE(window != nullptr);
    auto dcOf = entry<intptr_t(__cdecl*)(intptr_t)>("GetHWNDtoHDC");
    HDC dc = reinterpret_cast<HDC>(dcOf(reinterpret_cast<intptr_t>(window)));
    CHECK(dc != nullptr);
    CHECK(WindowFromDC(dc) == window);
    ReleaseDC(window, dc);
    DestroyWindow(window);
}
