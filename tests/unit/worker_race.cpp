// The worker thread against the host's omb_Close, omb_Stop and omb_Open: the
// worker is stopped at the start of each of its platform calls while the
// host acts, then let go. The worker exists once per process and is shared.
#include <doctest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "host_window.h"
#include "ombrix.h"
#include "player_fixture.h"

using testing::FakePlayer;
using testing::HostWindow;
using fakes::Quirk;

namespace {

const char* const kFile = "C:\\loop.avi";

HostWindow& host() { return testing::workerHost(); }

HWND worker() { return testing::sharedWorker(); }

// Waits until the worker has handled everything sent or posted to it so far.
bool workerIdle()
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(worker(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
}

void openAndPlay()
{
    REQUIRE(omb_Open(kFile, OpenMode_VideoRenderer, 0, 0, 0) == 0);
    REQUIRE(omb_SetEvHWND(reinterpret_cast<omb_handle>(worker())) == 0);
    REQUIRE(omb_Play(reinterpret_cast<omb_handle>(host().hwnd()), 0, 0, 64, 48) == 0);
}

struct Epochs {
    unsigned graph, run;
    static Epochs now()
    {
        const ombrix::WorkerGate::State s = ombrix::player().gate.state();
        return {s.graphEpoch, s.runEpoch};
    }
    bool operator!=(const Epochs& o) const { return graph != o.graph || run != o.run; }
};

enum class Host { Close, Stop, Reopen };

struct RaceCase {
    const char* pauseAt; // the worker's call at whose start it stops
    int occurrence;
    Host action;
};

// Every call of the worker's restart path, and the next event after it.
const RaceCase kRaces[] = {
    {"graph.GetEvent", 1, Host::Close},        {"graph.FreeEventParams", 1, Host::Close},
    {"graph.put_CurrentPosition", 1, Host::Close}, {"graph.Run", 1, Host::Close},
    {"graph.GetEvent", 2, Host::Close},
    {"graph.GetEvent", 1, Host::Stop},         {"graph.FreeEventParams", 1, Host::Stop},
    {"graph.put_CurrentPosition", 1, Host::Stop}, {"graph.Run", 1, Host::Stop},
    {"graph.GetEvent", 2, Host::Stop},
    {"graph.GetEvent", 1, Host::Reopen},       {"graph.FreeEventParams", 1, Host::Reopen},
    {"graph.put_CurrentPosition", 1, Host::Reopen}, {"graph.Run", 1, Host::Reopen},
};

const char* nameOf(Host h) { return h == Host::Close ? "close" : h == Host::Stop ? "stop" : "close and open"; }

// The index of the first call the host's thread made with this text.
size_t firstHostCall(const std::vector<fakes::CallLog::Entry>& entries, const std::string& text)
{
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].thread == GetCurrentThreadId() && entries[i].text == text)
            return i;
    return entries.size();
}

} // namespace

TEST_CASE("race: the host closes, stops or reopens while the worker is between two platform calls")
{
    REQUIRE(worker() != nullptr);
    for (const RaceCase& race : kRaces) {
        const std::string where = std::string(race.pauseAt) + " #" + std::to_string(race.occurrence) + ", host: " +
                                  nameOf(race.action);
        CAPTURE(where);
        FakePlayer fixture;
        fakes::World& world = fixture.world;
        openAndPlay();
        fakes::FakeGraph* first = world.graph();
        world.clearLog();
        host().events.clear();

        // The worker goes on once the host has withdrawn or stopped the graph.
        const Epochs before = Epochs::now();
        world.log.pauseAt(race.pauseAt, race.occurrence, [before] { return Epochs::now() != before; });
        first->queueEvent(EC_COMPLETE);
        PostMessageA(worker(), OMB_WM_GRAPHEVENT, 0, 0);
        REQUIRE(world.log.waitForPause(5000));

        const ULONGLONG start = GetTickCount64();
        if (race.action == Host::Stop) {
            CHECK(omb_Stop() == 0);
        } else {
            CHECK(omb_Close() == 0);
            if (race.action == Host::Reopen)
                openAndPlay();
        }
        CHECK(GetTickCount64() - start < 2000); // no wait ran out: no deadlock
        REQUIRE(workerIdle());
        CHECK_FALSE(world.log.pauseTimedOut());

        const auto entries = world.log.entries();
        // Nothing of the worker's lands after the host stopped or dismantled the graph.
        const size_t hostStep = firstHostCall(entries, race.action == Host::Stop ? "graph.Stop()"
                                                                                 : "graph.SetNotifyWindow(0, 0, 0)");
        REQUIRE(hostStep < entries.size());
        // (After a Stop the worker may still take events, but not restart.)
        for (size_t i = hostStep; i < entries.size(); ++i)
            if (entries[i].object == static_cast<const fakes::FakeObject*>(first) &&
                (race.action != Host::Stop || entries[i].text.find("GetEvent") == std::string::npos) &&
                (race.action != Host::Stop || entries[i].text.find("FreeEventParams") == std::string::npos))
                CHECK_MESSAGE(entries[i].thread == GetCurrentThreadId(), "worker call after the host: " << entries[i].text);
        if (race.action == Host::Stop) {
            CHECK(first->state == State_Stopped);
        } else {
            CHECK(first->refs == 0);
            CHECK(first->lastReleaseThread == GetCurrentThreadId());
        }
        if (race.action == Host::Reopen) {
            fakes::FakeGraph* second = world.graph();
            REQUIRE(second != first);
            // The worker may drain the new graph's queue; the old event
            // restarts nothing there.
            for (const auto& e : entries)
                if (e.object == static_cast<const fakes::FakeObject*>(second) && e.text != "graph.GetEvent(0)")
                    CHECK_MESSAGE(e.thread == GetCurrentThreadId(), "worker acted on the new graph: " << e.text);
            CHECK(second->state == State_Running);
        }
        // The event is still forwarded to the host.
        testing::pumpFor(20);
        CHECK(host().events.size() == 1);
    }
}

TEST_CASE("race: an end of the media queued before omb_Stop restarts nothing; omb_Play2 allows it again")
{
    REQUIRE(worker() != nullptr);
    FakePlayer fixture;
    fakes::World& world = fixture.world;
    openAndPlay();
    world.graph()->queueEvent(EC_COMPLETE);
    REQUIRE(omb_Stop() == 0);
    world.clearLog();
    SendMessageA(worker(), OMB_WM_GRAPHEVENT, 0, 0);
    CHECK(world.calls("graph.put_CurrentPosition").empty());
    CHECK(world.calls("graph.Run").empty());
    CHECK(world.graph()->state == State_Stopped);

    REQUIRE(omb_Play2() == 0);
    world.graph()->queueEvent(EC_COMPLETE);
    world.clearLog();
    SendMessageA(worker(), OMB_WM_GRAPHEVENT, 0, 0);
    CHECK(world.calls("graph.Run").size() == 1);
}

TEST_CASE("race: a clip of no length does not keep the worker in one draining")
{
    REQUIRE(worker() != nullptr);
    FakePlayer fixture;
    fakes::World& world = fixture.world;
    openAndPlay();
    world.quirks.insert(Quirk::graph_Run_completes); // every Run queues the next end at once
    world.clearLog();
    world.graph()->queueEvent(EC_COMPLETE);
    SendMessageA(worker(), OMB_WM_GRAPHEVENT, 0, 0);
    CHECK(world.calls("graph.Run").size() == 1);
    // The end that followed is restarted later, from a timer, once.
    CHECK(testing::pumpUntil([&] { return world.calls("graph.Run").size() == 2; }, 2000));
    testing::pumpFor(50);
    CHECK(world.calls("graph.Run").size() == 2);
    REQUIRE(workerIdle());
}

namespace {

// A window of the host's thread that runs `handler` when a message is sent
// to it, and a thread that sends that message once `ready` holds: the host's
// window procedure re-entering the library while an export waits.
struct Reentry {
    std::function<void()> handler;
    std::function<bool()> ready;
    HWND window = nullptr;
    HANDLE thread = nullptr;

    static constexpr UINT kMessage = WM_APP + 5;

    static LRESULT CALLBACK proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == kMessage) {
            reinterpret_cast<Reentry*>(GetWindowLongPtrA(w, GWLP_USERDATA))->handler();
            return 0;
        }
        return DefWindowProcA(w, message, wParam, lParam);
    }
    static DWORD WINAPI sender(LPVOID self)
    {
        auto* r = static_cast<Reentry*>(self);
        const ULONGLONG deadline = GetTickCount64() + 5000;
        while (!r->ready() && GetTickCount64() < deadline)
            Sleep(1);
        SendMessageA(r->window, kMessage, 0, 0);
        return 0;
    }
    void arm()
    {
        window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&proc));
        thread = CreateThread(nullptr, 0, &sender, this, 0, nullptr);
    }
    ~Reentry()
    {
        if (thread) {
            WaitForSingleObject(thread, 10000);
            CloseHandle(thread);
        }
        DestroyWindow(window);
    }
};

} // namespace

TEST_CASE("race: a host window that closes and reopens inside omb_Close's or omb_Stop's wait keeps the new graph whole")
{
    REQUIRE(worker() != nullptr);
    // Close: the worker holds the old graph while the host reopens and seeks.
    // Stop: a restart is under way while the host closes, reopens and plays.
    for (Host action : {Host::Close, Host::Stop}) {
        const std::string hostAction = nameOf(action);
        CAPTURE(hostAction);
        FakePlayer fixture;
        fakes::World& world = fixture.world;
        ombrix::Player& p = fixture.p;
        p.useGrabber = 1;
        openAndPlay();
        fakes::FakeGraph* first = world.graph();
        const Epochs before = Epochs::now();
        bool reentered = false;

        Reentry reentry;
        reentry.handler = [&] {
            if (action == Host::Stop)
                CHECK(omb_Close() == 0);
            openAndPlay();
            CHECK(omb_SetSeek2(70) == 0);
            reentered = true;
        };
        if (action == Host::Close) {
            reentry.ready = [before] { return Epochs::now().graph != before.graph; };
            world.log.pauseAt("graph.GetEvent", 1, [&] { return reentered; });
        } else {
            reentry.ready = [] { return ombrix::player().gate.state().stopRequested; };
            world.log.pauseAt("graph.put_CurrentPosition", 1, [before] { return Epochs::now().graph != before.graph; });
        }
        first->queueEvent(EC_COMPLETE);
        PostMessageA(worker(), OMB_WM_GRAPHEVENT, 0, 0);
        REQUIRE(world.log.waitForPause(5000));
        reentry.arm();
        CHECK((action == Host::Close ? omb_Close() : omb_Stop()) == 0);
        REQUIRE(workerIdle());
        CHECK(reentered);
        CHECK_FALSE(world.log.pauseTimedOut());

        fakes::FakeGraph* second = world.graph();
        REQUIRE(second != first);
        CHECK(first->refs == 0);
        CHECK(first->lastReleaseThread == GetCurrentThreadId());
        // The seek reached the new graph, and what is kept for it survived
        // the old graph's release.
        CHECK(first->positionSeconds != doctest::Approx(0.7));
        CHECK(second->positionSeconds == doctest::Approx(0.7));
        CHECK(p.heldPosition);
        CHECK(p.grabberMediaType.pbFormat);
        CHECK(second->state == State_Running);
        CHECK(p.gate.consistent(p) == nullptr);
        testing::pumpFor(20);
    }
}

TEST_CASE("race: a worker stuck past omb_Close's wait: the graph is stopped and its references come back to the host")
{
    REQUIRE(worker() != nullptr);
    ombrix::Player& p = ombrix::player();
    p.gate.waitLimit = 100;
    struct RestoreWait { // on every path: a failed REQUIRE must not leave 100 ms behind
        ombrix::Player& p;
        ~RestoreWait() { p.gate.waitLimit = ombrix::kWorkerWait; }
    } restoreWait{p};
    // In GetEvent the worker restarts nothing once let go; in Run it is
    // inside the call the host cannot take back. Each round parks one set.
    for (const char* stuckIn : {"graph.GetEvent", "graph.Run", "graph.GetEvent"}) {
        const std::string where = stuckIn;
        CAPTURE(where);
        FakePlayer fixture;
        fakes::World& world = fixture.world;
        openAndPlay();
        fakes::FakeGraph* first = world.graph();
        bool letGo = false;
        world.log.waitLimit = 10000;
        world.log.pauseAt(stuckIn, 1, [&] { return letGo; });
        first->queueEvent(EC_COMPLETE);
        PostMessageA(worker(), OMB_WM_GRAPHEVENT, 0, 0);
        REQUIRE(world.log.waitForPause(5000));

        CHECK(omb_Close() == 0);
        CHECK(firstHostCall(world.log.entries(), "graph.Stop()") < world.log.entries().size());
        CHECK(first->refs > 0); // the worker's, not dropped
        letGo = true;
        REQUIRE(workerIdle());
        CHECK(p.gate.state().parked);
        if (where == "graph.GetEvent")
            CHECK(first->state == State_Stopped);
        // The next publication gives the parked references back on this thread.
        openAndPlay();
        CHECK(first->refs == 0);
        CHECK(first->lastReleaseThread == GetCurrentThreadId());
        CHECK_FALSE(p.gate.state().parked);
        CHECK(p.gate.consistent(p) == nullptr);
        testing::pumpFor(20);
    }
}
