// Mode 4 on Wine's Enhanced Video Renderer, in a process of its own: Wine's
// EVR crashes when a graph holding it is released (32-bit) or when the first
// frame reaches it (64-bit). CTest passes this file when the graph checks
// ran, whatever the release does afterwards; every other check of mode 4
// runs against fakes.
#include <doctest.h>

#include <cstdio>

#include "ombrix.h"
#include "real_player.h"

using testing::count;
using testing::filterNames;
using testing::RealPlayer;

TEST_CASE_FIXTURE(RealPlayer, "mode 4 builds the graph with the Enhanced Video Renderer")
{
    REQUIRE(omb_Open(media.video.c_str(), 4, 0, 0, 0) == 0);
    std::vector<std::string> names = filterNames(p.graph.Get());
    CHECK(count(names, "Enhanced Video Renderer") == 1);
    CHECK(count(names, "DirectSound Renderer") == 1);
    CHECK(count(names, "Source") == 1);
    CHECK(p.evrFilter);
    CHECK(p.sourceFilter);
    CHECK(p.captureBuilder);
    std::printf("EVR graph verified\n");
    std::fflush(stdout);
    // Wine's EVR may take the process down from here on.
    CHECK(omb_Close() == 0);
    std::printf("EVR graph released\n");
    std::fflush(stdout);
}
