#include "platform/graph_clock.h"

#include "platform/ids.h"

namespace ombrix::platform {

void LastClock::keep(IUnknown* graph)
{
    clock_.Reset();
    ComPtr<IMediaFilter> filter;
    if (obtain(graph, ids::IID_IMediaFilter, filter))
        filter->GetSyncSource(clock_.ReleaseAndGetAddressOf());
}

LastClock::~LastClock()
{
    if (!clock_)
        return;
    HANDLE due = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    REFERENCE_TIME now = 0;
    DWORD_PTR cookie = 0;
    if (due && SUCCEEDED(clock_->GetTime(&now)) &&
        SUCCEEDED(clock_->AdviseTime(now, 0, reinterpret_cast<HEVENT>(due), &cookie))) {
        WaitForSingleObject(due, kClockRestWait);
        // Nothing once the advise fired; the advise itself when it did not.
        clock_->Unadvise(cookie);
    }
    if (due)
        CloseHandle(due);
    clock_.Reset();
}

} // namespace ombrix::platform
