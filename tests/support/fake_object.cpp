#include "fake_object.h"

#include <cstdio>

#include "platform/ids.h"
#include "world.h"

namespace fakes {
namespace {

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
#define FAKE_CLASS_NAME(name, ...) {&ids::CLSID_##name, #name},
        OMBRIX_CLASS_IDS(FAKE_CLASS_NAME)
#undef FAKE_CLASS_NAME
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
        {&ids::IID_IAMClockAdjust, "IAMClockAdjust"},
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

FakeClass classOf(REFCLSID clsid)
{
    namespace ids = ombrix::ids;
#define FAKE_CLASS_OF(name, ...)                                                                   \
    if (IsEqualGUID(clsid, ids::CLSID_##name))                                                     \
        return FakeClass::name;
    OMBRIX_CLASS_IDS(FAKE_CLASS_OF)
#undef FAKE_CLASS_OF
    return FakeClass::None;
}

const char* shortName(FakeClass kind)
{
    switch (kind) {
    case FakeClass::FilterGraph: return "graph";
    case FakeClass::CaptureGraphBuilder2: return "builder";
    case FakeClass::SampleGrabber: return "grabber";
    case FakeClass::DSoundRender: return "dsound";
    case FakeClass::VideoRenderer: return "vr";
    case FakeClass::VideoMixingRenderer: return "vmr7";
    case FakeClass::VideoMixingRenderer9: return "vmr9";
    case FakeClass::EnhancedVideoRenderer: return "evr";
    case FakeClass::NullRenderer: return "null";
    case FakeClass::SystemClock: return "clock";
    case FakeClass::MMDeviceEnumerator: return "mmdevices";
    case FakeClass::None: break;
    }
    return nullptr;
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
    for (const auto& [fake, missing] : world.lacking)
        if (name == keyText(fake))
            for (const IID& lacked : missing)
                if (IsEqualGUID(lacked, iid))
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
    return world.outcome(name + "." + method, normal);
}

bool FakeObject::quirk(const char* what) const { return world.quirkOn(name + "." + what); }

bool FakeObject::writesNothing(const char* method) const { return world.silenced(name + "." + method); }

void FakeObject::log(std::string line) { world.log.push_back(std::move(line), this); }

HRESULT FakeObject::unexpected(const char* method)
{
    world.log.push_back(name + "." + method + " (not faked)");
    return outcome(method, E_NOTIMPL);
}

std::string describe(const World& world, const void* pointer) { return world.nameOf(pointer); }

} // namespace fakes
