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
//  5. Time-outs. The host's thread never calls a graph the worker is still
//     inside once a wait ran out: the platform's graph serialises its state
//     changes, so a Stop would wait for the worker's Run without bound. The
//     worker stops that graph itself when its call returns (and, for a
//     withdrawn one, turns its notification off), then gives its references
//     back: they are never released on its thread nor dropped, but parked.
//     One parked slot is enough: the worker holds one set at a time, and
//     every withdrawal empties the slot after its wait, which comes after
//     the worker took the references it may park next.
//  6. Events. The worker takes a graph's events only while that graph sends
//     them to the worker window, and only at a message of that graph: the
//     graph posts its epoch, so a message still queued from a closed graph
//     touches nothing of the next one.
//  7. Exit. omb_Exit withdraws every graph and disowns what the worker still
//     holds: once COM is gone, references that come back late are neither
//     called nor released.
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
    // until the worker holds none of it. False when the wait ran out: the
    // worker is inside a call on that graph, and stops it when it returns;
    // the caller must make no platform call on it but Release.
    bool withdraw(Player& p, OpenGraph& parts);
    // omb_Stop: no restart from now on, and none under way.
    enum class StopTurn {
        Mine,    // the graph published at the call is still published: stop it
        Gone,    // messages handled during the wait closed it: nothing to stop
        Worker,  // a restart is still inside the graph: the worker stops it
    };
    StopTurn stopRestarts(Player& p);
    // omb_Play and omb_Play2: the worker repeats the media again.
    void allowRestarts();
    // omb_SetEvHWND: swaps the player's event interface with events, whose
    // notifications now go to window.
    void replaceEvents(Player& p, ComPtr<IMediaEventEx>& events, HWND window);
    // What the graph posts with its notifications (SetNotifyWindow's
    // instance data) when they go to the worker window.
    LONG_PTR eventTag() const;
    // Releases what the worker gave back after a withdrawal.
    void collectParked();
    // omb_Exit, after the withdrawal: references the worker still holds are
    // never called nor released when they come back.
    void disown();
    // The thread that published the player's last graph (0: none yet): its
    // COM apartment is the graph's.
    DWORD openedBy() const;

    // ---- the worker thread ----

    // Copies the current graph's references into hold; false unless the
    // player's graph sends its events to worker and, for a tag other than 0,
    // the tag is that graph's (a message of a graph withdrawn since is
    // stale).
    bool take(const Player& p, WorkerHold& hold, HWND worker, LONG_PTR tag);
    // Gives the references back (rule 3).
    void giveBack(WorkerHold& hold);
    // Whether omb_Exit disowned the held graph (rule 7).
    bool disowned(const WorkerHold& hold) const;
    // Whether the host still wants the held graph to play (rule 2).
    bool stillWanted(const WorkerHold& hold) const;
    // Brackets a restart; begin is false when it is not wanted. end is true
    // when omb_Stop's wait ran out meanwhile: the worker stops the graph.
    bool beginRestart(const WorkerHold& hold);
    bool endRestart();

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
    // The rules that can be seen from outside at a quiet moment: an open
    // player holds its graph and control, a closed one sends events to no
    // window; a restart runs only inside a hold; nothing is parked for a
    // graph that is still published. Returns the first broken one, or null.
    // (That a closed player holds nothing of a graph follows from the whole
    // exchange of its graph part.)
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
    bool disownedLocked(const WorkerHold& hold) const;
    // Hands a withdrawn graph's references to the parked slot (or, should it
    // be taken, to stray, released by the caller outside the lock); under
    // the lock.
    void parkLocked(WorkerHold& hold, WorkerHold& stray);
    bool waitUntil(bool (*done)(const WorkerGate&, unsigned), unsigned epoch);

    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    unsigned graphEpoch_ = 0;  // changes when a graph is published or withdrawn
    unsigned runEpoch_ = 0;    // also changes at every omb_Stop
    bool stopRequested_ = false;
    bool workerHolds_ = false;
    unsigned heldEpoch_ = 0;   // the graph epoch of the worker's hold
    bool restartInFlight_ = false;
    bool stopAfterRestart_ = false; // omb_Stop handed its Stop to the worker
    unsigned abandonedEpoch_ = 0;   // a withdrawn graph the worker stops (0: none)
    HWND eventWindow_ = nullptr;    // where the published graph's events go
    DWORD opener_ = 0;              // the thread that published the last graph
    unsigned disownedBelow_ = 0;    // omb_Exit: late references of graph epochs
                                    // before this one are dropped (0: none)
    WorkerHold parked_;
};

} // namespace ombrix
