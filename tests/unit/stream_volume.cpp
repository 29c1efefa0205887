// omb_SetVolume and omb_GetVolume against the fake graph's IBasicAudio.
#include <doctest.h>

#include "ombrix.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;

TEST_CASE_FIXTURE(FakePlayer, "volume and balance need an open graph")
{
    CHECK(omb_SetVolume(0, -10000) == -1);
    CHECK(omb_GetVolume(1) == -1);
    CHECK(omb_GetVolume(0) == -1);
    CHECK(world.log.empty());
}

TEST_CASE_FIXTURE(FakePlayer, "values pass through unchanged, balance first, refusals ignored")
{
    REQUIRE(omb_Open("clip.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    fakes::FakeGraph& graph = *world.graph();
    world.clearLog();

    CHECK(omb_SetVolume(-2500, -10000) == 0);
    CHECK(world.calls("graph.") == Lines{"graph.put_Balance(-2500)", "graph.put_Volume(-10000)"});
    CHECK(omb_GetVolume(1) == -10000);
    CHECK(omb_GetVolume(0) == -2500);

    SUBCASE("a refused balance does not keep the volume from being applied")
    {
        CHECK(omb_SetVolume(20000, -500) == 0);
        CHECK(graph.balance == -2500);
        CHECK(omb_GetVolume(1) == -500);
    }
    SUBCASE("a refused volume is not reported")
    {
        CHECK(omb_SetVolume(0, 100) == 0);
        CHECK(graph.volume == -10000);
        CHECK(graph.balance == 0);
    }
    SUBCASE("the platform's own result is not looked at")
    {
        world.failures[Call::graph_put_Balance] = E_FAIL;
        world.failures[Call::graph_put_Volume] = E_FAIL;
        CHECK(omb_SetVolume(0, 0) == 0);
    }
}

TEST_CASE_FIXTURE(FakePlayer, "GetVolume answers -2 when nothing is read")
{
    REQUIRE(omb_Open("clip.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    world.graph()->volume = -300;
    world.clearLog();

    SUBCASE("a selector other than 0 and 1 calls nothing")
    {
        CHECK(omb_GetVolume(2) == -2);
        CHECK(omb_GetVolume(-1) == -2);
        CHECK(world.calls("graph.").empty());
    }
    SUBCASE("a read that stores no value")
    {
        world.failures[Call::graph_get_Volume] = E_NOTIMPL;
        CHECK(omb_GetVolume(1) == -2);
    }
    SUBCASE("a graph without an audio control: -2 from both, and no call")
    {
        world.lacking[fakes::Fake::graph] = {ombrix::ids::IID_IBasicAudio};
        CHECK(omb_SetVolume(0, -500) == -2);
        CHECK(omb_GetVolume(1) == -2);
        CHECK(world.graph()->volume == -300);
    }
}
