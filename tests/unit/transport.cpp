// Transport against fake graph objects: window placement per mode, the EVR's
// display rectangle, state, event notification and polling.
#include <doctest.h>

#include <climits>

#include "ombrix.h"
#include "platform/ids.h"
#include "platform/media_foundation.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;

namespace {

const char* const kFile = "C:\\media\\clip.avi";
const omb_handle kHost = 0x1234;

Lines windowCalls(const fakes::World& world)
{
    Lines out;
    for (const std::string& line : world.calls("graph."))
        if (line.find("graph.put_") == 0 || line.find("graph.SetWindow") == 0 || line == "graph.Run()")
            out.push_back(line);
    return out;
}

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "nothing open: every transport export returns -1 and touches nothing")
{
    CHECK(omb_Play(kHost, 0, 0, 320, 240) == -1);
    CHECK(omb_Play2() == -1);
    CHECK(omb_Stop() == -1);
    CHECK(omb_GetState() == -1);
    CHECK(omb_GetStopped() == -1);
    CHECK(omb_Close() == -1);
    CHECK(omb_SetEvHWND(kHost) == -1); // no graph to notify from
    CHECK(world.log.empty());
    CHECK(p.playState == 0);
}

TEST_CASE_FIXTURE(FakePlayer, "omb_Play places a child video window in modes 0 to 3, then runs")
{
    int mode = 0;
    SUBCASE("mode 0") { mode = 0; }
    SUBCASE("mode 1") { mode = 1; }
    SUBCASE("mode 2") { mode = 2; }
    SUBCASE("mode 3") { mode = 3; }
    REQUIRE(omb_Open(kFile, mode, 0, 1, 1) == 0);
    world.clearLog();
    CHECK(omb_Play(kHost, 10, 20, 320, 240) == 0);
    CHECK(windowCalls(world) == Lines{"graph.put_Owner(4660)", "graph.put_WindowStyle(1140850688)",
                                      "graph.SetWindowPosition(10, 20, 320, 240)",
                                      "graph.SetWindowForeground(-1)", "graph.put_Visible(-1)", "graph.Run()"});
    CHECK(p.playState == 2);
    CHECK_FALSE(p.videoWindow); // call-scoped
    CHECK(omb_GetState() == 2);
    CHECK(world.calls("graph.GetState") == Lines{"graph.GetState(10000)"});
}

TEST_CASE_FIXTURE(FakePlayer, "omb_Play in modes 5 and 6 only runs the graph")
{
    for (int mode : {5, 6}) {
        CAPTURE(mode);
        REQUIRE(omb_Open(kFile, mode, 0, 0, 0) == 0);
        world.clearLog();
        CHECK(omb_Play(kHost, 0, 0, 320, 240) == 0);
        CHECK(windowCalls(world) == Lines{"graph.Run()"});
        CHECK(p.playState == 2);
        // No window work, so no window argument is judged.
        world.realHandles = true;
        CHECK(omb_Play(kHost, 0, 0, -1, -1) == 0);
        CHECK(omb_Play(0, INT_MAX, INT_MAX, 10, 10) == 0);
        world.realHandles = false;
        CHECK(world.calls("graph.Run").size() == 3);
        REQUIRE(omb_Close() == 0);
    }
}

TEST_CASE_FIXTURE(FakePlayer, "omb_Play in mode 4 sets the EVR's window and rectangle")
{
    REQUIRE(omb_Open(kFile, 4, 0, 0, 0) == 0);
    world.clearLog();
    SUBCASE("the display control takes the window and a right/bottom rectangle")
    {
        CHECK(omb_Play(kHost, 10, 20, 320, 240) == 0);
        CHECK(world.calls("evr.") ==
              Lines{"evr.GetService(MR_VIDEO_RENDER_SERVICE, IMFVideoDisplayControl)"});
        CHECK(world.calls("display.") ==
              Lines{"display.SetVideoWindow(4660)", "display.SetVideoPosition({0, 0, 1, 1}, {10, 20, 330, 260})"});
        CHECK(world.calls("graph.Run") == Lines{"graph.Run()"});
        CHECK(p.playState == 2);
        CHECK_FALSE(p.displayControl);
    }
    SUBCASE("no Media Foundation: -2, not started")
    {
        const char* saved = ombrix::platform::mediaFoundationLibrary;
        ombrix::platform::mediaFoundationLibrary = "no-such-mf.dll";
        CHECK(omb_Play(kHost, 10, 20, 320, 240) == -2);
        ombrix::platform::mediaFoundationLibrary = saved;
        CHECK(world.calls("graph.Run").empty());
        CHECK(p.playState == 1);
    }
    SUBCASE("no display control: -3, not started")
    {
        world.failures[Call::evr_GetService] = E_NOINTERFACE;
        CHECK(omb_Play(kHost, 10, 20, 320, 240) == -3);
        CHECK(world.calls("graph.Run").empty());
        CHECK(p.playState == 1);
    }
    SUBCASE("an EVR without IMFGetService: -3")
    {
        world.lacking[fakes::Fake::evr] = {IID_IMFGetService};
        CHECK(omb_Play(kHost, 10, 20, 320, 240) == -3);
        CHECK(p.playState == 1);
    }
}

TEST_CASE_FIXTURE(FakePlayer, "Play2, Stop and GetState move the graph and the play state as they should")
{
    REQUIRE(omb_Open(kFile, 1, 0, 0, 0) == 0);
    CHECK(omb_GetState() == 0);
    CHECK(omb_Stop() == 0); // never started
    CHECK(p.playState == 1);
    world.clearLog();
    CHECK(omb_Play2() == 0);
    // Runs the graph and nothing else: the window stays where it was.
    CHECK(world.calls("graph.") == Lines{"graph.Run()"});
    CHECK(p.playState == 1);
    CHECK(omb_GetState() == 2);
    CHECK(omb_Play(kHost, 0, 0, 1, 1) == 0);
    world.failures[Call::graph_Stop] = E_FAIL;
    world.clearLog();
    CHECK(omb_Stop() == 0); // the platform's answer is not examined
    CHECK(p.playState == 1);
    CHECK(world.calls("graph.") == Lines{"graph.Stop()"});

    SUBCASE("a graph that cannot tell its state")
    {
        world.failures[Call::graph_GetState] = E_FAIL;
        world.writesNothing.insert(Call::graph_GetState);
        CHECK(omb_GetState() == -3);
    }
    SUBCASE("a transition still under way reports its target state")
    {
        world.failures[Call::graph_GetState] = VFW_S_STATE_INTERMEDIATE;
        CHECK(omb_GetState() == 0);
    }
}

TEST_CASE_FIXTURE(FakePlayer, "graph events: notification window, polling and teardown")
{
    REQUIRE(omb_Open(kFile, 3, 0, 1, 1) == 0);
    CHECK(omb_GetStopped() == 0); // no event interface yet
    CHECK(world.calls("graph.GetEvent").empty());

    CHECK(omb_SetEvHWND(kHost) == 0);
    CHECK(world.calls("graph.SetNotifyWindow") == Lines{"graph.SetNotifyWindow(4660, 33175, 0)"});
    REQUIRE(p.mediaEvent);
    LONG refsWithOne = world.graph()->refs;
    CHECK(omb_SetEvHWND(kHost + 1) == 0); // replaces the first interface
    CHECK(world.graph()->refs == refsWithOne);
    // A graph without the event interface keeps the one it had.
    world.lacking[fakes::Fake::graph] = {ombrix::ids::IID_IMediaEventEx};
    CHECK(omb_SetEvHWND(kHost) == OMB_E_NO_EVENT_INTERFACE);
    world.lacking.clear();
    CHECK(world.graph()->refs == refsWithOne);
    CHECK(p.mediaEvent);

    CHECK(omb_GetStopped() == -1); // empty queue
    world.graph()->queueEvent(EC_COMPLETE, 7, 8);
    world.graph()->queueEvent(EC_PAUSED);
    world.clearLog();
    CHECK(omb_GetStopped() == 1);
    CHECK(world.log == Lines{"graph.GetEvent(0)", "graph.FreeEventParams(1, 7, 8)"});
    CHECK(omb_GetStopped() == EC_PAUSED);
    CHECK(omb_GetStopped() == -1);

    world.clearLog();
    REQUIRE(omb_Close() == 0);
    Lines teardown = world.calls("graph.");
    REQUIRE(teardown.size() >= 2);
    CHECK(teardown[1] == "graph.SetNotifyWindow(0, 0, 0)");
    CHECK_FALSE(p.mediaEvent);
    CHECK(omb_GetStopped() == -1);
}
