// The last reference to a graph's reference clock.
#pragma once
#include <windows.h>
#include <dshow.h>

#include "platform/com.h"

namespace ombrix::platform {

// How long a release waits for the clock's own thread to come to rest.
constexpr DWORD kClockRestWait = 2000;

// Keeps a graph's reference clock while the graph goes, and releases it last,
// once the clock's advise thread is at rest.
//
// Wine's system clock (and the audio renderer's clock built on it) ends its
// advise thread at the last release by setting a flag and waking the thread
// once. A thread that is not waiting at that moment (just started by a first
// advise, or between two waits while a running graph advises) misses the
// wake, goes back to its wait with nothing due, and the release waits for it
// without end. So the graph goes first: its last release stops it, and with
// it everything that could advise the clock again. An advise due at once,
// waited for, then puts the thread into its wait, where the last release
// finds it. On a clock without that fault this costs one advise.
class LastClock {
public:
    LastClock() = default;
    // Keeps the clock that graph (any interface of a filter graph) runs on;
    // nothing for a graph that never chose one.
    explicit LastClock(IUnknown* graph) { keep(graph); }
    ~LastClock();
    LastClock(const LastClock&) = delete;
    LastClock& operator=(const LastClock&) = delete;

    void keep(IUnknown* graph);

private:
    ComPtr<IReferenceClock> clock_;
};

} // namespace ombrix::platform
