// Threads, waits and the library's own module.
#pragma once
#include <windows.h>

namespace ombrix::platform {

// Sleeps up to milliseconds, handling the messages other threads send to
// this one (not posted ones) as they arrive.
void dispatchSentMessages(DWORD milliseconds);

// The module that holds address (this library, or the program it is linked
// into); null when it cannot be told.
HMODULE moduleOf(const void* address);

// The same module with one more load reference, so that it stays mapped
// while a thread of its own runs; exitThreadUnpinning gives it back.
HMODULE pinModuleOf(const void* address);
[[noreturn]] void exitThreadUnpinning(HMODULE module, DWORD code);

} // namespace ombrix::platform
