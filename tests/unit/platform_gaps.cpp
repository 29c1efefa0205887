// The end-to-end expectations that depend on a platform gap, run against
// fakes: fakes that behave like Windows with the platform forced to "not
// Wine" (the branch the end-to-end tests take on Windows), and fakes that
// behave like Wine with it forced to Wine (the branch they take here).
#include <doctest.h>

#include <tuple>
#include <utility>

#include "gap_scenarios.h"
#include "ombrix.h"
#include "platform/ids.h"
#include "platform_gaps.h"
#include "player_fixture.h"

using testing::FakePlayer;
using testing::ForcePlatform;
using fakes::Call;
using fakes::Quirk;

namespace {

// The fakes' stand-ins for Wine 8.0's answers.
void behaveLikeWine(fakes::World& world)
{
    world.quirks.insert(Quirk::graph_rate_ignored);
    world.quirks.insert(Quirk::graph_SetTimeFormat_mediaTimeOnly);
    for (Call call : {Call::graph_Step, Call::graph_CancelStep, Call::graph_CanStep})
        world.failures[call] = E_NOTIMPL;
    for (fakes::Fake renderer : {fakes::Fake::vr, fakes::Fake::vmr7, fakes::Fake::vmr9, fakes::Fake::evr})
        world.lacking[renderer] = {ombrix::ids::IID_IQualProp};
}

} // namespace

TEST_CASE("the platform is told by ntdll, and a test can force either answer")
{
    const bool detected = testing::onWine();
    {
        ForcePlatform windows(false);
        CHECK_FALSE(testing::onWine());
        // The emulator's gaps belong to the processor, whichever the platform.
        for (int g = 0; g < static_cast<int>(testing::Gap::X87MovesRounded); ++g)
            CHECK_FALSE(testing::has(static_cast<testing::Gap>(g)));
        {
            ForcePlatform wine(true);
            CHECK(testing::has(testing::Gap::NoQualProp));
        }
        CHECK_FALSE(testing::onWine());
    }
    CHECK(testing::onWine() == detected);
    const testing::GapEntry* table = testing::gapTable();
    for (int g = 0; g < static_cast<int>(testing::Gap::Count); ++g)
        CHECK(table[g].gap == static_cast<testing::Gap>(g));
}

TEST_CASE("Wine's version tells Wine 8 from Wine 10, and each gap holds where the table says")
{
    using testing::Platform;
    struct Version {
        const char* text;
        Platform platform;
    };
    for (const Version& v : {Version{"8.0", Platform::Wine8}, Version{"9.22", Platform::Wine8},
                             Version{"10.0", Platform::Wine10}, Version{"11.0-rc1", Platform::Wine10},
                             Version{"", Platform::Wine10}}) {
        CAPTURE(v.text);
        CHECK(testing::platformOfWine(v.text) == v.platform);
    }

    // A gap of one Wine only holds there and nowhere else: the Enhanced
    // Video Renderer's crash on Wine 8, the top-down grabber type on Wine 10.
    using testing::Gap;
    for (const auto& [gap, wine8, wine10] : {std::tuple{Gap::EvrCrashOnRelease, true, false},
                                             std::tuple{Gap::GrabberTopDown, false, true}}) {
        CAPTURE(testing::gapName(gap));
        for (const auto& [platform, expected] : {std::pair{Platform::Windows, false}, std::pair{Platform::Wine8, wine8},
                                                 std::pair{Platform::Wine10, wine10}}) {
            testing::ForcePlatform forced(platform);
            CHECK(testing::has(gap) == expected);
        }
    }
}

TEST_CASE("rate, frame stepping and statistics: both branches against fakes of each platform")
{
    // One fresh Player and world per scenario and platform.
    auto onEach = [](int mode, void (*scenario)(int)) {
        for (bool wine : {false, true}) {
            CAPTURE(wine);
            ForcePlatform platform(wine);
            FakePlayer fixture;
            if (wine) {
                behaveLikeWine(fixture.world);
                fixture.checkKeysLookedUp = false;
            }
            REQUIRE(omb_Open("C:\\media\\clip.avi", mode, 0, 0, 0) == 0);
            scenario(mode);
        }
    };
    onEach(OpenMode_VideoRenderer, [](int) { testing::checkRateRequests(); });
    onEach(OpenMode_VideoRenderer, [](int) { testing::checkFrameStepping(); });
    for (int mode : {0, 1, 2, 3, 4, 5, 6}) {
        CAPTURE(mode);
        onEach(mode, testing::checkStatistics);
    }
}

TEST_CASE("a crash gap keeps an object alive only where the platform has it")
{
    fakes::World world;
    fakes::FakeGraph& graph = world.make<fakes::FakeGraph>();
    graph.AddRef();
    for (bool wine : {false, true}) {
        ForcePlatform platform(wine);
        testing::keepAlive(testing::Gap::EvrCrashOnRelease, static_cast<IGraphBuilder*>(&graph));
        CHECK(graph.refs == (wine ? 2 : 1));
    }
    graph.Release();
    graph.Release();
}
