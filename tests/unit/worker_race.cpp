// The worker thread against the host's omb_Close, omb_Stop and omb_Open: the
// worker is stopped at the start of each of its platform calls while the
// host acts, then let go. The worker exists once per process.
#include <doctest.h>

#include <windows.h>

#include <string>

#include "host_window.h"
#include "ombrix.h"
#include "player_fixture.h"

using testing::FakePlayer;
using testing::HostWindow;
using fakes::Quirk;

namespace {

const char* const kFile = "C:\\loop.avi";

HostWindow& host()
{
    static HostWindow window;
    return window;
}

HWND worker()
{
    static HWND window = reinterpret_cast<HWND>(omb_CreateThread(reinterpret_cast<omb_handle>(host().hwnd()), 1));
    return window;
}

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
        ombrix::FieldLock lock(ombrix::player(), ombrix::FieldLock::Shared);
        return {ombrix::player().graphEpoch, ombrix::player().runEpoch};
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
