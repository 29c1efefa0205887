// Clock slaving, stream synchronisation and the clock delta against fakes:
// what reaches the platform, which results count, and every failure code.
#include <doctest.h>

#include "ombrix.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;

TEST_CASE_FIXTURE(FakePlayer, "nothing open: all four answer -1 and touch nothing")
{
    CHECK(omb_GetAudioClockSlave() == -1);
    CHECK(omb_SetAudioClockSlave(50) == -1);
    CHECK(omb_SetGraphStreams(1, 500000) == -1);
    CHECK(omb_SetGraphStreams(7, 0) == -1);
    CHECK(omb_SetClockDelta(-1000) == -1);
    CHECK(world.log.empty());
}

TEST_CASE_FIXTURE(FakePlayer, "mode 0 has no DirectSound Renderer of ours: -4")
{
    REQUIRE(omb_Open("clip.avi", OpenMode_DefaultRenderers, 0, 0, 0) == 0);
    CHECK(omb_GetAudioClockSlave() == -4);
    CHECK(omb_SetAudioClockSlave(50) == -4);
}

TEST_CASE_FIXTURE(FakePlayer, "the clock-slave tolerance of the DirectSound Renderer")
{
    REQUIRE(omb_Open("clip.avi", OpenMode_AudioOnly, 0, 0, 0) == 0);
    fakes::FakeFilter& dsound = *world.filter("dsound");
    world.clearLog();

    SUBCASE("set, then read back")
    {
        CHECK(omb_SetAudioClockSlave(50) == 0);
        CHECK(omb_GetAudioClockSlave() == 50);
        CHECK(world.calls("dsound.") == Lines{"dsound.SetErrorTolerance(50)", "dsound.GetErrorTolerance()"});
    }
    SUBCASE("a refused tolerance gives -3 and stays as it was")
    {
        CHECK(omb_SetAudioClockSlave(0) == -3);
        CHECK(omb_SetAudioClockSlave(1001) == -3);
        CHECK(omb_SetAudioClockSlave(-1) == -3);
        CHECK(world.calls("dsound.SetErrorTolerance(4294967295)").size() == 1);
        CHECK(omb_GetAudioClockSlave() == 20);
    }
    SUBCASE("only exactly S_OK counts")
    {
        world.failures[Call::dsound_SetErrorTolerance] = S_FALSE;
        world.failures[Call::dsound_GetErrorTolerance] = S_FALSE;
        CHECK(omb_SetAudioClockSlave(50) == -3);
        CHECK(omb_GetAudioClockSlave() == -3);
    }
    SUBCASE("a renderer without IAMClockSlave: -2 and no call")
    {
        world.lacking[fakes::Fake::dsound] = {ombrix::ids::IID_IAMClockSlave};
        CHECK(omb_GetAudioClockSlave() == -2);
        CHECK(omb_SetAudioClockSlave(50) == -2);
        CHECK(world.calls("dsound.").empty());
    }
    CHECK(dsound.refs == 2); // the graph's and the Player's: nothing kept
}

TEST_CASE_FIXTURE(FakePlayer, "stream offsets and the maximum latency")
{
    REQUIRE(omb_Open("clip.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    world.clearLog();
    auto streamCalls = [&] { return world.calls("graph.S"); };

    SUBCASE("mode 1: offsets on, latency x10, the latency's result returned")
    {
        CHECK(omb_SetGraphStreams(1, 500000) == 0);
        CHECK(streamCalls() == Lines{"graph.SyncUsingStreamOffset(1)", "graph.SetMaxGraphLatency(5000000)"});
        world.failures[Call::graph_SyncUsingStreamOffset] = E_NOTIMPL;
        world.failures[Call::graph_SetMaxGraphLatency] = E_INVALIDARG;
        CHECK(omb_SetGraphStreams(1, 1) == E_INVALIDARG);
    }
    SUBCASE("mode 0: offsets off, the latency unused, its result returned")
    {
        world.failures[Call::graph_SyncUsingStreamOffset] = S_FALSE;
        CHECK(omb_SetGraphStreams(0, 123) == S_FALSE);
        CHECK(streamCalls() == Lines{"graph.SyncUsingStreamOffset(0)"});
    }
    SUBCASE("another mode sets nothing and gives -2")
    {
        CHECK(omb_SetGraphStreams(2, 5) == -2);
        CHECK(omb_SetGraphStreams(-1, 5) == -2);
        CHECK(streamCalls().empty());
    }
    SUBCASE("a graph without IAMGraphStreams gives -3 in every mode")
    {
        world.lacking[fakes::Fake::graph] = {ombrix::ids::IID_IAMGraphStreams};
        for (int mode : {0, 1, 2})
            CHECK(omb_SetGraphStreams(mode, 10) == -3);
    }
    SUBCASE("microseconds are multiplied in 32 bits, then sign-extended")
    {
        omb_SetGraphStreams(1, 214748364);
        omb_SetGraphStreams(1, 214748365);
        omb_SetGraphStreams(1, -214748365);
        CHECK(world.calls("graph.SetMaxGraphLatency") ==
              Lines{"graph.SetMaxGraphLatency(2147483640)", "graph.SetMaxGraphLatency(-2147483646)",
                    "graph.SetMaxGraphLatency(2147483646)"});
    }
}

TEST_CASE_FIXTURE(FakePlayer, "the clock delta goes to a System Reference Clock made for the call")
{
    REQUIRE(omb_Open("clip.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    world.clearLog();

    CHECK(omb_SetClockDelta(-1000) == 0);
    CHECK(world.log == Lines{"create clock ctx=3 IAMClockAdjust", "clock.SetClockDelta(-10000)"});
    CHECK(world.find("clock")->refs == 0);

    world.failures[Call::clock_SetClockDelta] = E_INVALIDARG;
    CHECK(omb_SetClockDelta(1) == E_INVALIDARG);
    world.failures[Call::create_clock] = REGDB_E_CLASSNOTREG;
    CHECK(omb_SetClockDelta(1) == -2);
    world.failures.erase(Call::create_clock);
    world.lacking[fakes::Fake::clock] = {ombrix::ids::IID_IAMClockAdjust};
    CHECK(omb_SetClockDelta(1) == -2);
}
