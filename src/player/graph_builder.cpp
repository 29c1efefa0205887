// omb_Open: builds the filter graph for one file in one of the seven
// renderer configurations, with a Sample Grabber on request.
#include "ombrix.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "platform/com.h"
#include "platform/fpu.h"
#include "platform/ids.h"
#include "platform/media_type.h"
#include "player/arguments.h"
#include "player/graph_builder.h"
#include "player/player.h"

namespace ombrix {
namespace {

// What distinguishes modes 1 to 6: which video renderer they create, under
// which name it joins the graph, and whether the DirectSound Renderer is
// created before it.
struct Recipe {
    const CLSID* videoClass;       // null: no video renderer (audio only)
    ComPtr<IBaseFilter>* videoField;
    const wchar_t* videoName;
    bool audioCreatedFirst;
};

Recipe recipeFor(OpenGraph& g, int mode)
{
    switch (mode) {
    case OpenMode_VideoRenderer:
        return {&ids::CLSID_VideoRenderer, &g.videoRenderer, L"Video Renderer", true};
    case OpenMode_Vmr7:
        return {&ids::CLSID_VideoMixingRenderer, &g.vmr7Filter, L"VMR", false};
    case OpenMode_Vmr9:
        return {&ids::CLSID_VideoMixingRenderer9, &g.vmr9Filter, L"VMR9", false};
    case OpenMode_Evr:
        return {&ids::CLSID_EnhancedVideoRenderer, &g.evrFilter, L"Enhanced Video Renderer", false};
    case OpenMode_NullVideo:
        return {&ids::CLSID_NullRenderer, &g.nullRenderer, L"Renderer", true};
    default:
        return {nullptr, nullptr, nullptr, true};
    }
}

// Mode 0: the file name as a system string; a null name gives a null string.
struct SystemString {
    BSTR text = nullptr;
    ~SystemString() { SysFreeString(text); }

    bool convert(const char* fileName)
    {
        if (!fileName)
            return true;
        int length = static_cast<int>(std::strlen(fileName)) + 1;
        int count = MultiByteToWideChar(CP_ACP, 0, fileName, length, nullptr, 0);
        if (count <= 0)
            return false;
        std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[count]);
        if (!wide || MultiByteToWideChar(CP_ACP, 0, fileName, length, wide.get(), count) != count)
            return false;
        text = SysAllocString(wide.get());
        return text != nullptr;
    }
};

// Modes 1 to 6: the file name as a UTF-16 buffer of the call's own.
struct WideName {
    std::unique_ptr<wchar_t[]> text;

    bool convert(const char* fileName)
    {
        if (!fileName)
            return false;
        int count = MultiByteToWideChar(CP_ACP, 0, fileName, -1, nullptr, 0);
        if (count <= 0 || static_cast<std::uint64_t>(count) * sizeof(wchar_t) > UINT32_MAX)
            return false;
        text.reset(new (std::nothrow) wchar_t[count]);
        return text && MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, fileName, -1, text.get(), count) == count;
    }
};

} // namespace

void addFilter(IGraphBuilder* graph, IBaseFilter* filter, const wchar_t* name)
{
    // A renderer that could not be created stays out of the graph.
    if (filter)
        graph->AddFilter(filter, name);
}

void renderTo(ICaptureGraphBuilder2* builder, IBaseFilter* source, IBaseFilter* sink)
{
    // Never render to a null sink: the builder would pick a default renderer.
    if (sink)
        builder->RenderStream(nullptr, nullptr, source, nullptr, sink);
}

namespace {

// The Sample Grabber, told to accept uncompressed RGB24 video described by a
// VIDEOINFOHEADER. The graph's own connection logic decides whether the video
// stream passes through it; it is never connected by hand.
void addSampleGrabber(OpenGraph& g)
{
    g.grabberMediaType.reset();
    if (FAILED(platform::create(ids::CLSID_SampleGrabber, kGraphContext, ids::IID_IBaseFilter,
                                g.grabberFilter)) ||
        FAILED(platform::query(g.grabberFilter.Get(), ids::IID_ISampleGrabber, g.sampleGrabber))) {
        g.sampleGrabber.Reset();
        g.grabberFilter.Reset();
        return;
    }
    g.grabberMediaType.majortype = ids::MEDIATYPE_Video;
    g.grabberMediaType.subtype = ids::MEDIASUBTYPE_RGB24;
    g.grabberMediaType.formattype = ids::FORMAT_VideoInfo;
    g.sampleGrabber->SetMediaType(&g.grabberMediaType);
    g.graph->AddFilter(g.grabberFilter.Get(), L"Sample Grabber");
}

template <class Config>
void configureMixer(IBaseFilter* mixer, REFIID iid, int renderingMode, int streamCount)
{
    ComPtr<Config> config;
    if (!platform::obtain(mixer, iid, config))
        return;
    config->SetRenderingMode(static_cast<DWORD>(renderingMode));
    config->SetNumberOfStreams(static_cast<DWORD>(streamCount));
}

int renderDefault(OpenGraph& g, const char* fileName)
{
    SystemString name;
    if (!name.convert(fileName))
        return OMB_E_BAD_FILE_NAME;
    return g.mediaControl->RenderFile(name.text) == S_OK ? OMB_OK : OMB_E_CANNOT_RENDER;
}

int renderWithBuilder(OpenGraph& g, const char* fileName, int mode, int vmrRenderingMode, int vmrStreamCount)
{
    const Recipe recipe = recipeFor(g, mode);
    WideName name;
    if (!name.convert(fileName))
        return OMB_E_BAD_FILE_NAME;

    ComPtr<IBaseFilter>* video = recipe.videoField;
    auto createAudio = [&] {
        platform::create(ids::CLSID_DSoundRender, kFilterContext, ids::IID_IBaseFilter, g.audioRenderer);
    };
    if (recipe.audioCreatedFirst)
        createAudio();
    if (video) {
        HRESULT hr = platform::create(*recipe.videoClass, kFilterContext, ids::IID_IBaseFilter, *video);
        if (mode == OpenMode_Evr && hr != S_OK)
            return OMB_E_EVR_NOT_CREATED;
    }
    if (!recipe.audioCreatedFirst)
        createAudio();

    if (mode == OpenMode_Vmr7)
        configureMixer<IVMRFilterConfig>(g.vmr7Filter.Get(), ids::IID_IVMRFilterConfig, vmrRenderingMode,
                                         vmrStreamCount);
    else if (mode == OpenMode_Vmr9)
        configureMixer<IVMRFilterConfig9>(g.vmr9Filter.Get(), ids::IID_IVMRFilterConfig9, vmrRenderingMode,
                                          vmrStreamCount);

    if (mode == OpenMode_Evr) {
        if (g.graph->AddFilter(g.evrFilter.Get(), recipe.videoName) != S_OK)
            return OMB_E_EVR_NOT_ADDED;
    } else if (video) {
        addFilter(g.graph.Get(), video->Get(), recipe.videoName);
    }
    addFilter(g.graph.Get(), g.audioRenderer.Get(), L"DirectSound Renderer");

    if (g.graph->AddSourceFilter(name.text.get(), L"Source", g.sourceFilter.ReleaseAndGetAddressOf()) != S_OK ||
        !g.sourceFilter)
        return OMB_E_CANNOT_RENDER;

    if (mode == OpenMode_Vmr7) {
        ComPtr<IPin> output;
        if (g.sourceFilter->FindPin(L"Output", output.GetAddressOf()) != S_OK)
            return OMB_E_NO_OUTPUT_PIN;
    }

    if (FAILED(platform::create(ids::CLSID_CaptureGraphBuilder2, kGraphContext, ids::IID_ICaptureGraphBuilder2,
                                g.captureBuilder)))
        return OMB_E_NO_GRAPH_OBJECTS;
    g.captureBuilder->SetFiltergraph(g.graph.Get());
    if (video)
        renderTo(g.captureBuilder.Get(), g.sourceFilter.Get(), video->Get());
    renderTo(g.captureBuilder.Get(), g.sourceFilter.Get(), g.audioRenderer.Get());
    return OMB_OK;
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" int OMBRIX_CALL omb_Open(const char* fileName, int mode, int /*reserved*/, int vmrRenderingMode,
                                    int vmrStreamCount) noexcept
{
    Player& p = player();
    if (p.isOpen())
        return OMB_E_ALREADY_OPEN;
    if (mode < OpenMode_DefaultRenderers || mode > OpenMode_NullVideo)
        return OMB_E_BAD_MODE;
    p.openMode = mode;
    // No mode may hand the platform a null name or one longer than a path
    // can be: both are refused before a graph exists.
    if (!arguments::textWithin(fileName, arguments::kMaxPath))
        return OMB_E_BAD_FILE_NAME;
    // Building connects the renderers, which may change this thread's
    // floating-point control word; the host gets its own back.
    platform::PlatformFpu fpu;

    // The graph is built aside and reaches the Player (and so the worker
    // thread) only once it is complete; a failure releases what was built.
    OpenGraph built;
    if (FAILED(platform::create(ids::CLSID_FilterGraph, kGraphContext, ids::IID_IGraphBuilder, built.graph)) ||
        !platform::obtain(built.graph.Get(), ids::IID_IMediaControl, built.mediaControl)) {
        releaseGraph(built);
        return OMB_E_NO_GRAPH_OBJECTS;
    }

    if (p.useGrabber == 1)
        addSampleGrabber(built);

    int result = mode == OpenMode_DefaultRenderers
                     ? renderDefault(built, fileName)
                     : renderWithBuilder(built, fileName, mode, vmrRenderingMode, vmrStreamCount);
    if (result != OMB_OK) {
        releaseGraph(built);
        return result;
    }

    if (p.useGrabber == 1 && built.sampleGrabber)
        built.sampleGrabber->GetConnectedMediaType(built.grabberMediaType.fill());
    p.gate.publish(p, built);
    return OMB_OK;
}
