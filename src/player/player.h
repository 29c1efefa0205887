// The one process-wide record of player state.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <evr.h>
#include <d3d9.h>
#include <vmr9.h>

#include <cstdint>

#include "ombrix.h"
#include "platform/com.h"
#include "platform/fpu.h"
#include "platform/media_type.h"

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

// References the worker thread holds to the graph while it handles one event.
struct WorkerRefs {
    ComPtr<IMediaEventEx> events;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
};

// Every interface field owns one reference while it is non-null, except the
// call-scoped slots, which an export fills at its start and empties before it
// returns, and activeRenderer, which only borrows.
struct Player {
    HINSTANCE moduleHandle = nullptr;
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
    HWND hostWindow = nullptr;
    HWND threadWindow = nullptr;
    int playState = PlayState_Closed;
    int openMode = 0;
    int forwardEvents = 0;
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
    int threadStarted = 0;

    // Held for the open graph so that cheap exports make one platform call;
    // released by omb_Close and a failed omb_Open (releaseGraphCaches).
    ComPtr<IMediaPosition> heldPosition;
    FrameBuffer frameBuffer;
    // grabberMediaType, as the last grab read it, describes a frame that can
    // be drawn; every grab reads the whole type again.
    bool grabberTypeCurrent = false;

    // Guards the interface fields that the worker thread reads (graph,
    // mediaControl, mediaEvent) against their release on the host's thread,
    // and the worker coordination below. Held only to copy or swap pointers
    // and flags, never across a platform call or SendMessage.
    SRWLOCK fieldLock = SRWLOCK_INIT;
    // Worker coordination, all under fieldLock. The worker acts on the graph
    // of the epoch it copied its references in, and only while that epoch
    // is current; the host's thread waits (bounded) for it before it
    // releases a withdrawn graph, so the last reference always goes there.
    unsigned graphEpoch = 0;     // changes when a graph is published or withdrawn
    unsigned runEpoch = 0;       // also changes at every omb_Stop
    bool stopRequested = false;  // omb_Stop was the host's last transport call
    bool workerHolds = false;    // the worker holds references of its own
    bool restartInFlight = false; // the worker is repositioning and running the graph
    static constexpr int kParkSlots = 4;
    WorkerRefs parked[kParkSlots]; // given back by the worker after a withdrawal

    bool isOpen() const { return playState >= PlayState_Open; }
};

// The process's Player. It is never destroyed: the library releases nothing
// at unload, when COM may already be gone.
Player& player();

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

// Holds Player::fieldLock for one scope, exclusively (host's thread, when it
// publishes or detaches fields) or shared (worker thread, when it copies them).
class FieldLock {
public:
    enum Mode { Exclusive, Shared };
    explicit FieldLock(Player& p, Mode mode = Exclusive) : lock_(p.fieldLock), mode_(mode)
    {
        if (mode_ == Exclusive)
            AcquireSRWLockExclusive(&lock_);
        else
            AcquireSRWLockShared(&lock_);
    }
    ~FieldLock()
    {
        if (mode_ == Exclusive)
            ReleaseSRWLockExclusive(&lock_);
        else
            ReleaseSRWLockShared(&lock_);
    }
    FieldLock(const FieldLock&) = delete;
    FieldLock& operator=(const FieldLock&) = delete;

private:
    SRWLOCK& lock_;
    Mode mode_;
};

// The interfaces of one graph outside the Player: while omb_Open builds it
// (they are published only when the open succeeds) and while it is torn
// down. The names are those of the Player's fields.
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
};

// Hands a built graph to the Player (playState 1).
void publishGraph(Player& p, OpenGraph& built);

// The one teardown of a graph: the Sample Grabber (and its media type's
// format block), event notification off and the event interface, then
// mediaControl, the audio renderer, the mode's video renderer, the source,
// the capture builder and last the graph. A failed omb_Open releases what it
// built through it; omb_Close through tearDownGraph.
void releaseGraph(Player& p, OpenGraph& parts);

// omb_Close's teardown: withdraws the graph from the Player (playState 0),
// waits (bounded) until the worker thread holds none of it, and releases it
// on the calling thread through releaseGraph.
void tearDownGraph(Player& p);

// References the worker gave back after the graph was withdrawn while it
// used them (a wait that ran out); released on the calling thread.
void releaseParkedRefs(Player& p);

// Waits, dispatching messages sent to this thread, until busy(p) is false
// under the lock or the time is up; false when it is.
bool waitWhileWorker(Player& p, bool (*busy)(const Player&), DWORD milliseconds);

// How long the host's thread waits for the worker to finish with the graph.
constexpr DWORD kWorkerWait = 5000;

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
    platform::PlatformFpu fpu;
    request(position);
    return OMB_OK;
}

// Releases what is held for the open graph only to make calls cheap: the
// held interfaces and the frame buffer.
void releaseGraphCaches(Player& p);

} // namespace ombrix
