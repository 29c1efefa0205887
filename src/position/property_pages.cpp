// omb_FillterProp: the modal property frame of one filter of the open graph,
// found by its name.
#include "ombrix.h"

#include <new>
#include <vector>

#include "platform/com.h"
#include "platform/dialogs.h"
#include "platform/ids.h"
#include "player/arguments.h"
#include "player/player.h"

namespace ombrix {
namespace {

// A filter's FILTER_INFO, which carries a reference to its graph; given back
// when the record goes.
struct FilterInfo {
    FILTER_INFO info{};
    ~FilterInfo()
    {
        if (info.pGraph)
            info.pGraph->Release();
    }
};

// The frame creates each page with CoCreateInstance(INPROC_SERVER,
// IPropertyPage) and skips those that fail; a frame left with no page at
// all cannot be closed on some platforms (the call never returns). So only
// the pages that can be created are handed over; the probe instances are
// released at once.
std::vector<CLSID> creatablePages(const CAUUID& pages)
{
    std::vector<CLSID> usable;
    for (ULONG i = 0; i < pages.cElems; ++i) {
        ComPtr<IUnknown> page;
        if (SUCCEEDED(platform::create(pages.pElems[i], CLSCTX_INPROC_SERVER, ids::IID_IPropertyPage, page)) &&
            page)
            usable.push_back(pages.pElems[i]);
    }
    return usable;
}

void showFrame(HWND owner, IBaseFilter* filter)
{
    ComPtr<ISpecifyPropertyPages> specify;
    if (!platform::obtain(filter, ids::IID_ISpecifyPropertyPages, specify))
        return; // a filter without property pages: nothing to show

    // The caption is the filter's name; the graph reference that comes with
    // it is given back before the call returns.
    FilterInfo name;
    filter->QueryFilterInfo(&name.info);
    name.info.achName[MAX_FILTER_NAME - 1] = L'\0';

    // A failed GetPages may leave anything in the record: nothing is shown
    // and nothing freed.
    CAUUID pages{};
    HRESULT hr = specify->GetPages(&pages);
    specify.Reset();
    if (FAILED(hr))
        return;

    try {
        std::vector<CLSID> usable = pages.pElems ? creatablePages(pages) : std::vector<CLSID>{};
        if (!usable.empty()) {
            IUnknown* objects[] = {filter};
            // The frame's modal loop runs the host's handlers.
            KeepSelection keep;
            platform::propertyFrameFn(owner, 0, 0, name.info.achName, 1, objects, static_cast<ULONG>(usable.size()),
                                      usable.data(), 0, 0, nullptr);
        }
    } catch (const std::bad_alloc&) {
        // No memory for the page list: the frame is not shown.
    }
    CoTaskMemFree(pages.pElems);
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" int OMBRIX_CALL omb_FillterProp(omb_handle owner, const wchar_t* name) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    // A name longer than a filter's can be is refused unread past that
    // length, as is an owner that is not a window.
    if (!arguments::windowOrNull(owner) || (name && !arguments::textWithin(name, arguments::kMaxFilterName)))
        return OMB_E_REFUSED;
    // No name names no filter.
    if (!name || !p.graph)
        return OMB_OK;
    ComPtr<IBaseFilter> held;
    {
        CallScoped<IBaseFilter> filter(p.propertyFilter);
        if (FAILED(p.graph->FindFilterByName(name, p.propertyFilter.ReleaseAndGetAddressOf())) || !filter)
            return OMB_OK;
        held = p.propertyFilter;
    }
    // The frame is modal: while it is up the host's own messages run on this
    // thread and may call in again (another omb_FillterProp, omb_Close), so
    // the filter it shows keeps a reference of this call's own.
    showFrame(reinterpret_cast<HWND>(owner), held.Get());
    return OMB_OK;
}
