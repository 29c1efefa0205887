// The six statistics exports against fake renderers: the renderer chosen
// per mode, values passed through unchanged, -2 where the player holds no
// renderer, -3 where the renderer gives no answer, and the borrowed slot
// empty after every call.
#include <doctest.h>

#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;

namespace {

using StatFn = int(OMBRIX_CALL*)(void);
struct Statistic {
    StatFn fn;
    const char* method;
};
const Statistic kStatistics[] = {
    {omb_GetFramesDroppedInRenderer, "get_FramesDroppedInRenderer"},
    {omb_GetFramesDrawn, "get_FramesDrawn"},
    {omb_GetAvgFrameRate, "get_AvgFrameRate"},
    {omb_GetJitter, "get_Jitter"},
    {omb_GetAvgSyncOffset, "get_AvgSyncOffset"},
    {omb_GetDevSyncOffset, "get_DevSyncOffset"},
};

struct OpenStats : FakePlayer {
    explicit OpenStats(int mode)
    {
        REQUIRE(omb_Open("C:\\media\\clip.avi", mode, 0, 0, 0) == 0);
        world.clearLog();
    }
};

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "the statistics need an open graph")
{
    for (const Statistic& s : kStatistics)
        CHECK(s.fn() == -1);
    CHECK(world.log.empty());
}

TEST_CASE("modes 1 to 4 read their own renderer and pass each value through")
{
    const std::pair<int, const char*> renderers[] = {
        {OpenMode_VideoRenderer, "vr"}, {OpenMode_Vmr7, "vmr7"}, {OpenMode_Vmr9, "vmr9"}, {OpenMode_Evr, "evr"}};
    for (auto [mode, name] : renderers) {
        CAPTURE(mode);
        OpenStats open(mode);
        fakes::FakeFilter& renderer = *open.world.filter(name);
        const int values[6] = {2, 250, 2500, 7, -17, 4};
        std::copy(values, values + 6, renderer.quality);
        for (int i = 0; i < 6; ++i) {
            CAPTURE(kStatistics[i].method);
            CHECK(kStatistics[i].fn() == values[i]);
            CHECK(open.p.activeRenderer == nullptr);
            CHECK(open.world.log.back() == std::string(name) + "." + kStatistics[i].method + "()");
        }
        CHECK(open.world.log.size() == 6);
    }
}

TEST_CASE("modes 0, 5 and 6 hold no renderer of their own: -2, nothing called")
{
    for (int mode : {OpenMode_DefaultRenderers, OpenMode_AudioOnly, OpenMode_NullVideo}) {
        CAPTURE(mode);
        OpenStats open(mode);
        for (const Statistic& s : kStatistics) {
            CHECK(s.fn() == -2);
            CHECK(open.p.activeRenderer == nullptr);
        }
        CHECK(open.world.log.empty());
    }
}

TEST_CASE("a renderer without statistics, or one that gives no answer, gives -3")
{
    SUBCASE("no IQualProp")
    {
        OpenStats open(OpenMode_Vmr9);
        open.world.lacking[fakes::Fake::vmr9] = {ombrix::ids::IID_IQualProp};
        for (const Statistic& s : kStatistics)
            CHECK(s.fn() == -3);
        CHECK(open.world.log.empty());
    }
    SUBCASE("the call fails")
    {
        OpenStats open(OpenMode_VideoRenderer);
        open.world.failures[Call::vr_get_FramesDrawn] = E_NOTIMPL;
        CHECK(omb_GetFramesDrawn() == -3);
        CHECK(omb_GetJitter() == 0);
    }
    SUBCASE("the call writes nothing")
    {
        OpenStats open(OpenMode_Evr);
        open.world.writesNothing.insert(Call::evr_get_AvgFrameRate);
        CHECK(omb_GetAvgFrameRate() == -3);
        CHECK(open.p.activeRenderer == nullptr);
    }
}

TEST_CASE("the statistics and mixer identifiers are the platform's")
{
    // Wine has neither IQualProp nor the VMR-7 mixer, so only this catches a
    // mistyped identifier.
    CHECK(IsEqualGUID(ombrix::ids::IID_IQualProp, IID_IQualProp));
    CHECK(IsEqualGUID(ombrix::ids::IID_IVMRMixerBitmap, IID_IVMRMixerBitmap));
    CHECK(IsEqualGUID(ombrix::ids::IID_IVMRMixerBitmap9, IID_IVMRMixerBitmap9));
}
