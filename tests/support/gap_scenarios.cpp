#include "gap_scenarios.h"

#include <doctest.h>

#include "ombrix.h"
#include "platform_gaps.h"
#include "player/player.h"

namespace testing {
namespace {

// Drives the graph directly (the transport exports are not under test here).
void settle(HRESULT (STDMETHODCALLTYPE IMediaControl::*change)())
{
    ombrix::Player& p = ombrix::player();
    REQUIRE(p.mediaControl);
    REQUIRE(SUCCEEDED((p.mediaControl.Get()->*change)()));
    OAFilterState state = -1;
    CHECK(p.mediaControl->GetState(5000, &state) == S_OK);
}

} // namespace

void checkRateRequests()
{
    const bool ignored = has(Gap::RateIgnored);
    CHECK(omb_GetSpeed() == 1000);
    CHECK(omb_SetSpeed2(1500) == 0);
    CHECK(omb_GetSpeed() == (ignored ? 1000 : 1500));
    CHECK(omb_SetSpeed(0.5) == 0);
    CHECK(omb_GetSpeed() == (ignored ? 1000 : 500));
    // A rate of 0 is refused by the graph; the request was still made.
    CHECK(omb_SetSpeed2(0) == 0);
    CHECK(omb_GetSpeed() == (ignored ? 1000 : 500));
    CHECK(omb_SetSpeed(-1.0) == 0);
    if (ignored)
        CHECK(omb_GetSpeed() == 1000); // elsewhere, reverse play depends on the filters
    CHECK(omb_SetSpeed2(1000) == 0);
    CHECK(omb_SetMediaSeeking(3, 500) == 0);
    CHECK(omb_GetMediaSeeking(5) == (ignored ? 1000 : 500));
    CHECK(omb_SetMediaSeeking(3, 0) == -1);
}

void checkFrameStepping()
{
    const bool none = has(Gap::NoFrameStep);
    const int stepped = none ? static_cast<int>(E_NOTIMPL) : 0;
    CHECK(omb_CanFrameStep(0) == (none ? -2 : 0));
    const int multiple = omb_CanFrameStep(1);
    if (none)
        CHECK(multiple == -2);
    else
        CHECK((multiple == 1 || multiple == -2)); // stepping several frames is the renderer's choice
    CHECK(omb_SetFrameStep(1) == stepped);
    CHECK(omb_CanselFrameStep() == stepped);

    settle(&IMediaControl::Pause);
    CHECK(omb_CanFrameStep(0) == (none ? -2 : 0));
    CHECK(omb_SetFrameStep(1) == stepped);
    CHECK(omb_SetFrameStep(5) == stepped);
    CHECK(omb_CanselFrameStep() == stepped);
    settle(&IMediaControl::Run);
    CHECK(omb_SetFrameStep(-1) == stepped);
    // The frame format: refused in every state where only media time exists,
    // refused for the state while running where it does.
    CHECK(omb_SetMediaSeeking(1, 0) ==
          static_cast<int>(has(Gap::MediaTimeOnly) ? E_INVALIDARG : VFW_E_WRONG_STATE));
    settle(&IMediaControl::Stop);
}

void checkStatistics(int mode)
{
    using Statistic = int(OMBRIX_CALL*)(void);
    // Counts and rates are never negative; the average offset may be.
    const struct {
        Statistic read;
        bool signedValue;
    } statistics[] = {{omb_GetFramesDrawn, false},    {omb_GetAvgFrameRate, false},
                      {omb_GetFramesDroppedInRenderer, false}, {omb_GetJitter, false},
                      {omb_GetAvgSyncOffset, true},   {omb_GetDevSyncOffset, false}};
    const bool rendererHeld = mode >= OpenMode_VideoRenderer && mode <= OpenMode_Evr;
    for (const auto& s : statistics) {
        const int value = s.read();
        if (!rendererHeld)
            CHECK(value == -2);
        else if (has(Gap::NoQualProp))
            CHECK(value == -3);
        else if (!s.signedValue)
            CHECK(value >= 0);
    }
}

} // namespace testing
