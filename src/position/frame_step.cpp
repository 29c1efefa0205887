// Frame stepping through the graph's IVideoFrameStep. The graph reports the
// end of a step with the event EC_STEP_COMPLETE (36) on its notification
// route; nothing here waits for it.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/ids.h"
#include "player/player.h"

namespace ombrix {
namespace {

// Fills the call-scoped slot: 0, or the code for why there is no stepping
// interface.
int askForFrameStep(Player& p)
{
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    return queryGraph(p, ids::IID_IVideoFrameStep, p.frameStep, OMB_E_NO_FRAME_STEP);
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" int OMBRIX_CALL omb_SetFrameStep(int frames) noexcept
{
    Player& p = player();
    CallScoped<IVideoFrameStep> step(p.frameStep);
    if (int code = askForFrameStep(p))
        return code;
    // The count's 32 bits are passed unchanged: -1 asks for 4294967295 frames.
    return step->Step(static_cast<DWORD>(frames), nullptr);
}

extern "C" int OMBRIX_CALL omb_CanselFrameStep(void) noexcept
{
    Player& p = player();
    CallScoped<IVideoFrameStep> step(p.frameStep);
    if (int code = askForFrameStep(p))
        return code;
    return step->CancelStep();
}

extern "C" int OMBRIX_CALL omb_CanFrameStep(int multiple) noexcept
{
    Player& p = player();
    CallScoped<IVideoFrameStep> step(p.frameStep);
    if (int code = askForFrameStep(p))
        return code;
    // Only S_OK means yes; S_FALSE and every failure mean no. A yes returns
    // the argument itself, so CanFrameStep(-1) answers yes with -1.
    return step->CanStep(multiple, nullptr) == S_OK ? multiple : OMB_E_NO_FRAME_STEP;
}
