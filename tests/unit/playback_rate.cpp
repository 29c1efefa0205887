// omb_SetSpeed, omb_SetSpeed2 and omb_GetSpeed against a fake graph.
#include <doctest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;
using fakes::Quirk;

namespace {

const char* const kFile = "C:\\media\\long.avi";

struct OpenRate : FakePlayer {
    OpenRate()
    {
        REQUIRE(omb_Open(kFile, OpenMode_VideoRenderer, 0, 0, 0) == 0);
        graph = world.graph();
        world.clearLog();
    }
    fakes::FakeGraph* graph = nullptr;
};

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "the rate exports need an open graph")
{
    CHECK(omb_SetSpeed(2.0) == -1);
    CHECK(omb_SetSpeed2(2000) == -1);
    CHECK(omb_GetSpeed() == -1);
    CHECK(world.log.empty());
}

TEST_CASE_FIXTURE(OpenRate, "rates go to IMediaPosition as factors and come back in thousandths")
{
    CHECK(omb_GetSpeed() == 1000);

    SUBCASE("thousandths are divided exactly")
    {
        CHECK(omb_SetSpeed2(1500) == 0);
        CHECK(world.calls("graph.put_Rate") == Lines{"graph.put_Rate(1.5)"});
        CHECK(graph->rate == 1.5);
        CHECK(omb_GetSpeed() == 1500);
    }
    SUBCASE("a factor is passed unchanged")
    {
        CHECK(omb_SetSpeed(0.5) == 0);
        CHECK(graph->rate == 0.5);
        CHECK(omb_GetSpeed() == 500);
    }
    SUBCASE("reading truncates toward zero")
    {
        graph->rate = 1.2349;
        CHECK(omb_GetSpeed() == 1234);
        graph->rate = -0.0019;
        CHECK(omb_GetSpeed() == -1);
        graph->rate = 1e12; // saturates instead of an undefined conversion
        CHECK(omb_GetSpeed() == INT_MAX);
        graph->rate = -1e12;
        CHECK(omb_GetSpeed() == INT_MIN);
    }
    SUBCASE("a refused rate still reports 0 and leaves the old rate")
    {
        REQUIRE(omb_SetSpeed2(2000) == 0);
        world.failures[Call::graph_put_Rate] = E_INVALIDARG;
        CHECK(omb_SetSpeed2(3000) == 0);
        world.failures.clear();
        CHECK(omb_SetSpeed2(0) == 0); // passed on; the graph refuses it
        CHECK(world.calls("graph.put_Rate").back() == "graph.put_Rate(0)");
        CHECK(omb_GetSpeed() == 2000);
    }
    SUBCASE("Wine's graph accepts every rate and keeps 1.0")
    {
        world.quirks.insert(Quirk::graph_rate_ignored);
        for (double rate : {0.0, 0.5, 1.5, -1.0, 2.0})
            CHECK(omb_SetSpeed(rate) == 0);
        CHECK(omb_SetSpeed2(1500) == 0);
        CHECK(omb_GetSpeed() == 1000);
    }
}

TEST_CASE_FIXTURE(OpenRate, "a rate that cannot be read gives -2, never an unset value")
{
    SUBCASE("get_Rate fails")
    {
        world.failures[Call::graph_get_Rate] = E_NOTIMPL;
        CHECK(omb_GetSpeed() == -2);
    }
    SUBCASE("get_Rate succeeds without writing: the zeroed local")
    {
        world.writesNothing.insert(Call::graph_get_Rate);
        CHECK(omb_GetSpeed() == 0);
    }
    SUBCASE("the rate is not a number")
    {
        graph->rate = std::nan("");
        CHECK(omb_GetSpeed() == -2);
    }
    SUBCASE("the graph has no IMediaPosition")
    {
        world.lacking[fakes::Fake::graph] = {ombrix::ids::IID_IMediaPosition};
        CHECK(omb_GetSpeed() == -2);
        CHECK(omb_SetSpeed(2.0) == -2);
        CHECK(omb_SetSpeed2(2000) == -2);
        CHECK(world.calls("graph.").empty());
    }
}
