// Two players against one worker on Wine's real DirectShow: player 0 opens,
// plays and closes a clip of a few frames round after round while player 1
// repeats its own, closed and reopened now and then.
#include <doctest.h>

#include <windows.h>

#include "child_process.h"
#include "host_window.h"
#include "ombrix.h"
#include "platform_gaps.h"
#include "real_player.h"

using testing::HostWindow;
using testing::RealPlayer;

namespace {

constexpr int kRounds = 150;

omb_handle handle(HWND window) { return reinterpret_cast<omb_handle>(window); }

void openAndPlay(int n, omb_handle worker, HWND host)
{
    REQUIRE(omb_SelectPlayer(n) == 0);
    REQUIRE(omb_Open(testing::wineMedia().shortVideo.c_str(), OpenMode_VideoRenderer, 0, 0, 0) == 0);
    REQUIRE(omb_SetEvHWND(worker) == 0);
    REQUIRE(omb_Play(handle(host), n * 70, 0, 64, 48) == 0);
}

} // namespace

TEST_CASE("players stress: open, play and close rounds on two players against the repeat")
{
    // In a child: the platform may crash at the exit of a process that made
    // this many graphs (the gap table).
    testing::checkChildCase("players_stress.cpp", "players stress child", 280000,
                            testing::Gap::ExitCrashAfterManyGraphs);
}

DOCTEST_TEST_CASE_FIXTURE(RealPlayer, "players stress child: rounds" * doctest::skip())
{
    HostWindow host;
    const omb_handle worker = omb_CreateThread(handle(host.hwnd()), 1);
    REQUIRE(worker > 0);
    openAndPlay(1, worker, host.hwnd());
    const ULONGLONG start = GetTickCount64();
    for (int round = 0; round < kRounds; ++round) {
        CAPTURE(round);
        openAndPlay(0, worker, host.hwnd());
        // Closing 0 to 560 ms in: before, during and after ends and restarts.
        testing::pumpFor(static_cast<DWORD>(round % 8) * 80);
        if (round % 5 == 0)
            CHECK(omb_Stop() == 0);
        REQUIRE(omb_Close() == 0);
        if (round % 10 == 9) {
            REQUIRE(omb_SelectPlayer(1) == 0);
            REQUIRE(omb_Close() == 0);
            openAndPlay(1, worker, host.hwnd());
        }
    }
    MESSAGE(kRounds << " rounds in " << GetTickCount64() - start << " ms; ends heard: player 0 "
                    << host.ends(OMB_WM_GRAPHEVENT).size() << ", player 1 " << host.ends(OMB_WM_PLAYEREVENT(1)).size());
    CHECK(host.ends(OMB_WM_GRAPHEVENT).size() > 0);

    // Player 1 still repeats, and player 0 repeats again once reopened.
    const size_t heard = host.ends(OMB_WM_PLAYEREVENT(1)).size();
    CHECK(testing::pumpUntil([&] { return host.ends(OMB_WM_PLAYEREVENT(1)).size() >= heard + 3; }, 10000));
    host.events.clear();
    openAndPlay(0, worker, host.hwnd());
    CHECK(testing::pumpUntil([&] { return host.ends(OMB_WM_GRAPHEVENT).size() >= 3; }, 10000));
    for (int n : {0, 1}) {
        REQUIRE(omb_SelectPlayer(n) == 0);
        CHECK(omb_GetState() == 2);
        CHECK(omb_Close() == 0);
    }
    omb_SelectPlayer(0);
    CHECK(omb_GetThreadHWND() == worker);
}
