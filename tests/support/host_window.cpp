#include "host_window.h"

#include <evcode.h>

#include "ombrix.h"

namespace testing {

HostWindow::HostWindow()
{
    static ATOM registered = [] {
        WNDCLASSW c{};
        c.lpfnWndProc = &HostWindow::proc;
        c.hInstance = GetModuleHandleW(nullptr);
        c.lpszClassName = L"ombrix-test-host";
        c.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        return RegisterClassW(&c);
    }();
    (void)registered;
    window_ = CreateWindowExW(0, L"ombrix-test-host", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 320,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HostWindow::~HostWindow() { DestroyWindow(window_); }

LRESULT CALLBACK HostWindow::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= OMB_WM_GRAPHEVENT && message < OMB_WM_PLAYEREVENT(OMB_PLAYERS)) {
        auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self)
            self->events.push_back({message, wParam, lParam, GetCurrentThreadId(), GetTickCount()});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::vector<DWORD> HostWindow::ends(UINT message) const
{
    std::vector<DWORD> ticks;
    for (const auto& e : events)
        if ((message == 0 || e.message == message) && e.wParam == EC_COMPLETE && e.lParam == EC_COMPLETE)
            ticks.push_back(e.tick);
    return ticks;
}

HostWindow& workerHost()
{
    static HostWindow window;
    return window;
}

HWND sharedWorker()
{
    static HWND worker = [] {
        const int made = omb_CreateThread(reinterpret_cast<omb_handle>(workerHost().hwnd()), 1);
        return made > 0 ? reinterpret_cast<HWND>(static_cast<intptr_t>(made)) : nullptr;
    }();
    return worker;
}

bool pumpUntil(const std::function<bool()>& done, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= milliseconds)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void pumpFor(DWORD milliseconds)
{
    pumpUntil([] { return false; }, milliseconds);
}

} // namespace testing
