#include "player/player.h"

#include <new>
#include <utility>

#include "platform/ids.h"
#include "platform/media_type.h"
#include "platform/thread.h"

namespace ombrix {

Player& player()
{
    alignas(Player) static unsigned char storage[sizeof(Player)];
    static Player* instance = new (storage) Player();
    return *instance;
}

namespace {

// Exchanges the graph's interfaces between the Player and g, and starts a
// new graph epoch (the worker's copies go stale). Called under fieldLock.
void exchangeGraph(Player& p, OpenGraph& g, int state)
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
    ++p.graphEpoch;
    ++p.runEpoch;
    p.stopRequested = false;
    p.playState = state;
}

} // namespace

void publishGraph(Player& p, OpenGraph& g)
{
    FieldLock lock(p);
    exchangeGraph(p, g, PlayState_Open);
}

void releaseGraph(Player& p, OpenGraph& g)
{
    g.sampleGrabber.Reset();
    g.grabberFilter.Reset();
    p.grabberMediaType.reset();
    // What the host's thread keeps for the open graph: the frame buffer and
    // the held IMediaPosition.
    releaseGraphCaches(p);
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

bool waitWhileWorker(Player& p, bool (*busy)(const Player&), DWORD milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        {
            FieldLock lock(p);
            if (!busy(p))
                return true;
        }
        if (GetTickCount64() >= deadline)
            return false;
        // The worker may be waiting for this thread (a renderer window of
        // the host's thread): its sent messages are handled meanwhile.
        platform::dispatchSentMessages(1);
    }
}

void releaseParkedRefs(Player& p)
{
    WorkerRefs parked[Player::kParkSlots];
    {
        FieldLock lock(p);
        for (int i = 0; i < Player::kParkSlots; ++i)
            std::swap(parked[i], p.parked[i]);
    }
}

void tearDownGraph(Player& p)
{
    OpenGraph parts;
    {
        FieldLock lock(p);
        exchangeGraph(p, parts, PlayState_Closed);
    }
    // A restart in flight finishes (or gives up) first; whatever the worker
    // still holds comes back here, so the graph goes on this thread.
    waitWhileWorker(p, [](const Player& q) { return q.workerHolds; }, kWorkerWait);
    releaseParkedRefs(p);
    releaseGraph(p, parts);
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

void releaseGraphCaches(Player& p)
{
    p.heldPosition.Reset();
    p.frameBuffer.release();
    p.grabberTypeCurrent = false;
}

} // namespace ombrix
