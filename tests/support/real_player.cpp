#include "real_player.h"

#include <psapi.h>
#include <tlhelp32.h>

namespace testing {

SIZE_T committedBytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

int threadCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

SIZE_T settledCommittedBytes(int threads)
{
    for (int waited = 0; waited < 5000 && threadCount() > threads; waited += 10)
        pumpFor(10);
    return committedBytes();
}

} // namespace testing
