#include "platform/thread.h"

namespace ombrix::platform {

void dispatchSentMessages(DWORD milliseconds)
{
    // A sent message wakes the wait; PeekMessage with PM_QS_SENDMESSAGE
    // dispatches the pending sent messages and takes nothing from the queue.
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

HMODULE moduleOf(const void* address)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module))
        return nullptr;
    return module;
}

HMODULE pinModuleOf(const void* address)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCWSTR>(address), &module))
        return nullptr;
    return module;
}

void exitThreadUnpinning(HMODULE module, DWORD code)
{
    if (module)
        FreeLibraryAndExitThread(module, code);
    ExitThread(code);
}

} // namespace ombrix::platform
