// omb_CreateThread when its window class cannot be registered: nothing
// starts, and the call can be repeated once the class is free.
#include <doctest.h>

#include <windows.h>

#include "child_process.h"
#include "ombrix.h"
#include "player/player.h"

TEST_CASE("a class name already taken gives -1 and leaves the worker unstarted")
{
    // The worker exists once per process: a process of its own.
    testing::checkChildCase("worker_class_taken.cpp", "worker child: class taken", 30000);
}

TEST_CASE("worker child: class taken" * doctest::skip())
{
    WNDCLASSEXA taken{};
    taken.cbSize = sizeof taken;
    taken.lpfnWndProc = DefWindowProcA;
    taken.lpszClassName = "omb01";
    REQUIRE(RegisterClassExA(&taken) != 0);

    HWND host = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    REQUIRE(host != nullptr);
    CHECK(omb_CreateThread(reinterpret_cast<omb_handle>(host), 1) == -1);
    ombrix::WorkerThread& p = ombrix::workerThread();
    CHECK(p.threadStarted == 0);
    CHECK(omb_GetThreadHWND() == 0);
    CHECK(p.hostWindow == host); // stored before the registration
    CHECK(p.forwardEvents == 1);

    REQUIRE(UnregisterClassA("omb01", nullptr));
    omb_handle window = omb_CreateThread(0, 0);
    CHECK(window > 0);
    CHECK(p.threadStarted == 1);
    PostMessageA(reinterpret_cast<HWND>(window), WM_CLOSE, 0, 0);
    DestroyWindow(host);
}
