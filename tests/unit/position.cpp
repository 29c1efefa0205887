// Duration, position, seeking and omb_Info against a fake graph.
#include <doctest.h>

#include "ombrix.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;

TEST_CASE_FIXTURE(FakePlayer, "nothing open: the time queries give -1.0 and the rest -1")
{
    CHECK(omb_GetAllPlayTime() == -1.0);
    CHECK(omb_GetNowPlayTime() == -1.0);
    CHECK(omb_SetSeek(1.5) == -1);
    CHECK(omb_SetSeek2(150) == -1);
    for (int kind = -1; kind <= 4; ++kind)
        CHECK(omb_Info(kind) == -1);
    CHECK(world.log.empty());
}

TEST_CASE_FIXTURE(FakePlayer, "times pass through in seconds and are truncated into hundredths")
{
    REQUIRE(omb_Open("C:\\a.avi", 1, 0, 0, 0) == 0);
    fakes::FakeGraph& graph = *world.graph();
    graph.durationSeconds = 10.557;
    graph.positionSeconds = 0.29;
    CHECK(omb_GetAllPlayTime() == 10.557);
    CHECK(omb_GetNowPlayTime() == 0.29);
    CHECK(omb_Info(2) == 1055); // not rounded to 1056
    CHECK(omb_Info(3) == 28);   // 0.29 * 100 is 28.999999999999996
    graph.positionSeconds = 1.15;
    CHECK(omb_Info(3) == 114);
    graph.positionSeconds = -0.005;
    CHECK(omb_Info(3) == 0);    // toward zero, not down to -1
    graph.videoWidth = 640, graph.videoHeight = 480;
    CHECK(omb_Info(0) == 640);
    CHECK(omb_Info(1) == 480);
    world.clearLog();
    CHECK(omb_Info(4) == -2);
    CHECK(omb_Info(-1) == -2);
    CHECK(world.log.empty());
}

TEST_CASE_FIXTURE(FakePlayer, "seeks pass the position unchanged and report only that they were made")
{
    REQUIRE(omb_Open("C:\\a.avi", 6, 0, 0, 0) == 0);
    world.clearLog();
    CHECK(omb_SetSeek(1.5) == 0);
    CHECK(omb_SetSeek2(150) == 0);
    CHECK(omb_SetSeek2(-100) == 0);
    world.failures[Call::graph_put_CurrentPosition] = E_INVALIDARG;
    CHECK(omb_SetSeek(1e9) == 0);
    CHECK(world.calls("graph.put_CurrentPosition") ==
          Lines{"graph.put_CurrentPosition(1.5)", "graph.put_CurrentPosition(1.5)", "graph.put_CurrentPosition(-1)",
                "graph.put_CurrentPosition(1e+09)"});
}

TEST_CASE_FIXTURE(FakePlayer, "a graph that cannot answer gives fixed values, never stale ones")
{
    REQUIRE(omb_Open("C:\\a.avi", 5, 0, 0, 0) == 0);
    SUBCASE("time queries fail")
    {
        world.failures[Call::graph_get_Duration] = E_NOTIMPL;
        world.failures[Call::graph_get_CurrentPosition] = E_NOTIMPL;
        CHECK(omb_GetAllPlayTime() == -1.0);
        CHECK(omb_GetNowPlayTime() == -1.0);
        CHECK(omb_Info(2) == -2);
        CHECK(omb_Info(3) == -2);
    }
    SUBCASE("no renderer answers for the video size (audio only, EVR, Null Renderer)")
    {
        world.failures[Call::graph_get_VideoWidth] = E_NOINTERFACE;
        world.failures[Call::graph_get_VideoHeight] = E_NOINTERFACE;
        CHECK(omb_Info(0) == -2);
        CHECK(omb_Info(1) == -2);
    }
    SUBCASE("a graph without the interfaces")
    {
        world.lacking[fakes::Fake::graph] = {ombrix::ids::IID_IMediaPosition, ombrix::ids::IID_IBasicVideo};
        CHECK(omb_GetAllPlayTime() == -1.0);
        // Nothing was requested, so neither reports success.
        CHECK(omb_SetSeek(1.0) == -2);
        CHECK(omb_SetSeek2(100) == -2);
        CHECK(omb_SetSpeed(2.0) == -2);
        CHECK(omb_Info(0) == -2);
        CHECK(omb_Info(3) == -2);
    }
}

TEST_CASE_FIXTURE(FakePlayer, "the position exports hold one IMediaPosition for the open graph, released at close")
{
    REQUIRE(omb_Open("C:\\a.avi", 6, 0, 0, 0) == 0);
    const LONG before = world.graph()->refs;
    CHECK(omb_GetNowPlayTime() == 0.0);
    CHECK(world.graph()->refs == before + 1);
    CHECK(omb_GetAllPlayTime() >= 0.0);
    CHECK(omb_SetSeek(1.0) == 0);
    CHECK(omb_Info(3) == 100);
    CHECK(omb_GetSpeed() >= 0);
    CHECK(world.graph()->refs == before + 1);
    CHECK(p.heldPosition);
    CHECK(omb_Close() == 0);
    CHECK_FALSE(p.heldPosition);

    // A new graph is asked afresh.
    REQUIRE(omb_Open("C:\\a.avi", 6, 0, 0, 0) == 0);
    world.graph()->positionSeconds = 0.5;
    CHECK(omb_GetNowPlayTime() == 0.5);
}
