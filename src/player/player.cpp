#include "player/player.h"

#include <new>
#include <utility>

#include "platform/ids.h"
#include "platform/media_type.h"

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

int current = 0;

} // namespace

Player& playerAt(int index)
{
    // Made at the first call, not at load.
    static Player* const players = makePlayers();
    return players[index];
}

Player& player() { return playerAt(current); }

int currentPlayer() { return current; }

bool selectPlayer(int index)
{
    if (index < 0 || index >= kPlayers)
        return false;
    current = index;
    return true;
}

WorkerThread& workerThread()
{
    static WorkerThread shared;
    return shared;
}

void exchangeGraph(Player& p, OpenGraph& g)
{
    p.sampleGrabber.Swap(g.sampleGrabber);
    p.grabberFilter.Swap(g.grabberFilter);
    p.mediaEvent.Swap(g.mediaEvent);
    p.mediaControl.Swap(g.mediaControl);
    p.audioRenderer.Swap(g.audioRenderer);
    p.videoRenderer.Swap(g.videoRenderer);
    p.vmr7Filter.Swap(g.vmr7Filter);
    p.vmr9Filter.Swap(g.vmr9Filter);
    p.evrFilter.Swap(g.evrFilter);
    p.nullRenderer.Swap(g.nullRenderer);
    p.sourceFilter.Swap(g.sourceFilter);
    p.captureBuilder.Swap(g.captureBuilder);
    p.graph.Swap(g.graph);
    p.grabberMediaType.swap(g.grabberMediaType);
    p.heldPosition.Swap(g.heldPosition);
    p.frameBuffer.swap(g.frameBuffer);
}

void releaseGraph(OpenGraph& g)
{
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
    g.captureBuilder.Reset();
    g.graph.Reset();
}

void tearDownGraph(Player& p)
{
    OpenGraph parts;
    p.gate.withdraw(p, parts);
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
