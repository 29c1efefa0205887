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
#include "platform/fpu.h"
#include "platform/graph_clock.h"
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

// The self-test's graph, held in locals of omb_Test only.
struct SelfTestGraph {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> vmr9;
    ComPtr<IBaseFilter> source;
    ComPtr<IBaseFilter> audio;
    ComPtr<ICaptureGraphBuilder2> builder;
};

// No result is examined beyond what keeps every call on a real object:
// whatever fails, the box is shown.
void buildAndRun(SelfTestGraph& g)
{
    platform::create(ids::CLSID_FilterGraph, kGraphContext, ids::IID_IGraphBuilder, g.graph);
    if (!g.graph)
        return;
    platform::query(g.graph.Get(), ids::IID_IMediaControl, g.control);
    platform::create(ids::CLSID_VideoMixingRenderer9, kFilterContext, ids::IID_IBaseFilter, g.vmr9);
    addFilter(g.graph.Get(), g.vmr9.Get(), L"VMR9");
    g.graph->AddSourceFilter(kSelfTestFile, L"Source", g.source.ReleaseAndGetAddressOf());
    platform::create(ids::CLSID_DSoundRender, kFilterContext, ids::IID_IBaseFilter, g.audio);
    addFilter(g.graph.Get(), g.audio.Get(), L"DirectSound Renderer");
    platform::create(ids::CLSID_CaptureGraphBuilder2, kGraphContext, ids::IID_ICaptureGraphBuilder2, g.builder);
    if (g.builder) {
        g.builder->SetFiltergraph(g.graph.Get());
        // A missing file leaves no source and nothing to render.
        if (g.source) {
            renderTo(g.builder.Get(), g.source.Get(), g.vmr9.Get());
            renderTo(g.builder.Get(), g.source.Get(), g.audio.Get());
        }
    }
    if (g.control)
        g.control->Run();
}

// Playback ends with the box, before the graph is let go.
void stopAndRelease(SelfTestGraph& g)
{
    const platform::LastClock clock(g.graph.Get()); // goes last
    if (g.control)
        g.control->Stop();
    g.control.Reset();
    g.builder.Reset();
    g.graph.Reset();
    g.vmr9.Reset();
    g.source.Reset();
    g.audio.Reset();
}

// Connecting the VMR-9 creates its Direct3D device, which may change this
// thread's floating-point control word, and stopping and releasing it may
// again: the platform work on either side of the box runs guarded, and the
// box runs the host's messages under the host's own control word.
void runSelfTest()
{
    SelfTestGraph g;
    {
        platform::PlatformFpu fpu;
        buildAndRun(g);
    }
    {
        // The box's modal loop runs the host's handlers.
        KeepSelection keep;
        platform::messageBoxFn(nullptr, L"Block Execution", L"Block", MB_OK);
    }
    platform::PlatformFpu fpu;
    stopAndRelease(g);
}

} // namespace
} // namespace ombrix

extern "C" int OMBRIX_CALL omb_Test(void) noexcept
{
    ombrix::ComScope com;
    ombrix::runSelfTest();
    return 0;
}
