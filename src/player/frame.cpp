// Library frame: version probes and COM initialisation of the host's thread.
#include "ombrix.h"

#include <windows.h>

#include "player/player.h"

extern "C" {

double OMBRIX_CALL omb_t(void) noexcept { return 1.0; }

int OMBRIX_CALL omb_Version(void) noexcept { return 101; }

int OMBRIX_CALL omb_BuildVersion(void) noexcept { return 20090917; }

int OMBRIX_CALL omb_Init(void) noexcept
{
    // S_FALSE (already initialised) and RPC_E_CHANGED_MODE leave the host's
    // own initialisation in place; either way the thread can use COM.
    CoInitialize(nullptr);
    return 0;
}

int OMBRIX_CALL omb_Exit(void) noexcept
{
    // Every graph this thread opened goes while its COM is still up, as
    // omb_Close would let it go, so that no restart timer or queued graph
    // event of the worker reaches it afterwards; references the worker gave
    // back late go too, and any it still holds are disowned. Graphs of other
    // threads live in their apartments and stay.
    const DWORD self = GetCurrentThreadId();
    for (int i = 0; i < ombrix::kPlayers; ++i) {
        ombrix::Player& p = ombrix::playerAt(i);
        if (p.gate.openedBy() != self)
            continue;
        if (p.isOpen())
            ombrix::tearDownGraph(p);
        p.gate.disown();
    }
    CoUninitialize();
    return 0;
}

} // extern "C"
