// Automatic repeat through the worker window on the platform's real DirectShow: the
// host only pumps its own messages (the worker sends forwarded events to it).
#include <doctest.h>

#include "host_window.h"
#include "ombrix.h"
#include "platform_gaps.h"
#include "real_player.h"

using testing::HostWindow;
using testing::RealPlayer;

TEST_CASE_FIXTURE(RealPlayer, "a clip that ends starts again from 0 and the host hears of each end")
{
    HostWindow host;
    omb_handle worker = omb_CreateThread(reinterpret_cast<omb_handle>(host.hwnd()), 1);
    REQUIRE(worker > 0);
    // Video only: Wine hangs when a graph with audio is stopped after a seek.
    REQUIRE(omb_Open(media.video.c_str(), 1, 0, 0, 0) == 0);
    REQUIRE(omb_SetEvHWND(worker) == 0);
    REQUIRE(omb_Play(reinterpret_cast<omb_handle>(host.hwnd()), 0, 0, 64, 48) == 0);

    REQUIRE(testing::pumpUntil([&] { return host.ends().size() >= 1; }, 10000));
    CHECK(omb_GetState() == 2);
    // Restarted from 0, the 2 s clip ends once more about 2 s later.
    REQUIRE(testing::pumpUntil([&] { return host.ends().size() >= 2; }, 10000));
    const std::vector<DWORD> ends = host.ends();
    CHECK(ends[1] - ends[0] >= 1500);
    CHECK(ends[1] - ends[0] <= 4000);
    const double position = omb_GetNowPlayTime();
    if (testing::has(testing::Gap::RepeatReadsDuration))
        CHECK(position == 2.0);
    else
        CHECK(position < 2.0);
    for (const auto& e : host.events)
        CHECK(e.thread == GetCurrentThreadId());
    CHECK(omb_Close() == 0);
}
