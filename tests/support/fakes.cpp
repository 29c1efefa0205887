#include "fakes.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/com.h"
#include "platform/handles.h"
#include "platform/ids.h"

namespace fakes {
namespace {

World* currentWorld = nullptr;

struct NamedGuid {
    const GUID* guid;
    const char* name;
};

} // namespace

std::string narrow(const wchar_t* text)
{
    if (!text)
        return "";
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::string guidName(REFGUID guid)
{
    namespace ids = ombrix::ids;
    static const NamedGuid names[] = {
        {&ids::CLSID_FilterGraph, "FilterGraph"},
        {&ids::CLSID_CaptureGraphBuilder2, "CaptureGraphBuilder2"},
        {&ids::CLSID_SampleGrabber, "SampleGrabber"},
        {&ids::CLSID_DSoundRender, "DSoundRender"},
        {&ids::CLSID_VideoRenderer, "VideoRenderer"},
        {&ids::CLSID_VideoMixingRenderer, "VideoMixingRenderer"},
        {&ids::CLSID_VideoMixingRenderer9, "VideoMixingRenderer9"},
        {&ids::CLSID_EnhancedVideoRenderer, "EnhancedVideoRenderer"},
        {&ids::CLSID_NullRenderer, "NullRenderer"},
        {&ids::IID_IGraphBuilder, "IGraphBuilder"},
        {&ids::IID_IBaseFilter, "IBaseFilter"},
        {&ids::IID_ICaptureGraphBuilder2, "ICaptureGraphBuilder2"},
        {&ids::IID_IMediaControl, "IMediaControl"},
        {&ids::IID_IMediaEventEx, "IMediaEventEx"},
        {&ids::IID_IVideoWindow, "IVideoWindow"},
        {&ids::IID_ISampleGrabber, "ISampleGrabber"},
        {&ids::IID_IVMRFilterConfig, "IVMRFilterConfig"},
        {&ids::IID_IVMRFilterConfig9, "IVMRFilterConfig9"},
        {&ids::IID_IBasicAudio, "IBasicAudio"},
        {&ids::IID_IAMClockSlave, "IAMClockSlave"},
        {&ids::IID_IAMGraphStreams, "IAMGraphStreams"},
        {&ids::CLSID_SystemClock, "SystemClock"},
        {&ids::IID_IAMClockAdjust, "IAMClockAdjust"},
        {&ids::CLSID_MMDeviceEnumerator, "MMDeviceEnumerator"},
        {&ids::IID_IMMDeviceEnumerator, "IMMDeviceEnumerator"},
        {&ids::IID_IAudioEndpointVolume, "IAudioEndpointVolume"},
        {&GUID_NULL, "GUID_NULL"},
        {&ids::IID_IMFVideoDisplayControl, "IMFVideoDisplayControl"},
        {&ids::MR_VIDEO_RENDER_SERVICE, "MR_VIDEO_RENDER_SERVICE"},
        {&ids::MEDIATYPE_Video, "MEDIATYPE_Video"},
        {&ids::MEDIASUBTYPE_RGB24, "MEDIASUBTYPE_RGB24"},
        {&ids::FORMAT_VideoInfo, "FORMAT_VideoInfo"},
        {&ids::IID_IMediaPosition, "IMediaPosition"},
        {&ids::IID_IMediaSeeking, "IMediaSeeking"},
        {&ids::IID_IVideoFrameStep, "IVideoFrameStep"},
        {&ids::IID_ISpecifyPropertyPages, "ISpecifyPropertyPages"},
        {&ids::IID_IPropertyPage, "IPropertyPage"},
        {&ids::TIME_FORMAT_MEDIA_TIME, "TIME_FORMAT_MEDIA_TIME"},
        {&ids::TIME_FORMAT_FRAME, "TIME_FORMAT_FRAME"},
    };
    for (const NamedGuid& n : names)
        if (IsEqualGUID(*n.guid, guid))
            return n.name;
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return narrow(text);
}

// ---- CallLog ---------------------------------------------------------------

CallLog::CallLog() : hostThread(GetCurrentThreadId()), paused_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    InitializeCriticalSection(&lock_);
}

CallLog::~CallLog()
{
    CloseHandle(paused_);
    DeleteCriticalSection(&lock_);
}

void CallLog::push_back(std::string line, const void* object)
{
    const DWORD thread = GetCurrentThreadId();
    bool pause = false;
    std::function<bool()> resume;
    EnterCriticalSection(&lock_);
    if (pauseCountdown_ > 0 && thread != hostThread && line.compare(0, pausePrefix_.size(), pausePrefix_) == 0 &&
        --pauseCountdown_ == 0) {
        pause = true;
        resume = resume_;
    }
    lines_.push_back(std::move(line));
    threads_.push_back(thread);
    objects_.push_back(object);
    LeaveCriticalSection(&lock_);
    if (!pause)
        return;
    SetEvent(paused_);
    const ULONGLONG deadline = GetTickCount64() + waitLimit;
    while (!resume()) {
        if (GetTickCount64() >= deadline) {
            timedOut_ = true;
            return;
        }
        Sleep(1);
    }
}

void CallLog::clear()
{
    EnterCriticalSection(&lock_);
    lines_.clear();
    threads_.clear();
    objects_.clear();
    LeaveCriticalSection(&lock_);
}

bool CallLog::empty() const { return size() == 0; }

size_t CallLog::size() const
{
    EnterCriticalSection(&lock_);
    size_t n = lines_.size();
    LeaveCriticalSection(&lock_);
    return n;
}

std::vector<std::string> CallLog::lines() const
{
    EnterCriticalSection(&lock_);
    std::vector<std::string> copy = lines_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::vector<CallLog::Entry> CallLog::entries() const
{
    std::vector<Entry> out;
    EnterCriticalSection(&lock_);
    for (size_t i = 0; i < lines_.size(); ++i)
        out.push_back({lines_[i], threads_[i], objects_[i]});
    LeaveCriticalSection(&lock_);
    return out;
}

void CallLog::pauseAt(const std::string& prefix, int occurrence, std::function<bool()> resume)
{
    EnterCriticalSection(&lock_);
    pausePrefix_ = prefix;
    pauseCountdown_ = occurrence;
    resume_ = std::move(resume);
    timedOut_ = false;
    ResetEvent(paused_);
    LeaveCriticalSection(&lock_);
}

bool CallLog::waitForPause(DWORD milliseconds) const
{
    // Messages the paused thread sends to this one (a forwarded event) are
    // handled meanwhile.
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return WaitForSingleObject(paused_, 0) == WAIT_OBJECT_0;
        DWORD woke = MsgWaitForMultipleObjects(1, &paused_, FALSE, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0)
            return true;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// ---- FakeObject ------------------------------------------------------------

FakeObject::FakeObject(World& w, std::string n) : name(std::move(n)), world(w) {}

ULONG FakeObject::release()
{
    LONG left = InterlockedDecrement(&refs);
    if (left < 0) {
        InterlockedIncrement(&refs);
        world.log.push_back(name + ".Release() on a dead object");
        return 0;
    }
    if (world.traceReleases)
        world.log.push_back("release " + name + " " + std::to_string(left));
    if (left == 0) {
        lastReleaseThread = GetCurrentThreadId();
        finalRelease();
    }
    return static_cast<ULONG>(left);
}

void FakeObject::offer(REFIID iid, void* face) { faces_.emplace_back(iid, face); }

HRESULT FakeObject::queryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    auto lack = world.lacking.find(name);
    if (lack != world.lacking.end())
        for (const IID& missing : lack->second)
            if (IsEqualGUID(missing, iid))
                return E_NOINTERFACE;
    if (IsEqualGUID(iid, IID_IUnknown) && !faces_.empty()) {
        *out = faces_.front().second;
        addRef();
        return S_OK;
    }
    for (auto& [id, face] : faces_)
        if (IsEqualGUID(id, iid)) {
            *out = face;
            addRef();
            return S_OK;
        }
    return E_NOINTERFACE;
}

bool FakeObject::owns(const void* pointer) const
{
    for (auto& face : faces_)
        if (face.second == pointer)
            return true;
    return false;
}

HRESULT FakeObject::outcome(const char* method, HRESULT normal) const
{
    auto it = world.failures.find(name + "." + method);
    return it == world.failures.end() ? normal : it->second;
}

bool FakeObject::quirk(const char* what) const { return world.quirks.count(name + "." + what) != 0; }

HRESULT FakeObject::unexpected(const char* method)
{
    world.log.push_back(name + "." + method + " (not faked)");
    return outcome(method, E_NOTIMPL);
}

// ---- FakePin ---------------------------------------------------------------

FakePin::FakePin(World& w, std::string n) : FakeObject(w, std::move(n))
{
    offer(IID_IPin, static_cast<IPin*>(this));
}

// ---- FakeDisplayControl ----------------------------------------------------

FakeDisplayControl::FakeDisplayControl(World& w) : FakeObject(w, "display")
{
    offer(ombrix::ids::IID_IMFVideoDisplayControl, static_cast<IMFVideoDisplayControl*>(this));
}

HRESULT FakeDisplayControl::SetVideoWindow(HWND window)
{
    record("SetVideoWindow", static_cast<long long>(reinterpret_cast<intptr_t>(window)));
    return outcome("SetVideoWindow");
}

HRESULT FakeDisplayControl::SetVideoPosition(const MFVideoNormalizedRect* source, const LPRECT destination)
{
    std::ostringstream text;
    text << "{" << source->left << ", " << source->top << ", " << source->right << ", " << source->bottom
         << "}, {" << destination->left << ", " << destination->top << ", " << destination->right << ", "
         << destination->bottom << "}";
    world.log.push_back(name + ".SetVideoPosition(" + text.str() + ")");
    return outcome("SetVideoPosition");
}

// ---- FakeFilter ------------------------------------------------------------

FakeFilter::FakeFilter(World& w, std::string n, REFCLSID id) : FakeObject(w, std::move(n)), clsid(id)
{
    offer(ombrix::ids::IID_IBaseFilter, static_cast<IBaseFilter*>(this));
    if (IsEqualGUID(id, ombrix::ids::CLSID_SampleGrabber))
        offer(ombrix::ids::IID_ISampleGrabber, static_cast<ISampleGrabber*>(this));
    if (IsEqualGUID(id, ombrix::ids::CLSID_VideoMixingRenderer))
        offer(ombrix::ids::IID_IVMRFilterConfig, static_cast<IVMRFilterConfig*>(this));
    if (IsEqualGUID(id, ombrix::ids::CLSID_VideoMixingRenderer9))
        offer(ombrix::ids::IID_IVMRFilterConfig9, static_cast<IVMRFilterConfig9*>(this));
    if (world.propertyPages.count(name))
        offer(ombrix::ids::IID_ISpecifyPropertyPages, static_cast<ISpecifyPropertyPages*>(this));
    if (IsEqualGUID(id, ombrix::ids::CLSID_DSoundRender))
        offer(ombrix::ids::IID_IAMClockSlave, static_cast<IAMClockSlave*>(this));
    if (IsEqualGUID(id, ombrix::ids::CLSID_EnhancedVideoRenderer))
        offer(IID_IMFGetService, static_cast<IMFGetService*>(this));
    if (IsEqualGUID(id, ombrix::ids::CLSID_VideoMixingRenderer))
        offer(ombrix::ids::IID_IVMRMixerBitmap, static_cast<IVMRMixerBitmap*>(this));
    if (IsEqualGUID(id, ombrix::ids::CLSID_VideoMixingRenderer9))
        offer(ombrix::ids::IID_IVMRMixerBitmap9, static_cast<IVMRMixerBitmap9*>(this));
    if (IsEqualGUID(id, ombrix::ids::CLSID_VideoRenderer) || IsEqualGUID(id, ombrix::ids::CLSID_VideoMixingRenderer) ||
        IsEqualGUID(id, ombrix::ids::CLSID_VideoMixingRenderer9) ||
        IsEqualGUID(id, ombrix::ids::CLSID_EnhancedVideoRenderer))
        offer(ombrix::ids::IID_IQualProp, static_cast<IQualProp*>(this));
}

HRESULT FakeFilter::SetBufferSamples(BOOL buffer)
{
    record("SetBufferSamples", buffer);
    bufferSamples = buffer != FALSE;
    return outcome("SetBufferSamples");
}

HRESULT FakeFilter::GetCurrentBuffer(LONG* size, LONG* buffer)
{
    record("GetCurrentBuffer", *size);
    const std::vector<BYTE>& frame = world.grabberFrame;
    HRESULT hr = outcome("GetCurrentBuffer", !bufferSamples ? E_INVALIDARG
                                             : !connected  ? VFW_E_NOT_CONNECTED
                                             : frame.empty() ? VFW_E_WRONG_STATE
                                                             : S_OK);
    if (FAILED(hr))
        return hr;
    LONG delivered = static_cast<LONG>(quirk("GetCurrentBuffer.short") ? frame.size() / 2 : frame.size());
    if (!buffer) {
        *size = delivered;
        return S_OK;
    }
    if (*size < delivered)
        return E_OUTOFMEMORY;
    std::memcpy(buffer, frame.data(), delivered);
    *size = delivered;
    return hr;
}

namespace {

std::string floatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[16];
    std::snprintf(text, sizeof text, "%08X", bits);
    return text;
}

template <class Record>
std::string describeBitmap(const World& world, const Record& b)
{
    std::ostringstream out;
    out << b.dwFlags << ", " << (b.hdc ? "dc" : "null") << ", " << (b.pDDS ? "surface" : "null") << ", "
        << b.rSrc.left << " " << b.rSrc.top << " " << b.rSrc.right << " " << b.rSrc.bottom << ", "
        << floatBits(b.rDest.left) << " " << floatBits(b.rDest.top) << " " << floatBits(b.rDest.right) << " "
        << floatBits(b.rDest.bottom) << ", " << floatBits(b.fAlpha) << ", " << std::hex << b.clrSrcKey;
    (void)world;
    return out.str();
}

} // namespace

HRESULT FakeFilter::SetAlphaBitmap(const VMRALPHABITMAP* bitmap)
{
    record("SetAlphaBitmap", describeBitmap(world, *bitmap));
    bitmap7 = *bitmap;
    return outcome("SetAlphaBitmap");
}

HRESULT FakeFilter::SetAlphaBitmap(const VMR9AlphaBitmap* bitmap)
{
    record("SetAlphaBitmap", describeBitmap(world, *bitmap) + ", mode " + std::to_string(bitmap->dwFilterMode));
    bitmap9 = *bitmap;
    return outcome("SetAlphaBitmap");
}

HRESULT FakeFilter::statistic(const char* method, int index, int* value)
{
    record(method);
    HRESULT hr = outcome(method);
    if (SUCCEEDED(hr) && !quirk((std::string(method) + ".nowrite").c_str()))
        *value = quality[index];
    return hr;
}

HRESULT FakeFilter::get_FramesDroppedInRenderer(int* v) { return statistic("get_FramesDroppedInRenderer", 0, v); }
HRESULT FakeFilter::get_FramesDrawn(int* v) { return statistic("get_FramesDrawn", 1, v); }
HRESULT FakeFilter::get_AvgFrameRate(int* v) { return statistic("get_AvgFrameRate", 2, v); }
HRESULT FakeFilter::get_Jitter(int* v) { return statistic("get_Jitter", 3, v); }
HRESULT FakeFilter::get_AvgSyncOffset(int* v) { return statistic("get_AvgSyncOffset", 4, v); }
HRESULT FakeFilter::get_DevSyncOffset(int* v) { return statistic("get_DevSyncOffset", 5, v); }

HRESULT FakeFilter::GetService(REFGUID service, REFIID iid, LPVOID* out)
{
    record("GetService", &service, &iid);
    *out = nullptr;
    HRESULT hr = outcome("GetService");
    if (hr != S_OK)
        return hr;
    if (!IsEqualGUID(service, ombrix::ids::MR_VIDEO_RENDER_SERVICE) ||
        !IsEqualGUID(iid, ombrix::ids::IID_IMFVideoDisplayControl))
        return E_NOINTERFACE;
    FakeDisplayControl& display = world.make<FakeDisplayControl>();
    return display.queryInterface(iid, out);
}

HRESULT FakeFilter::FindPin(LPCWSTR id, IPin** pin)
{
    record("FindPin", id);
    *pin = nullptr;
    HRESULT hr = outcome("FindPin", id && outputPinName == id ? S_OK : VFW_E_NOT_FOUND);
    if (hr != S_OK)
        return hr;
    FakePin& made = world.make<FakePin>(name + ".pin");
    made.addRef();
    *pin = &made;
    return S_OK;
}

HRESULT FakeFilter::GetClassID(CLSID* out)
{
    *out = clsid;
    return S_OK;
}

HRESULT FakeFilter::QueryFilterInfo(FILTER_INFO* info)
{
    record("QueryFilterInfo");
    std::memset(info, 0, sizeof *info);
    wcsncpy(info->achName, graphName.c_str(), MAX_FILTER_NAME - 1);
    info->pGraph = joinedGraph;
    if (joinedGraph)
        joinedGraph->AddRef();
    return outcome("QueryFilterInfo");
}

HRESULT FakeFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR n)
{
    joinedGraph = graph;
    graphName = n ? n : L"";
    return S_OK;
}

HRESULT FakeFilter::SetMediaType(const AM_MEDIA_TYPE* type)
{
    record("SetMediaType", &type->majortype, &type->subtype, &type->formattype, type->lSampleSize,
           type->cbFormat);
    acceptedType = *type;
    acceptedType.pbFormat = nullptr;
    return outcome("SetMediaType");
}

HRESULT FakeFilter::GetConnectedMediaType(AM_MEDIA_TYPE* type)
{
    record("GetConnectedMediaType");
    HRESULT hr = outcome("GetConnectedMediaType", connected ? S_OK : VFW_E_NOT_CONNECTED);
    if (hr != S_OK)
        return hr;
    std::memset(type, 0, sizeof *type);
    type->majortype = ombrix::ids::MEDIATYPE_Video;
    type->subtype = ombrix::ids::MEDIASUBTYPE_RGB24;
    type->formattype = ombrix::ids::FORMAT_VideoInfo;
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = world.grabberSampleSize;
    if (!world.grabberFormat.empty()) {
        void* block = CoTaskMemAlloc(world.grabberFormat.size());
        std::memcpy(block, world.grabberFormat.data(), world.grabberFormat.size());
        type->cbFormat = static_cast<ULONG>(world.grabberFormat.size());
        type->pbFormat = static_cast<BYTE*>(block);
        world.noteFormatBlock(block);
    } else if (!quirk("GetConnectedMediaType.noformat")) {
        auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
        std::memset(info, 0, sizeof *info);
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info->bmiHeader.biWidth = world.grabberWidth;
        info->bmiHeader.biHeight = world.grabberHeight;
        info->bmiHeader.biPlanes = 1;
        info->bmiHeader.biBitCount = 24;
        info->bmiHeader.biSizeImage = world.grabberWidth * world.grabberHeight * 3;
        type->cbFormat = sizeof(VIDEOINFOHEADER);
        type->pbFormat = reinterpret_cast<BYTE*>(info);
        world.noteFormatBlock(info);
    }
    return S_OK;
}

HRESULT FakeFilter::SetRenderingMode(DWORD mode)
{
    record("SetRenderingMode", mode);
    return outcome("SetRenderingMode");
}

HRESULT FakeFilter::SetNumberOfStreams(DWORD count)
{
    record("SetNumberOfStreams", count);
    return outcome("SetNumberOfStreams");
}

// ---- FakeFilter: clock slaving ---------------------------------------------

HRESULT FakeFilter::SetErrorTolerance(DWORD tolerance)
{
    record("SetErrorTolerance", tolerance);
    HRESULT hr = outcome("SetErrorTolerance", tolerance >= 1 && tolerance <= 1000 ? S_OK : E_FAIL);
    if (hr == S_OK)
        clockTolerance = tolerance;
    return hr;
}

HRESULT FakeFilter::GetErrorTolerance(DWORD* tolerance)
{
    return reply("GetErrorTolerance", tolerance, clockTolerance);
}

// ---- FakeFilter: property pages -------------------------------------------

HRESULT FakeFilter::GetPages(CAUUID* pages)
{
    record("GetPages");
    HRESULT hr = outcome("GetPages");
    if (FAILED(hr)) {
        // "name.GetPages.scribble": a failing filter that still writes an
        // array (which stays the filter's: the caller must not free it).
        if (quirk("GetPages.scribble")) {
            void* block = CoTaskMemAlloc(sizeof(CLSID));
            world.notePageArray(block);
            pages->cElems = 1;
            pages->pElems = static_cast<GUID*>(block);
        }
        return hr;
    }
    const std::vector<CLSID>& classes = world.propertyPages[name];
    pages->cElems = static_cast<ULONG>(classes.size());
    pages->pElems = nullptr;
    if (!classes.empty()) {
        pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(classes.size() * sizeof(CLSID)));
        std::memcpy(pages->pElems, classes.data(), classes.size() * sizeof(CLSID));
        world.notePageArray(pages->pElems);
    }
    return hr;
}

// ---- FakeCaptureBuilder ----------------------------------------------------

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
    return hr;
}

// ---- FakeGraph -------------------------------------------------------------

FakeGraph::FakeGraph(World& w) : FakeObject(w, "graph")
{
    offer(ombrix::ids::IID_IGraphBuilder, static_cast<IGraphBuilder*>(this));
    offer(IID_IFilterGraph, static_cast<IFilterGraph*>(this));
    offer(ombrix::ids::IID_IMediaControl, static_cast<IMediaControl*>(this));
    offer(ombrix::ids::IID_IMediaEventEx, static_cast<IMediaEventEx*>(this));
    offer(IID_IMediaEvent, static_cast<IMediaEvent*>(this));
    offer(ombrix::ids::IID_IVideoWindow, static_cast<IVideoWindow*>(this));
    offer(ombrix::ids::IID_IBasicAudio, static_cast<IBasicAudio*>(this));
    offer(ombrix::ids::IID_IAMGraphStreams, static_cast<IAMGraphStreams*>(this));
    offer(ombrix::ids::IID_IMediaPosition, static_cast<IMediaPosition*>(this));
    offer(ombrix::ids::IID_IBasicVideo, static_cast<IBasicVideo*>(this));
    offer(ombrix::ids::IID_IMediaSeeking, static_cast<IMediaSeeking*>(this));
    offer(ombrix::ids::IID_IVideoFrameStep, static_cast<IVideoFrameStep*>(this));
    timeFormat = ombrix::ids::TIME_FORMAT_MEDIA_TIME;
    windowProps = {{"AutoShow", OATRUE}, {"BackgroundPalette", OAFALSE}, {"BorderColor", 0},
                   {"FullScreenMode", OAFALSE}, {"Height", 240}, {"Left", 0}, {"Top", 0},
                   {"Width", 320}, {"Visible", OAFALSE}, {"CursorHidden", OAFALSE}, {"Owner", 0}};
    currentImage = packedDib(videoWidth, videoHeight, 24);
}

HRESULT FakeGraph::get_Duration(REFTIME* length)
{
    return reply("get_Duration", length, durationSeconds);
}

HRESULT FakeGraph::get_CurrentPosition(REFTIME* time)
{
    return reply("get_CurrentPosition", time, positionSeconds);
}

HRESULT FakeGraph::put_CurrentPosition(REFTIME time)
{
    record("put_CurrentPosition", time);
    HRESULT hr = outcome("put_CurrentPosition");
    if (SUCCEEDED(hr))
        positionSeconds = time;
    return hr;
}

HRESULT FakeGraph::get_VideoWidth(LONG* width)
{
    return reply("get_VideoWidth", width, videoWidth);
}

HRESULT FakeGraph::get_VideoHeight(LONG* height)
{
    return reply("get_VideoHeight", height, videoHeight);
}

HRESULT FakeGraph::GetCurrentImage(LONG* size, LONG* image)
{
    record("GetCurrentImage", image ? std::string("buffer") : std::string("null"), *size);
    HRESULT hr = outcome("GetCurrentImage");
    if (FAILED(hr))
        return hr;
    if (!image) {
        *size = static_cast<LONG>(currentImage.size());
        return hr;
    }
    if (quirk("GetCurrentImage.fillFails"))
        return E_FAIL;
    if (*size < static_cast<LONG>(currentImage.size()))
        return E_OUTOFMEMORY;
    std::memcpy(image, currentImage.data(), currentImage.size());
    return hr;
}

HRESULT FakeGraph::setProperty(const char* property, LONG value)
{
    std::string method = property == std::string("CursorHidden") ? "HideCursor" : "put_" + std::string(property);
    record(method.c_str(), value);
    HRESULT hr = outcome(method.c_str());
    if (SUCCEEDED(hr))
        windowProps[property] = value;
    return hr;
}

HRESULT FakeGraph::getProperty(const char* property, LONG* value)
{
    std::string method = property == std::string("CursorHidden") ? "IsCursorHidden" : "get_" + std::string(property);
    record(method.c_str());
    HRESULT hr = outcome(method.c_str());
    if (SUCCEEDED(hr) && !quirk((method + ".nowrite").c_str()))
        *value = windowProps[property];
    return hr;
}

HRESULT FakeGraph::get_Owner(OAHWND* owner)
{
    return reply("get_Owner", owner, windowProps["Owner"]);
}

HRESULT FakeGraph::GetMaxIdealImageSize(LONG* width, LONG* height)
{
    record("GetMaxIdealImageSize");
    HRESULT hr = outcome("GetMaxIdealImageSize");
    if (SUCCEEDED(hr)) {
        *width = videoWidth * 2;
        *height = videoHeight * 2;
    }
    return hr;
}

HRESULT FakeGraph::GetMinIdealImageSize(LONG* width, LONG* height)
{
    record("GetMinIdealImageSize");
    HRESULT hr = outcome("GetMinIdealImageSize");
    if (SUCCEEDED(hr)) {
        *width = videoWidth / 2;
        *height = videoHeight / 2;
    }
    return hr;
}

std::vector<BYTE> dibPixels(LONG width, LONG height, WORD bits, BYTE seed)
{
    const LONG stride = ((width * bits + 31) / 32) * 4;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
    for (LONG row = 0; row < height; ++row)
        for (LONG column = 0; column < stride; ++column)
            pixels[row * stride + column] = static_cast<BYTE>(row * 31 + column * 7 + seed);
    return pixels;
}

std::vector<BYTE> packedDib(LONG width, LONG height, WORD bits, BYTE seed)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = BI_RGB;
    std::vector<BYTE> pixels = dibPixels(width, height, bits, seed);
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    std::vector<BYTE> dib(sizeof header + pixels.size());
    std::memcpy(dib.data(), &header, sizeof header);
    std::copy(pixels.begin(), pixels.end(), dib.begin() + sizeof header);
    return dib;
}

void FakeGraph::finalRelease()
{
    std::vector<Member> leaving;
    leaving.swap(members);
    for (Member& m : leaving)
        m.filter->Release();
}

HRESULT FakeGraph::AddFilter(IBaseFilter* filter, LPCWSTR n)
{
    record("AddFilter", filter, n);
    HRESULT hr = outcome("AddFilter");
    if (hr != S_OK)
        return hr;
    filter->AddRef();
    filter->JoinFilterGraph(this, n);
    members.push_back({n ? n : L"", filter});
    return S_OK;
}

HRESULT FakeGraph::FindFilterByName(LPCWSTR n, IBaseFilter** filter)
{
    record("FindFilterByName", n);
    *filter = nullptr;
    for (Member& m : members)
        if (n && m.name == n) {
            m.filter->AddRef();
            *filter = m.filter;
            return outcome("FindFilterByName");
        }
    return outcome("FindFilterByName", VFW_E_NOT_FOUND);
}

HRESULT FakeGraph::AddSourceFilter(LPCWSTR file, LPCWSTR n, IBaseFilter** filter)
{
    record("AddSourceFilter", file, n);
    *filter = nullptr;
    HRESULT hr = outcome("AddSourceFilter");
    if (hr != S_OK || quirk("AddSourceFilter.null"))
        return hr;
    FakeFilter& source = world.make<FakeFilter>("source", GUID_NULL);
    source.addRef();           // the graph's
    source.JoinFilterGraph(this, n);
    members.push_back({n ? n : L"", &source});
    source.addRef();           // the caller's
    *filter = &source;
    return S_OK;
}

HRESULT FakeGraph::Run()
{
    record("Run");
    state = State_Running;
    // Quirk "graph.Run.completes": a clip of no length, ended as soon as it
    // runs (at most 50 times, so that a loop shows as a count, not a hang).
    if (quirk("Run.completes") && ++completedRuns <= 50)
        queueEvent(EC_COMPLETE);
    return outcome("Run");
}

HRESULT FakeGraph::Pause()
{
    record("Pause");
    state = State_Paused;
    return outcome("Pause");
}

HRESULT FakeGraph::Stop()
{
    record("Stop");
    state = State_Stopped;
    return outcome("Stop");
}

HRESULT FakeGraph::GetState(LONG timeout, OAFilterState* out)
{
    record("GetState", timeout);
    if (!quirk("GetState.nowrite"))
        *out = state;
    return outcome("GetState");
}

HRESULT FakeGraph::RenderFile(BSTR file)
{
    record("RenderFile", file);
    HRESULT hr = outcome("RenderFile");
    if (SUCCEEDED(hr) && !quirk("RenderStream.bypassGrabber"))
        if (FakeFilter* grabber = world.filter("grabber"))
            grabber->connected = true;
    return hr;
}

HRESULT FakeGraph::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeout)
{
    record("GetEvent", timeout);
    EnterCriticalSection(&world.objectsLock());
    if (events.empty()) {
        LeaveCriticalSection(&world.objectsLock());
        return outcome("GetEvent", E_ABORT);
    }
    Event e = events.front();
    events.erase(events.begin());
    LeaveCriticalSection(&world.objectsLock());
    *code = e.code;
    *param1 = e.param1;
    *param2 = e.param2;
    return outcome("GetEvent");
}

HRESULT FakeGraph::FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2)
{
    record("FreeEventParams", code, param1, param2);
    return outcome("FreeEventParams");
}

HRESULT FakeGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instance)
{
    record("SetNotifyWindow", window, message, instance);
    notifyWindow = reinterpret_cast<HWND>(window);
    return outcome("SetNotifyWindow");
}

HRESULT FakeGraph::put_Owner(OAHWND owner)
{
    record("put_Owner", owner);
    windowProps["Owner"] = static_cast<long>(owner);
    return outcome("put_Owner");
}

HRESULT FakeGraph::put_WindowStyle(LONG style)
{
    record("put_WindowStyle", style);
    windowProps["WindowStyle"] = style;
    return outcome("put_WindowStyle");
}

HRESULT FakeGraph::SetWindowPosition(LONG left, LONG top, LONG width, LONG height)
{
    record("SetWindowPosition", left, top, width, height);
    return outcome("SetWindowPosition");
}

HRESULT FakeGraph::SetWindowForeground(LONG focus)
{
    record("SetWindowForeground", focus);
    return outcome("SetWindowForeground");
}

HRESULT FakeGraph::put_Visible(LONG visible)
{
    record("put_Visible", visible);
    windowProps["Visible"] = visible;
    return outcome("put_Visible");
}

// ---- FakeGraph: audio and stream synchronisation --------------------------

namespace {

// A setter's result and effect: in range it stores, else E_INVALIDARG.
HRESULT storeInRange(long requested, long low, long high, HRESULT injected, long& stored)
{
    HRESULT hr = injected != S_OK ? injected : (requested >= low && requested <= high ? S_OK : E_INVALIDARG);
    if (SUCCEEDED(hr))
        stored = requested;
    return hr;
}

} // namespace

HRESULT FakeGraph::put_Volume(long v)
{
    record("put_Volume", v);
    return storeInRange(v, -10000, 0, outcome("put_Volume"), volume);
}

HRESULT FakeGraph::get_Volume(long* v)
{
    return reply("get_Volume", v, volume);
}

HRESULT FakeGraph::put_Balance(long b)
{
    record("put_Balance", b);
    return storeInRange(b, -10000, 10000, outcome("put_Balance"), balance);
}

HRESULT FakeGraph::get_Balance(long* b)
{
    return reply("get_Balance", b, balance);
}

HRESULT FakeGraph::SyncUsingStreamOffset(BOOL useOffsets)
{
    record("SyncUsingStreamOffset", useOffsets);
    return outcome("SyncUsingStreamOffset");
}

HRESULT FakeGraph::SetMaxGraphLatency(REFERENCE_TIME latency)
{
    record("SetMaxGraphLatency", latency);
    return outcome("SetMaxGraphLatency");
}

// ---- FakeGraph: rate and media seeking ------------------------------------

namespace {

// The result of a rate change: 0 is refused, as the real graph does.
HRESULT rateChange(double requested, HRESULT injected, bool ignored, double& rate)
{
    HRESULT hr = injected != S_OK ? injected : (requested == 0.0 ? E_INVALIDARG : S_OK);
    if (SUCCEEDED(hr) && !ignored)
        rate = requested;
    return hr;
}

} // namespace

HRESULT FakeGraph::put_Rate(double r)
{
    record("put_Rate", r);
    return rateChange(r, outcome("put_Rate"), quirk("rate.ignored"), rate);
}

HRESULT FakeGraph::get_Rate(double* r)
{
    record("get_Rate");
    HRESULT hr = outcome("get_Rate");
    if (SUCCEEDED(hr) && !quirk("get_Rate.nowrite"))
        *r = rate;
    return hr;
}

HRESULT FakeGraph::SetRate(double r)
{
    record("SetRate", r);
    return rateChange(r, outcome("SetRate"), quirk("rate.ignored"), rate);
}

HRESULT FakeGraph::GetRate(double* r)
{
    record("GetRate");
    HRESULT hr = outcome("GetRate");
    if (SUCCEEDED(hr) && !quirk("GetRate.nowrite"))
        *r = rate;
    return hr;
}

HRESULT FakeGraph::GetCapabilities(DWORD* out)
{
    record("GetCapabilities");
    HRESULT hr = outcome("GetCapabilities");
    if (SUCCEEDED(hr) && !quirk("GetCapabilities.nowrite"))
        *out = capabilities;
    return hr;
}

HRESULT FakeGraph::GetTimeFormat(GUID* format)
{
    record("GetTimeFormat");
    HRESULT hr = outcome("GetTimeFormat");
    if (SUCCEEDED(hr) && !quirk("GetTimeFormat.nowrite"))
        *format = timeFormat;
    return hr;
}

HRESULT FakeGraph::SetTimeFormat(const GUID* format)
{
    record("SetTimeFormat", format);
    namespace ids = ombrix::ids;
    HRESULT normal = S_OK;
    if (!IsEqualGUID(*format, ids::TIME_FORMAT_MEDIA_TIME) &&
        (!IsEqualGUID(*format, ids::TIME_FORMAT_FRAME) || quirk("SetTimeFormat.mediaTimeOnly")))
        normal = E_INVALIDARG;
    else if (state != State_Stopped)
        normal = VFW_E_WRONG_STATE;
    HRESULT hr = outcome("SetTimeFormat", normal);
    if (SUCCEEDED(hr))
        timeFormat = *format;
    return hr;
}

HRESULT FakeGraph::GetDuration(LONGLONG* out)
{
    record("GetDuration");
    HRESULT hr = outcome("GetDuration");
    if (SUCCEEDED(hr) && !quirk("GetDuration.nowrite"))
        *out = duration;
    return hr;
}

HRESULT FakeGraph::GetPositions(LONGLONG* outCurrent, LONGLONG* outStop)
{
    record("GetPositions");
    HRESULT hr = outcome("GetPositions");
    if (SUCCEEDED(hr) && !quirk("GetPositions.nowrite")) {
        if (outCurrent)
            *outCurrent = current;
        if (outStop)
            *outStop = stop;
    }
    return hr;
}

HRESULT FakeGraph::SetPositions(LONGLONG* newCurrent, DWORD currentFlags, LONGLONG* newStop, DWORD stopFlags)
{
    record("SetPositions", newCurrent ? describe(world, *newCurrent) : std::string("null"), currentFlags,
           static_cast<const void*>(newStop), stopFlags);
    HRESULT hr = outcome("SetPositions");
    if (FAILED(hr))
        return hr;
    auto apply = [this](LONGLONG* value, DWORD flags, LONGLONG& position) {
        switch (flags & AM_SEEKING_PositioningBitsMask) {
        case AM_SEEKING_AbsolutePositioning: position = *value; break;
        case AM_SEEKING_RelativePositioning: position += *value; break;
        case AM_SEEKING_IncrementalPositioning: position = current + *value; break;
        default: break; // no positioning
        }
    };
    if (newCurrent)
        apply(newCurrent, currentFlags, current);
    if (newStop)
        apply(newStop, stopFlags, stop);
    return hr;
}

// ---- FakeGraph: frame stepping ---------------------------------------------

HRESULT FakeGraph::Step(DWORD frames, IUnknown* filter)
{
    record("Step", frames, static_cast<const void*>(filter));
    HRESULT hr = outcome("Step");
    if (hr == S_OK)
        queueEvent(EC_STEP_COMPLETE, FALSE, 0);
    return hr;
}

HRESULT FakeGraph::CanStep(LONG multiple, IUnknown* filter)
{
    record("CanStep", multiple, static_cast<const void*>(filter));
    return outcome("CanStep");
}

HRESULT FakeGraph::CancelStep()
{
    record("CancelStep");
    return outcome("CancelStep");
}

bool FakeGraph::holds(const std::string& fakeName) const
{
    for (const Member& m : members)
        if (world.nameOf(m.filter) == fakeName)
            return true;
    return false;
}

void FakeGraph::queueEvent(long code, LONG_PTR param1, LONG_PTR param2, bool notify)
{
    EnterCriticalSection(&world.objectsLock());
    events.push_back({code, param1, param2});
    LeaveCriticalSection(&world.objectsLock());
    if (notify && notifyWindow)
        PostMessageW(notifyWindow, 0x8197, 0, 0);
}

// ---- Audio and clock objects ----------------------------------------------

FakeClock::FakeClock(World& w) : FakeObject(w, "clock")
{
    offer(ombrix::ids::IID_IAMClockAdjust, static_cast<IAMClockAdjust*>(this));
}

HRESULT FakeClock::SetClockDelta(REFERENCE_TIME delta)
{
    record("SetClockDelta", delta);
    return outcome("SetClockDelta");
}

FakeDeviceEnumerator::FakeDeviceEnumerator(World& w) : FakeObject(w, "mmdevices")
{
    offer(ombrix::ids::IID_IMMDeviceEnumerator, static_cast<IMMDeviceEnumerator*>(this));
}

HRESULT FakeDeviceEnumerator::GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** device)
{
    record("GetDefaultAudioEndpoint", static_cast<int>(flow), static_cast<int>(role));
    *device = nullptr;
    HRESULT hr = outcome("GetDefaultAudioEndpoint");
    if (FAILED(hr))
        return hr;
    FakeDevice& made = world.make<FakeDevice>();
    made.addRef();
    *device = &made;
    return hr;
}

FakeDevice::FakeDevice(World& w) : FakeObject(w, "device")
{
    offer(__uuidof(IMMDevice), static_cast<IMMDevice*>(this));
}

HRESULT FakeDevice::Activate(REFIID iid, DWORD context, PROPVARIANT* parameters, void** out)
{
    record("Activate", &iid, context, static_cast<const void*>(parameters));
    *out = nullptr;
    HRESULT hr = outcome("Activate");
    if (FAILED(hr))
        return hr;
    return world.make<FakeEndpointVolume>().queryInterface(iid, out);
}

FakeEndpointVolume::FakeEndpointVolume(World& w) : FakeObject(w, "endpoint")
{
    offer(ombrix::ids::IID_IAudioEndpointVolume, static_cast<IAudioEndpointVolume*>(this));
}

HRESULT FakeEndpointVolume::SetMasterVolumeLevelScalar(float requested, LPCGUID context)
{
    record("SetMasterVolumeLevelScalar", static_cast<double>(requested), context);
    HRESULT hr = outcome("SetMasterVolumeLevelScalar",
                         requested >= 0.0f && requested <= 1.0f ? S_OK : E_INVALIDARG);
    if (SUCCEEDED(hr))
        level = requested;
    return hr;
}

// ---- World -----------------------------------------------------------------

// Follows the task allocator so that a test can see whether the format
// blocks a fake handed out were freed.
// Registered once for the process; it reports to whichever world is current.
struct World::Spy : IMallocSpy {
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IMallocSpy)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override { return actual; }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override
    {
        if (currentWorld) {
            currentWorld->formatBlocks_.erase(request);
            currentWorld->pageArrays_.erase(request);
        }
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override
    {
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

World::World()
{
    InitializeCriticalSection(&objectsLock_);
    if (currentWorld)
        throw std::logic_error("one fake world at a time");
    currentWorld = this;
    previousCreate_ = reinterpret_cast<void*>(ombrix::platform::createInstanceFn);
    ombrix::platform::createInstanceFn = &World::create;
    previousIsWindow_ = reinterpret_cast<void*>(ombrix::platform::isWindowFn);
    previousObjectType_ = reinterpret_cast<void*>(ombrix::platform::getObjectTypeFn);
    ombrix::platform::isWindowFn = &World::isWindow;
    ombrix::platform::getObjectTypeFn = &World::objectType;
    static Spy* spy = nullptr;
    if (!spy) {
        spy = new Spy();
        CoRegisterMallocSpy(spy);
    }
}

World::~World()
{
    // Arrays a test left with the fakes (a scribbling GetPages) go back here.
    std::set<void*> left;
    left.swap(pageArrays_);
    for (void* block : left)
        CoTaskMemFree(block);
    ombrix::platform::createInstanceFn =
        reinterpret_cast<ombrix::platform::CreateInstanceFn>(previousCreate_);
    ombrix::platform::isWindowFn = reinterpret_cast<ombrix::platform::IsWindowFn>(previousIsWindow_);
    ombrix::platform::getObjectTypeFn = reinterpret_cast<ombrix::platform::GetObjectTypeFn>(previousObjectType_);
    currentWorld = nullptr;
    objects_.clear();
    DeleteCriticalSection(&objectsLock_);
}

BOOL WINAPI World::isWindow(HWND window) { return current().realHandles ? IsWindow(window) : TRUE; }

DWORD WINAPI World::objectType(HGDIOBJ object) { return current().realHandles ? GetObjectType(object) : OBJ_DC; }

World& World::current()
{
    if (!currentWorld)
        throw std::logic_error("no fake world");
    return *currentWorld;
}

HRESULT WINAPI World::create(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out)
{
    World& w = current();
    namespace ids = ombrix::ids;
    struct Kind {
        const CLSID* clsid;
        const char* name;
    };
    static const Kind kinds[] = {
        {&ids::CLSID_FilterGraph, "graph"},         {&ids::CLSID_CaptureGraphBuilder2, "builder"},
        {&ids::CLSID_SampleGrabber, "grabber"},     {&ids::CLSID_DSoundRender, "dsound"},
        {&ids::CLSID_VideoRenderer, "vr"},          {&ids::CLSID_VideoMixingRenderer, "vmr7"},
        {&ids::CLSID_VideoMixingRenderer9, "vmr9"}, {&ids::CLSID_EnhancedVideoRenderer, "evr"},
        {&ids::CLSID_NullRenderer, "null"},
        {&ids::CLSID_SystemClock, "clock"},         {&ids::CLSID_MMDeviceEnumerator, "mmdevices"},
    };
    const char* kind = nullptr;
    for (const Kind& k : kinds)
        if (IsEqualGUID(*k.clsid, clsid))
            kind = k.name;
    *out = nullptr;
    for (const CLSID& real : w.realClasses)
        if (IsEqualGUID(real, clsid)) {
            w.log.push_back("create " + guidName(clsid) + " ctx=" + std::to_string(context) + " " + guidName(iid) +
                            " (real)");
            return reinterpret_cast<ombrix::platform::CreateInstanceFn>(w.previousCreate_)(clsid, outer, context,
                                                                                           iid, out);
        }
    if (!kind) {
        w.log.push_back("create " + guidName(clsid) + " (no fake)");
        return REGDB_E_CLASSNOTREG;
    }
    w.log.push_back(std::string("create ") + kind + " ctx=" + std::to_string(context) + " " + guidName(iid) +
                    (outer ? " outer" : ""));
    auto failure = w.failures.find(std::string("create.") + kind);
    if (failure != w.failures.end())
        return failure->second;

    FakeObject* made;
    if (IsEqualGUID(clsid, ids::CLSID_FilterGraph))
        made = &w.make<FakeGraph>();
    else if (IsEqualGUID(clsid, ids::CLSID_CaptureGraphBuilder2))
        made = &w.make<FakeCaptureBuilder>();
    else if (IsEqualGUID(clsid, ids::CLSID_SystemClock))
        made = &w.make<FakeClock>();
    else if (IsEqualGUID(clsid, ids::CLSID_MMDeviceEnumerator))
        made = &w.make<FakeDeviceEnumerator>();
    else
        made = &w.make<FakeFilter>(kind, clsid);
    return made->queryInterface(iid, out);
}

FakeObject* World::find(const std::string& n) const
{
    FakeObject* found = nullptr;
    EnterCriticalSection(&objectsLock_);
    for (auto it = objects_.rbegin(); it != objects_.rend() && !found; ++it)
        if ((*it)->name == n)
            found = it->get();
    LeaveCriticalSection(&objectsLock_);
    return found;
}

FakeGraph* World::graph() const { return dynamic_cast<FakeGraph*>(find("graph")); }

FakeFilter* World::filter(const std::string& n) const { return dynamic_cast<FakeFilter*>(find(n)); }

std::string World::nameOf(const void* pointer) const
{
    if (!pointer)
        return "null";
    EnterCriticalSection(&objectsLock_);
    for (auto& o : objects_)
        if (o->owns(pointer)) {
            std::string found = o->name;
            LeaveCriticalSection(&objectsLock_);
            return found;
        }
    LeaveCriticalSection(&objectsLock_);
    char text[32];
    std::snprintf(text, sizeof text, "%p", pointer);
    return text;
}

std::vector<std::string> World::outstanding() const
{
    std::vector<std::string> out;
    for (auto& o : objects_)
        if (o->refs != 0)
            out.push_back(o->name + "=" + std::to_string(o->refs));
    return out;
}

std::vector<std::string> World::calls(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const std::string& line : log)
        if (line.compare(0, prefix.size(), prefix) == 0)
            out.push_back(line);
    return out;
}

size_t World::liveFormatBlocks() const { return formatBlocks_.size(); }

} // namespace fakes
