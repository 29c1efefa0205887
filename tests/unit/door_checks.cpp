// What the door refuses where only fakes can show it: the EVR's display
// rectangle (Wine's EVR crashes), times the graph reports that do not fit
// the host's hundredths, and the order of the answers: an export's state
// codes come before the door, and the door before any platform call.
#include <doctest.h>

#include <windows.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>

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
            // The EVR's video is placed by omb_Play alone: omb_Resize does nothing there.
            CHECK(omb_Resize(0, r[0], r[1], r[2], r[3]) == (mode == OpenMode_Evr ? 0 : -8));
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

namespace {

constexpr int kClosed = -1;             // no file open
constexpr omb_handle kForeign = 0xDEAD; // neither a window nor a device context
const double kNaN = std::nan("");

// One export called with an argument the door refuses, in a state whose own
// code answers first, or (expected -8) in one that lets the argument through.
struct OrderCase {
    const char* call;
    int mode; // kClosed, or the mode of the open file
    bool grabber;
    std::function<int(omb_handle dc)> run; // dc: a real memory DC
    int expected;
};

int mixInto(omb_handle dc) { return omb_VMRMixImage(dc, 0, 0, 8, 8, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0, 0, 0, 0); }

const OrderCase kOrderCases[] = {
    // Nothing open: -1 whatever the arguments.
    {"omb_Resize(foreign window)", kClosed, false, [](omb_handle) { return omb_Resize(kForeign, 0, 0, 10, 10); }, -1},
    {"omb_SetVideoWindow(7, foreign)", kClosed, false, [](omb_handle) { return omb_SetVideoWindow(7, 0xDEAD); }, -1},
    {"omb_CaptureVideo(foreign DC)", kClosed, false,
     [](omb_handle) { return omb_CaptureVideo(kForeign, 0, 0, 10, 10, SRCCOPY); }, -1},
    {"omb_CaptureVideoEx(foreign DC)", kClosed, false,
     [](omb_handle) { return omb_CaptureVideoEx(kForeign, 0, 0, 10, 10); }, -1},
    {"omb_VMRMixImage(foreign DC)", kClosed, false, [](omb_handle) { return mixInto(kForeign); }, -1},
    {"omb_SetSeek(NaN)", kClosed, false, [](omb_handle) { return omb_SetSeek(kNaN); }, -1},
    {"omb_SetSpeed(+inf)", kClosed, false, [](omb_handle) { return omb_SetSpeed(HUGE_VAL); }, -1},
    {"omb_FillterProp(foreign owner)", kClosed, false,
     [](omb_handle) { return omb_FillterProp(kForeign, L"Source"); }, -1},
    {"omb_Open(null name, mode 7)", kClosed, false, [](omb_handle) { return omb_Open(nullptr, 7, 0, 0, 0); }, -2},
    {"omb_Open(null name) while open", OpenMode_VideoRenderer, false,
     [](omb_handle) { return omb_Open(nullptr, OpenMode_VideoRenderer, 0, 0, 0); }, -1},
    // omb_Resize does nothing in modes 4 to 6, so it judges nothing there.
    {"omb_Resize(foreign window), EVR", OpenMode_Evr, false,
     [](omb_handle) { return omb_Resize(kForeign, 0, 0, 10, 10); }, 0},
    {"omb_Resize(foreign window), audio only", OpenMode_AudioOnly, false,
     [](omb_handle) { return omb_Resize(kForeign, 0, 0, 10, 10); }, 0},
    {"omb_Resize(left INT_MAX), Null Renderer", OpenMode_NullVideo, false,
     [](omb_handle) { return omb_Resize(0, INT_MAX, 0, 1, 1); }, 0},
    {"omb_Resize(foreign window), VMR-9", OpenMode_Vmr9, false,
     [](omb_handle) { return omb_Resize(kForeign, 0, 0, 10, 10); }, -8},
    // No Sample Grabber: -2 before the DC or the part is judged.
    {"omb_CaptureVideoEx(null DC), no grabber", OpenMode_DefaultRenderers, false,
     [](omb_handle) { return omb_CaptureVideoEx(0, 0, 0, 10, 10); }, -2},
    {"omb_CaptureVideoEx(x INT_MAX), no grabber", OpenMode_VideoRenderer, false,
     [](omb_handle dc) { return omb_CaptureVideoEx(dc, INT_MAX, 0, 10, 10); }, -2},
    {"omb_CaptureVideoEx(foreign DC), grabber", OpenMode_DefaultRenderers, true,
     [](omb_handle) { return omb_CaptureVideoEx(kForeign, 0, 0, 10, 10); }, -8},
    {"omb_CaptureVideoEx(x INT_MAX), grabber", OpenMode_DefaultRenderers, true,
     [](omb_handle dc) { return omb_CaptureVideoEx(dc, INT_MAX, 0, 10, 10); }, -8},
    // No mixing renderer: -2 before the DC is judged.
    {"omb_VMRMixImage(foreign DC), Video Renderer", OpenMode_VideoRenderer, false,
     [](omb_handle) { return mixInto(kForeign); }, -2},
    {"omb_VMRMixImage(foreign DC), Null Renderer", OpenMode_NullVideo, false,
     [](omb_handle) { return mixInto(kForeign); }, -2},
    {"omb_VMRMixImage(foreign DC), VMR-7", OpenMode_Vmr7, false, [](omb_handle) { return mixInto(kForeign); }, -8},
    {"omb_VMRMixImage(foreign DC), VMR-9", OpenMode_Vmr9, false, [](omb_handle) { return mixInto(kForeign); }, -8},
};

} // namespace

TEST_CASE("state codes come before the door, and nothing reaches the platform on either")
{
    HDC dc = CreateCompatibleDC(nullptr);
    REQUIRE(dc != nullptr);
    for (const OrderCase& c : kOrderCases) {
        const std::string call = c.call;
        CAPTURE(call);
        FakePlayer fixture;
        fixture.world.realHandles = true;
        omb_UseCaptureVideoEx(c.grabber ? 1 : 0);
        if (c.mode != kClosed) {
            REQUIRE(omb_Open("C:\\media\\clip.avi", c.mode, 0, 1, 1) == 0);
            REQUIRE((fixture.p.sampleGrabber != nullptr) == c.grabber);
        }
        fixture.world.clearLog();
        CHECK(c.run(reinterpret_cast<omb_handle>(dc)) == c.expected);
        CHECK(fixture.world.log.empty());
    }
    DeleteDC(dc);
}
