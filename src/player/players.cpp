// Player selection: which of the players the other exports act on.
#include "ombrix.h"

#include "player/player.h"

extern "C" {

int OMBRIX_CALL omb_SelectPlayer(int n) noexcept
{
    return ombrix::selectPlayer(n) ? OMB_OK : OMB_E_NO_SUCH_PLAYER;
}

int OMBRIX_CALL omb_GetPlayer(void) noexcept { return ombrix::currentPlayer(); }

int OMBRIX_CALL omb_GetPlayerCount(void) noexcept { return ombrix::kPlayers; }

} // extern "C"
