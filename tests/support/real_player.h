// Shared set-up for end-to-end tests on the platform's real DirectShow.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "host_window.h"
#include "player_fixture.h"
#include "wine_media.h"

namespace testing {

// The Player starts and ends closed, with no grabber request. Renderers that
// the library creates own windows on this thread, so the fixture pumps its
// messages as a host's message loop would.
struct RealPlayer {
    RealPlayer() : p((resetPlayer(), ombrix::playerAt(0))), media(wineMedia()) {}
    ~RealPlayer()
    {
        resetPlayer();
        pumpFor(20);
    }
    ombrix::Player& p;
    const WineMedia& media;
};

// The process's committed private memory (Wine leaves PrivateUsage 0 and
// reports it as PagefileUsage).
SIZE_T committedBytes();

// The threads of this process.
int threadCount();

// committedBytes() once no more than `threads` threads are left (at most
// 5 s later): the platform's media threads end a while after their graph
// is released, each with a committed stack, and more slowly under an
// emulator.
SIZE_T settledCommittedBytes(int threads);

inline int count(const std::vector<std::string>& names, const std::string& name)
{
    return static_cast<int>(std::count(names.begin(), names.end(), name));
}

} // namespace testing
