// Threads, waits and the library's own module.
#pragma once
#include <windows.h>
#include <winternl.h>

#include <cstddef>

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

// One pointer-sized value per thread, 0 in a thread that never set it. The
// read is the hot path of every export, so it reads the thread's slot in its
// thread block directly, as TlsGetValue does, for the first 64 slots.
class ThreadValue {
public:
    ThreadValue() : slot_(TlsAlloc()) {}
    ThreadValue(const ThreadValue&) = delete;
    ThreadValue& operator=(const ThreadValue&) = delete;

    bool usable() const { return slot_ != TLS_OUT_OF_INDEXES; }
    INT_PTR get() const
    {
        if (slot_ >= 64)
            return reinterpret_cast<INT_PTR>(TlsGetValue(slot_));
        const ULONG_PTR offset = offsetof(TEB, TlsSlots) + slot_ * sizeof(void*);
        INT_PTR value;
#if defined(__x86_64__)
        asm volatile("movq %%gs:(%1), %0" : "=r"(value) : "r"(offset));
#else
        asm volatile("movl %%fs:(%1), %0" : "=r"(value) : "r"(offset));
#endif
        return value;
    }
    void set(INT_PTR value) const { TlsSetValue(slot_, reinterpret_cast<void*>(value)); }

private:
    const DWORD slot_; // kept to the end of the process
};

} // namespace ombrix::platform
