#include "fake_builder.h"

#include <cstdint>

#include "fake_filter.h"
#include "platform/ids.h"
#include "world.h"

namespace fakes {

FakeCaptureBuilder::FakeCaptureBuilder(World& w) : FakeObject(w, "builder")
{
    offer(ombrix::ids::IID_ICaptureGraphBuilder2, static_cast<ICaptureGraphBuilder2*>(this));
}

HRESULT FakeCaptureBuilder::SetFiltergraph(IGraphBuilder* graph)
{
    record("SetFiltergraph", graph);
    graph_ = graph;
    return outcome("SetFiltergraph");
}

HRESULT FakeCaptureBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                         IBaseFilter* intermediate, IBaseFilter* sink)
{
    record("RenderStream", category, type, source, intermediate, sink);
    HRESULT hr = outcome("RenderStream");
    // A video renderer sink routes the stream through a Sample Grabber in the graph.
    if (SUCCEEDED(hr) && !quirk("RenderStream.bypassGrabber"))
        if (FakeFilter* grabber = world.filter("grabber"))
            if (sink && world.nameOf(sink) != "dsound")
                grabber->connected = true;
#if defined(__i386__)
    // A 32-bit VMR-9 makes its Direct3D 9 device as its input connects,
    // without FPU preservation: the device sets the thread's x87 unit to
    // 24-bit precision, rounding to nearest.
    if (SUCCEEDED(hr) && sink && world.nameOf(sink) == "vmr9") {
        std::uint16_t word;
        asm volatile("fnstcw %0" : "=m"(word));
        word &= ~0x0f00;
        asm volatile("fldcw %0" : : "m"(word));
    }
#endif
    return hr;
}

} // namespace fakes
