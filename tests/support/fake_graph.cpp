#include "fake_graph.h"

#include <algorithm>
#include <cstring>

#include "fake_filter.h"
#include "ombrix.h"
#include "platform/ids.h"
#include "world.h"

namespace fakes {

class FakeGraph::StateLock {
public:
    explicit StateLock(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~StateLock() { LeaveCriticalSection(&lock_); }
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

private:
    CRITICAL_SECTION& lock_;
};

FakeGraph::~FakeGraph() { DeleteCriticalSection(&stateLock_); }

FakeGraph::FakeGraph(World& w) : FakeObject(w, "graph")
{
    InitializeCriticalSection(&stateLock_);
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
    return reply(method.c_str(), [&] { *value = windowProps[property]; });
}

HRESULT FakeGraph::get_Owner(OAHWND* owner)
{
    return reply("get_Owner", owner, windowProps["Owner"]);
}

HRESULT FakeGraph::GetMaxIdealImageSize(LONG* width, LONG* height)
{
    record("GetMaxIdealImageSize");
    return reply("GetMaxIdealImageSize", [&] {
        *width = videoWidth * 2;
        *height = videoHeight * 2;
    });
}

HRESULT FakeGraph::GetMinIdealImageSize(LONG* width, LONG* height)
{
    record("GetMinIdealImageSize");
    return reply("GetMinIdealImageSize", [&] {
        *width = videoWidth / 2;
        *height = videoHeight / 2;
    });
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
    StateLock lock(stateLock_);
    record("Run");
    state = State_Running;
    // Quirk graph_Run_completes: a clip of no length, ended as soon as it
    // runs (at most 50 times, so that a loop shows as a count, not a hang).
    if (quirk("Run.completes") && ++completedRuns <= 50)
        queueEvent(EC_COMPLETE);
    return outcome("Run");
}

HRESULT FakeGraph::Pause()
{
    StateLock lock(stateLock_);
    record("Pause");
    state = State_Paused;
    return outcome("Pause");
}

HRESULT FakeGraph::Stop()
{
    StateLock lock(stateLock_);
    record("Stop");
    state = State_Stopped;
    return outcome("Stop");
}

HRESULT FakeGraph::GetState(LONG timeout, OAFilterState* out)
{
    record("GetState", timeout);
    return reply("GetState", [&] { *out = state; });
}

HRESULT FakeGraph::RenderFile(BSTR file)
{
    record("RenderFile", file);
    HRESULT hr = outcome("RenderFile");
    if (SUCCEEDED(hr) && !quirk("RenderFile.bypassGrabber"))
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
    return respond("FreeEventParams", code, param1, param2);
}

HRESULT FakeGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instance)
{
    record("SetNotifyWindow", window, message, instance);
    notifyWindow = reinterpret_cast<HWND>(window);
    notifyMessage = static_cast<UINT>(message);
    notifyInstance = instance;
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
    return respond("SetWindowPosition", left, top, width, height);
}

HRESULT FakeGraph::SetWindowForeground(LONG focus)
{
    return respond("SetWindowForeground", focus);
}

HRESULT FakeGraph::put_Visible(LONG visible)
{
    StateLock lock(stateLock_);
    record("put_Visible", visible);
    windowProps["Visible"] = visible;
    return outcome("put_Visible");
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
        PostMessageW(notifyWindow, notifyMessage, 0, notifyInstance);
}

} // namespace fakes
