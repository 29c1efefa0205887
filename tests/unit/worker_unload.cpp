// The library freed by its host while the worker thread runs: the thread
// keeps the module loaded until it ends, and the window class belongs to the
// module.
#include <doctest.h>

#include <windows.h>

#include <string>

#include "child_process.h"
#include "ombrix.h"

TEST_CASE("a host that frees the library after omb_CreateThread leaves a working worker window")
{
    // The worker exists once per process: a process of its own.
    testing::checkChildCase("worker_unload.cpp", "worker child: unloaded", 30000);
}

TEST_CASE("worker child: unloaded" * doctest::skip())
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dll(path);
    dll = dll.substr(0, dll.find_last_of('\\') + 1) + "ombrix.dll";
    HMODULE module = LoadLibraryA(dll.c_str());
    REQUIRE(module != nullptr);
    auto createThread = reinterpret_cast<int(__cdecl*)(omb_handle, int)>(
        reinterpret_cast<void*>(GetProcAddress(module, "omb_CreateThread")));
    REQUIRE(static_cast<bool>(createThread));
    // The window comes back as an int; a window handle's significant bits fit it.
    HWND window = reinterpret_cast<HWND>(static_cast<omb_handle>(createThread(0, 0)));
    REQUIRE(window != nullptr);

    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    CHECK(GetClassInfoExA(module, "omb01", &info));
    CHECK(info.hInstance == module);

    REQUIRE(FreeLibrary(module));
    // Still mapped: the window procedure's code is there to run.
    REQUIRE(GetModuleHandleA(dll.c_str()) == module);
    CHECK(SendMessageA(window, OMB_WM_GRAPHEVENT, 0, 0) == 0);
    CHECK(IsWindow(window));

    DWORD threadId = GetWindowThreadProcessId(window, nullptr);
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    REQUIRE(thread != nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    CHECK(WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0);
    CloseHandle(thread);
    // The thread gave its reference back: the library is gone, its class too.
    CHECK(GetModuleHandleA(dll.c_str()) == nullptr);
    CHECK_FALSE(GetClassInfoExA(module, "omb01", &info));
}
