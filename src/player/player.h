// The one process-wide record of player state.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <evr.h>
#include <d3d9.h>
#include <vmr9.h>

#include <cstdint>
#include <utility>

#include "ombrix.h"
#include "platform/com.h"
#include "platform/fpu.h"
#include "platform/media_type.h"
#include "player/worker_gate.h"

namespace ombrix {

// One heap block for video frames, kept while a graph is open so that
// repeated grabs of the same size allocate nothing. It grows when a frame
// needs more and is never zero-filled: every byte that is read from it was
// written by the platform first.
class FrameBuffer {
public:
    FrameBuffer() = default;
    ~FrameBuffer() { release(); }
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    // A block of at least size bytes, or null when it cannot be had (the
    // block held before is then kept).
    BYTE* reserve(std::uint64_t size);
    void release();
    void swap(FrameBuffer& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(capacity_, other.capacity_);
    }
    BYTE* data() const { return data_; }
    std::uint64_t capacity() const { return capacity_; }

private:
    BYTE* data_ = nullptr;
    std::uint64_t capacity_ = 0;
};

// Whether a graph is open, and whether omb_Play started it.
enum PlayState : int {
    PlayState_Closed = 0,
    PlayState_Open = 1,
    PlayState_Started = 2,
};

// One player: a graph with everything the exports keep for it. Every
// interface field owns one reference while it is non-null, except the
// call-scoped slots, which an export fills at its start and empties before it
// returns, and activeRenderer, which only borrows.
struct Player {
    explicit Player(int slot) : index(slot) {}
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    const int index; // its number, 0 to kPlayers - 1
    ComPtr<IMFVideoDisplayControl> displayControl;   // call-scoped
    platform::MediaType grabberMediaType;
    ComPtr<IBaseFilter> sourceFilter;
    ComPtr<IBaseFilter> propertyFilter;              // call-scoped
    ComPtr<IMediaEventEx> mediaEvent;
    ComPtr<IVideoWindow> videoWindow;                // call-scoped
    ComPtr<ICaptureGraphBuilder2> captureBuilder;
    ComPtr<IVideoFrameStep> frameStep;               // call-scoped
    ComPtr<IMediaSeeking> mediaSeeking;              // call-scoped
    ComPtr<IMediaControl> mediaControl;
    ComPtr<IGraphBuilder> graph;
    int playState = PlayState_Closed;
    int openMode = 0;
    int useGrabber = 0;
    ComPtr<IBaseFilter> videoRenderer;
    ComPtr<IBaseFilter> vmr9Filter;
    ComPtr<IBaseFilter> vmr7Filter;
    ComPtr<IBaseFilter> evrFilter;
    ComPtr<IBaseFilter> audioRenderer;
    ComPtr<IBaseFilter> nullRenderer;
    IBaseFilter* activeRenderer = nullptr;           // call-scoped, borrowed
    ComPtr<IBaseFilter> grabberFilter;
    ComPtr<ISampleGrabber> sampleGrabber;

    // Kept for the open graph only so that cheap exports make one platform
    // call; published and withdrawn with the graph (OpenGraph).
    ComPtr<IMediaPosition> heldPosition;
    FrameBuffer frameBuffer;

    // Coordination with the worker thread.
    WorkerGate gate;

    bool isOpen() const { return playState >= PlayState_Open; }
};

// The players. They are never destroyed: the library releases nothing at
// unload, when COM may already be gone.
constexpr int kPlayers = OMB_PLAYERS;
Player& playerAt(int index);

// The current player, on which every player export acts (omb_SelectPlayer;
// the first one at load). Chosen and read on the host's thread only.
Player& player();
int currentPlayer();
bool selectPlayer(int index);

// What all players share: the worker thread and its window, and where it
// forwards graph events.
struct WorkerThread {
    HINSTANCE moduleHandle = nullptr;
    HWND hostWindow = nullptr;
    HWND threadWindow = nullptr;
    int forwardEvents = 0;
    int threadStarted = 0;
};
WorkerThread& workerThread();

// The graph-event message of a player: what its graph posts to the window of
// omb_SetEvHWND, and what the worker forwards its events with.
constexpr UINT graphEventMessage(int index) { return OMB_WM_GRAPHEVENT + static_cast<UINT>(index); }

// Queries the open graph for iid into out (a call-scoped slot or a local):
// 0; OMB_E_NOT_OPEN when no graph is open; or `missing` when the graph does
// not offer the interface.
template <class T>
int queryGraph(Player& p, REFIID iid, ComPtr<T>& out, int missing)
{
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    return platform::obtain(p.graph.Get(), iid, out) ? 0 : missing;
}

// Empties a call-scoped slot when the export that filled it returns, on
// every path.
template <class T>
class CallScoped {
public:
    explicit CallScoped(ComPtr<T>& slot) : slot_(slot) {}
    ~CallScoped() { slot_.Reset(); }
    CallScoped(const CallScoped&) = delete;
    CallScoped& operator=(const CallScoped&) = delete;
    T* operator->() const { return slot_.Get(); }
    T* get() const { return slot_.Get(); }
    explicit operator bool() const { return slot_ != nullptr; }

private:
    ComPtr<T>& slot_;
};

// Everything of one graph outside the Player: while omb_Open builds it (it
// is published only when the open succeeds) and while it is torn down. The
// names are those of the Player's fields.
struct OpenGraph {
    ComPtr<ISampleGrabber> sampleGrabber;
    ComPtr<IBaseFilter> grabberFilter;
    ComPtr<IMediaEventEx> mediaEvent;
    ComPtr<IMediaControl> mediaControl;
    ComPtr<IBaseFilter> audioRenderer;
    ComPtr<IBaseFilter> videoRenderer;
    ComPtr<IBaseFilter> vmr7Filter;
    ComPtr<IBaseFilter> vmr9Filter;
    ComPtr<IBaseFilter> evrFilter;
    ComPtr<IBaseFilter> nullRenderer;
    ComPtr<IBaseFilter> sourceFilter;
    ComPtr<ICaptureGraphBuilder2> captureBuilder;
    ComPtr<IGraphBuilder> graph;
    // What is kept for the graph besides its interfaces.
    platform::MediaType grabberMediaType;
    ComPtr<IMediaPosition> heldPosition;
    FrameBuffer frameBuffer;
};

// Exchanges every per-graph field between the Player and g (the worker gate
// calls it under its lock).
void exchangeGraph(Player& p, OpenGraph& g);

// The one teardown of a graph outside the Player: the Sample Grabber (and
// its media type's format block), event notification off and the event
// interface, then mediaControl, the audio renderer, the mode's video
// renderer, the source, the capture builder and last the graph, and what was
// kept for it. A failed omb_Open releases what it built through it; omb_Close
// through tearDownGraph.
void releaseGraph(OpenGraph& parts);

// omb_Close's teardown: the worker gate withdraws the graph (playState 0) and
// waits for the worker; the graph is released on the calling thread.
void tearDownGraph(Player& p);

// Asks the graph for IMediaPosition into Player::heldPosition.
void obtainHeldPosition(Player& p);

// The graph's IMediaPosition, obtained at the first use and held until the
// graph is released; null when the graph has none.
inline IMediaPosition* heldPosition(Player& p)
{
    if (!p.heldPosition)
        obtainHeldPosition(p);
    return p.heldPosition.Get();
}

// Makes one request of the held IMediaPosition (a put_ call whose answer the
// host reads back instead): 0 once asked; OMB_E_NOT_OPEN; OMB_E_REFUSED when
// the argument was refused; OMB_E_NO_POSITION when the graph has none.
template <class Request>
int requestPosition(Player& p, bool argumentFits, Request request)
{
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (!argumentFits)
        return OMB_E_REFUSED;
    IMediaPosition* position = heldPosition(p);
    if (!position)
        return OMB_E_NO_POSITION;
    platform::PlatformTimeFpu fpu;
    request(position);
    return OMB_OK;
}

} // namespace ombrix
