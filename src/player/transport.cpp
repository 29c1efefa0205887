// Transport and teardown of the open graph.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/ids.h"
#include "player/player.h"

using namespace ombrix;

extern "C" int OMBRIX_CALL omb_Close(void)
{
    Player& p = player();
    if (!p.isOpen())
        return -1;

    {
        CallScoped<IVideoWindow> window(p.videoWindow);
        // Modes without a video window fail the query or the call; both are fine.
        if (SUCCEEDED(platform::query(p.graph.Get(), ids::IID_IVideoWindow, p.videoWindow)) && window)
            window->put_Visible(OAFALSE);
    }

    releaseGrabber(p);

    // Detach what the worker thread may be using; the releases happen
    // outside the lock, in teardown order.
    ComPtr<IMediaEventEx> events;
    ComPtr<IMediaControl> control;
    ComPtr<IGraphBuilder> graph;
    {
        FieldLock lock(p);
        events.Swap(p.mediaEvent);
        control.Swap(p.mediaControl);
        graph.Swap(p.graph);
    }
    if (events) {
        events->SetNotifyWindow(0, 0, 0);
        events.Reset();
    }
    control.Reset();
    // Mode 0 holds none of these; the other modes hold one video renderer.
    p.audioRenderer.Reset();
    p.videoRenderer.Reset();
    p.vmr7Filter.Reset();
    p.vmr9Filter.Reset();
    p.evrFilter.Reset();
    p.nullRenderer.Reset();
    p.sourceFilter.Reset();
    p.captureBuilder.Reset();
    graph.Reset();
    p.playState = PlayState_Closed;
    return 0;
}
