// Seeded random sequences of export calls over fake platform objects, with
// arguments drawn from what a careless or hostile host passes. Each sequence
// ends with omb_Close and omb_Exit; none may crash, reach a method the fakes
// do not implement or leave a reference behind. A failing sequence prints
// its seed and its calls; OMBRIX_SEED=<seed> replays that sequence alone
// (OMBRIX_SEQUENCES=<n> changes how many run).
#include <doctest.h>

#include <windows.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <algorithm>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ombrix.h"
#include "player_fixture.h"

using testing::FakePlayer;

namespace {

unsigned long long runningSeed = 0;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

LONG WINAPI reportSeed(EXCEPTION_POINTERS* exception)
{
    std::fprintf(stderr, "random sequence crashed: replay with OMBRIX_SEED=%llu\n", runningSeed);
    return previousFilter ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

// The host's side: real windows and DCs beside values that are neither.
struct Host {
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    HWND gone = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    Host() { DestroyWindow(gone); }
    ~Host()
    {
        DeleteObject(bitmap);
        DeleteDC(dc);
        DestroyWindow(window);
    }
};

struct Draw {
    std::mt19937_64 rng;
    const Host& host;
    std::vector<std::string> trail;

    size_t pick(size_t n) { return static_cast<size_t>(rng() % n); }
    int integer()
    {
        static const int values[] = {0, 1, 2, 3, 4, 5, 6, 7, 11, 17, 18, -1, -2, 1000, -10000, INT_MIN, INT_MAX};
        return pick(4) == 0 ? static_cast<int>(rng()) : values[pick(std::size(values))];
    }
    double real()
    {
        static const double values[] = {0.0, 1.5, -1.0, 1e300, -1e12, 9.3e11, DBL_MIN, HUGE_VAL, -HUGE_VAL, NAN};
        return values[pick(std::size(values))];
    }
    omb_handle handle()
    {
        const omb_handle values[] = {0, reinterpret_cast<omb_handle>(host.window), reinterpret_cast<omb_handle>(host.dc),
                                     reinterpret_cast<omb_handle>(host.bitmap), reinterpret_cast<omb_handle>(host.gone),
                                     1, 0xDEAD, 0xFFFF, -1};
        return values[pick(std::size(values))];
    }
    const char* file()
    {
        static const std::string overlong(32768, 'x');
        const char* values[] = {nullptr, "C:\\media\\clip.avi", "", overlong.c_str()};
        return values[pick(std::size(values))];
    }
    const wchar_t* filter()
    {
        static const std::wstring overlong(200, L'f');
        const wchar_t* values[] = {nullptr, L"Source", L"VMR9", L"Sample Grabber", overlong.c_str()};
        return values[pick(std::size(values))];
    }
    // Records the call for the report of a failing sequence.
    template <class... Args>
    void note(const char* name, const Args&... args)
    {
        std::ostringstream line;
        line << name << "(";
        const char* separator = "";
        ((line << separator, show(line, args), separator = ", "), ...);
        trail.push_back(line.str() + ")");
    }
    template <class T>
    static void show(std::ostream& out, const T& value) { out << value; }
    static void show(std::ostream& out, const char* text)
    {
        if (!text)
            out << "NULL";
        else
            out << '"' << std::string(text).substr(0, 40) << (std::strlen(text) > 40 ? "...\"" : "\"");
    }
    static void show(std::ostream& out, const wchar_t* text)
    {
        if (!text)
            out << "NULL";
        else
            out << "L\"" << std::string(text, text + std::min<size_t>(std::wcslen(text), 40)) << '"';
    }
};

#define CALL(name, ...)               \
    [](Draw& d) {                     \
        auto args = std::make_tuple(__VA_ARGS__); \
        std::apply([&](auto... a) { d.note(#name, a...); name(a...); }, args); \
    }

// Every export that acts on the player or on faked platform objects, with
// the kind of value each argument is drawn from. Left out: omb_Init and
// omb_Exit (each sequence's frame), omb_Test (a message box), and the
// registry and winmm utilities (no fakes stand in for them).
const std::vector<std::function<void(Draw&)>> kCalls = {
    CALL(omb_Open, d.file(), static_cast<int>(d.pick(2) ? d.pick(7) : d.integer()), d.integer(), d.integer(), d.integer()),
    CALL(omb_Play, d.handle(), d.integer(), d.integer(), d.integer(), d.integer()),
    CALL(omb_Play2), CALL(omb_Stop), CALL(omb_Close), CALL(omb_GetState), CALL(omb_GetStopped),
    CALL(omb_SetEvHWND, d.handle()),
    CALL(omb_Resize, d.handle(), d.integer(), d.integer(), d.integer(), d.integer()),
    CALL(omb_FullScreen, d.integer()), CALL(omb_SetHideCursor, d.integer()), CALL(omb_GetVideoSize, d.integer()),
    CALL(omb_GetVideoWindow, d.integer()), CALL(omb_SetVideoWindow, d.integer(), d.integer()),
    CALL(omb_UseCaptureVideoEx, d.integer()), CALL(omb_SetCaptureBufferSamples, d.integer()),
    CALL(omb_CaptureVideo, d.handle(), d.integer(), d.integer(), d.integer(), d.integer(), d.integer()),
    CALL(omb_CaptureVideoEx, d.handle(), d.integer(), d.integer(), d.integer(), d.integer()),
    [](Draw& d) {
        omb_handle window = d.handle();
        d.note("GetHWNDtoHDC", window);
        if (omb_handle dc = GetHWNDtoHDC(window))
            ReleaseDC(reinterpret_cast<HWND>(window), reinterpret_cast<HDC>(dc));
    },
    CALL(omb_VMRMixImage, d.handle(), d.integer(), d.integer(), d.integer(), d.integer(), static_cast<float>(d.real()),
         static_cast<float>(d.real()), static_cast<float>(d.real()), static_cast<float>(d.real()),
         static_cast<float>(d.real()), d.integer(), d.integer(), d.integer(), d.integer()),
    CALL(SetColorRef, d.integer(), d.integer(), d.integer()),
    CALL(omb_GetAvgFrameRate), CALL(omb_GetAvgSyncOffset), CALL(omb_GetDevSyncOffset), CALL(omb_GetFramesDrawn),
    CALL(omb_GetFramesDroppedInRenderer), CALL(omb_GetJitter), CALL(omb_GetAllPlayTime), CALL(omb_GetNowPlayTime),
    CALL(omb_SetSeek, d.real()), CALL(omb_SetSeek2, d.integer()), CALL(omb_Info, d.integer()),
    CALL(omb_SetSpeed, d.real()), CALL(omb_SetSpeed2, d.integer()), CALL(omb_GetSpeed),
    CALL(omb_GetMediaSeeking, d.integer()), CALL(omb_SetMediaSeeking, d.integer(), d.integer()),
    CALL(omb_SetFrameStep, d.integer()), CALL(omb_CanselFrameStep), CALL(omb_CanFrameStep, d.integer()),
    CALL(omb_GetMediaEvStr, d.integer()), CALL(omb_FillterProp, d.handle(), d.filter()),
    CALL(omb_SetSourcePolicy, d.integer()), CALL(omb_GetSource),
    CALL(omb_SetVolume, d.integer(), d.integer()), CALL(omb_GetVolume, d.integer()),
    CALL(omb_GetAudioClockSlave), CALL(omb_SetAudioClockSlave, d.integer()),
    CALL(omb_SetGraphStreams, d.integer(), d.integer()), CALL(omb_SetClockDelta, d.integer()),
    CALL(SetMasterVolumeVista, d.integer()), CALL(omb_GetThreadHWND),
    // Only values that are not windows: a worker started here would outlive the fakes.
    [](Draw& d) {
        omb_handle values[] = {1, 0xDEAD, 0xFFFF, -1, reinterpret_cast<omb_handle>(d.host.gone)};
        omb_handle window = values[d.pick(std::size(values))];
        d.note("omb_CreateThread", window, 1);
        // A worker that another test of this process started answers first.
        CHECK(omb_CreateThread(window, 1) == (omb_GetThreadHWND() ? -2 : -8));
    },
};

// Calls in the fakes' log that carry what the door should have refused: a
// handle that is not a window, a null name, a time or rate that is not a
// finite number, a rectangle that is negative or overflows, an overlong
// filter name.
std::string hostileCalls(const std::vector<std::string>& log)
{
    std::string found;
    for (const std::string& line : log) {
        long long window = 0, l = 0, t = 0, w = 0, h = 0;
        char name[200] = "";
        bool bad = line == "graph.RenderFile(null)" || line.find("(nan") != std::string::npos ||
                   line.find("(inf") != std::string::npos || line.find("(-inf") != std::string::npos ||
                   line.find("(-nan") != std::string::npos;
        if (std::sscanf(line.c_str(), "graph.put_Owner(%lld)", &window) == 1 ||
            std::sscanf(line.c_str(), "graph.SetNotifyWindow(%lld,", &window) == 1 ||
            std::sscanf(line.c_str(), "display.SetVideoWindow(%lld)", &window) == 1)
            bad |= window != 0 && !IsWindow(reinterpret_cast<HWND>(static_cast<intptr_t>(window)));
        if (std::sscanf(line.c_str(), "graph.SetWindowPosition(%lld, %lld, %lld, %lld)", &l, &t, &w, &h) == 4)
            bad |= w < 0 || h < 0 || l + w > INT_MAX || t + h > INT_MAX;
        if (std::sscanf(line.c_str(), "display.SetVideoPosition({%*f, %*f, %*f, %*f}, {%lld, %lld, %lld, %lld})", &l, &t,
                        &w, &h) == 4)
            bad |= w < l || h < t;
        if (std::sscanf(line.c_str(), "graph.FindFilterByName(\"%199[^\"]", name) == 1)
            bad |= std::strlen(name) > 127;
        if (bad)
            found += line + "; ";
    }
    return found;
}

std::string lines(const std::vector<std::string>& trail)
{
    std::string out;
    for (const std::string& line : trail)
        out += "\n    " + line;
    return out;
}

unsigned long long fromEnvironment(const char* name, unsigned long long otherwise)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : otherwise;
}

} // namespace

TEST_CASE("random sequences of export calls with hostile arguments never crash, leak or go unfaked")
{
    const char* replay = std::getenv("OMBRIX_SEED");
    const unsigned long long first = fromEnvironment("OMBRIX_SEED", 20261209);
    const unsigned long long count = replay && *replay ? 1 : fromEnvironment("OMBRIX_SEQUENCES", 10000);
    Host host;
    previousFilter = SetUnhandledExceptionFilter(reportSeed);
    const omb_handle workerBefore = omb_GetThreadHWND();
    unsigned long long calls = 0;
    for (unsigned long long seed = first; seed < first + count; ++seed) {
        runningSeed = seed;
        Draw d{std::mt19937_64(seed), host, {}};
        INFO("replay with OMBRIX_SEED=" << seed << "; calls:" << lines(d.trail));
        FakePlayer fixture; // its end checks that no reference is left and no call went unfaked
        fixture.world.realHandles = true;
        omb_Init();
        const size_t length = 1 + d.pick(40);
        for (size_t i = 0; i < length; ++i)
            kCalls[d.pick(kCalls.size())](d);
        d.note("omb_Close");
        omb_Close();
        const std::string hostile = hostileCalls(fixture.world.log.lines());
        CHECK_MESSAGE(hostile.empty(), "refused arguments reached the platform: " << hostile);
        d.note("omb_Exit");
        CHECK(omb_Exit() == 0);
        CHECK(fixture.p.playState == 0);
        CHECK(testing::graphFieldsEmpty(fixture.p));
        CHECK(omb_GetThreadHWND() == workerBefore); // no hostile call started a worker
        calls += length + 2;
    }
    SetUnhandledExceptionFilter(previousFilter);
    MESSAGE(count << " sequences from seed " << first << ", " << calls << " calls");
}
