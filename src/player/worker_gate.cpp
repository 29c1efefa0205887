#include "player/worker_gate.h"

#include <utility>

#include "platform/thread.h"
#include "player/player.h"

namespace ombrix {

// The gate's lock, held only to copy or swap pointers and flags, never across
// a platform call or a sent message.
class WorkerGate::Lock {
public:
    enum Mode { Exclusive, Shared };
    explicit Lock(SRWLOCK& lock, Mode mode = Exclusive) : lock_(lock), mode_(mode)
    {
        if (mode_ == Exclusive)
            AcquireSRWLockExclusive(&lock_);
        else
            AcquireSRWLockShared(&lock_);
    }
    ~Lock()
    {
        if (mode_ == Exclusive)
            ReleaseSRWLockExclusive(&lock_);
        else
            ReleaseSRWLockShared(&lock_);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    SRWLOCK& lock_;
    Mode mode_;
};

unsigned WorkerGate::exchange(Player& p, OpenGraph& g, int state)
{
    Lock lock(lock_);
    const unsigned before = graphEpoch_;
    exchangeGraph(p, g);
    ++graphEpoch_;
    ++runEpoch_;
    stopRequested_ = false;
    p.playState = state;
    return before;
}

void WorkerGate::publish(Player& p, OpenGraph& built)
{
    collectParked();
    exchange(p, built, PlayState_Open);
}

void WorkerGate::withdraw(Player& p, OpenGraph& parts)
{
    const unsigned withdrawn = exchange(p, parts, PlayState_Closed);
    const bool letGo = waitUntil(
        [](const WorkerGate& g, unsigned epoch) { return !(g.workerHolds_ && g.heldEpoch_ == epoch); }, withdrawn);
    // The worker is stuck inside a call on this graph: it must not go on
    // playing while the worker's references keep it alive.
    if (!letGo && parts.mediaControl)
        parts.mediaControl->Stop();
    collectParked();
}

bool WorkerGate::stopRestarts(Player& p)
{
    unsigned epoch;
    {
        Lock lock(lock_);
        epoch = graphEpoch_;
        stopRequested_ = true;
        ++runEpoch_;
    }
    waitUntil([](const WorkerGate& g, unsigned) { return !g.restartInFlight_; }, 0);
    // Messages handled during the wait may have closed the graph, or closed
    // it and opened another one.
    Lock lock(lock_, Lock::Shared);
    return graphEpoch_ == epoch && p.isOpen();
}

void WorkerGate::allowRestarts()
{
    Lock lock(lock_);
    stopRequested_ = false;
}

void WorkerGate::replaceEvents(Player& p, ComPtr<IMediaEventEx>& events)
{
    Lock lock(lock_);
    p.mediaEvent.Swap(events);
}

void WorkerGate::collectParked()
{
    WorkerHold parked;
    {
        Lock lock(lock_);
        std::swap(parked, parked_);
    }
    // Released here, outside the lock: the last release tears the graph down.
}

bool WorkerGate::take(const Player& p, WorkerHold& hold)
{
    Lock lock(lock_);
    if (!p.mediaEvent)
        return false;
    hold.events = p.mediaEvent;
    hold.graph = p.graph;
    hold.control = p.mediaControl;
    hold.graphEpoch = graphEpoch_;
    hold.runEpoch = runEpoch_;
    workerHolds_ = true;
    heldEpoch_ = graphEpoch_;
    return true;
}

void WorkerGate::giveBack(WorkerHold& hold)
{
    WorkerHold stray;
    {
        Lock lock(lock_);
        if (hold.graphEpoch != graphEpoch_) {
            // Withdrawn meanwhile: the host's thread releases it.
            std::swap(parked_.empty() ? parked_ : stray, hold);
            workerHolds_ = false;
            return;
        }
    }
    // Still published: the player's own references outlive these, because
    // a withdrawal waits for the flag below.
    hold = WorkerHold{};
    Lock lock(lock_);
    workerHolds_ = false;
}

bool WorkerGate::wantedLocked(const WorkerHold& hold) const
{
    return graphEpoch_ == hold.graphEpoch && runEpoch_ == hold.runEpoch && !stopRequested_;
}

bool WorkerGate::stillWanted(const WorkerHold& hold) const
{
    Lock lock(lock_, Lock::Shared);
    return wantedLocked(hold);
}

bool WorkerGate::beginRestart(const WorkerHold& hold)
{
    Lock lock(lock_);
    if (!wantedLocked(hold))
        return false;
    restartInFlight_ = true;
    return true;
}

void WorkerGate::endRestart()
{
    Lock lock(lock_);
    restartInFlight_ = false;
}

WorkerGate::State WorkerGate::state() const
{
    Lock lock(lock_, Lock::Shared);
    return {graphEpoch_, runEpoch_, stopRequested_, workerHolds_, restartInFlight_, !parked_.empty()};
}

const char* WorkerGate::consistent(const Player& p) const
{
    Lock lock(lock_, Lock::Shared);
    if (restartInFlight_ && !workerHolds_)
        return "a restart runs outside a hold";
    if (!parked_.empty() && parked_.graph && parked_.graph == p.graph)
        return "the published graph is parked";
    if (p.videoWindow || p.displayControl || p.frameStep || p.mediaSeeking || p.propertyFilter || p.activeRenderer)
        return "a call-scoped slot is filled between calls";
    if (p.isOpen())
        return p.graph && p.mediaControl ? nullptr : "an open player lacks its graph or control";
    const bool anyGraphField = p.graph || p.mediaControl || p.mediaEvent || p.sourceFilter || p.captureBuilder ||
                               p.videoRenderer || p.vmr7Filter || p.vmr9Filter || p.evrFilter || p.audioRenderer ||
                               p.nullRenderer || p.grabberFilter || p.sampleGrabber;
    if (anyGraphField)
        return "a closed player holds an interface of a graph";
    if (p.heldPosition || p.frameBuffer.data() || p.grabberMediaType.pbFormat || p.grabberMediaType.pUnk)
        return "a closed player keeps a cache of a graph";
    return nullptr;
}

bool WorkerGate::waitUntil(bool (*done)(const WorkerGate&, unsigned), unsigned epoch)
{
    const ULONGLONG deadline = GetTickCount64() + waitLimit;
    for (;;) {
        {
            Lock lock(lock_, Lock::Shared);
            if (done(*this, epoch))
                return true;
        }
        if (GetTickCount64() >= deadline)
            return false;
        // The worker may be waiting for this thread (a renderer window of
        // the host's thread, a forwarded event): sent messages are handled
        // meanwhile.
        platform::dispatchSentMessages(1);
    }
}

} // namespace ombrix
