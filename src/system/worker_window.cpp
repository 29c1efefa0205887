// The worker thread and its hidden window: it takes the graph's event
// notifications, restarts the media at every end (automatic repeat) and
// forwards each event code to the host's window.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/ids.h"
#include "player/arguments.h"
#include "player/player.h"

using namespace ombrix;

namespace {

constexpr char kClassName[] = "omb01";
constexpr char kTitle[] = "OMBRIX";
constexpr char kPaintText[] = "OMBRIX_AUTO_REPEAT";
// How long omb_CreateThread waits for the worker window.
constexpr DWORD kWindowWait = 5000;

enum : int {
    kNoClass = -1,
    kAlreadyStarted = -2,
    kNoWorker = -3,
};

HANDLE windowReady = nullptr; // signalled once the thread made its window, or failed to

HWND readThreadWindow(Player& p)
{
    return static_cast<HWND>(InterlockedCompareExchangePointer(reinterpret_cast<PVOID*>(&p.threadWindow), nullptr,
                                                               nullptr));
}

// The interfaces one event needs, each with a reference of the worker's own,
// so that omb_Close on the host's thread can never pull them away mid-call.
struct GraphRefs {
    ComPtr<IMediaEventEx> events;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
};

GraphRefs copyGraphRefs(Player& p)
{
    FieldLock lock(p, FieldLock::Shared);
    return {p.mediaEvent, p.graph, p.mediaControl};
}

void restartFromBeginning(const GraphRefs& refs)
{
    ComPtr<IMediaPosition> position;
    if (platform::obtain(refs.graph.Get(), ids::IID_IMediaPosition, position))
        position->put_CurrentPosition(0.0);
    if (refs.control)
        refs.control->Run();
}

// Takes every pending event. No lock is held while the platform is called or
// while the host's window handles a forwarded event.
void drainEvents(Player& p)
{
    for (;;) {
        GraphRefs refs = copyGraphRefs(p);
        if (!refs.events)
            return;
        LONG code = 0;
        LONG_PTR param1 = 0, param2 = 0;
        if (refs.events->GetEvent(&code, &param1, &param2, 0) != S_OK)
            return;
        refs.events->FreeEventParams(code, param1, param2);
        if (code == -1)
            return;
        if (code == EC_COMPLETE)
            restartFromBeginning(refs);
        refs = GraphRefs{};
        if (p.forwardEvents == 1 && p.hostWindow)
            SendMessageA(p.hostWindow, OMB_WM_GRAPHEVENT, static_cast<WPARAM>(code), static_cast<LPARAM>(code));
    }
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
    case OMB_WM_GRAPHEVENT:
        drainEvents(player());
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

DWORD WINAPI workerThread(LPVOID)
{
    Player& p = player();
    HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400,
                                  300, nullptr, nullptr, p.moduleHandle, nullptr);
    InterlockedExchangePointer(reinterpret_cast<PVOID*>(&p.threadWindow), window);
    SetEvent(windowReady);
    if (!window)
        return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

} // namespace

extern "C" {

int OMBRIX_CALL omb_CreateThread(omb_handle hostWindow, int forward)
{
    Player& p = player();
    if (p.threadStarted == 1)
        return kAlreadyStarted;
    // The worker sends to this window from its own thread: it must be one
    // (HWND_BROADCAST would reach every top-level window).
    if (!arguments::windowOrNull(hostWindow))
        return arguments::kRefused;
    p.hostWindow = reinterpret_cast<HWND>(hostWindow);
    p.forwardEvents = forward;
    p.moduleHandle = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(nullptr, GWLP_HINSTANCE));

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = workerProc;
    windowClass.hInstance = p.moduleHandle;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExA(&windowClass))
        return kNoClass;

    if (!windowReady)
        windowReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = windowReady ? CreateThread(nullptr, 0, workerThread, nullptr, 0, nullptr) : nullptr;
    if (!thread) {
        // Nothing runs: the call may be repeated.
        UnregisterClassA(kClassName, p.moduleHandle);
        return kNoWorker;
    }
    CloseHandle(thread);
    p.threadStarted = 1;

    WaitForSingleObject(windowReady, kWindowWait);
    HWND window = readThreadWindow(p);
    return window ? static_cast<int>(reinterpret_cast<intptr_t>(window)) : kNoWorker;
}

omb_handle OMBRIX_CALL omb_GetThreadHWND(void)
{
    return reinterpret_cast<omb_handle>(readThreadWindow(player()));
}

} // extern "C"
