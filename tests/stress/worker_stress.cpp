// Long runs on Wine's real DirectShow: many graphs opened, played and closed
// while the worker window repeats a clip of a few frames, a second host
// thread calling in while the first plays, and memory over many opens.
#include <doctest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "media.h"
#include "platform/ids.h"
#include "child_process.h"
#include "ombrix.h"
#include "platform_gaps.h"
#include "real_player.h"

using testing::HostWindow;
using testing::RealPlayer;

namespace {

constexpr int kRounds = 300;

// A 4-frame clip, video only: Wine hangs when a graph with audio is stopped
// after a seek.
const std::string& shortClip() { return testing::wineMedia().shortVideo; }

omb_handle handle(HWND window) { return reinterpret_cast<omb_handle>(window); }



} // namespace

TEST_CASE("stress: hundreds of open, play and close rounds against the automatic repeat")
{
    // In a child: the platform may crash at the exit of a process that made
    // this many graphs (the gap table).
    testing::checkChildCase("worker_stress.cpp", "stress child", 280000, testing::Gap::ExitCrashAfterManyGraphs);
}

// Run only by the case above, in its child (skipped otherwise; declared with
// the DOCTEST_ prefix so that the build makes no test entry of its own).
DOCTEST_TEST_CASE_FIXTURE(RealPlayer, "stress child: open, play and close rounds" * doctest::skip())
{
    HostWindow host;
    omb_handle worker = omb_CreateThread(handle(host.hwnd()), 1);
    REQUIRE(worker > 0);
    const ULONGLONG start = GetTickCount64();
    for (int round = 0; round < kRounds; ++round) {
        CAPTURE(round);
        REQUIRE(omb_Open(shortClip().c_str(), OpenMode_VideoRenderer, 0, 0, 0) == 0);
        REQUIRE(omb_SetEvHWND(worker) == 0);
        REQUIRE(omb_Play(handle(host.hwnd()), 0, 0, 64, 48) == 0);
        // Closing 0 to 560 ms in: before, during and after ends and restarts.
        testing::pumpFor(static_cast<DWORD>(round % 8) * 80);
        if (round % 5 == 0)
            CHECK(omb_Stop() == 0);
        REQUIRE(omb_Close() == 0);
    }
    const ULONGLONG took = GetTickCount64() - start;
    MESSAGE(kRounds << " rounds in " << took << " ms; the host heard " << host.ends().size() << " ends");
    CHECK(host.ends().size() > 0);

    // The worker window is alive and repeats as before.
    REQUIRE(IsWindow(reinterpret_cast<HWND>(worker)));
    host.events.clear();
    REQUIRE(omb_Open(shortClip().c_str(), OpenMode_VideoRenderer, 0, 0, 0) == 0);
    REQUIRE(omb_SetEvHWND(worker) == 0);
    REQUIRE(omb_Play(handle(host.hwnd()), 0, 0, 64, 48) == 0);
    CHECK(testing::pumpUntil([&] { return host.ends().size() >= 3; }, 10000));
    CHECK(omb_GetState() == 2);
    CHECK(omb_Close() == 0);
    CHECK(omb_GetThreadHWND() == worker);
}

namespace {

// What a second host thread calls while the first one plays, and the
// results it accepts.
struct Call {
    const char* name;
    int (*call)();
    int low, high;
};
const Call kSecondThread[] = {
    {"omb_GetState", [] { return omb_GetState(); }, 0, 2},
    {"omb_GetNowPlayTime", [] { return static_cast<int>(omb_GetNowPlayTime() * 100); }, 0, 100},
    {"omb_GetAllPlayTime", [] { return static_cast<int>(omb_GetAllPlayTime() * 100); }, 16, 16},
    {"omb_Info(0)", [] { return omb_Info(0); }, 64, 64},
    {"omb_Info(3)", [] { return omb_Info(3); }, 0, 100},
    {"omb_GetSpeed", [] { return omb_GetSpeed(); }, 1000, 1000},
    {"omb_SetSpeed2", [] { return omb_SetSpeed2(1000); }, 0, 0},
    {"omb_GetVideoSize(1)", [] { return omb_GetVideoSize(1); }, 48, 48},
    {"omb_Play2", [] { return omb_Play2(); }, 0, 0},
    {"omb_GetMediaEvStr", [] { return omb_GetMediaEvStr(1) != nullptr ? 0 : -1; }, 0, 0},
    {"omb_GetThreadHWND", [] { return omb_GetThreadHWND() != 0 ? 0 : -1; }, 0, 0},
};

struct SecondHost {
    std::atomic<int> calls{0};
    std::atomic<int> wrong{0};
    std::string firstWrong;
    int firstWrongValue = 0;
};

DWORD WINAPI secondHost(LPVOID parameter)
{
    auto& state = *static_cast<SecondHost*>(parameter);
    omb_Init();
    const ULONGLONG end = GetTickCount64() + 2000;
    while (GetTickCount64() < end)
        for (const Call& c : kSecondThread) {
            int value = c.call();
            ++state.calls;
            if ((value < c.low || value > c.high) && state.wrong++ == 0) {
                state.firstWrong = c.name;
                state.firstWrongValue = value;
            }
        }
    omb_Exit();
    return 0;
}

} // namespace

TEST_CASE_FIXTURE(RealPlayer, "stress: a second host thread calls exports while the first one plays")
{
    HostWindow host;
    omb_handle worker = omb_CreateThread(handle(host.hwnd()), 1);
    REQUIRE(worker > 0);
    REQUIRE(omb_Open(shortClip().c_str(), OpenMode_VideoRenderer, 0, 0, 0) == 0);
    REQUIRE(omb_SetEvHWND(worker) == 0);
    REQUIRE(omb_Play(handle(host.hwnd()), 0, 0, 64, 48) == 0);

    SecondHost state;
    HANDLE thread = CreateThread(nullptr, 0, secondHost, &state, 0, nullptr);
    REQUIRE(thread != nullptr);
    const ULONGLONG start = GetTickCount64();
    // The first thread keeps pumping: its renderer window and the worker's
    // forwarded events need it.
    bool finished = testing::pumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 60000);
    CloseHandle(thread);
    REQUIRE(finished);
    MESSAGE(state.calls.load() << " calls from the second thread in " << GetTickCount64() - start << " ms, "
                               << host.ends().size() << " ends heard meanwhile");
    CHECK_MESSAGE(state.wrong.load() == 0,
                  "first unexpected result: " << state.firstWrong << " = "
                                              << state.firstWrongValue);
    CHECK(IsWindow(reinterpret_cast<HWND>(worker)));
    CHECK(omb_Close() == 0);
}

// The graph omb_Open builds in mode 6 and omb_Close takes down, made with the
// platform's calls alone: what Wine itself keeps per graph.
void platformOpenClose(const std::wstring& file)
{
    namespace ids = ombrix::ids;
    using Microsoft::WRL::ComPtr;
    ComPtr<IGraphBuilder> graph;
    REQUIRE(SUCCEEDED(CoCreateInstance(ids::CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                       ids::IID_IGraphBuilder, reinterpret_cast<void**>(graph.GetAddressOf()))));
    ComPtr<IMediaControl> control;
    graph->QueryInterface(ids::IID_IMediaControl, reinterpret_cast<void**>(control.GetAddressOf()));
    ComPtr<IBaseFilter> dsound, null, source;
    ComPtr<ICaptureGraphBuilder2> builder;
    CoCreateInstance(ids::CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, ids::IID_IBaseFilter,
                     reinterpret_cast<void**>(dsound.GetAddressOf()));
    CoCreateInstance(ids::CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, ids::IID_IBaseFilter,
                     reinterpret_cast<void**>(null.GetAddressOf()));
    graph->AddFilter(null.Get(), L"Renderer");
    graph->AddFilter(dsound.Get(), L"DirectSound Renderer");
    REQUIRE(graph->AddSourceFilter(file.c_str(), L"Source", source.GetAddressOf()) == S_OK);
    CoCreateInstance(ids::CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                     ids::IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(builder.GetAddressOf()));
    builder->SetFiltergraph(graph.Get());
    builder->RenderStream(nullptr, nullptr, source.Get(), nullptr, null.Get());
    builder->RenderStream(nullptr, nullptr, source.Get(), nullptr, dsound.Get());
    ComPtr<IVideoWindow> window;
    if (SUCCEEDED(graph->QueryInterface(ids::IID_IVideoWindow, reinterpret_cast<void**>(window.GetAddressOf()))))
        window->put_Visible(OAFALSE);
    window.Reset();
    control.Reset();
    dsound.Reset();
    null.Reset();
    source.Reset();
    builder.Reset();
    graph.Reset();
}

// The most private memory a cycle of the library's may add beyond the same
// graph built by the platform's calls alone, in bytes: on a processor, and
// under the emulator, whose readings swing by some 400 KB a block either way
// (Gap::EmulatedCommitNoise), so that its medians can only tell a leak of
// kilobytes a cycle (512 KB a block of 100). The case's title states both.
#define OMB_CYCLE_BYTES 64
#define OMB_CYCLE_BYTES_EMULATED 5243
#define OMB_TEXT(x) OMB_TEXT_(x)
#define OMB_TEXT_(x) #x

TEST_CASE_FIXTURE(RealPlayer, "stress: 1,000 opens and closes after warm-up add at most " OMB_TEXT(OMB_CYCLE_BYTES)
                              " bytes a cycle of private memory beyond the platform's own ("
                              OMB_TEXT(OMB_CYCLE_BYTES_EMULATED) " under the emulator)")
{
    const std::string& file = shortClip();
    const std::wstring wideFile(file.begin(), file.end());
    auto library = [&](int count) {
        for (int i = 0; i < count; ++i) {
            REQUIRE(omb_Open(file.c_str(), OpenMode_NullVideo, 0, 0, 0) == 0);
            REQUIRE(omb_Close() == 0);
        }
        testing::pumpFor(1);
    };
    auto platform = [&](int count) {
        for (int i = 0; i < count; ++i)
            platformOpenClose(wideFile);
        testing::pumpFor(1);
    };
    library(50);
    platform(50);
    // Every reading waits for the media threads of the closed graphs to end.
    testing::pumpFor(200);
    const int threads = testing::threadCount();
    // Wine keeps a few hundred bytes per graph of its own; the same graphs
    // built without the library, in interleaved blocks, measure that share.
    // A block's growth comes in whole pages, and now and then the heap
    // commits a large piece at once, in whichever block runs then (the
    // emulated 32-bit heap does so often: up to 1 MB in one block). The
    // medians of the blocks ignore those pieces; a leak of the library's
    // recurs every cycle and so moves every one of its blocks, and with it
    // the median, by more than the margin a cycle allows.
    constexpr int kBlocks = 10, kCycles = 100;
    std::vector<double> libraryBlocks, platformBlocks;
    auto growth = [](SIZE_T before, SIZE_T after) { return static_cast<double>(after) - static_cast<double>(before); };
    for (int block = 0; block < kBlocks; ++block) {
        SIZE_T before = testing::settledCommittedBytes(threads);
        library(kCycles);
        libraryBlocks.push_back(growth(before, testing::settledCommittedBytes(threads)));
        before = testing::settledCommittedBytes(threads);
        platform(kCycles);
        platformBlocks.push_back(growth(before, testing::settledCommittedBytes(threads)));
    }
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    };
    auto list = [](const std::vector<double>& values) {
        std::string text;
        for (double v : values)
            text += (text.empty() ? "" : " ") + std::to_string(static_cast<long long>(v));
        return text;
    };
    MESSAGE(kBlocks << " blocks of " << kCycles << " opens and closes; committed bytes grew by block: " << list(libraryBlocks)
                    << "; the same graphs built by the platform's calls alone: " << list(platformBlocks));
    // Under the emulator the margin still tells a leak of kilobytes a cycle
    // (a capture builder leaked in every teardown among them).
    const double perCycle = testing::expect(testing::Gap::EmulatedCommitNoise, OMB_CYCLE_BYTES_EMULATED, OMB_CYCLE_BYTES);
    CAPTURE(perCycle);
    CHECK(median(libraryBlocks) < median(platformBlocks) + perCycle * kCycles);
}
