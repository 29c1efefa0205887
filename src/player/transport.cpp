// Transport and teardown of the open graph: placing the video and running,
// stopping, state, graph events, and releasing everything.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/ids.h"
#include "platform/media_foundation.h"
#include "player/arguments.h"
#include "player/player.h"
#include "player/window_placement.h"

using namespace ombrix;

namespace {

// GetState waits for a pending transition; a filter that never finishes one
// must not hang the host, so the wait is bounded.
constexpr LONG kStateWait = 10000;

int placeEvrVideo(Player& p, HWND window, int left, int top, int width, int height)
{
    if (!platform::mediaFoundationPresent())
        return OMB_E_NO_MEDIA_FOUNDATION;
    CallScoped<IMFVideoDisplayControl> display(p.displayControl);
    if (platform::getService(p.evrFilter.Get(), ids::MR_VIDEO_RENDER_SERVICE, ids::IID_IMFVideoDisplayControl,
                             reinterpret_cast<void**>(p.displayControl.ReleaseAndGetAddressOf())) != S_OK ||
        !display)
        return OMB_E_NO_DISPLAY_CONTROL;
    display->SetVideoWindow(window);
    const MFVideoNormalizedRect whole{0.0f, 0.0f, 1.0f, 1.0f};
    RECT destination{left, top, left + width, top + height};
    display->SetVideoPosition(&whole, &destination);
    return 0;
}

} // namespace

extern "C" {

int OMBRIX_CALL omb_Play(omb_handle window, int left, int top, int width, int height) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    // Modes 5 and 6 do no window work: their window arguments reach nothing.
    const bool placesVideo = p.openMode <= OpenMode_Evr;
    if (placesVideo && (!arguments::windowOrNull(window) || !arguments::placementFits(left, top, width, height)))
        return OMB_E_REFUSED;
    HWND owner = reinterpret_cast<HWND>(window);
    if (p.openMode <= OpenMode_Vmr9) {
        placeVideoWindow(p, owner, left, top, width, height);
    } else if (p.openMode == OpenMode_Evr) {
        int placed = placeEvrVideo(p, owner, left, top, width, height);
        if (placed != 0)
            return placed;
    }
    p.gate.allowRestarts();
    p.mediaControl->Run();
    p.playState = PlayState_Started;
    return 0;
}

int OMBRIX_CALL omb_Play2(void) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    p.gate.allowRestarts();
    p.mediaControl->Run();
    return 0;
}

int OMBRIX_CALL omb_Stop(void) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    // From here the worker restarts nothing, not even for an end of the
    // media that was queued before; a restart already under way finishes
    // first, so that it cannot land after the Stop. Messages handled during
    // that wait may have closed the graph, or closed it and opened another:
    // neither is stopped. A restart still inside the graph when the wait
    // runs out gets the Stop from the worker as its Run returns: one from
    // here would wait for that Run.
    switch (p.gate.stopRestarts(p)) {
    case WorkerGate::StopTurn::Gone:
        return 0;
    case WorkerGate::StopTurn::Mine:
        p.mediaControl->Stop();
        break;
    case WorkerGate::StopTurn::Worker:
        break;
    }
    p.playState = PlayState_Open;
    return 0;
}

int OMBRIX_CALL omb_GetState(void) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    OAFilterState state = -1;
    HRESULT hr = p.mediaControl->GetState(kStateWait, &state);
    if (FAILED(hr) || state < State_Stopped || state > State_Running)
        return OMB_E_NO_STATE;
    return static_cast<int>(state);
}

int OMBRIX_CALL omb_SetEvHWND(omb_handle window) noexcept
{
    Player& p = player();
    if (!p.graph)
        return OMB_E_NOT_OPEN;
    if (!arguments::windowOrNull(window))
        return OMB_E_REFUSED;
    ComPtr<IMediaEventEx> events;
    if (!platform::obtain(p.graph.Get(), ids::IID_IMediaEventEx, events))
        return OMB_E_NO_EVENT_INTERFACE;
    // The worker window is given the graph's epoch with each notification,
    // so that it can tell a message of a graph closed since; any other
    // window gets lParam 0.
    HWND target = reinterpret_cast<HWND>(window);
    const HWND worker = workerThread().threadWindow;
    const LONG_PTR tag = target && target == worker ? p.gate.eventTag() : 0;
    events->SetNotifyWindow(static_cast<OAHWND>(window), graphEventMessage(p.index), tag);
    // A second call replaces the interface the first one left; the old
    // reference goes here, outside the gate's lock.
    p.gate.replaceEvents(p, events, target);
    return 0;
}

int OMBRIX_CALL omb_GetStopped(void) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (!p.mediaEvent)
        return 0;
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    if (p.mediaEvent->GetEvent(&code, &param1, &param2, 0) != S_OK)
        return OMB_E_NO_EVENT;
    p.mediaEvent->FreeEventParams(code, param1, param2);
    return static_cast<int>(code);
}

int OMBRIX_CALL omb_Close(void) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    tearDownGraph(p);
    return 0;
}

} // extern "C"
