// The filter graph ("graph"): building, control, events and its video
// window here; position, video, audio, rate, seeking and frame stepping in
// fake_graph_seeking.cpp.
#pragma once
#include <map>

#include "fake_object.h"

namespace fakes {

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
    ~FakeGraph() override;
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
    UINT notifyMessage = 0;
    LONG_PTR notifyInstance = 0; // what each posted message carries as lParam
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
    // "CursorHidden" for HideCursor). A getter in World::writesNothing
    // returns S_OK and writes nothing, as some renderers do.
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

    // IMediaPosition: durationSeconds and positionSeconds are the times it
    // gives at the default x87 precision; its conversions between seconds
    // and the graph's 100-ns units, and the rate's moves, are done as the
    // system does them, in x87 code in a 32-bit process
    // (fake_graph_seeking.cpp).
    HRESULT STDMETHODCALLTYPE get_Duration(REFTIME* length) override;
    HRESULT STDMETHODCALLTYPE get_CurrentPosition(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE put_CurrentPosition(REFTIME time) override;
    // IBasicVideo
    HRESULT STDMETHODCALLTYPE get_VideoWidth(LONG* width) override;
    HRESULT STDMETHODCALLTYPE get_VideoHeight(LONG* height) override;
    // Hands out currentImage (a packed DIB): its size for a null buffer,
    // E_OUTOFMEMORY for a buffer smaller than it. Quirk
    // graph_GetCurrentImage_fillFails: the call with a buffer fails.
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
    // Quirks: graph_rate_ignored (every rate is accepted and none kept),
    // graph_SetTimeFormat_mediaTimeOnly (frames refused with E_INVALIDARG).
    // A getter writes nothing when it fails or is in World::writesNothing.
    // The time format can change only while stopped.
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
    // The platform's graph changes state under one lock: a Stop (or a
    // hiding of its video window) waits for a Run under way on another
    // thread.
    class StateLock;
    CRITICAL_SECTION stateLock_;
    using IGraphBuilderStubs::RenderFile;
    HRESULT setProperty(const char* property, LONG value);
    HRESULT getProperty(const char* property, LONG* value);
};

// A packed DIB: a 40-byte header and bottom-up rows whose every byte is
// (row * 31 + column byte * 7 + seed) & 0xFF, so any misplaced byte shows.
std::vector<BYTE> packedDib(LONG width, LONG height, WORD bits, BYTE seed = 0);
// The pixel rows of such a DIB alone.
std::vector<BYTE> dibPixels(LONG width, LONG height, WORD bits, BYTE seed = 0);

} // namespace fakes
