// What the door refuses where only fakes can show it: the EVR's display
// rectangle (Wine's EVR crashes), and times the graph reports that do not
// fit the host's hundredths.
#include <doctest.h>

#include <climits>
#include <cmath>

#include "ombrix.h"
#include "player_fixture.h"

using testing::FakePlayer;

TEST_CASE_FIXTURE(FakePlayer, "a placement that is negative or overflows 32 bits never reaches a renderer")
{
    world.realHandles = true;
    const int rects[][4] = {{INT_MAX, 0, 1, 1}, {0, INT_MAX - 1, 0, 2}, {0, 0, -1, 10}, {0, 0, 10, INT_MIN}};
    for (int mode : {OpenMode_VideoRenderer, OpenMode_Evr}) {
        CAPTURE(mode);
        REQUIRE(omb_Open("C:\\media\\clip.avi", mode, 0, 0, 0) == 0);
        world.clearLog();
        for (const auto& r : rects) {
            CHECK(omb_Play(0, r[0], r[1], r[2], r[3]) == -8);
            CHECK(omb_Resize(0, r[0], r[1], r[2], r[3]) == -8);
        }
        CHECK(world.log.empty());
        CHECK(p.playState == 1);
        // The widest rectangle that fits is placed unchanged.
        CHECK(omb_Play(0, INT_MAX - 10, INT_MIN, 10, INT_MAX) == 0);
        CHECK(world.calls(mode == OpenMode_Evr ? "display.SetVideoPosition" : "graph.SetWindowPosition").size() == 1);
        REQUIRE(omb_Close() == 0);
    }
}

TEST_CASE_FIXTURE(FakePlayer, "omb_Info gives -2 for a time that is not a number or does not fit hundredths")
{
    REQUIRE(omb_Open("C:\\media\\clip.avi", OpenMode_AudioOnly, 0, 0, 0) == 0);
    fakes::FakeGraph& graph = *world.graph();
    const std::pair<double, int> times[] = {{1e7, 1000000000}, {-1e7, -1000000000}, {2.2e7, -2},
                                            {-2.2e7, -2},      {NAN, -2},           {HUGE_VAL, -2},
                                            {-HUGE_VAL, -2},   {1e300, -2}};
    for (auto [seconds, code] : times) {
        CAPTURE(seconds);
        graph.durationSeconds = graph.positionSeconds = seconds;
        CHECK(omb_Info(2) == code);
        CHECK(omb_Info(3) == code);
    }
}
