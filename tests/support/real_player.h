// Shared set-up for end-to-end tests on the platform's real DirectShow.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "player_fixture.h"
#include "wine_media.h"

namespace testing {

// The Player starts and ends closed, with no grabber request.
struct RealPlayer {
    RealPlayer() : p(ombrix::player()), media(wineMedia()) { resetPlayer(); }
    ~RealPlayer() { resetPlayer(); }
    ombrix::Player& p;
    const WineMedia& media;
};

inline int count(const std::vector<std::string>& names, const std::string& name)
{
    return static_cast<int>(std::count(names.begin(), names.end(), name));
}

} // namespace testing
