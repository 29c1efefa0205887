// omb_Open: builds the filter graph for one file in one of the seven
// renderer configurations, with a Sample Grabber on request.
#include "ombrix.h"

#include <memory>

#include "platform/com.h"
#include "platform/fpu.h"
#include "platform/ids.h"
#include "platform/media_type.h"
#include "platform/mf_source.h"
#include "platform/text.h"
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

// omb_UseUTF8's setting, read by hostCodePage.
UINT hostTexts = CP_ACP;

} // namespace

void addFilter(IGraphBuilder* graph, IBaseFilter* filter, const wchar_t* name)
{
    // A renderer that could not be created stays out of the graph.
    if (filter)
        graph->AddFilter(filter, name);
}

void renderTo(ICaptureGraphBuilder2* builder, IBaseFilter* source, IBaseFilter* sink, const GUID* type)
{
    // Never render to a null sink: the builder would pick a default renderer.
    if (sink)
        builder->RenderStream(nullptr, type, source, nullptr, sink);
}

UINT hostCodePage() { return hostTexts; }

void setHostCodePage(UINT codePage) { hostTexts = codePage; }

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

// Mode 0 on the library's own source: the graph renders each of its pins,
// as RenderFile renders a file; every stream must reach a renderer.
int renderSourcePins(OpenGraph& g)
{
    ComPtr<IEnumPins> pins;
    if (g.sourceFilter->EnumPins(pins.GetAddressOf()) != S_OK)
        return OMB_E_CANNOT_RENDER;
    bool all = true;
    for (ComPtr<IPin> pin; pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK;)
        all = g.graph->Render(pin.Get()) == S_OK && all;
    return all ? OMB_OK : OMB_E_CANNOT_RENDER;
}

// Mode 0: the name as a system string.
int renderDefault(OpenGraph& g, const wchar_t* fileName)
{
    if (g.mediaFoundationSource)
        return renderSourcePins(g);
    BSTR name = SysAllocString(fileName);
    if (!name)
        return OMB_E_BAD_FILE_NAME;
    const HRESULT hr = g.mediaControl->RenderFile(name);
    SysFreeString(name);
    return hr == S_OK ? OMB_OK : OMB_E_CANNOT_RENDER;
}

int renderWithBuilder(OpenGraph& g, const wchar_t* fileName, int mode, int vmrRenderingMode, int vmrStreamCount)
{
    const Recipe recipe = recipeFor(g, mode);

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

    if (!g.mediaFoundationSource &&
        (g.graph->AddSourceFilter(fileName, L"Source", g.sourceFilter.ReleaseAndGetAddressOf()) != S_OK ||
         !g.sourceFilter))
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
    // The library's own source has a pin per stream, the video's first: each
    // renderer is given the pin of its own type (the builder would otherwise
    // try the first free pin only, and an audio renderer would get none).
    const bool typed = g.mediaFoundationSource;
    if (video)
        renderTo(g.captureBuilder.Get(), g.sourceFilter.Get(), video->Get(), typed ? &ids::MEDIATYPE_Video : nullptr);
    renderTo(g.captureBuilder.Get(), g.sourceFilter.Get(), g.audioRenderer.Get(),
             typed ? &ids::MEDIATYPE_Audio : nullptr);
    return OMB_OK;
}

// True unless every pin of the source is known to be unconnected: a
// DirectShow source whose streams reached no renderer (a file type the
// system has no splitter for, read as a bare byte stream).
bool sourceRendered(IBaseFilter* source)
{
    ComPtr<IEnumPins> pins;
    if (!source || source->EnumPins(pins.GetAddressOf()) != S_OK || !pins)
        return true;
    for (ComPtr<IPin> pin; pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
        ComPtr<IPin> peer;
        if (pin->ConnectedTo(peer.GetAddressOf()) != VFW_E_NOT_CONNECTED)
            return true;
    }
    return false;
}

// One attempt at the graph, aside from the player: on a DirectShow source
// (source null), or on the library's own. A failure releases what was built.
int buildGraph(Player& p, OpenGraph& built, const wchar_t* fileName, int mode, int vmrRenderingMode,
               int vmrStreamCount, IBaseFilter* source)
{
    if (FAILED(platform::create(ids::CLSID_FilterGraph, kGraphContext, ids::IID_IGraphBuilder, built.graph)) ||
        !platform::obtain(built.graph.Get(), ids::IID_IMediaControl, built.mediaControl)) {
        releaseGraph(built);
        return OMB_E_NO_GRAPH_OBJECTS;
    }

    if (p.useGrabber == 1)
        addSampleGrabber(built);

    if (source) {
        built.mediaFoundationSource = true;
        static_cast<ComPtr<IBaseFilter>&>(built.sourceFilter) = source;
        if (built.graph->AddFilter(source, L"Source") != S_OK) {
            releaseGraph(built);
            return OMB_E_CANNOT_RENDER;
        }
    }

    int result = mode == OpenMode_DefaultRenderers
                     ? renderDefault(built, fileName)
                     : renderWithBuilder(built, fileName, mode, vmrRenderingMode, vmrStreamCount);
    if (result != OMB_OK) {
        releaseGraph(built);
        return result;
    }

    if (p.useGrabber == 1 && built.sampleGrabber)
        built.sampleGrabber->GetConnectedMediaType(built.grabberMediaType.fill());
    return OMB_OK;
}

// omb_Open and omb_OpenW once the name is UTF-16: builds the graph aside and
// publishes it only once it is complete, from the sources the player's
// policy allows, in its order.
int openGraph(Player& p, const wchar_t* fileName, int mode, int vmrRenderingMode, int vmrStreamCount)
{
    // Building connects the renderers, which may change this thread's
    // floating-point control word; the host gets its own back.
    platform::PlatformFpu fpu;

    auto throughMediaFoundation = [&](OpenGraph& built) -> int {
        ComPtr<IBaseFilter> source;
        if (FAILED(platform::createMediaFoundationSource(fileName, source)))
            return OMB_E_CANNOT_RENDER;
        return buildGraph(p, built, fileName, mode, vmrRenderingMode, vmrStreamCount, source.Get());
    };

    OpenGraph built;
    int result = OMB_E_CANNOT_RENDER;
    if (p.sourcePolicy == OMB_SOURCE_MF_FIRST)
        result = throughMediaFoundation(built);
    if (result == OMB_E_CANNOT_RENDER)
        result = buildGraph(p, built, fileName, mode, vmrRenderingMode, vmrStreamCount, nullptr);
    const bool dshowFailed = !built.mediaFoundationSource &&
                             (result == OMB_E_CANNOT_RENDER ||
                              (result == OMB_OK && mode != OpenMode_DefaultRenderers &&
                               !sourceRendered(built.sourceFilter.Get())));
    if (p.sourcePolicy == OMB_SOURCE_DIRECTSHOW_THEN_MF && dshowFailed) {
        // The DirectShow result stands unless the other source does better.
        OpenGraph other;
        if (throughMediaFoundation(other) == OMB_OK) {
            releaseGraph(built);
            std::swap(built, other);
            result = OMB_OK;
        }
    }
    if (result != OMB_OK)
        return result;
    p.gate.publish(p, built);
    return OMB_OK;
}

// The name as UTF-16, or null when no mode may hand it to the platform:
// null, empty, longer than a path can be, or (a narrow one) not valid in the
// host's code page. A wide name is taken as it is; a narrow one is converted
// into `converted`, and its length is counted in UTF-16 units once converted,
// after a scan that stops at the most bytes so many units can take.
const wchar_t* wideName(const wchar_t* fileName, int, std::unique_ptr<wchar_t[]>&)
{
    if (!arguments::textWithin(fileName, arguments::kMaxPath) || !*fileName)
        return nullptr;
    return fileName;
}

const wchar_t* wideName(const char* fileName, int mode, std::unique_ptr<wchar_t[]>& converted)
{
    if (!fileName || !*fileName)
        return nullptr;
    const size_t bytes = strnlen(fileName, arguments::kMaxPathBytes + 1);
    if (bytes > arguments::kMaxPathBytes)
        return nullptr;
    // The process code page takes each mode's own flags; UTF-8 takes none.
    const UINT codePage = hostCodePage();
    const DWORD flags = codePage == CP_UTF8 || mode == OpenMode_DefaultRenderers ? 0 : MB_PRECOMPOSED;
    platform::WideText wide = platform::widen(fileName, bytes, codePage, flags);
    if (!wide.text || wide.length > arguments::kMaxPath)
        return nullptr;
    converted = std::move(wide.text);
    return converted.get();
}

// omb_Open and omb_OpenW: open and mode first; then no mode may hand the
// platform a name wideName refuses: it is refused before a graph exists.
template <class Char>
int openNamed(const Char* fileName, int mode, int vmrRenderingMode, int vmrStreamCount)
{
    Player& p = player();
    if (p.isOpen())
        return OMB_E_ALREADY_OPEN;
    if (mode < OpenMode_DefaultRenderers || mode > OpenMode_NullVideo)
        return OMB_E_BAD_MODE;
    p.openMode = mode;
    std::unique_ptr<wchar_t[]> converted;
    const wchar_t* name = wideName(fileName, mode, converted);
    if (!name)
        return OMB_E_BAD_FILE_NAME;
    return openGraph(p, name, mode, vmrRenderingMode, vmrStreamCount);
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" {

int OMBRIX_CALL omb_Open(const char* fileName, int mode, int /*reserved*/, int vmrRenderingMode,
                         int vmrStreamCount) noexcept
{
    return openNamed(fileName, mode, vmrRenderingMode, vmrStreamCount);
}

int OMBRIX_CALL omb_OpenW(const wchar_t* fileName, int mode, int /*reserved*/, int vmrRenderingMode,
                          int vmrStreamCount) noexcept
{
    return openNamed(fileName, mode, vmrRenderingMode, vmrStreamCount);
}

int OMBRIX_CALL omb_UseUTF8(int flag) noexcept
{
    setHostCodePage(flag != 0 ? CP_UTF8 : CP_ACP);
    return OMB_OK;
}

int OMBRIX_CALL omb_SetSourcePolicy(int policy) noexcept
{
    if (policy < OMB_SOURCE_DIRECTSHOW || policy > OMB_SOURCE_MF_FIRST)
        return OMB_E_REFUSED;
    player().sourcePolicy = policy;
    return OMB_OK;
}

int OMBRIX_CALL omb_GetSource(void) noexcept
{
    const Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    return p.mediaFoundationSource ? 1 : 0;
}

} // extern "C"
