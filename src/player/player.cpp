#include "player/player.h"

#include <atomic>
#include <new>
#include <utility>

#include "platform/graph_clock.h"
#include "platform/ids.h"
#include "platform/media_type.h"
#include "platform/thread.h"

namespace ombrix {

namespace {

Player* makePlayers()
{
    alignas(Player) static unsigned char storage[kPlayers * sizeof(Player)];
    Player* first = reinterpret_cast<Player*>(storage);
    for (int i = 0; i < kPlayers; ++i)
        new (first + i) Player(i);
    return first;
}

} // namespace

namespace detail {

std::atomic<Registry*> made{nullptr};

Registry& makeRegistry()
{
    static Registry registry(makePlayers());
    made.store(&registry, std::memory_order_release);
    return registry;
}

} // namespace detail

Player& playerAt(int index) { return detail::registry().first[index]; }

int currentPlayer() { return detail::registry().current(); }

bool selectPlayer(int index)
{
    if (index < 0 || index >= kPlayers)
        return false;
    detail::Registry& r = detail::registry();
    if (r.selection.usable())
        r.selection.set(index);
    else
        r.shared = index;
    return true;
}

WorkerThread& workerThread()
{
    static WorkerThread shared;
    return shared;
}

void releaseGraph(OpenGraph& g)
{
    // Goes after everything below, the graph included.
    const platform::LastClock clock(g.graph.Get());
    g.sampleGrabber.Reset();
    g.grabberFilter.Reset();
    g.grabberMediaType.reset();
    g.heldPosition.Reset();
    g.frameBuffer.release();
    if (g.mediaEvent) {
        g.mediaEvent->SetNotifyWindow(0, 0, 0);
        g.mediaEvent.Reset();
    }
    g.mediaControl.Reset();
    g.audioRenderer.Reset();
    // Each mode holds at most one video renderer.
    g.videoRenderer.Reset();
    g.vmr7Filter.Reset();
    g.vmr9Filter.Reset();
    g.evrFilter.Reset();
    g.nullRenderer.Reset();
    g.sourceFilter.Reset();
    g.mediaFoundationSource = false;
    g.captureBuilder.Reset();
    g.graph.Reset();
}

void tearDownGraph(Player& p)
{
    OpenGraph parts;
    if (!p.gate.withdraw(p, parts)) {
        // The worker is still inside a call on this graph, which the
        // platform serialises with every other state change: only
        // references are given back here (parts goes out of scope); the
        // worker stops the graph and turns its notification off as its call
        // returns.
        return;
    }
    {
        CallScoped<IVideoWindow> window(p.videoWindow);
        // Modes without a video window fail the query or the call; both are fine.
        if (platform::obtain(parts.graph.Get(), ids::IID_IVideoWindow, p.videoWindow))
            window->put_Visible(OAFALSE);
    }
    releaseGraph(parts);
}

BYTE* FrameBuffer::reserve(std::uint64_t size)
{
    if (size <= capacity_ && data_)
        return data_;
    if (size == 0 || size > 0x7FFFFFFF)
        return nullptr;
    // The old contents are not needed: a new block, not a reallocation.
    BYTE* grown = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(size)));
    if (!grown)
        return nullptr;
    release();
    data_ = grown;
    capacity_ = size;
    return data_;
}

void FrameBuffer::release()
{
    if (data_)
        HeapFree(GetProcessHeap(), 0, data_);
    data_ = nullptr;
    capacity_ = 0;
}

void obtainHeldPosition(Player& p)
{
    platform::obtain(p.graph.Get(), ids::IID_IMediaPosition, p.heldPosition);
}

} // namespace ombrix
