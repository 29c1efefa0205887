// omb_Open: builds the filter graph for one file in one of the seven
// renderer configurations, with a Sample Grabber on request.
#include "ombrix.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "platform/com.h"
#include "platform/ids.h"
#include "platform/media_type.h"
#include "player/graph_builder.h"
#include "player/player.h"

namespace ombrix {
namespace {

enum OpenCode : int {
    kOpened = 0,
    kAlreadyOpen = -1,
    kBadMode = -2,
    kEvrNotCreated = -1,
    kEvrNotAdded = -2,
    kNotRendered = -4,
    kNoOutputPin = -5,
    kBadFileName = -6,
    kNoGraphObjects = -7,
};

// What distinguishes modes 1 to 6: which video renderer they create, under
// which name it joins the graph, and whether the DirectSound Renderer is
// created before it.
struct Recipe {
    const CLSID* videoClass;       // null: no video renderer (audio only)
    ComPtr<IBaseFilter>* videoField;
    const wchar_t* videoName;
    bool audioCreatedFirst;
};

Recipe recipeFor(Player& p, int mode)
{
    switch (mode) {
    case OpenMode_VideoRenderer:
        return {&ids::CLSID_VideoRenderer, &p.videoRenderer, L"Video Renderer", true};
    case OpenMode_Vmr7:
        return {&ids::CLSID_VideoMixingRenderer, &p.vmr7Filter, L"VMR", false};
    case OpenMode_Vmr9:
        return {&ids::CLSID_VideoMixingRenderer9, &p.vmr9Filter, L"VMR9", false};
    case OpenMode_Evr:
        return {&ids::CLSID_EnhancedVideoRenderer, &p.evrFilter, L"Enhanced Video Renderer", false};
    case OpenMode_NullVideo:
        return {&ids::CLSID_NullRenderer, &p.nullRenderer, L"Renderer", true};
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
void addSampleGrabber(Player& p)
{
    releaseGrabber(p);
    std::memset(&p.grabberMediaType, 0, sizeof p.grabberMediaType);
    if (FAILED(platform::create(ids::CLSID_SampleGrabber, kGraphContext, ids::IID_IBaseFilter,
                                p.grabberFilter)) ||
        FAILED(platform::query(p.grabberFilter.Get(), ids::IID_ISampleGrabber, p.sampleGrabber))) {
        releaseGrabber(p);
        return;
    }
    p.grabberMediaType.majortype = ids::MEDIATYPE_Video;
    p.grabberMediaType.subtype = ids::MEDIASUBTYPE_RGB24;
    p.grabberMediaType.formattype = ids::FORMAT_VideoInfo;
    p.sampleGrabber->SetMediaType(&p.grabberMediaType);
    p.graph->AddFilter(p.grabberFilter.Get(), L"Sample Grabber");
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

int renderDefault(Player& p, const char* fileName)
{
    SystemString name;
    if (!name.convert(fileName))
        return kBadFileName;
    return p.mediaControl->RenderFile(name.text) == S_OK ? kOpened : kNotRendered;
}

int renderWithBuilder(Player& p, const char* fileName, int mode, int vmrRenderingMode, int vmrStreamCount)
{
    const Recipe recipe = recipeFor(p, mode);
    WideName name;
    if (!name.convert(fileName))
        return kBadFileName;

    ComPtr<IBaseFilter>* video = recipe.videoField;
    auto createAudio = [&] {
        platform::create(ids::CLSID_DSoundRender, kFilterContext, ids::IID_IBaseFilter, p.audioRenderer);
    };
    if (recipe.audioCreatedFirst)
        createAudio();
    if (video) {
        HRESULT hr = platform::create(*recipe.videoClass, kFilterContext, ids::IID_IBaseFilter, *video);
        if (mode == OpenMode_Evr && hr != S_OK)
            return kEvrNotCreated;
    }
    if (!recipe.audioCreatedFirst)
        createAudio();

    if (mode == OpenMode_Vmr7)
        configureMixer<IVMRFilterConfig>(p.vmr7Filter.Get(), ids::IID_IVMRFilterConfig, vmrRenderingMode,
                                         vmrStreamCount);
    else if (mode == OpenMode_Vmr9)
        configureMixer<IVMRFilterConfig9>(p.vmr9Filter.Get(), ids::IID_IVMRFilterConfig9, vmrRenderingMode,
                                          vmrStreamCount);

    if (mode == OpenMode_Evr) {
        if (p.graph->AddFilter(p.evrFilter.Get(), recipe.videoName) != S_OK)
            return kEvrNotAdded;
    } else if (video) {
        addFilter(p.graph.Get(), video->Get(), recipe.videoName);
    }
    addFilter(p.graph.Get(), p.audioRenderer.Get(), L"DirectSound Renderer");

    if (p.graph->AddSourceFilter(name.text.get(), L"Source", p.sourceFilter.ReleaseAndGetAddressOf()) != S_OK ||
        !p.sourceFilter)
        return kNotRendered;

    if (mode == OpenMode_Vmr7) {
        ComPtr<IPin> output;
        if (p.sourceFilter->FindPin(L"Output", output.GetAddressOf()) != S_OK)
            return kNoOutputPin;
    }

    if (FAILED(platform::create(ids::CLSID_CaptureGraphBuilder2, kGraphContext, ids::IID_ICaptureGraphBuilder2,
                                p.captureBuilder)))
        return kNoGraphObjects;
    p.captureBuilder->SetFiltergraph(p.graph.Get());
    if (video)
        renderTo(p.captureBuilder.Get(), p.sourceFilter.Get(), video->Get());
    renderTo(p.captureBuilder.Get(), p.sourceFilter.Get(), p.audioRenderer.Get());
    return kOpened;
}

// Puts the Player back as it was before a failed open (openMode apart).
void abandonOpen(Player& p)
{
    p.sourceFilter.Reset();
    p.captureBuilder.Reset();
    p.videoRenderer.Reset();
    p.vmr7Filter.Reset();
    p.vmr9Filter.Reset();
    p.evrFilter.Reset();
    p.nullRenderer.Reset();
    p.audioRenderer.Reset();
    releaseGrabber(p);
    releaseGraphCaches(p);
    ComPtr<IMediaControl> control;
    ComPtr<IGraphBuilder> graph;
    {
        FieldLock lock(p);
        control.Swap(p.mediaControl);
        graph.Swap(p.graph);
    }
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" int OMBRIX_CALL omb_Open(const char* fileName, int mode, int /*reserved*/, int vmrRenderingMode,
                                    int vmrStreamCount)
{
    Player& p = player();
    if (p.isOpen())
        return kAlreadyOpen;
    if (mode < OpenMode_DefaultRenderers || mode > OpenMode_NullVideo)
        return kBadMode;
    p.openMode = mode;

    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    if (FAILED(platform::create(ids::CLSID_FilterGraph, kGraphContext, ids::IID_IGraphBuilder, graph)) ||
        !platform::obtain(graph.Get(), ids::IID_IMediaControl, control))
        return kNoGraphObjects;
    {
        FieldLock lock(p);
        p.graph = graph;
        p.mediaControl = control;
    }

    if (p.useGrabber == 1)
        addSampleGrabber(p);

    int result = mode == OpenMode_DefaultRenderers
                     ? renderDefault(p, fileName)
                     : renderWithBuilder(p, fileName, mode, vmrRenderingMode, vmrStreamCount);
    if (result != kOpened) {
        abandonOpen(p);
        return result;
    }

    p.playState = PlayState_Open;
    if (p.useGrabber == 1 && p.sampleGrabber) {
        platform::freeMediaTypeFormat(p.grabberMediaType);
        p.sampleGrabber->GetConnectedMediaType(&p.grabberMediaType);
    }
    return kOpened;
}
