// The Capture Graph Builder ("builder"): it renders a stream into the graph
// it was given. A video stream, like the graph's RenderFile, connects the
// Sample Grabber unless the quirk builder_RenderStream_bypassGrabber
// (graph_RenderFile_bypassGrabber) routes it past the grabber.
#pragma once

#include <wrl/client.h>

#include "fake_object.h"

namespace fakes {

class FakeCaptureBuilder : public FakeObject, public ICaptureGraphBuilder2Stubs {
public:
    explicit FakeCaptureBuilder(World& world);
    FAKE_IUNKNOWN
    void finalRelease() override { graph_.Reset(); }

    HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT STDMETHODCALLTYPE RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                           IBaseFilter* intermediate, IBaseFilter* sink) override;

private:
    Microsoft::WRL::ComPtr<IGraphBuilder> graph_;
};

} // namespace fakes
