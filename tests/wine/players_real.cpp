// Two players at once on the platform's real DirectShow: independent
// positions, seeks, frames and closes, and one worker repeating both and
// telling their ends apart.
#include <doctest.h>

#include <windows.h>

#include <string>

#include "canvas.h"
#include "host_window.h"
#include "media.h"
#include "ombrix.h"
#include "platform_gaps.h"
#include "real_player.h"

using testing::Canvas;
using testing::HostWindow;
using testing::pumpUntil;
using testing::RealPlayer;

namespace {

omb_handle handle(HWND window) { return reinterpret_cast<omb_handle>(window); }

// Player 1's clip: larger than the shared 64x48 ones and 4 s long, so that
// its frames and duration are its own.
const std::string& largeClip()
{
    static const std::string path = [] {
        std::string p = testing::wineMedia().dir + "large.avi";
        media::Clip clip;
        clip.width = 96;
        clip.height = 72;
        clip.frames = 100;
        media::writeAvi(p, clip);
        return p;
    }();
    return path;
}

double positionOf(int n)
{
    omb_SelectPlayer(n);
    return omb_GetNowPlayTime();
}

} // namespace

TEST_CASE_FIXTURE(RealPlayer, "players: two clips play at once and keep positions, seeks, frames and closes apart")
{
    HostWindow host;
    const char* clips[2] = {media.longVideo.c_str(), largeClip().c_str()};
    // Through DirectShow's sources, and through two of the library's Media
    // Foundation sources (where the platform's reader converts the AVIs).
    for (int policy : {OMB_SOURCE_DIRECTSHOW_THEN_MF, OMB_SOURCE_MF_FIRST}) {
        CAPTURE(policy);
        for (int n : {0, 1}) {
            REQUIRE(omb_SelectPlayer(n) == 0);
            REQUIRE(omb_SetSourcePolicy(policy) == 0);
            REQUIRE(omb_UseCaptureVideoEx(1) == 0);
            REQUIRE(omb_Open(clips[n], OpenMode_DefaultRenderers, 0, 0, 0) == 0);
            CHECK(omb_GetSource() ==
                  (policy == OMB_SOURCE_MF_FIRST && !testing::has(testing::Gap::NoMediaFoundationSource) ? 1 : 0));
            REQUIRE(omb_SetCaptureBufferSamples(1) == 0);
            REQUIRE(omb_Play(handle(host.hwnd()), n * 100, 0, 96, 72) == 0);
        }
        omb_SelectPlayer(0);
        CHECK(omb_GetAllPlayTime() == doctest::Approx(10.0));
        CHECK(omb_Info(0) == 64);
        omb_SelectPlayer(1);
        CHECK(omb_GetAllPlayTime() == doctest::Approx(4.0));
        CHECK(omb_Info(0) == 96);
        REQUIRE(pumpUntil([] { return positionOf(0) > 0.3 && positionOf(1) > 0.3; }, 10000));

        // A seek in player 1 leaves player 0 where it was: player 0 moves on by
        // no more than the time that passed (a slow platform takes seconds to
        // show player 1's new position), far from the 3 s a misdirected seek
        // would add.
        const double from = positionOf(0);
        const ULONGLONG seekAt = GetTickCount64();
        omb_SelectPlayer(1);
        REQUIRE(omb_SetSeek(3.0) == 0);
        CHECK(pumpUntil([] { return positionOf(1) >= 3.0; }, 5000));
        const double passed = static_cast<double>(GetTickCount64() - seekAt) / 1000.0;
        CHECK(positionOf(0) < from + passed + 0.5);

        // Each grab draws its own player's frame: 64x48 or 96x72 pixels.
        for (int n : {0, 1}) {
            CAPTURE(n);
            Canvas canvas(100, 80);
            omb_SelectPlayer(n);
            REQUIRE(pumpUntil([&] { return omb_CaptureVideoEx(canvas.handle(), 0, 0, 100, 80) == 0; }, 5000));
            CHECK_FALSE(canvas.untouched(10, 10));
            CHECK(canvas.untouched(80, 60) == (n == 0));
        }

        // Closing player 1 leaves player 0 playing.
        omb_SelectPlayer(1);
        REQUIRE(omb_Close() == 0);
        CHECK(omb_GetState() == OMB_E_NOT_OPEN);
        omb_SelectPlayer(0);
        CHECK(omb_GetState() == 2);
        const double before = omb_GetNowPlayTime();
        CHECK(pumpUntil([&] { return omb_GetNowPlayTime() > before + 0.2; }, 5000));
        CHECK(omb_Close() == 0);
    }
}

TEST_CASE_FIXTURE(RealPlayer, "players: one worker repeats both clips and forwards each player's end under its message")
{
    HostWindow host;
    const omb_handle worker = omb_CreateThread(handle(host.hwnd()), 1);
    REQUIRE(worker > 0);
    for (int n : {0, 1}) {
        REQUIRE(omb_SelectPlayer(n) == 0);
        REQUIRE(omb_Open(media.video.c_str(), OpenMode_VideoRenderer, 0, 0, 0) == 0);
        REQUIRE(omb_SetEvHWND(worker) == 0);
        REQUIRE(omb_Play(handle(host.hwnd()), n * 70, 0, 64, 48) == 0);
    }
    auto ends = [&](UINT message) { return host.ends(message).size(); };
    // Each 2 s clip ends, is restarted, and ends again.
    CHECK(pumpUntil([&] { return ends(OMB_WM_GRAPHEVENT) >= 2 && ends(OMB_WM_PLAYEREVENT(1)) >= 2; }, 15000));
    for (const auto& e : host.events) {
        CHECK(e.thread == GetCurrentThreadId());
        CHECK((e.message == OMB_WM_GRAPHEVENT || e.message == OMB_WM_PLAYEREVENT(1)));
    }

    // Closing player 0 leaves player 1 repeating.
    omb_SelectPlayer(0);
    REQUIRE(omb_Close() == 0);
    const int heard = ends(OMB_WM_PLAYEREVENT(1));
    const int heard0 = ends(OMB_WM_GRAPHEVENT);
    CHECK(pumpUntil([&] { return ends(OMB_WM_PLAYEREVENT(1)) > heard; }, 6000));
    CHECK(ends(OMB_WM_GRAPHEVENT) == heard0);
    omb_SelectPlayer(1);
    CHECK(omb_GetState() == 2);
    CHECK(omb_Close() == 0);
    omb_SelectPlayer(0);
}
