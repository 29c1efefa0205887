// Rate, media seeking and frame stepping against Wine's real graph, with the
// generated 10 s video-only clip. Wine 8 accepts every rate and keeps 1.0,
// knows only the media-time format and has no frame stepping (its methods
// are E_NOTIMPL stubs): those are the expected results here. Seeks happen
// only while stopped (a seek while running or paused followed by a stop
// hangs Wine on clips with audio).
#include <doctest.h>

#include "ombrix.h"
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

TEST_CASE_FIXTURE(OpenLong, "Wine's rate: every request is made, 1.0 stays")
{
    CHECK(omb_GetSpeed() == 1000);
    CHECK(omb_SetSpeed2(1500) == 0);
    CHECK(omb_SetSpeed(0.5) == 0);
    CHECK(omb_SetSpeed2(0) == 0);
    CHECK(omb_SetSpeed(-1.0) == 0);
    CHECK(omb_GetSpeed() == 1000);
    CHECK(omb_SetMediaSeeking(3, 500) == 0);
    CHECK(omb_GetMediaSeeking(5) == 1000);
    CHECK(omb_SetMediaSeeking(3, 0) == -1);
}

TEST_CASE_FIXTURE(OpenLong, "Wine's seeking in media time")
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

    // Only media time: the frame format is refused in any state.
    CHECK(omb_SetMediaSeeking(1, 0) == E_INVALIDARG);
    CHECK(omb_GetMediaSeeking(1) == 1);
    CHECK(omb_SetMediaSeeking(0, 0) == 0);

    CHECK(omb_GetMediaSeeking(6) == -2);
    CHECK(omb_GetMediaSeeking(-1) == -2);
    CHECK(omb_SetMediaSeeking(4, 0) == -2);
    // No reference was left behind: the graph still closes completely.
    CHECK(omb_Close() == 0);
    CHECK(testing::graphFieldsEmpty(p));
}

TEST_CASE_FIXTURE(OpenLong, "Wine has no frame stepping: the platform's codes come back")
{
    CHECK(omb_CanFrameStep(0) == -2);
    CHECK(omb_CanFrameStep(1) == -2);
    CHECK(omb_SetFrameStep(1) == E_NOTIMPL);
    CHECK(omb_CanselFrameStep() == E_NOTIMPL);

    settle(&IMediaControl::Pause);
    CHECK(omb_CanFrameStep(0) == -2);
    CHECK(omb_SetFrameStep(1) == E_NOTIMPL);
    CHECK(omb_SetFrameStep(5) == E_NOTIMPL);
    CHECK(omb_CanselFrameStep() == E_NOTIMPL);
    settle(&IMediaControl::Run);
    CHECK(omb_SetFrameStep(-1) == E_NOTIMPL);
    // Wine refuses the frame format while running too (Windows would say
    // VFW_E_WRONG_STATE); the graph still stops.
    CHECK(omb_SetMediaSeeking(1, 0) == E_INVALIDARG);
    settle(&IMediaControl::Stop);
}
