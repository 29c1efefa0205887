// Several players against fake graphs: every player export acts on the
// current player's graph only, selection is checked at the door, and the one
// worker repeats and forwards every player's events under its own message.
#include <doctest.h>

#include <windows.h>

#include <climits>
#include <functional>
#include <set>
#include <string>

#include "host_window.h"
#include "ombrix.h"
#include "player_fixture.h"

using testing::FakePlayer;

namespace {

const omb_handle kHost = 0x1234;

// The fakes that belong to one player's graph: the graph, its filters and
// the capture builder.
std::set<const void*> fakesOf(const ombrix::Player& p)
{
    auto* graph = dynamic_cast<const fakes::FakeGraph*>(p.graph.Get());
    REQUIRE(graph);
    std::set<const void*> objects{static_cast<const fakes::FakeObject*>(graph),
                                  dynamic_cast<const fakes::FakeObject*>(p.captureBuilder.Get())};
    for (const auto& member : graph->members)
        objects.insert(dynamic_cast<const fakes::FakeObject*>(member.filter));
    objects.erase(nullptr);
    return objects;
}

struct Row {
    const char* name;
    std::function<void()> call;
    bool reachesGraph; // makes at least one call on the player's fakes
};

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "players: every export acts on the current player's graph only")
{
    HDC dc = CreateCompatibleDC(nullptr);
    const omb_handle hdc = reinterpret_cast<omb_handle>(dc);
    world.grabberFrame = fakes::dibPixels(64, 48, 24);
    // Player 1 first, so that the fakes made last are not player 0's.
    for (int n : {1, 0}) {
        REQUIRE(omb_SelectPlayer(n) == 0);
        REQUIRE(omb_UseCaptureVideoEx(1) == 0);
        REQUIRE(omb_Open(n ? "C:\\b.avi" : "C:\\a.avi", n ? OpenMode_Vmr9 : OpenMode_Vmr7, 0, 1, 1) == 0);
    }
    const std::set<const void*> own[2] = {fakesOf(ombrix::playerAt(0)), fakesOf(ombrix::playerAt(1))};

    const Row rows[] = {
        {"omb_Play", [] { omb_Play(kHost, 0, 0, 64, 48); }, true},
        {"omb_Play2", [] { omb_Play2(); }, true},
        {"omb_GetState", [] { omb_GetState(); }, true},
        {"omb_SetEvHWND", [] { omb_SetEvHWND(kHost); }, true},
        {"omb_GetStopped", [] { omb_GetStopped(); }, true},
        {"omb_Resize", [] { omb_Resize(kHost, 0, 0, 32, 24); }, true},
        {"omb_FullScreen", [] { omb_FullScreen(0); }, true},
        {"omb_SetHideCursor", [] { omb_SetHideCursor(1); }, true},
        {"omb_GetVideoSize", [] { omb_GetVideoSize(0); }, true},
        {"omb_GetVideoWindow", [] { omb_GetVideoWindow(7); }, true},
        {"omb_SetVideoWindow", [] { omb_SetVideoWindow(5, 40); }, true},
        {"omb_SetCaptureBufferSamples", [] { omb_SetCaptureBufferSamples(1); }, true},
        {"omb_CaptureVideo", [hdc] { omb_CaptureVideo(hdc, 0, 0, 64, 48, SRCCOPY); }, true},
        {"omb_CaptureVideoEx", [hdc] { omb_CaptureVideoEx(hdc, 0, 0, 64, 48); }, true},
        {"omb_VMRMixImage", [hdc] { omb_VMRMixImage(hdc, 0, 0, 8, 8, 0.5f, 0, 0, 1, 1, 0, 0, 0, 0); }, true},
        {"omb_GetFramesDroppedInRenderer", [] { omb_GetFramesDroppedInRenderer(); }, true},
        {"omb_GetFramesDrawn", [] { omb_GetFramesDrawn(); }, true},
        {"omb_GetAvgFrameRate", [] { omb_GetAvgFrameRate(); }, true},
        {"omb_GetJitter", [] { omb_GetJitter(); }, true},
        {"omb_GetAvgSyncOffset", [] { omb_GetAvgSyncOffset(); }, true},
        {"omb_GetDevSyncOffset", [] { omb_GetDevSyncOffset(); }, true},
        {"omb_GetAllPlayTime", [] { omb_GetAllPlayTime(); }, true},
        {"omb_GetNowPlayTime", [] { omb_GetNowPlayTime(); }, true},
        {"omb_SetSeek", [] { omb_SetSeek(0.5); }, true},
        {"omb_SetSeek2", [] { omb_SetSeek2(70); }, true},
        {"omb_Info", [] { omb_Info(3); }, true},
        {"omb_SetSpeed", [] { omb_SetSpeed(1.5); }, true},
        {"omb_SetSpeed2", [] { omb_SetSpeed2(700); }, true},
        {"omb_GetSpeed", [] { omb_GetSpeed(); }, true},
        {"omb_GetMediaSeeking", [] { omb_GetMediaSeeking(1); }, true},
        {"omb_SetMediaSeeking", [] { omb_SetMediaSeeking(1, 100); }, true},
        {"omb_SetFrameStep", [] { omb_SetFrameStep(1); }, true},
        {"omb_CanselFrameStep", [] { omb_CanselFrameStep(); }, true},
        {"omb_CanFrameStep", [] { omb_CanFrameStep(1); }, true},
        {"omb_FillterProp", [] { omb_FillterProp(0, L"no such filter"); }, true},
        {"omb_SetVolume", [] { omb_SetVolume(0, -100); }, true},
        {"omb_GetVolume", [] { omb_GetVolume(1); }, true},
        {"omb_GetAudioClockSlave", [] { omb_GetAudioClockSlave(); }, true},
        {"omb_SetAudioClockSlave", [] { omb_SetAudioClockSlave(30); }, true},
        {"omb_SetGraphStreams", [] { omb_SetGraphStreams(1, 10); }, true},
        {"omb_SetClockDelta", [] { omb_SetClockDelta(5); }, false}, // the system clock only
        {"omb_Stop", [] { omb_Stop(); }, true},
        {"omb_UseCaptureVideoEx", [] { omb_UseCaptureVideoEx(0); }, false},
    };
    for (const Row& row : rows) {
        for (int n : {1, 0}) {
            const std::string where = std::string(row.name) + " on player " + std::to_string(n);
            CAPTURE(where);
            REQUIRE(omb_SelectPlayer(n) == 0);
            world.clearLog();
            row.call();
            bool reached = false;
            for (const auto& e : world.log.entries()) {
                CHECK_MESSAGE(own[1 - n].count(e.object) == 0, "the other player's fake was called: " << e.text);
                reached = reached || own[n].count(e.object) != 0;
            }
            CHECK(reached == row.reachesGraph);
        }
    }

    // What each player keeps is its own.
    CHECK(ombrix::playerAt(0).openMode == OpenMode_Vmr7);
    CHECK(ombrix::playerAt(1).openMode == OpenMode_Vmr9);
    CHECK(ombrix::playerAt(0).useGrabber == 0);
    ombrix::selectPlayer(1);
    omb_UseCaptureVideoEx(1);
    CHECK(ombrix::playerAt(0).useGrabber == 0);
    // Closing one player leaves the other's graph, events and answers alone.
    const LONG refs0 = dynamic_cast<fakes::FakeGraph*>(ombrix::playerAt(0).graph.Get())->refs;
    CHECK(omb_Close() == 0);
    CHECK(omb_GetState() == OMB_E_NOT_OPEN);
    REQUIRE(omb_SelectPlayer(0) == 0);
    CHECK(dynamic_cast<fakes::FakeGraph*>(ombrix::playerAt(0).graph.Get())->refs == refs0);
    CHECK(ombrix::playerAt(0).mediaEvent);
    CHECK(omb_Info(3) == 70);
    DeleteDC(dc);
}

TEST_CASE_FIXTURE(FakePlayer, "players: selection takes 0 to 7, keeps the current one otherwise, and starts at 0")
{
    CHECK(omb_GetPlayer() == 0);
    CHECK(omb_GetPlayerCount() == OMB_PLAYERS);
    CHECK(OMB_PLAYERS >= 8);
    for (int n : {OMB_PLAYERS - 1, 3, 0}) {
        CHECK(omb_SelectPlayer(n) == 0);
        CHECK(omb_GetPlayer() == n);
        CHECK(&ombrix::player() == &ombrix::playerAt(n));
    }
    REQUIRE(omb_SelectPlayer(5) == 0);
    for (int n : {-1, OMB_PLAYERS, INT_MIN, INT_MAX}) {
        CAPTURE(n);
        CHECK(omb_SelectPlayer(n) == OMB_E_NO_SUCH_PLAYER);
        CHECK(omb_GetPlayer() == 5);
    }
    omb_SelectPlayer(0);
}

TEST_CASE_FIXTURE(FakePlayer, "players: the one worker repeats each player and forwards its events under its message")
{
    HWND worker = testing::sharedWorker();
    REQUIRE(worker != nullptr);
    testing::HostWindow& host = testing::workerHost();
    host.events.clear();
    fakes::FakeGraph* graphs[3] = {};
    for (int n : {0, 1, OMB_PLAYERS - 1}) {
        REQUIRE(omb_SelectPlayer(n) == 0);
        REQUIRE(omb_Open("C:\\loop.avi", OpenMode_AudioOnly, 0, 0, 0) == 0);
        REQUIRE(omb_SetEvHWND(reinterpret_cast<omb_handle>(worker)) == 0);
        REQUIRE(omb_Play(0, 0, 0, 0, 0) == 0);
        graphs[n ? (n == 1 ? 1 : 2) : 0] = world.graph();
    }
    // The graphs post their own messages (the fakes post what SetNotifyWindow got).
    CHECK(graphs[0]->notifyMessage == OMB_WM_GRAPHEVENT);
    CHECK(graphs[2]->notifyMessage == OMB_WM_PLAYEREVENT(OMB_PLAYERS - 1));
    graphs[2]->queueEvent(EC_COMPLETE, 0, 0, true);
    graphs[1]->queueEvent(EC_PAUSED, 0, 0, true);
    graphs[0]->queueEvent(EC_COMPLETE, 0, 0, true);
    CHECK(testing::pumpUntil([&] { return host.events.size() == 3; }, 5000));
    SendMessageA(worker, WM_NULL, 0, 0);
    std::multiset<std::pair<UINT, WPARAM>> got;
    for (const auto& e : host.events) {
        CHECK(e.lParam == static_cast<LPARAM>(e.wParam));
        got.insert({e.message, e.wParam});
    }
    CHECK(got == std::multiset<std::pair<UINT, WPARAM>>{{OMB_WM_GRAPHEVENT, EC_COMPLETE},
                                                         {OMB_WM_PLAYEREVENT(1), EC_PAUSED},
                                                         {OMB_WM_PLAYEREVENT(OMB_PLAYERS - 1), EC_COMPLETE}});
    // Players 0 and 7 were restarted, each on its own graph; player 1 not.
    std::multiset<const void*> restarted;
    for (const auto& e : world.log.entries())
        if (e.text == "graph.put_CurrentPosition(0)")
            restarted.insert(e.object);
    CHECK(restarted == std::multiset<const void*>{static_cast<fakes::FakeObject*>(graphs[0]),
                                                   static_cast<fakes::FakeObject*>(graphs[2])});
    omb_SelectPlayer(0);
}

TEST_CASE_FIXTURE(FakePlayer, "players race: a player closes and reopens while the worker is inside a restart")
{
    HWND worker = testing::sharedWorker();
    REQUIRE(worker != nullptr);
    auto openAndPlay = [&](int n) {
        REQUIRE(omb_SelectPlayer(n) == 0);
        REQUIRE(omb_Open("C:\\loop.avi", OpenMode_AudioOnly, 0, 0, 0) == 0);
        REQUIRE(omb_SetEvHWND(reinterpret_cast<omb_handle>(worker)) == 0);
        REQUIRE(omb_Play(0, 0, 0, 0, 0) == 0);
        return dynamic_cast<fakes::FakeGraph*>(ombrix::playerAt(n).graph.Get());
    };
    // {the player whose restart the worker is in, the player the host closes}
    const std::pair<int, int> races[] = {{1, 0}, {0, 1}, {1, 1}};
    for (auto [restarting, closing] : races) {
        const std::string where = "worker in player " + std::to_string(restarting) + "'s restart, host closes player " +
                                  std::to_string(closing);
        CAPTURE(where);
        fakes::FakeGraph* graphs[2] = {openAndPlay(0), openAndPlay(1)};
        const unsigned before = ombrix::playerAt(restarting).gate.state().graphEpoch;
        bool done = false;
        world.log.pauseAt("graph.put_CurrentPosition", 1, [&] {
            return done || ombrix::playerAt(restarting).gate.state().graphEpoch != before;
        });
        graphs[restarting]->queueEvent(EC_COMPLETE);
        PostMessageA(worker, OMB_WM_PLAYEREVENT(restarting), 0, 0);
        REQUIRE(world.log.waitForPause(5000));

        const ULONGLONG start = GetTickCount64();
        REQUIRE(omb_SelectPlayer(closing) == 0);
        CHECK(omb_Close() == 0);
        // Another player's hold is not waited for.
        CHECK(GetTickCount64() - start < 1000);
        fakes::FakeGraph* reopened = openAndPlay(closing);
        done = true;
        DWORD_PTR result = 0;
        REQUIRE(SendMessageTimeoutA(worker, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0);
        CHECK_FALSE(world.log.pauseTimedOut());

        CHECK(graphs[closing]->refs == 0);
        CHECK(graphs[closing]->lastReleaseThread == GetCurrentThreadId());
        CHECK(reopened->state == State_Running);
        // The worker ran the restarting player's graph again unless the host
        // closed that one, and never touched the other player's.
        int workerRuns[2] = {};
        for (const auto& e : world.log.entries())
            for (int n : {0, 1})
                workerRuns[n] += e.thread != GetCurrentThreadId() && e.text == "graph.Run()" &&
                                 e.object == static_cast<fakes::FakeObject*>(graphs[n]);
        CHECK(workerRuns[restarting] == (restarting != closing ? 1 : 0));
        CHECK(workerRuns[1 - restarting] == 0);
        CHECK(graphs[1 - closing]->state == State_Running);
        for (int n : {0, 1})
            CHECK(ombrix::playerAt(n).gate.consistent(ombrix::playerAt(n)) == nullptr);
        testing::resetPlayer();
        testing::pumpFor(20);
    }
}

TEST_CASE_FIXTURE(FakePlayer, "threads: two host threads drive two players at once, each on its own selection")
{
    // Player 0 on this thread, which never selects; player 1 on another.
    REQUIRE(omb_Open("C:\\a.avi", OpenMode_AudioOnly, 0, 0, 0) == 0);
    struct Shared {
        HANDLE selected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        int opened = 1, misread = 0, closed = 1, selectionSeen = -1;
    } shared;
    struct Other {
        static DWORD WINAPI main(LPVOID argument)
        {
            auto& s = *static_cast<Shared*>(argument);
            omb_SelectPlayer(1);
            s.opened = omb_Open("C:\\b.avi", OpenMode_AudioOnly, 0, 0, 0);
            SetEvent(s.selected);
            WaitForSingleObject(s.go, 5000);
            // Quarter seconds, which hundredths read back exactly.
            for (int i = 0; i < 300; ++i) {
                omb_SetSeek2(200 + 25 * (i % 4));
                s.misread += omb_Info(3) != 200 + 25 * (i % 4);
            }
            s.selectionSeen = omb_GetPlayer();
            s.closed = omb_Close();
            return 0;
        }
    };
    HANDLE thread = CreateThread(nullptr, 0, &Other::main, &shared, 0, nullptr);
    REQUIRE(thread != nullptr);
    REQUIRE(WaitForSingleObject(shared.selected, 5000) == WAIT_OBJECT_0);
    // The other thread's selection is not this thread's.
    CHECK(omb_GetPlayer() == 0);
    SetEvent(shared.go);
    int misread = 0;
    for (int i = 0; i < 300; ++i) {
        omb_SetSeek2(100 + 25 * (i % 3));
        misread += omb_Info(3) != 100 + 25 * (i % 3);
    }
    REQUIRE(WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(shared.selected);
    CloseHandle(shared.go);
    CHECK(shared.opened == 0);
    CHECK(misread == 0);
    CHECK(shared.misread == 0);
    CHECK(shared.selectionSeen == 1);
    // Its omb_Close closed its own player, not this thread's.
    CHECK(shared.closed == 0);
    CHECK_FALSE(ombrix::playerAt(1).isOpen());
    CHECK(omb_GetState() >= 0);
    CHECK(omb_GetPlayer() == 0);
}

TEST_CASE_FIXTURE(FakePlayer, "exit_open: omb_Exit with players open lets every graph go; no restart timer, queued "
                              "message or late reference of the worker reaches one afterwards")
{
    HWND worker = testing::sharedWorker();
    REQUIRE(worker != nullptr);
    REQUIRE(omb_Init() == 0);
    fakes::FakeGraph* graphs[2] = {};
    for (int n : {0, 1}) {
        REQUIRE(omb_SelectPlayer(n) == 0);
        REQUIRE(omb_Open("C:\\loop.avi", OpenMode_AudioOnly, 0, 0, 0) == 0);
        REQUIRE(omb_SetEvHWND(reinterpret_cast<omb_handle>(worker)) == 0);
        REQUIRE(omb_Play(0, 0, 0, 0, 0) == 0);
        graphs[n] = world.graph();
    }
    REQUIRE(omb_SelectPlayer(0) == 0);
    // Player 0: a second end within one draining is put off to a timer.
    graphs[0]->queueEvent(EC_COMPLETE);
    graphs[0]->queueEvent(EC_COMPLETE);
    SendMessageA(worker, OMB_WM_GRAPHEVENT, 0, 0);
    REQUIRE(ombrix::playerAt(0).gate.deferredRestart.pending);
    // Player 1: the worker is inside its graph for longer than the wait (a
    // deferred restart takes no event, so the pause is player 1's), and
    // player 0's next message waits behind it.
    ombrix::playerAt(1).gate.waitLimit = 100;
    bool letGo = false;
    world.log.waitLimit = 10000;
    world.log.pauseAt("graph.GetEvent", 1, [&] { return letGo; });
    graphs[1]->queueEvent(EC_COMPLETE, 0, 0, true);
    REQUIRE(world.log.waitForPause(5000));
    graphs[0]->queueEvent(EC_COMPLETE, 0, 0, true);

    const ULONGLONG start = GetTickCount64();
    CHECK(omb_Exit() == 0);
    CHECK(GetTickCount64() - start < 2000);
    ombrix::playerAt(1).gate.waitLimit = ombrix::kWorkerWait;
    const size_t atExit = world.log.size();
    letGo = true;
    DWORD_PTR result = 0;
    REQUIRE(SendMessageTimeoutA(worker, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0);
    testing::pumpFor(300); // past the timer
    REQUIRE(SendMessageTimeoutA(worker, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0);

    const auto entries = world.log.entries();
    for (size_t i = atExit; i < entries.size(); ++i)
        CHECK_MESSAGE(false, "a call after omb_Exit: " << entries[i].text);
    for (int n : {0, 1})
        CHECK_FALSE(ombrix::playerAt(n).isOpen());
    CHECK(omb_GetState() == OMB_E_NOT_OPEN);
    CHECK(graphs[0]->refs == 0);
    // The worker's references to the graph it was inside are disowned:
    // neither called nor released. Given back here for the fixture's count.
    CHECK(graphs[1]->refs == 3);
    while (graphs[1]->refs > 0)
        graphs[1]->Release();
    CHECK_FALSE(ombrix::playerAt(1).gate.state().parked);
    REQUIRE(omb_Init() == 0); // the process's COM as the fixture found it
}
