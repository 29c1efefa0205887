// How the host's thread and the worker thread share one player's graph.
//
// The rules, kept by WorkerGate and checked by WorkerGate::consistent:
//  1. Publication. A graph reaches the Player (and so the worker) only once
//     omb_Open has built it whole, and leaves it whole: publish and withdraw
//     exchange every per-graph field at once (OpenGraph), the caches the
//     host's thread keeps for the graph included, and start a new graph
//     epoch. Nothing of a withdrawn graph stays in the Player.
//  2. Holds. The worker calls a graph only through references it took under
//     the gate's lock, and restarts it only while the graph epoch and the run
//     epoch it took them in are current and no stop was asked for, asked
//     again before each platform call.
//  3. Last reference. The host's thread releases a withdrawn graph. A
//     withdrawal waits (bounded, handling messages sent to the host's thread)
//     until the worker holds nothing of that graph; references the worker
//     still holds after that come back to the parked slot, which the host's
//     thread empties at its next publication, withdrawal or omb_Exit.
//  4. Stop. omb_Stop starts a new run epoch and waits (bounded) for a restart
//     under way, so that none lands after it; it stops the graph only if that
//     graph is still the published one after the wait.
//  5. Time-outs. A withdrawal whose wait runs out stops the withdrawn graph at
//     once; the worker's references are never released on its thread nor
//     dropped: they are parked. One parked slot is enough: the worker holds
//     one set at a time, and every withdrawal empties the slot after its wait,
//     which comes after the worker took the references it may park next.
#pragma once
#include <windows.h>
#include <dshow.h>

#include "platform/com.h"

namespace ombrix {

struct Player;
struct OpenGraph;

// How long the host's thread waits for the worker to finish with the graph.
constexpr DWORD kWorkerWait = 5000;

// The references the worker holds while it handles one event, and the epochs
// of the graph they belong to.
struct WorkerHold {
    ComPtr<IMediaEventEx> events;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    unsigned graphEpoch = 0;
    unsigned runEpoch = 0;

    bool empty() const { return !events && !graph && !control; }
};

class WorkerGate {
public:
    WorkerGate() = default;
    WorkerGate(const WorkerGate&) = delete;
    WorkerGate& operator=(const WorkerGate&) = delete;

    // ---- the host's thread ----

    // Hands a built graph to the player (playState 1).
    void publish(Player& p, OpenGraph& built);
    // Takes the graph out of the player into parts (playState 0) and waits
    // until the worker holds none of it; when the wait runs out, the graph
    // is stopped.
    void withdraw(Player& p, OpenGraph& parts);
    // omb_Stop: no restart from now on, and none under way. True when the
    // graph that was published at the call is still the published one.
    bool stopRestarts(Player& p);
    // omb_Play and omb_Play2: the worker repeats the media again.
    void allowRestarts();
    // omb_SetEvHWND: swaps the player's event interface with events.
    void replaceEvents(Player& p, ComPtr<IMediaEventEx>& events);
    // Releases what the worker gave back after a withdrawal.
    void collectParked();

    // ---- the worker thread ----

    // Copies the current graph's references into hold; false when the player
    // has no event interface.
    bool take(const Player& p, WorkerHold& hold);
    // Gives the references back (rule 3).
    void giveBack(WorkerHold& hold);
    // Whether the host still wants the held graph to play (rule 2).
    bool stillWanted(const WorkerHold& hold) const;
    // Brackets a restart; begin is false when it is not wanted.
    bool beginRestart(const WorkerHold& hold);
    void endRestart();

    // What the worker remembers of its restarts, worker thread only: the
    // last one, to see an end that comes again at once, and one put off to
    // a timer.
    struct RestartRecord {
        bool pending = false;
        unsigned graphEpoch = 0;
        unsigned runEpoch = 0;
        ULONGLONG tick = 0;
    };
    RestartRecord lastRestart, deferredRestart;

    // ---- inspection ----

    struct State {
        unsigned graphEpoch, runEpoch;
        bool stopRequested, workerHolds, restartInFlight, parked;
    };
    State state() const;
    // The rules that can be seen from outside at a quiet moment: a closed
    // player holds nothing of a graph, an open one its graph and control; a
    // restart runs only inside a hold; nothing is parked for a graph that is
    // still published. Returns the first broken one, or null.
    const char* consistent(const Player& p) const;

    // The bound of the waits (tests shorten it).
    DWORD waitLimit = kWorkerWait;

private:
    class Lock;
    // Publication and withdrawal alike: exchanges the per-graph fields,
    // starts new epochs and sets the play state; the graph epoch before.
    unsigned exchange(Player& p, OpenGraph& g, int state);
    // Whether the host still wants the held graph to play; under the lock.
    bool wantedLocked(const WorkerHold& hold) const;
    bool waitUntil(bool (*done)(const WorkerGate&, unsigned), unsigned epoch);

    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    unsigned graphEpoch_ = 0;  // changes when a graph is published or withdrawn
    unsigned runEpoch_ = 0;    // also changes at every omb_Stop
    bool stopRequested_ = false;
    bool workerHolds_ = false;
    unsigned heldEpoch_ = 0;   // the graph epoch of the worker's hold
    bool restartInFlight_ = false;
    WorkerHold parked_;
};

} // namespace ombrix
