// omb_Test: a demonstration graph of its own for one fixed file, with the
// Video Mixing Renderer 9 and the DirectSound Renderer, played while a
// message box blocks the calling thread.
//
// The graph lives in locals only: the Player's fields (and so an open graph,
// the worker thread and any export the host calls while the box pumps
// messages) never see it.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/dialogs.h"
#include "platform/ids.h"
#include "player/graph_builder.h"
#include "player/player.h"

namespace ombrix {
namespace {

constexpr wchar_t kSelfTestFile[] = L"D:\\root\\selftest.3gp";

// Balances its own CoInitialize only. S_OK and S_FALSE are counted and need
// one CoUninitialize; RPC_E_CHANGED_MODE (the host chose the multithreaded
// apartment) is not, and uninitialising then would end the host's COM.
class ComScope {
public:
    ComScope() : hr_(CoInitialize(nullptr)) {}
    ~ComScope()
    {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

void runSelfTest()
{
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> vmr9;
    ComPtr<IBaseFilter> source;
    ComPtr<IBaseFilter> audio;
    ComPtr<ICaptureGraphBuilder2> builder;

    // No result is examined beyond what keeps every call on a real object:
    // whatever fails, the box is shown.
    platform::create(ids::CLSID_FilterGraph, kGraphContext, ids::IID_IGraphBuilder, graph);
    if (graph) {
        platform::query(graph.Get(), ids::IID_IMediaControl, control);
        platform::create(ids::CLSID_VideoMixingRenderer9, kFilterContext, ids::IID_IBaseFilter, vmr9);
        addFilter(graph.Get(), vmr9.Get(), L"VMR9");
        graph->AddSourceFilter(kSelfTestFile, L"Source", source.ReleaseAndGetAddressOf());
        platform::create(ids::CLSID_DSoundRender, kFilterContext, ids::IID_IBaseFilter, audio);
        addFilter(graph.Get(), audio.Get(), L"DirectSound Renderer");
        platform::create(ids::CLSID_CaptureGraphBuilder2, kGraphContext, ids::IID_ICaptureGraphBuilder2, builder);
        if (builder) {
            builder->SetFiltergraph(graph.Get());
            // A missing file leaves no source and nothing to render.
            if (source) {
                renderTo(builder.Get(), source.Get(), vmr9.Get());
                renderTo(builder.Get(), source.Get(), audio.Get());
            }
        }
        if (control)
            control->Run();
    }

    {
        // The box's modal loop runs the host's handlers.
        KeepSelection keep;
        platform::messageBoxFn(nullptr, L"Block Execution", L"Block", MB_OK);
    }

    // Playback ends with the box, before the graph is let go.
    if (control)
        control->Stop();
    control.Reset();
    builder.Reset();
    graph.Reset();
    vmr9.Reset();
    source.Reset();
    audio.Reset();
}

} // namespace
} // namespace ombrix

extern "C" int OMBRIX_CALL omb_Test(void) noexcept
{
    ombrix::ComScope com;
    ombrix::runSelfTest();
    return 0;
}
