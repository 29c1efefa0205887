// The worker thread and window against a fake graph. The worker exists once
// per process: the cases share it, and those that need a process where it
// never ran, or that end it, run in a child process of their own.
#include <doctest.h>

#include <windows.h>

#include <string>

#include "child_process.h"
#include "host_window.h"
#include "ombrix.h"
#include "player_fixture.h"

using testing::FakePlayer;
using testing::HostWindow;
using Lines = std::vector<std::string>;

namespace {

HostWindow& host() { return testing::workerHost(); }

HWND worker() { return testing::sharedWorker(); }

// Delivers one graph-event message synchronously; the worker's forwarded
// messages reach the host window while this thread waits in SendMessage.
void notifyWorker() { SendMessageA(worker(), OMB_WM_GRAPHEVENT, 0, 0); }

std::vector<WPARAM> forwardedCodes()
{
    std::vector<WPARAM> codes;
    for (const auto& e : host().events) {
        CHECK(e.message == OMB_WM_GRAPHEVENT); // player 0's, as ever
        CHECK(e.lParam == static_cast<LPARAM>(e.wParam));
        codes.push_back(e.wParam);
    }
    return codes;
}

struct WorkerGraph : FakePlayer {
    WorkerGraph()
    {
        host().events.clear();
        REQUIRE(worker() != nullptr);
        REQUIRE(omb_Open("C:\\loop.avi", 1, 0, 0, 0) == 0);
        REQUIRE(omb_SetEvHWND(reinterpret_cast<omb_handle>(worker())) == 0);
        world.graph()->positionSeconds = 1.9;
        world.clearLog();
    }
    ~WorkerGraph() { ombrix::workerThread().forwardEvents = 1, ombrix::workerThread().hostWindow = host().hwnd(); }
};

} // namespace

TEST_CASE("the worker window is made once, hidden, on a thread of its own")
{
    testing::checkChildCase("worker_window.cpp", "worker child: made once", 30000);
}

TEST_CASE("worker child: made once" * doctest::skip())
{
    CHECK(omb_GetThreadHWND() == 0);
    omb_handle made = omb_CreateThread(reinterpret_cast<omb_handle>(host().hwnd()), 1);
    REQUIRE(made > 0);
    CHECK(omb_GetThreadHWND() == made);
    HWND window = reinterpret_cast<HWND>(made);
    char text[32] = {};
    GetClassNameA(window, text, sizeof text);
    CHECK(std::string(text) == "omb01");
    GetWindowTextA(window, text, sizeof text);
    CHECK(std::string(text) == "OMBRIX");
    CHECK_FALSE(IsWindowVisible(window));
    CHECK(GetWindowLongW(window, GWL_STYLE) == static_cast<LONG>(WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS));
    RECT box;
    GetWindowRect(window, &box);
    CHECK(box.right - box.left == 400);
    CHECK(box.bottom - box.top == 300);
    CHECK(GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId());

    CHECK(omb_CreateThread(0, 0) == -2);
    CHECK(ombrix::workerThread().hostWindow == host().hwnd());
    CHECK(ombrix::workerThread().forwardEvents == 1);
}

TEST_CASE_FIXTURE(WorkerGraph, "the end of the media restarts it from 0 and is forwarded afterwards")
{
    world.graph()->queueEvent(EC_COMPLETE);
    notifyWorker();
    CHECK(world.log == Lines{"graph.GetEvent(0)", "graph.FreeEventParams(1, 0, 0)", "graph.put_CurrentPosition(0)",
                             "graph.Run()", "graph.GetEvent(0)"});
    CHECK(forwardedCodes() == std::vector<WPARAM>{1});
    CHECK(host().events.at(0).thread == GetCurrentThreadId());
    CHECK(world.graph()->state == State_Running);
    CHECK(p.playState == 1); // the restart does not count as omb_Play
}

TEST_CASE_FIXTURE(WorkerGraph, "all pending events are drained and forwarded in order")
{
    world.graph()->queueEvent(EC_PAUSED);
    world.graph()->queueEvent(EC_COMPLETE, 5, 6);
    world.graph()->queueEvent(EC_ERRORABORT);
    notifyWorker();
    CHECK(forwardedCodes() == std::vector<WPARAM>{EC_PAUSED, EC_COMPLETE, EC_ERRORABORT});
    CHECK(world.calls("graph.FreeEventParams") ==
          Lines{"graph.FreeEventParams(14, 0, 0)", "graph.FreeEventParams(1, 5, 6)", "graph.FreeEventParams(3, 0, 0)"});
    CHECK(world.calls("graph.Run").size() == 1);
}

TEST_CASE_FIXTURE(WorkerGraph, "an event with code -1 ends the draining without being forwarded")
{
    world.graph()->queueEvent(-1);
    world.graph()->queueEvent(EC_PAUSED);
    notifyWorker();
    CHECK(forwardedCodes().empty());
    CHECK(world.graph()->events.size() == 1);
    notifyWorker();
    CHECK(forwardedCodes() == std::vector<WPARAM>{EC_PAUSED});
}

TEST_CASE_FIXTURE(WorkerGraph, "without forwarding the repeat still happens")
{
    SUBCASE("forward 0") { ombrix::workerThread().forwardEvents = 0; }
    SUBCASE("forward 2") { ombrix::workerThread().forwardEvents = 2; }
    SUBCASE("no host window") { ombrix::workerThread().hostWindow = nullptr; }
    world.graph()->queueEvent(EC_COMPLETE);
    notifyWorker();
    CHECK(forwardedCodes().empty());
    CHECK(world.calls("graph.put_CurrentPosition") == Lines{"graph.put_CurrentPosition(0)"});
    CHECK(world.calls("graph.Run") == Lines{"graph.Run()"});
}

TEST_CASE_FIXTURE(WorkerGraph, "a graph event that arrives after omb_Close does nothing")
{
    world.graph()->queueEvent(EC_COMPLETE);
    REQUIRE(omb_Close() == 0);
    world.clearLog();
    notifyWorker();
    CHECK(world.log.empty());
    CHECK(forwardedCodes().empty());
}

TEST_CASE_FIXTURE(WorkerGraph, "events posted by the graph reach the worker while the host pumps")
{
    world.graph()->queueEvent(EC_COMPLETE, 0, 0, true);
    CHECK(testing::pumpUntil([] { return !host().events.empty(); }, 5000));
    // The forward arrives while the worker is still draining; a synchronous
    // no-op message returns once it is done with the fakes.
    SendMessageA(worker(), WM_NULL, 0, 0);
    CHECK(forwardedCodes() == std::vector<WPARAM>{EC_COMPLETE});
}

TEST_CASE("closing the worker window ends its thread; the handle and the refusal stay")
{
    testing::checkChildCase("worker_window.cpp", "worker child: closed", 30000);
}

TEST_CASE("worker child: closed" * doctest::skip())
{
    HWND window = worker();
    REQUIRE(window != nullptr);
    DWORD threadId = GetWindowThreadProcessId(window, nullptr);
    HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, threadId);
    REQUIRE(thread != nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    CHECK(WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeThread(thread, &exitCode);
    CHECK(exitCode == 0);
    CloseHandle(thread);
    CHECK(reinterpret_cast<HWND>(omb_GetThreadHWND()) == window);
    CHECK(omb_CreateThread(0, 1) == -2);
}
