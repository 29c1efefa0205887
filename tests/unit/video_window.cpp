// The video-window exports against a fake graph: the placement sequence,
// both selector tables, the colour split, full screen and cursor round
// trips, and what a host sees when the renderer gives no answer.
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

const HWND kOwner = reinterpret_cast<HWND>(0x1234);

struct OpenVideo : FakePlayer {
    explicit OpenVideo(int mode = OpenMode_VideoRenderer)
    {
        REQUIRE(omb_Open("C:\\media\\clip.avi", mode, 0, 0, 0) == 0);
        world.clearLog();
    }
    ~OpenVideo() { CHECK_FALSE(p.videoWindow); }
};

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "the video-window exports need an open graph")
{
    CHECK(omb_Resize(0, 0, 0, 320, 240) == -1);
    CHECK(omb_FullScreen(2) == -1);
    CHECK(omb_SetHideCursor(2) == -1);
    CHECK(omb_GetVideoSize(0) == -1);
    CHECK(omb_GetVideoWindow(7) == -1);
    CHECK(omb_SetVideoWindow(10, 320) == -1);
    CHECK(world.log.empty());
}

TEST_CASE("omb_Resize repeats the placement sequence in modes 0 to 3 and does nothing in 4 to 6")
{
    for (int mode = OpenMode_DefaultRenderers; mode <= OpenMode_NullVideo; ++mode) {
        CAPTURE(mode);
        OpenVideo open(mode);
        CHECK(omb_Resize(reinterpret_cast<omb_handle>(kOwner), 10, 20, 300, 200) == 0);
        CHECK(omb_SetHideCursor(0) == 0);
        if (mode <= OpenMode_Vmr9)
            CHECK(open.world.calls("graph.") == Lines{"graph.put_Owner(4660)", "graph.put_WindowStyle(1140850688)",
                                                      "graph.SetWindowPosition(10, 20, 300, 200)",
                                                      "graph.SetWindowForeground(-1)", "graph.put_Visible(-1)",
                                                      "graph.HideCursor(-1)"});
        else
            CHECK(open.world.log.empty());
    }
}

TEST_CASE_FIXTURE(OpenVideo, "the placement calls' results are not reported")
{
    world.failures[Call::graph_put_Owner] = E_NOINTERFACE;
    world.failures[Call::graph_SetWindowPosition] = E_NOINTERFACE;
    world.failures[Call::graph_HideCursor] = E_NOTIMPL;
    world.failures[Call::graph_put_FullScreenMode] = E_NOTIMPL;
    CHECK(omb_Resize(0, 0, 0, 1, 1) == 0);
    CHECK(world.calls("graph.put_Visible") == Lines{"graph.put_Visible(-1)"});
    CHECK(omb_SetHideCursor(0) == 0);
    CHECK(omb_FullScreen(1) == 0);
    CHECK(omb_FullScreen(2) == 0);
}

TEST_CASE_FIXTURE(OpenVideo, "the border colour is written whole and read back one component per selector")
{
    CHECK(omb_SetVideoWindow(2, 0x00336699) == 0);
    CHECK(world.calls("graph.put_BorderColor") == Lines{"graph.put_BorderColor(3368601)"});
    CHECK(omb_GetVideoWindow(2) == 153);
    CHECK(omb_GetVideoWindow(3) == 102);
    CHECK(omb_GetVideoWindow(4) == 51);
    CHECK(omb_SetVideoWindow(2, SetColorRef(255, 0, 128)) == 0);
    CHECK(omb_GetVideoWindow(2) == 255);
    CHECK(omb_GetVideoWindow(3) == 0);
    CHECK(omb_GetVideoWindow(4) == 128);
}

TEST_CASE_FIXTURE(OpenVideo, "each writing selector sets the property its reading selector reads")
{
    struct Pair {
        int write, read, value;
    };
    const Pair pairs[] = {{0, 0, OAFALSE}, {1, 1, OATRUE}, {4, 6, OATRUE}, {5, 7, 240},
                          {6, 8, 15},      {7, 9, 0x4321}, {8, 10, 25},    {9, 11, OATRUE}, {10, 12, 320}};
    for (const Pair& pair : pairs) {
        CAPTURE(pair.write);
        CHECK(omb_SetVideoWindow(pair.write, pair.value) == 0);
        CHECK(omb_GetVideoWindow(pair.read) == pair.value);
    }
    CHECK(omb_SetVideoWindow(11, OATRUE) == 0);
    CHECK(world.calls("graph.SetWindowForeground") == Lines{"graph.SetWindowForeground(-1)"});
    // The ideal sizes: width on odd selectors, height on even ones.
    CHECK(omb_GetVideoWindow(13) == 128);
    CHECK(omb_GetVideoWindow(14) == 96);
    CHECK(omb_GetVideoWindow(15) == 32);
    CHECK(omb_GetVideoWindow(16) == 24);
    CHECK(omb_GetVideoWindow(17) == OAFALSE);
}

TEST_CASE_FIXTURE(OpenVideo, "selectors outside the tables give -2 and touch no property")
{
    for (int selector : {5, 18, -1, 1000}) {
        CAPTURE(selector);
        CHECK(omb_GetVideoWindow(selector) == -2);
    }
    for (int selector : {3, 12, -1}) {
        CAPTURE(selector);
        CHECK(omb_SetVideoWindow(selector, 0) == -2);
    }
    CHECK(omb_FullScreen(7) == 0);
    CHECK(omb_SetHideCursor(7) == 0);
    CHECK(omb_GetVideoSize(2) == -2);
    CHECK(world.calls("graph.put_") == Lines{});
    CHECK(world.calls("graph.HideCursor") == Lines{});
}

TEST_CASE_FIXTURE(OpenVideo, "a setter's result comes back unchanged")
{
    world.failures[Call::graph_put_Width] = E_NOINTERFACE;
    CHECK(omb_SetVideoWindow(10, 320) == static_cast<int>(E_NOINTERFACE));
    world.failures[Call::graph_put_AutoShow] = S_FALSE;
    CHECK(omb_SetVideoWindow(0, 0) == S_FALSE);
}

TEST_CASE_FIXTURE(OpenVideo, "full screen and the cursor round trip, with their opposite senses")
{
    CHECK(omb_FullScreen(1) == 0);
    CHECK(omb_FullScreen(2) == -1);
    CHECK(omb_FullScreen(0) == 0);
    CHECK(omb_FullScreen(2) == 0);
    CHECK(omb_SetHideCursor(0) == 0);
    CHECK(omb_SetHideCursor(2) == -1);
    CHECK(omb_SetHideCursor(1) == 0);
    CHECK(omb_SetHideCursor(2) == 0);
    CHECK(world.calls("graph.put_FullScreenMode") ==
          Lines{"graph.put_FullScreenMode(-1)", "graph.put_FullScreenMode(0)"});
    CHECK(world.calls("graph.HideCursor") == Lines{"graph.HideCursor(-1)", "graph.HideCursor(0)"});
}

TEST_CASE_FIXTURE(OpenVideo, "a getter that fails or writes nothing gives -3, except the full-screen question")
{
    world.failures[Call::graph_get_Height] = E_NOINTERFACE;
    CHECK(omb_GetVideoWindow(7) == -3);
    world.writesNothing.insert(Call::graph_get_BorderColor);
    CHECK(omb_GetVideoWindow(2) == -3);
    CHECK(omb_GetVideoWindow(4) == -3);
    world.writesNothing.insert(Call::graph_IsCursorHidden);
    CHECK(omb_SetHideCursor(2) == -3);
    CHECK(omb_GetVideoWindow(17) == -3);
    world.failures[Call::graph_get_Owner] = E_NOINTERFACE;
    CHECK(omb_GetVideoWindow(9) == -3);
    world.failures[Call::graph_GetMinIdealImageSize] = E_NOTIMPL;
    CHECK(omb_GetVideoWindow(16) == -3);
    // No answer reads as "not full screen".
    world.writesNothing.insert(Call::graph_get_FullScreenMode);
    CHECK(omb_FullScreen(1) == 0);
    CHECK(omb_FullScreen(2) == 0);
    world.failures[Call::graph_get_VideoWidth] = E_NOINTERFACE;
    CHECK(omb_GetVideoSize(0) == -3);
}

TEST_CASE_FIXTURE(OpenVideo, "omb_GetVideoSize gives the native size whatever the window's size")
{
    world.graph()->videoWidth = 640;
    world.graph()->videoHeight = 480;
    CHECK(omb_SetVideoWindow(10, 100) == 0);
    CHECK(omb_GetVideoSize(0) == 640);
    CHECK(omb_GetVideoSize(1) == 480);
}

TEST_CASE_FIXTURE(OpenVideo, "a graph without the window interfaces gives -3 and is not called")
{
    world.lacking[fakes::Fake::graph] = {ombrix::ids::IID_IVideoWindow, ombrix::ids::IID_IBasicVideo};
    CHECK(omb_Resize(0, 0, 0, 1, 1) == -3);
    CHECK(omb_FullScreen(2) == -3);
    CHECK(omb_SetHideCursor(0) == -3);
    CHECK(omb_GetVideoWindow(7) == -3);
    CHECK(omb_GetVideoWindow(5) == -2);
    CHECK(omb_SetVideoWindow(10, 1) == -3);
    CHECK(omb_GetVideoSize(0) == -3);
    CHECK(world.log.empty());
}
