// The one process-wide record of player state.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <evr.h>
#include <d3d9.h>
#include <vmr9.h>

#include <atomic>
#include <cstdint>
#include <utility>

#include "ombrix.h"
#include "platform/com.h"
#include "platform/fpu.h"
#include "platform/media_type.h"
#include "platform/thread.h"
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
    // Moves exchange the blocks (what a graph part's swap needs).
    FrameBuffer(FrameBuffer&& other) noexcept { swap(other); }
    FrameBuffer& operator=(FrameBuffer&& other) noexcept
    {
        swap(other);
        return *this;
    }

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

// An interface a graph part owns. MinGW's ComPtr copies on move assignment
// (a reference taken, the source still holding); this one moves, so that
// exchanging two graph parts takes and gives back no reference.
template <class T>
class GraphRef : public ComPtr<T> {
public:
    GraphRef() = default;
    GraphRef(const GraphRef&) = delete;
    GraphRef& operator=(const GraphRef&) = delete;
    GraphRef(GraphRef&& other) noexcept : ComPtr<T>() { this->Swap(other); }
    GraphRef& operator=(GraphRef&& other) noexcept
    {
        GraphRef taken(std::move(other));
        this->Swap(taken);
        return *this;
    }
};

// Everything of one graph: the interfaces the exports keep for it and what
// is kept besides them. A Player holds one as its graph part; omb_Open
// builds one outside the Player (it is published only when the open
// succeeds) and omb_Close takes it out whole for the teardown. Publication
// and withdrawal swap the whole part, so a field added here can never stay
// behind in a closed player. The names are those of the Player's fields.
struct OpenGraph {
    OpenGraph() = default;
    OpenGraph(OpenGraph&&) noexcept = default;
    OpenGraph& operator=(OpenGraph&&) noexcept = default;

    platform::MediaType grabberMediaType;
    GraphRef<IBaseFilter> sourceFilter;
    bool mediaFoundationSource = false; // sourceFilter is the library's own
    GraphRef<IMediaEventEx> mediaEvent;
    GraphRef<ICaptureGraphBuilder2> captureBuilder;
    GraphRef<IMediaControl> mediaControl;
    GraphRef<IGraphBuilder> graph;
    GraphRef<IBaseFilter> videoRenderer;
    GraphRef<IBaseFilter> vmr9Filter;
    GraphRef<IBaseFilter> vmr7Filter;
    GraphRef<IBaseFilter> evrFilter;
    GraphRef<IBaseFilter> audioRenderer;
    GraphRef<IBaseFilter> nullRenderer;
    GraphRef<IBaseFilter> grabberFilter;
    GraphRef<ISampleGrabber> sampleGrabber;

    // Kept for the open graph only so that cheap exports make one platform
    // call.
    GraphRef<IMediaPosition> heldPosition;
    FrameBuffer frameBuffer;
};

// One player: its graph part with everything the exports keep for the
// graph, the call-scoped slots and its flags. Every interface field owns one
// reference while it is non-null, except the call-scoped slots, which an
// export fills at its start and empties before it returns, and
// activeRenderer, which only borrows.
struct Player : OpenGraph {
    explicit Player(int slot) : index(slot) {}
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    const int index; // its number, 0 to kPlayers - 1
    ComPtr<IMFVideoDisplayControl> displayControl;   // call-scoped
    ComPtr<IBaseFilter> propertyFilter;              // call-scoped
    ComPtr<IVideoWindow> videoWindow;                // call-scoped
    ComPtr<IVideoFrameStep> frameStep;               // call-scoped
    ComPtr<IMediaSeeking> mediaSeeking;              // call-scoped
    int playState = PlayState_Closed;
    int openMode = 0;
    int useGrabber = 0;
    int sourcePolicy = OMB_SOURCE_DIRECTSHOW_THEN_MF;
    IBaseFilter* activeRenderer = nullptr;           // call-scoped, borrowed

    // Coordination with the worker thread.
    WorkerGate gate;

    bool isOpen() const { return playState >= PlayState_Open; }
};

// The players. They are never destroyed: the library releases nothing at
// unload, when COM may already be gone.
constexpr int kPlayers = OMB_PLAYERS;
Player& playerAt(int index);

namespace detail {
// The players and each thread's selection, made together at the first call
// (not at load). The selection lives in a thread-local slot as the player's
// number; a thread that never selected reads 0, the first player. Where no
// slot can be had, one selection serves the whole process. Every export
// starts here, so once made the record is reached through one pointer,
// without a call or a lock.
struct Registry {
    explicit Registry(Player* players) : first(players) {}
    Player* const first;
    platform::ThreadValue selection;
    int shared = 0;

    int current() const { return selection.usable() ? static_cast<int>(selection.get()) : shared; }
};
extern std::atomic<Registry*> made;
Registry& makeRegistry();
inline Registry& registry()
{
    Registry* r = made.load(std::memory_order_acquire);
    return r ? *r : makeRegistry();
}
} // namespace detail

// The current player, on which every player export acts: each thread
// chooses its own (omb_SelectPlayer); a thread that never chose acts on the
// first one.
inline Player& player()
{
    detail::Registry& r = detail::registry();
    return r.first[r.current()];
}
int currentPlayer();
bool selectPlayer(int index);

// Keeps the calling thread's selection across a stretch in which the library
// dispatches messages to the host's windows (its waits, a modal box): a
// handler that selects another player leaves the caller's selection as it
// was once the stretch ends.
class KeepSelection {
public:
    KeepSelection() : saved_(currentPlayer()) {}
    ~KeepSelection() { selectPlayer(saved_); }
    KeepSelection(const KeepSelection&) = delete;
    KeepSelection& operator=(const KeepSelection&) = delete;

private:
    int saved_;
};

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

// The one teardown of a graph outside the Player: the Sample Grabber (and
// its media type's format block), event notification off and the event
// interface, then mediaControl, the audio renderer, the mode's video
// renderer, the source, the capture builder and last the graph, and what was
// kept for it. A failed omb_Open releases what it built through it; omb_Close
// through tearDownGraph.
void releaseGraph(OpenGraph& parts);

// omb_Close's teardown (and omb_Exit's): the worker gate withdraws the graph
// (playState 0) and waits for the worker; the video window is hidden and the
// graph released on the calling thread. When the wait runs out, only
// references are released here (the worker stops the graph).
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
