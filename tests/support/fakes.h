// Stand-ins for the platform's COM objects. Each fake counts its references,
// writes every call with its arguments to the world's log, can be told to
// fail any method with a given HRESULT and to lack any interface.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "fake_stubs.h"

namespace fakes {

class World;

// The calls the fakes saw, in order, with the thread that made each. The
// worker thread and the test's thread both add to it, under its lock. A test
// may stop another thread at the start of a call (pauseAt) and let it go on
// once the test has done its part there.
class CallLog {
public:
    struct Entry {
        std::string text;
        DWORD thread;
        const void* object; // the fake that made the call, if any
    };

    CallLog();
    ~CallLog();
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;

    void push_back(std::string line, const void* object = nullptr);
    void clear();
    bool empty() const;
    size_t size() const;
    std::vector<std::string> lines() const;
    std::vector<Entry> entries() const;
    // Plain access for the test's thread while no other thread calls a fake.
    const std::string& operator[](size_t i) const { return lines_[i]; }
    const std::string& back() const { return lines_.back(); }
    std::vector<std::string>::const_iterator begin() const { return lines_.begin(); }
    std::vector<std::string>::const_iterator end() const { return lines_.end(); }
    bool operator==(const std::vector<std::string>& other) const { return lines() == other; }

    // The thread that made the log (the test's): calls from it never pause.
    const DWORD hostThread;
    // The next call from another thread whose text starts with prefix, the
    // occurrence-th such, is logged and then waits until resume() holds
    // (checked every millisecond, at most waitLimit ms). paused is signalled
    // when it starts waiting.
    void pauseAt(const std::string& prefix, int occurrence, std::function<bool()> resume);
    bool waitForPause(DWORD milliseconds) const;
    bool pauseTimedOut() const { return timedOut_; }
    DWORD waitLimit = 3000;

private:
    mutable CRITICAL_SECTION lock_;
    std::vector<std::string> lines_;
    std::vector<DWORD> threads_;
    std::vector<const void*> objects_;
    std::string pausePrefix_;
    int pauseCountdown_ = 0;
    std::function<bool()> resume_;
    HANDLE paused_;
    bool timedOut_ = false;
};

std::string narrow(const wchar_t* text);
std::string guidName(REFGUID guid);

class FakeObject {
public:
    FakeObject(World& world, std::string name);
    virtual ~FakeObject() = default;

    const std::string name;
    LONG refs = 0;
    DWORD lastReleaseThread = 0; // the thread that gave back the last reference

    ULONG addRef() { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG release();
    HRESULT queryInterface(REFIID iid, void** out);
    bool owns(const void* pointer) const;
    // Runs when the last reference goes (a graph gives back its filters).
    virtual void finalRelease() {}

protected:
    // The result a method gives: the injected failure, if any, else `normal`.
    HRESULT outcome(const char* method, HRESULT normal = S_OK) const;
    template <class... Args>
    void record(const char* method, const Args&... args);
    HRESULT unexpected(const char* method);
    bool quirk(const char* what) const;
    // A plain getter: records the call and writes value when the outcome
    // is a success.
    template <class T, class U>
    HRESULT reply(const char* method, T* out, const U& value)
    {
        record(method);
        HRESULT hr = outcome(method);
        if (SUCCEEDED(hr))
            *out = value;
        return hr;
    }

    // Offered interfaces; QueryInterface hands out a pointer from here unless
    // the world says this object lacks the interface.
    void offer(REFIID iid, void* face);

    World& world;

private:
    std::vector<std::pair<IID, void*>> faces_;
};

#define FAKE_IUNKNOWN                                                                              \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override                      \
    {                                                                                              \
        return queryInterface(iid, out);                                                           \
    }                                                                                              \
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }                                 \
    ULONG STDMETHODCALLTYPE Release() override { return release(); }                               \
    HRESULT stubbed(const char* method) override { return unexpected(method); }

#define FAKE_IDISPATCH                                                                             \
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }               \
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }  \
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override       \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,            \
                                     EXCEPINFO*, UINT*) override                                   \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }

class FakePin : public FakeObject, public IPinStubs {
public:
    FakePin(World& world, std::string name);
    FAKE_IUNKNOWN
};

// Every filter kind (renderers, source, Sample Grabber) is one class; the
// interfaces a kind offers are chosen at construction.
// The Enhanced Video Renderer's display control, handed out by GetService.
class FakeDisplayControl : public FakeObject, public IMFVideoDisplayControlStubs {
public:
    explicit FakeDisplayControl(World& world);
    FAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE SetVideoWindow(HWND window) override;
    HRESULT STDMETHODCALLTYPE SetVideoPosition(const MFVideoNormalizedRect* source, const LPRECT destination) override;
};

class FakeFilter : public FakeObject,
                   public IBaseFilterStubs,
                   public IMFGetServiceStubs,
                   public ISampleGrabberStubs,
                   public IVMRFilterConfigStubs,
                   public IVMRFilterConfig9Stubs,
                   public IAMClockSlaveStubs,
                   public ISpecifyPropertyPagesStubs,
                   public IVMRMixerBitmapStubs,
                   public IVMRMixerBitmap9Stubs,
                   public IQualPropStubs {
public:
    FakeFilter(World& world, std::string name, REFCLSID clsid);
    FAKE_IUNKNOWN

    CLSID clsid;
    std::wstring graphName;       // the name AddFilter gave it
    std::wstring outputPinName = L"Output";
    AM_MEDIA_TYPE acceptedType{}; // what SetMediaType was given (format block not kept)
    bool connected = false;       // the Sample Grabber was routed into the video path

    // IBaseFilter
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    // ISampleGrabber
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* type) override;
    // IMFGetService (the Enhanced Video Renderer)
    HRESULT STDMETHODCALLTYPE GetService(REFGUID service, REFIID iid, LPVOID* out) override;
    // IVMRFilterConfig and IVMRFilterConfig9 (the same two methods)
    HRESULT STDMETHODCALLTYPE SetRenderingMode(DWORD mode) override;
    HRESULT STDMETHODCALLTYPE SetNumberOfStreams(DWORD count) override;

    // ---- Clock slaving (the DirectSound Renderer) --------------------------
    // The tolerance takes 1 to 1000 ms, like the real renderer's; anything
    // else is refused with E_FAIL and leaves it as it was.
    DWORD clockTolerance = 20;
    HRESULT STDMETHODCALLTYPE SetErrorTolerance(DWORD tolerance) override;
    HRESULT STDMETHODCALLTYPE GetErrorTolerance(DWORD* tolerance) override;
    // ---- Property pages --------------------------------------------------
    // ISpecifyPropertyPages is offered when World::propertyPages names the
    // filter; GetPages hands out those classes in task memory.
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

    // ---- Frame buffering (the Sample Grabber) ------------------------------
    // GetCurrentBuffer hands out World::grabberFrame: E_INVALIDARG while
    // buffering is off, VFW_E_NOT_CONNECTED unconnected, VFW_E_WRONG_STATE
    // with no frame, E_OUTOFMEMORY for a buffer smaller than the frame.
    // Quirk "GetCurrentBuffer.short": only half the frame is delivered.
    bool bufferSamples = false;
    HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL buffer) override;
    HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG* size, LONG* buffer) override;

    // ---- Alpha bitmap (VMR-7 "vmr7", VMR-9 "vmr9") -------------------------
    // The last record each renderer was given, byte for byte.
    VMRALPHABITMAP bitmap7{};
    VMR9AlphaBitmap bitmap9{};
    HRESULT STDMETHODCALLTYPE SetAlphaBitmap(const VMRALPHABITMAP* bitmap) override;
    HRESULT STDMETHODCALLTYPE SetAlphaBitmap(const VMR9AlphaBitmap* bitmap) override;

    // ---- Quality statistics (the four video renderers) ---------------------
    // Dropped, drawn, frame rate, jitter, sync offset, sync deviation.
    int quality[6] = {0, 0, 0, 0, 0, 0};
    HRESULT STDMETHODCALLTYPE get_FramesDroppedInRenderer(int* value) override;
    HRESULT STDMETHODCALLTYPE get_FramesDrawn(int* value) override;
    HRESULT STDMETHODCALLTYPE get_AvgFrameRate(int* value) override;
    HRESULT STDMETHODCALLTYPE get_Jitter(int* value) override;
    HRESULT STDMETHODCALLTYPE get_AvgSyncOffset(int* value) override;
    HRESULT STDMETHODCALLTYPE get_DevSyncOffset(int* value) override;

    IFilterGraph* joinedGraph = nullptr; // not a reference, as in DirectShow

private:
    HRESULT statistic(const char* method, int index, int* value);
};

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

class FakeGraph : public FakeObject,
                  public IGraphBuilderStubs,
                  public IMediaControlStubs,
                  public IMediaEventExStubs,
                  public IVideoWindowStubs,
                  public IMediaPositionStubs,
                  public IBasicVideoStubs,
                  public IBasicAudioStubs,
                  public IAMGraphStreamsStubs,
                  public IMediaSeekingStubs,
                  public IVideoFrameStepStubs {
public:
    explicit FakeGraph(World& world);
    FAKE_IUNKNOWN
    void finalRelease() override;
    FAKE_IDISPATCH

    struct Member {
        std::wstring name;
        IBaseFilter* filter; // one reference held, as the real graph does
    };
    std::vector<Member> members;
    OAFilterState state = State_Stopped;
    struct Event {
        long code;
        LONG_PTR param1, param2;
    };
    std::vector<Event> events;
    HWND notifyWindow = nullptr;
    std::map<std::string, long> windowProps; // what the IVideoWindow setters stored

    // IFilterGraph / IGraphBuilder
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) override;
    // IMediaControl
    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetState(LONG timeout, OAFilterState* state) override;
    HRESULT STDMETHODCALLTYPE RenderFile(BSTR file) override;
    // IMediaEventEx
    HRESULT STDMETHODCALLTYPE GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeout) override;
    HRESULT STDMETHODCALLTYPE FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instance) override;
    // IVideoWindow
    HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) override;
    HRESULT STDMETHODCALLTYPE put_WindowStyle(LONG style) override;
    HRESULT STDMETHODCALLTYPE SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT STDMETHODCALLTYPE SetWindowForeground(LONG focus) override;
    HRESULT STDMETHODCALLTYPE put_Visible(LONG visible) override;
    // The other properties behind windowProps (keys as in the method names,
    // "CursorHidden" for HideCursor). Quirk "graph.get_<Name>.nowrite": the
    // getter returns S_OK and writes nothing, as some renderers do.
    HRESULT STDMETHODCALLTYPE put_AutoShow(LONG value) override { return setProperty("AutoShow", value); }
    HRESULT STDMETHODCALLTYPE get_AutoShow(LONG* value) override { return getProperty("AutoShow", value); }
    HRESULT STDMETHODCALLTYPE put_BackgroundPalette(LONG value) override { return setProperty("BackgroundPalette", value); }
    HRESULT STDMETHODCALLTYPE get_BackgroundPalette(LONG* value) override { return getProperty("BackgroundPalette", value); }
    HRESULT STDMETHODCALLTYPE put_BorderColor(LONG value) override { return setProperty("BorderColor", value); }
    HRESULT STDMETHODCALLTYPE get_BorderColor(LONG* value) override { return getProperty("BorderColor", value); }
    HRESULT STDMETHODCALLTYPE put_FullScreenMode(LONG value) override { return setProperty("FullScreenMode", value); }
    HRESULT STDMETHODCALLTYPE get_FullScreenMode(LONG* value) override { return getProperty("FullScreenMode", value); }
    HRESULT STDMETHODCALLTYPE put_Height(LONG value) override { return setProperty("Height", value); }
    HRESULT STDMETHODCALLTYPE get_Height(LONG* value) override { return getProperty("Height", value); }
    HRESULT STDMETHODCALLTYPE put_Left(LONG value) override { return setProperty("Left", value); }
    HRESULT STDMETHODCALLTYPE get_Left(LONG* value) override { return getProperty("Left", value); }
    HRESULT STDMETHODCALLTYPE put_Top(LONG value) override { return setProperty("Top", value); }
    HRESULT STDMETHODCALLTYPE get_Top(LONG* value) override { return getProperty("Top", value); }
    HRESULT STDMETHODCALLTYPE put_Width(LONG value) override { return setProperty("Width", value); }
    HRESULT STDMETHODCALLTYPE get_Width(LONG* value) override { return getProperty("Width", value); }
    HRESULT STDMETHODCALLTYPE get_Visible(LONG* value) override { return getProperty("Visible", value); }
    HRESULT STDMETHODCALLTYPE HideCursor(LONG hide) override { return setProperty("CursorHidden", hide); }
    HRESULT STDMETHODCALLTYPE IsCursorHidden(LONG* value) override { return getProperty("CursorHidden", value); }
    HRESULT STDMETHODCALLTYPE get_Owner(OAHWND* owner) override;
    HRESULT STDMETHODCALLTYPE GetMaxIdealImageSize(LONG* width, LONG* height) override;
    HRESULT STDMETHODCALLTYPE GetMinIdealImageSize(LONG* width, LONG* height) override;

    // IMediaPosition
    HRESULT STDMETHODCALLTYPE get_Duration(REFTIME* length) override;
    HRESULT STDMETHODCALLTYPE get_CurrentPosition(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE put_CurrentPosition(REFTIME time) override;
    // IBasicVideo
    HRESULT STDMETHODCALLTYPE get_VideoWidth(LONG* width) override;
    HRESULT STDMETHODCALLTYPE get_VideoHeight(LONG* height) override;
    // Hands out currentImage (a packed DIB): its size for a null buffer,
    // E_OUTOFMEMORY for a buffer smaller than it. Quirk
    // "graph.GetCurrentImage.fillFails": the call with a buffer fails.
    HRESULT STDMETHODCALLTYPE GetCurrentImage(LONG* size, LONG* image) override;
    std::vector<BYTE> currentImage;

    REFTIME durationSeconds = 2.0;
    REFTIME positionSeconds = 0.0;
    LONG videoWidth = 64, videoHeight = 48;
    // ---- Audio and stream synchronisation ----------------------------------
    // IBasicAudio keeps what it takes: volume -10000..0 and balance
    // -10000..10000, anything else refused with E_INVALIDARG, as the real
    // graph does. A failed getter writes nothing.
    long volume = 0;
    long balance = 0;
    HRESULT STDMETHODCALLTYPE put_Volume(long volume) override;
    HRESULT STDMETHODCALLTYPE get_Volume(long* volume) override;
    HRESULT STDMETHODCALLTYPE put_Balance(long balance) override;
    HRESULT STDMETHODCALLTYPE get_Balance(long* balance) override;
    // IAMGraphStreams
    HRESULT STDMETHODCALLTYPE SyncUsingStreamOffset(BOOL useOffsets) override;
    HRESULT STDMETHODCALLTYPE SetMaxGraphLatency(REFERENCE_TIME latency) override;
    // ---- Rate and media seeking --------------------------------------------
    // One rate behind IMediaPosition's put_Rate/get_Rate and IMediaSeeking's
    // SetRate/GetRate, as in the real graph. A rate of 0 is refused.
    // Quirks: "graph.rate.ignored" (every rate is accepted and none kept),
    // "graph.SetTimeFormat.mediaTimeOnly" (frames refused with E_INVALIDARG),
    // "graph.<Getter>.nowrite" (S_OK without writing). A failed getter writes
    // nothing. The time format can change only while stopped.
    double rate = 1.0;
    GUID timeFormat{};                // TIME_FORMAT_MEDIA_TIME at construction
    LONGLONG duration = 100000000;    // 10 s in media time
    LONGLONG current = 0;
    LONGLONG stop = 100000000;
    DWORD capabilities = 0x37;        // what Wine's graph reports

    HRESULT STDMETHODCALLTYPE put_Rate(double rate) override;
    HRESULT STDMETHODCALLTYPE get_Rate(double* rate) override;
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) override;

    // ---- Frame stepping ----------------------------------------------------
    // A step that succeeds queues EC_STEP_COMPLETE (36). CanStep answers
    // S_OK unless told otherwise.
    HRESULT STDMETHODCALLTYPE Step(DWORD frames, IUnknown* filter) override;
    HRESULT STDMETHODCALLTYPE CanStep(LONG multiple, IUnknown* filter) override;
    HRESULT STDMETHODCALLTYPE CancelStep() override;

    int completedRuns = 0;
    bool holds(const std::string& fakeName) const;
    // Queues an event; like the real graph, posts the graph-event message to
    // the notification window when asked to.
    void queueEvent(long code, LONG_PTR param1 = 0, LONG_PTR param2 = 0, bool notify = false);

private:
    using IGraphBuilderStubs::RenderFile;
    HRESULT setProperty(const char* property, LONG value);
    HRESULT getProperty(const char* property, LONG* value);
};

// A packed DIB: a 40-byte header and bottom-up rows whose every byte is
// (row * 31 + column byte * 7 + seed) & 0xFF, so any misplaced byte shows.
std::vector<BYTE> packedDib(LONG width, LONG height, WORD bits, BYTE seed = 0);
// The pixel rows of such a DIB alone.
std::vector<BYTE> dibPixels(LONG width, LONG height, WORD bits, BYTE seed = 0);

// ---- Audio and clock objects ----------------------------------------------

// The System Reference Clock ("clock"), with only its adjustment.
class FakeClock : public FakeObject, public IAMClockAdjustStubs {
public:
    explicit FakeClock(World& world);
    FAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE SetClockDelta(REFERENCE_TIME delta) override;
};

// Core Audio: the device enumerator ("mmdevices") hands out the default
// output device ("device"), which activates its endpoint volume ("endpoint").
class FakeDeviceEnumerator : public FakeObject, public IMMDeviceEnumeratorStubs {
public:
    explicit FakeDeviceEnumerator(World& world);
    FAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** device) override;
};

class FakeDevice : public FakeObject, public IMMDeviceStubs {
public:
    explicit FakeDevice(World& world);
    FAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* parameters, void** out) override;
};

// The scalar level takes 0.0 to 1.0; anything else is refused with
// E_INVALIDARG and leaves the level as it was.
class FakeEndpointVolume : public FakeObject, public IAudioEndpointVolumeStubs {
public:
    explicit FakeEndpointVolume(World& world);
    FAKE_IUNKNOWN
    float level = 1.0f;
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float level, LPCGUID context) override;
};

// One test's fakes. While a World exists, every object the library creates
// comes from it; its log holds every call in order.
class World {
public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    static World& current();

    CallLog log;
    // "name.Method" -> result the method returns instead of its normal one.
    std::map<std::string, HRESULT> failures;
    // "name" -> interfaces that object does not offer.
    std::map<std::string, std::vector<IID>> lacking;
    // Behaviour switches, e.g. "graph.AddSourceFilter.null".
    std::set<std::string> quirks;
    // Filter name -> the property-page classes it names (and so offers
    // ISpecifyPropertyPages); set before the filter is made.
    std::map<std::string, std::vector<CLSID>> propertyPages;
    // Classes created by the real CoCreateInstance instead of a fake (a test
    // registers them with CoRegisterClassObject).
    std::vector<CLSID> realClasses;
    // Log every Release as "release name remaining".
    bool traceReleases = false;
    // Window and DC handles: the fakes' tests pass made-up values, which are
    // all taken as valid; with realHandles the platform's own checks answer.
    bool realHandles = false;
    // The type the Sample Grabber reports once connected.
    LONG grabberWidth = 64, grabberHeight = 48;
    LONG grabberSampleSize = 64 * 48 * 3;
    // When not empty, the whole format block the Sample Grabber reports
    // instead of a VIDEOINFOHEADER made from the sizes above.
    std::vector<BYTE> grabberFormat;
    // The frame the Sample Grabber buffered (empty: none yet).
    std::vector<BYTE> grabberFrame;

    template <class T, class... Args>
    T& make(Args&&... args)
    {
        auto made = std::make_unique<T>(*this, std::forward<Args>(args)...);
        T& object = *made;
        EnterCriticalSection(&objectsLock_);
        objects_.push_back(std::move(made));
        LeaveCriticalSection(&objectsLock_);
        return object;
    }
    // Guards state that the worker thread and the test's thread share
    // (a graph's event queue).
    CRITICAL_SECTION& objectsLock() const { return objectsLock_; }
    FakeObject* find(const std::string& name) const; // the most recent object of that name
    FakeGraph* graph() const;
    FakeFilter* filter(const std::string& name) const;
    std::string nameOf(const void* pointer) const;

    // "name=refs" for every object whose references are not all given back.
    std::vector<std::string> outstanding() const;
    // Calls in the log that start with prefix.
    std::vector<std::string> calls(const std::string& prefix = "") const;
    void clearLog() { log.clear(); }

    // Format blocks the fakes allocated that nobody freed yet.
    size_t liveFormatBlocks() const;
    void noteFormatBlock(void* block) { formatBlocks_.insert(block); }
    // Page arrays GetPages handed out that nobody freed yet.
    size_t livePageArrays() const { return pageArrays_.size(); }
    void notePageArray(void* block) { pageArrays_.insert(block); }

private:
    static HRESULT WINAPI create(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out);
    static BOOL WINAPI isWindow(HWND window);
    static DWORD WINAPI objectType(HGDIOBJ object);

    std::vector<std::unique_ptr<FakeObject>> objects_;
    mutable CRITICAL_SECTION objectsLock_;
    std::set<void*> formatBlocks_;
    std::set<void*> pageArrays_;
    struct Spy;
    void* previousCreate_;
    void* previousIsWindow_;
    void* previousObjectType_;
};

// Argument formatting for the log.
inline std::string describe(const World&, long value) { return std::to_string(value); }
inline std::string describe(const World&, int value) { return std::to_string(value); }
inline std::string describe(const World&, unsigned long value) { return std::to_string(value); }
inline std::string describe(const World&, unsigned value) { return std::to_string(value); }
inline std::string describe(const World&, long long value) { return std::to_string(value); }
inline std::string describe(const World&, unsigned long long value) { return std::to_string(value); }
inline std::string describe(const World&, double value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}
inline std::string describe(const World&, const std::string& text) { return text; }
inline std::string describe(const World&, const wchar_t* text)
{
    return text ? "\"" + narrow(text) + "\"" : "null";
}
inline std::string describe(const World&, const GUID* guid) { return guid ? guidName(*guid) : "null"; }
inline std::string describe(const World& world, const void* pointer) { return world.nameOf(pointer); }

template <class... Args>
void FakeObject::record(const char* method, const Args&... args)
{
    std::string line = name + "." + method + "(";
    bool first = true;
    ((line += (first ? "" : ", ") + describe(world, args), first = false), ...);
    world.log.push_back(line + ")", this);
}

} // namespace fakes
