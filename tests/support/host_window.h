// A host's top-level window for tests: it records every graph-event message
// (of any player) it receives, and pumps messages while a test waits.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

namespace testing {

struct ForwardedEvent {
    UINT message; // a player's graph-event message
    WPARAM wParam;
    LPARAM lParam;
    DWORD thread; // the thread that handled it
    DWORD tick;   // when
};

class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND hwnd() const { return window_; }
    std::vector<ForwardedEvent> events;
    // When the worker forwarded an end of media (EC_COMPLETE), in order: of
    // the player whose graph-event message is message, or of any with 0.
    std::vector<DWORD> ends(UINT message = 0) const;

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_;
};

// The process's one worker window, started at the first call with
// forwarding to workerHost(); null when it cannot be had. Tests that need a
// process whose worker was never started, or that end it, run in a child
// process of their own (checkChildCase).
HostWindow& workerHost();
HWND sharedWorker();

// Dispatches this thread's messages until done() holds or the time is up;
// returns done()'s last answer.
bool pumpUntil(const std::function<bool()>& done, DWORD milliseconds);
void pumpFor(DWORD milliseconds);

} // namespace testing
