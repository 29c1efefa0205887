// The worker thread and its hidden window: it takes every player's graph
// event notifications, restarts each player's media at every end (automatic
// repeat) and forwards each event code to the host's window, with the
// player's graph-event message.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/ids.h"
#include "platform/thread.h"
#include "player/arguments.h"
#include "player/player.h"

using namespace ombrix;

namespace {

constexpr char kClassName[] = "omb01";
constexpr char kTitle[] = "OMBRIX";
constexpr char kPaintText[] = "OMBRIX_AUTO_REPEAT";
// How long omb_CreateThread waits for the worker window.
constexpr DWORD kWindowWait = 5000;

// At most this many events are taken per graph-event message; the rest are
// taken at a message the worker posts itself, so that its other messages
// (WM_CLOSE among them) are never held up.
constexpr int kDrainLimit = 32;
// An end of the media that comes again within this time of the restart of
// the same graph (a clip of no length ends as soon as it runs), or a second
// one within one draining, is restarted from a timer, not at once.
constexpr DWORD kRestartDelay = 100;
// Player n's deferred restart runs from timer kRestartTimer + n.
constexpr UINT_PTR kRestartTimer = 1;

HANDLE windowReady = nullptr; // signalled once the thread made its window, or failed to

HWND readThreadWindow(WorkerThread& w)
{
    return static_cast<HWND>(InterlockedCompareExchangePointer(reinterpret_cast<PVOID*>(&w.threadWindow), nullptr,
                                                               nullptr));
}

// The player whose graph-event message or restart timer this is, or null.
Player* playerOfMessage(UINT message)
{
    const UINT first = graphEventMessage(0);
    return message >= first && message < first + kPlayers ? &playerAt(static_cast<int>(message - first)) : nullptr;
}

Player* playerOfTimer(WPARAM timer)
{
    return timer >= kRestartTimer && timer < kRestartTimer + kPlayers ? &playerAt(static_cast<int>(timer - kRestartTimer))
                                                                       : nullptr;
}

// Back to 0 and run, unless the host closed or stopped the graph since the
// event was taken; asked again before each call. omb_Stop waits for a
// restart under way, so none lands after it.
void restartFromBeginning(WorkerGate& gate, const WorkerHold& held)
{
    if (!gate.beginRestart(held))
        return;
    gate.lastRestart = {false, held.graphEpoch, held.runEpoch, GetTickCount64()};
    ComPtr<IMediaPosition> position;
    if (platform::obtain(held.graph.Get(), ids::IID_IMediaPosition, position))
        position->put_CurrentPosition(0.0);
    position.Reset();
    if (gate.stillWanted(held) && held.control)
        held.control->Run();
    // omb_Stop gave up waiting for this restart: its Stop is made here,
    // where it cannot wait for the Run above.
    if (gate.endRestart() && held.control)
        held.control->Stop();
}

bool endsTooSoon(const WorkerGate& gate, const WorkerHold& held)
{
    const WorkerGate::RestartRecord& last = gate.lastRestart;
    return last.graphEpoch == held.graphEpoch && last.runEpoch == held.runEpoch &&
           GetTickCount64() - last.tick < kRestartDelay;
}

void deferRestart(Player& p, HWND window, const WorkerHold& held)
{
    p.gate.deferredRestart = {true, held.graphEpoch, held.runEpoch, 0};
    SetTimer(window, kRestartTimer + p.index, kRestartDelay, nullptr);
}

void runDeferredRestart(Player& p, HWND window)
{
    KillTimer(window, kRestartTimer + p.index);
    WorkerGate::RestartRecord& deferred = p.gate.deferredRestart;
    if (!deferred.pending)
        return;
    deferred.pending = false;
    WorkerHold held;
    if (!p.gate.take(p, held, window, static_cast<LONG_PTR>(deferred.graphEpoch)))
        return;
    if (held.runEpoch == deferred.runEpoch)
        restartFromBeginning(p.gate, held);
    p.gate.giveBack(held);
}

// Takes the pending events of the graph whose message this is (tag: what it
// posted, 0 for any graph that sends its events here). No lock is held while
// the platform is called or while the host's window handles a forwarded
// event, and no reference is held across the forwarding.
void drainEvents(Player& p, HWND window, LONG_PTR tag)
{
    bool restarted = false;
    for (int taken = 0; taken < kDrainLimit; ++taken) {
        WorkerHold held;
        if (!p.gate.take(p, held, window, tag))
            return;
        tag = static_cast<LONG_PTR>(held.graphEpoch);
        LONG code = 0;
        LONG_PTR param1 = 0, param2 = 0;
        const bool got = held.events->GetEvent(&code, &param1, &param2, 0) == S_OK;
        // A graph disowned by omb_Exit meanwhile is called no more.
        if (got && !p.gate.disowned(held))
            held.events->FreeEventParams(code, param1, param2);
        if (got && code == EC_COMPLETE) {
            if (restarted || endsTooSoon(p.gate, held)) {
                deferRestart(p, window, held);
            } else {
                restartFromBeginning(p.gate, held);
                restarted = true;
            }
        }
        p.gate.giveBack(held);
        if (!got || code == -1)
            return;
        const WorkerThread& w = workerThread();
        if (w.forwardEvents == 1 && w.hostWindow)
            SendMessageA(w.hostWindow, graphEventMessage(p.index), static_cast<WPARAM>(code),
                         static_cast<LPARAM>(code));
    }
    PostMessageA(window, graphEventMessage(p.index), 0, tag);
}

LRESULT CALLBACK workerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        TextOutA(dc, 10, 10, kPaintText, sizeof kPaintText - 1);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        if (Player* p = playerOfTimer(wParam)) {
            runDeferredRestart(*p, window);
            return 0;
        }
        break;
    default:
        if (Player* p = playerOfMessage(message)) {
            drainEvents(*p, window, static_cast<LONG_PTR>(lParam));
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The thread holds a load reference on this module (its parameter), so the
// code of the window procedure stays mapped while the window lives even if
// the host frees the library; it gives the reference back as it ends.
DWORD WINAPI workerMain(LPVOID module)
{
    WorkerThread& p = workerThread();
    HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400,
                                  300, nullptr, nullptr, p.moduleHandle, nullptr);
    InterlockedExchangePointer(reinterpret_cast<PVOID*>(&p.threadWindow), window);
    SetEvent(windowReady);
    if (window) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
    }
    // The class names this module's procedure; it goes before the module may.
    UnregisterClassA(kClassName, p.moduleHandle);
    platform::exitThreadUnpinning(static_cast<HMODULE>(module), 0);
}

} // namespace

extern "C" {

int OMBRIX_CALL omb_CreateThread(omb_handle hostWindow, int forward) noexcept
{
    WorkerThread& p = workerThread();
    if (p.threadStarted == 1)
        return OMB_E_ALREADY_STARTED;
    // The worker sends to this window from its own thread: it must be one
    // (HWND_BROADCAST would reach every top-level window).
    if (!arguments::windowOrNull(hostWindow))
        return OMB_E_REFUSED;
    p.hostWindow = reinterpret_cast<HWND>(hostWindow);
    p.forwardEvents = forward;
    // The class and the window belong to the module whose code the window
    // procedure is (the library, or a program it is linked into).
    p.moduleHandle = platform::moduleOf(reinterpret_cast<const void*>(&workerProc));

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = workerProc;
    windowClass.hInstance = p.moduleHandle;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExA(&windowClass))
        return OMB_E_NO_CLASS;

    if (!windowReady)
        windowReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HMODULE pin = windowReady ? platform::pinModuleOf(reinterpret_cast<const void*>(&workerProc)) : nullptr;
    HANDLE thread = pin ? CreateThread(nullptr, 0, workerMain, pin, 0, nullptr) : nullptr;
    if (!thread) {
        if (pin)
            FreeLibrary(pin);
        // Nothing runs: the call may be repeated.
        UnregisterClassA(kClassName, p.moduleHandle);
        return OMB_E_NO_WORKER;
    }
    CloseHandle(thread);
    p.threadStarted = 1;

    WaitForSingleObject(windowReady, kWindowWait);
    HWND window = readThreadWindow(p);
    return window ? static_cast<int>(reinterpret_cast<intptr_t>(window)) : OMB_E_NO_WORKER;
}

omb_handle OMBRIX_CALL omb_GetThreadHWND(void) noexcept
{
    return reinterpret_cast<omb_handle>(readThreadWindow(workerThread()));
}

} // extern "C"
