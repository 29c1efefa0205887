#include "player/worker_gate.h"

#include <utility>

#include "platform/graph_clock.h"
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
    std::swap(static_cast<OpenGraph&>(p), g);
    ++graphEpoch_;
    ++runEpoch_;
    stopRequested_ = false;
    eventWindow_ = nullptr;
    p.playState = state;
    return before;
}

void WorkerGate::publish(Player& p, OpenGraph& built)
{
    collectParked();
    exchange(p, built, PlayState_Open);
    Lock lock(lock_);
    opener_ = GetCurrentThreadId();
}

DWORD WorkerGate::openedBy() const
{
    Lock lock(lock_, Lock::Shared);
    return opener_;
}

bool WorkerGate::withdraw(Player& p, OpenGraph& parts)
{
    const unsigned withdrawn = exchange(p, parts, PlayState_Closed);
    bool letGo = waitUntil(
        [](const WorkerGate& g, unsigned epoch) { return !(g.workerHolds_ && g.heldEpoch_ == epoch); }, withdrawn);
    if (!letGo) {
        // The worker is stuck inside a call on this graph. It must not go
        // on playing while the worker's references keep it alive, but a
        // Stop from here would wait for that call: the worker stops it when
        // the call returns (rule 5), unless it let go just now.
        Lock lock(lock_);
        letGo = !(workerHolds_ && heldEpoch_ == withdrawn);
        if (!letGo)
            abandonedEpoch_ = withdrawn;
    }
    collectParked();
    return letGo;
}

WorkerGate::StopTurn WorkerGate::stopRestarts(Player& p)
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
    Lock lock(lock_);
    if (graphEpoch_ != epoch || !p.isOpen())
        return StopTurn::Gone;
    if (restartInFlight_) {
        stopAfterRestart_ = true;
        return StopTurn::Worker;
    }
    return StopTurn::Mine;
}

void WorkerGate::allowRestarts()
{
    Lock lock(lock_);
    stopRequested_ = false;
}

void WorkerGate::replaceEvents(Player& p, ComPtr<IMediaEventEx>& events, HWND window)
{
    Lock lock(lock_);
    p.mediaEvent.Swap(events);
    eventWindow_ = window;
}

LONG_PTR WorkerGate::eventTag() const
{
    Lock lock(lock_, Lock::Shared);
    return static_cast<LONG_PTR>(graphEpoch_);
}

void WorkerGate::collectParked()
{
    platform::LastClock clock; // goes after the graph
    WorkerHold parked;
    {
        Lock lock(lock_);
        std::swap(parked, parked_);
    }
    // Released here, outside the lock: the last release tears the graph down.
    // The worker stopped a graph it parked, or the host's thread still
    // holds it.
    clock.keep(parked.graph.Get());
}

void WorkerGate::disown()
{
    collectParked();
    Lock lock(lock_);
    disownedBelow_ = graphEpoch_ + 1;
}

bool WorkerGate::take(const Player& p, WorkerHold& hold, HWND worker, LONG_PTR tag)
{
    Lock lock(lock_);
    if (!p.mediaEvent || !worker || eventWindow_ != worker || (tag != 0 && tag != static_cast<LONG_PTR>(graphEpoch_)))
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
    bool stop = false;
    {
        Lock lock(lock_);
        if (hold.graphEpoch != graphEpoch_) {
            stop = abandonedEpoch_ == hold.graphEpoch;
            if (stop)
                abandonedEpoch_ = 0;
            if (disownedLocked(hold)) {
                // COM may be gone: nothing of this graph is called again.
                hold.events.Detach();
                hold.graph.Detach();
                hold.control.Detach();
                workerHolds_ = false;
                return;
            }
            if (!stop) {
                // Withdrawn meanwhile: the host's thread releases it.
                parkLocked(hold, stray);
                return;
            }
        }
    }
    if (stop) {
        // The host gave up waiting for this graph (rule 5).
        hold.events->SetNotifyWindow(0, 0, 0);
        if (hold.control)
            hold.control->Stop();
        Lock lock(lock_);
        parkLocked(hold, stray);
        return;
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

bool WorkerGate::disownedLocked(const WorkerHold& hold) const
{
    return disownedBelow_ != 0 && hold.graphEpoch != graphEpoch_ &&
           static_cast<int>(hold.graphEpoch - disownedBelow_) < 0;
}

void WorkerGate::parkLocked(WorkerHold& hold, WorkerHold& stray)
{
    std::swap(parked_.empty() ? parked_ : stray, hold);
    workerHolds_ = false;
}

bool WorkerGate::disowned(const WorkerHold& hold) const
{
    Lock lock(lock_, Lock::Shared);
    return disownedLocked(hold);
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

bool WorkerGate::endRestart()
{
    Lock lock(lock_);
    restartInFlight_ = false;
    return std::exchange(stopAfterRestart_, false);
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
    if (eventWindow_)
        return "a closed player sends events to a window";
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
        // meanwhile, and a handler that selects a player leaves this
        // thread's selection as it was.
        KeepSelection keep;
        platform::dispatchSentMessages(1);
    }
}

} // namespace ombrix
