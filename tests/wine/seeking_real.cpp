// Rate, media seeking and frame stepping against the platform's real graph,
// with the generated 10 s video-only clip. Where the platform lacks rates,
// time formats or frame stepping, the gap table says what comes back. Seeks
// happen only while stopped (a seek while running or paused followed by a
// stop hangs Wine on clips with audio).
#include <doctest.h>

#include "gap_scenarios.h"
#include "ombrix.h"
#include "platform_gaps.h"
#include "real_player.h"

using testing::RealPlayer;

namespace {

struct OpenLong : RealPlayer {
    OpenLong() { REQUIRE(omb_Open(media.longVideo.c_str(), OpenMode_VideoRenderer, 0, 0, 0) == 0); }
    ~OpenLong()
    {
        CHECK_FALSE(p.mediaSeeking);
        CHECK_FALSE(p.frameStep);
    }

    // Drives the graph directly (the transport exports are not used here).
    void settle(HRESULT (STDMETHODCALLTYPE IMediaControl::*change)())
    {
        REQUIRE(SUCCEEDED((p.mediaControl.Get()->*change)()));
        OAFilterState state = -1;
        CHECK(p.mediaControl->GetState(5000, &state) == S_OK);
    }
};

} // namespace

TEST_CASE_FIXTURE(RealPlayer, "closed: every export of the family returns -1")
{
    CHECK(omb_SetSpeed(2.0) == -1);
    CHECK(omb_SetSpeed2(2000) == -1);
    CHECK(omb_GetSpeed() == -1);
    CHECK(omb_GetMediaSeeking(2) == -1);
    CHECK(omb_SetMediaSeeking(0, 0) == -1);
    CHECK(omb_SetFrameStep(1) == -1);
    CHECK(omb_CanselFrameStep() == -1);
    CHECK(omb_CanFrameStep(0) == -1);
}

TEST_CASE_FIXTURE(OpenLong, "rate requests are made and read back as the platform keeps them")
{
    testing::checkRateRequests();
}

TEST_CASE_FIXTURE(OpenLong, "seeking in media time")
{
    CHECK(omb_GetMediaSeeking(2) == 100000);
    CHECK(omb_GetMediaSeeking(1) == 1);
    CHECK(omb_GetMediaSeeking(5) == 1000);
    int capabilities = omb_GetMediaSeeking(0);
    CHECK((capabilities & AM_SEEKING_CanSeekAbsolute) != 0);
    CHECK((capabilities & AM_SEEKING_CanGetDuration) != 0);
    CHECK(omb_GetMediaSeeking(3) == 0);
    CHECK(omb_GetMediaSeeking(4) == 100000);

    CHECK(omb_SetMediaSeeking(2, 30000000) == 0); // 3 s, while stopped
    CHECK(omb_GetMediaSeeking(3) == 30000);
    CHECK(omb_GetMediaSeeking(4) == 100000);

    // The frame format while stopped: refused where only media time exists.
    const bool mediaTimeOnly = testing::has(testing::Gap::MediaTimeOnly);
    CHECK(omb_SetMediaSeeking(1, 0) == (mediaTimeOnly ? static_cast<int>(E_INVALIDARG) : 0));
    CHECK(omb_GetMediaSeeking(1) == (mediaTimeOnly ? 1 : 2)); // 2: frames
    CHECK(omb_SetMediaSeeking(0, 0) == 0);

    CHECK(omb_GetMediaSeeking(6) == -2);
    CHECK(omb_GetMediaSeeking(-1) == -2);
    CHECK(omb_SetMediaSeeking(4, 0) == -2);
    // No reference was left behind: the graph still closes completely.
    CHECK(omb_Close() == 0);
    CHECK(testing::graphFieldsEmpty(p));
}

TEST_CASE_FIXTURE(OpenLong, "frame stepping in every state, or the platform's codes where it has none")
{
    testing::checkFrameStepping();
}
