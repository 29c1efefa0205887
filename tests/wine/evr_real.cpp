// Mode 4 on the platform's Enhanced Video Renderer, in a child process. Where
// the EVR crashes the process once its graph goes or at its first frame (the
// gap table), the graph is built and checked, never run, and the crash ends
// the child after its checks, not this run; elsewhere it also plays, and the
// child must end cleanly. Every other check of mode 4 runs against fakes.
#include <doctest.h>

#include "child_process.h"
#include "host_window.h"
#include "ombrix.h"
#include "platform_gaps.h"
#include "real_player.h"

using testing::count;
using testing::filterNames;
using testing::RealPlayer;

// Run only by the case below, in its child (skipped otherwise; declared with
// the DOCTEST_ prefix so that the build makes no test entry of its own).
DOCTEST_TEST_CASE_FIXTURE(RealPlayer, "evr child: mode 4's graph" * doctest::skip())
{
    REQUIRE(omb_Open(media.video.c_str(), 4, 0, 0, 0) == 0);
    std::vector<std::string> names = filterNames(p.graph.Get());
    CHECK(count(names, "Enhanced Video Renderer") == 1);
    CHECK(count(names, "DirectSound Renderer") == 1);
    CHECK(count(names, "Source") == 1);
    CHECK(p.evrFilter);
    CHECK(p.sourceFilter);
    CHECK(p.captureBuilder);
    if (!testing::has(testing::Gap::EvrCrashOnRelease)) {
        // Where the EVR survives its frames and its release, it plays in a
        // host window; the child's clean exit then proves the release.
        testing::HostWindow host;
        REQUIRE(omb_Play(reinterpret_cast<omb_handle>(host.hwnd()), 0, 0, 64, 48) == 0);
        CHECK(testing::pumpUntil([] { return omb_GetNowPlayTime() >= 0.5; }, 5000));
        CHECK(omb_Stop() == 0);
    }
    // Where releasing the EVR crashes, the graph outlives omb_Close, so the
    // checks report before the process ends.
    testing::keepAlive(testing::Gap::EvrCrashOnRelease, p.graph.Get());
    CHECK(omb_Close() == 0);
}

TEST_CASE("mode 4 builds the graph with the Enhanced Video Renderer")
{
    testing::checkChildCase("evr_real.cpp", "evr child", 60000, testing::Gap::EvrCrashOnRelease);
}
