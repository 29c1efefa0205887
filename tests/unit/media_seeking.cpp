// omb_GetMediaSeeking and omb_SetMediaSeeking against a fake graph: the
// selectors, the 64-bit scalings, the two format numberings, the positioning
// flags, codes passed through and refused reads.
#include <doctest.h>

#include <climits>
#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;
using fakes::Quirk;
namespace ids = ombrix::ids;

namespace {

const char* const kFile = "C:\\media\\long.avi";

struct OpenSeeking : FakePlayer {
    OpenSeeking()
    {
        REQUIRE(omb_Open(kFile, OpenMode_VideoRenderer, 0, 0, 0) == 0);
        graph = world.graph();
        world.clearLog();
    }
    ~OpenSeeking() { CHECK_FALSE(p.mediaSeeking); } // the call-scoped slot is always empty again
    fakes::FakeGraph* graph = nullptr;
};

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "the seeking exports need an open graph")
{
    CHECK(omb_GetMediaSeeking(2) == -1);
    CHECK(omb_SetMediaSeeking(0, 0) == -1);
    CHECK(world.log.empty());
}

TEST_CASE_FIXTURE(OpenSeeking, "queries in media time")
{
    graph->current = 12345678;
    graph->stop = 99999999;
    CHECK(omb_GetMediaSeeking(0) == 0x37);
    CHECK(omb_GetMediaSeeking(1) == 1);
    CHECK(omb_GetMediaSeeking(2) == 100000); // 10 s
    CHECK(omb_GetMediaSeeking(3) == 12345);
    CHECK(omb_GetMediaSeeking(4) == 99999);
    CHECK(omb_GetMediaSeeking(5) == 1000);
    // Positions read both values, then the format.
    world.clearLog();
    omb_GetMediaSeeking(4);
    CHECK(world.log == Lines{"graph.GetPositions()", "graph.GetTimeFormat()"});
}

TEST_CASE_FIXTURE(OpenSeeking, "64-bit values are divided toward zero and cut to their low 32 bits")
{
    struct Case {
        LONGLONG value;
        int expected;
    };
    for (Case c : {Case{-1500, -1}, Case{-999, 0}, Case{5000000000000LL, 705032704},
                   Case{2147483647999LL, INT_MAX}, Case{2147483648000LL, INT_MIN},
                   Case{LLONG_MIN, 1511828489}, Case{LLONG_MAX, -1511828489}}) {
        CAPTURE(c.value);
        graph->duration = graph->current = graph->stop = c.value;
        CHECK(omb_GetMediaSeeking(2) == c.expected);
        CHECK(omb_GetMediaSeeking(3) == c.expected);
        CHECK(omb_GetMediaSeeking(4) == c.expected);
    }
}

TEST_CASE_FIXTURE(OpenSeeking, "the frame format: selected by command 1, reported as 2, positions unscaled")
{
    CHECK(omb_SetMediaSeeking(1, 77) == 0);
    CHECK(world.calls("graph.SetTimeFormat") == Lines{"graph.SetTimeFormat(TIME_FORMAT_FRAME)"});
    CHECK(omb_GetMediaSeeking(1) == 2);

    graph->current = 250;
    graph->stop = 900;
    CHECK(omb_GetMediaSeeking(3) == 250);
    CHECK(omb_GetMediaSeeking(4) == 900);
    graph->current = 0x100000005LL; // the low 32 bits of the frame number
    CHECK(omb_GetMediaSeeking(3) == 5);
    graph->duration = 90000; // the duration is divided in every format
    CHECK(omb_GetMediaSeeking(2) == 90);

    SUBCASE("command 2 sets a frame number that query 3 reads back")
    {
        CHECK(omb_SetMediaSeeking(2, 125) == 0);
        CHECK(omb_GetMediaSeeking(3) == 125);
    }
    SUBCASE("command 0 goes back to media time, reported as 1")
    {
        CHECK(omb_SetMediaSeeking(0, 0) == 0);
        CHECK(world.calls("graph.SetTimeFormat").back() == "graph.SetTimeFormat(TIME_FORMAT_MEDIA_TIME)");
        CHECK(omb_GetMediaSeeking(1) == 1);
    }
    SUBCASE("a format that is neither gives 0")
    {
        graph->timeFormat = TIME_FORMAT_SAMPLE;
        CHECK(omb_GetMediaSeeking(1) == 0);
    }
}

TEST_CASE_FIXTURE(OpenSeeking, "format changes pass the platform's code through")
{
    SUBCASE("Windows refuses while the graph runs")
    {
        REQUIRE(SUCCEEDED(p.mediaControl->Run()));
        CHECK(omb_SetMediaSeeking(1, 0) == VFW_E_WRONG_STATE);
        CHECK(omb_SetMediaSeeking(0, 0) == VFW_E_WRONG_STATE);
        p.mediaControl->Stop();
    }
    SUBCASE("Wine supports only media time")
    {
        world.quirks.insert(Quirk::graph_SetTimeFormat_mediaTimeOnly);
        CHECK(omb_SetMediaSeeking(1, 0) == E_INVALIDARG);
        CHECK(omb_GetMediaSeeking(1) == 1);
        CHECK(omb_SetMediaSeeking(0, 0) == 0);
    }
}

TEST_CASE_FIXTURE(OpenSeeking, "command 2 seeks absolutely to the sign-extended value and leaves the stop alone")
{
    CHECK(omb_SetMediaSeeking(2, 30000000) == 0);
    CHECK(world.calls("graph.SetPositions") == Lines{"graph.SetPositions(30000000, 1, null, 0)"});
    CHECK(omb_GetMediaSeeking(3) == 30000); // 3 s: the query's unit is 1000 times coarser
    CHECK(graph->stop == 100000000);

    CHECK(omb_SetMediaSeeking(2, -5) == 0);
    CHECK(graph->current == -5);
    CHECK(omb_SetMediaSeeking(2, INT_MIN) == 0);
    CHECK(graph->current == -2147483648LL);
    CHECK(world.calls("graph.SetPositions").back() == "graph.SetPositions(-2147483648, 1, null, 0)");

    world.failures[Call::graph_SetPositions] = E_FAIL;
    CHECK(omb_SetMediaSeeking(2, 10) == static_cast<int>(E_FAIL));
}

TEST_CASE_FIXTURE(OpenSeeking, "command 3 sets the rate; 0 is refused without asking the graph")
{
    CHECK(omb_SetMediaSeeking(3, 500) == 0);
    CHECK(world.calls("graph.SetRate") == Lines{"graph.SetRate(0.5)"});
    CHECK(omb_GetMediaSeeking(5) == 500);

    CHECK(omb_SetMediaSeeking(3, 0) == -1);
    CHECK(world.calls("graph.SetRate").size() == 1);
    CHECK(omb_GetMediaSeeking(5) == 500);

    world.failures[Call::graph_SetRate] = E_INVALIDARG;
    CHECK(omb_SetMediaSeeking(3, 2000) == E_INVALIDARG);
    CHECK(omb_GetMediaSeeking(5) == 500);
    world.failures.clear();

    SUBCASE("Wine accepts every rate and keeps 1.0")
    {
        graph->rate = 1.0;
        world.quirks.insert(Quirk::graph_rate_ignored);
        CHECK(omb_SetMediaSeeking(3, 2000) == 0);
        CHECK(omb_GetMediaSeeking(5) == 1000);
    }
    SUBCASE("the rate is shared with omb_GetSpeed")
    {
        CHECK(omb_GetSpeed() == 500);
    }
}

TEST_CASE_FIXTURE(OpenSeeking, "selectors outside the tables give -2 and call nothing")
{
    LONG refs = graph->refs;
    for (int query : {6, -1, INT_MAX})
        CHECK(omb_GetMediaSeeking(query) == -2);
    for (int command : {4, -1, INT_MIN})
        CHECK(omb_SetMediaSeeking(command, 1) == -2);
    CHECK(world.log.empty());
    CHECK(graph->refs == refs);
}

TEST_CASE_FIXTURE(OpenSeeking, "refused or empty reads give fixed values")
{
    SUBCASE("refused reads give -3")
    {
        for (Call call : {Call::graph_GetCapabilities, Call::graph_GetDuration, Call::graph_GetPositions,
                          Call::graph_GetRate})
            world.failures[call] = E_NOTIMPL;
        CHECK(omb_GetMediaSeeking(0) == -3);
        CHECK(omb_GetMediaSeeking(2) == -3);
        CHECK(omb_GetMediaSeeking(3) == -3);
        CHECK(omb_GetMediaSeeking(4) == -3);
        CHECK(omb_GetMediaSeeking(5) == -3);
    }
    SUBCASE("reads that succeed without writing give 0")
    {
        for (Call call : {Call::graph_GetCapabilities, Call::graph_GetTimeFormat, Call::graph_GetDuration,
                          Call::graph_GetPositions, Call::graph_GetRate})
            world.writesNothing.insert(call);
        for (int query = 0; query <= 5; ++query) {
            CAPTURE(query);
            CHECK(omb_GetMediaSeeking(query) == 0);
        }
    }
    SUBCASE("an unreadable format: query 1 gives 0, positions count as media time")
    {
        graph->timeFormat = ids::TIME_FORMAT_FRAME;
        graph->current = 5000;
        world.failures[Call::graph_GetTimeFormat] = E_FAIL;
        CHECK(omb_GetMediaSeeking(1) == 0);
        CHECK(omb_GetMediaSeeking(3) == 5);
    }
    SUBCASE("a graph without IMediaSeeking gives -3")
    {
        world.lacking[fakes::Fake::graph] = {ids::IID_IMediaSeeking};
        CHECK(omb_GetMediaSeeking(2) == -3);
        CHECK(omb_SetMediaSeeking(2, 0) == -3);
        CHECK(world.log.empty());
    }
}
