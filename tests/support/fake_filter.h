// The filters: every filter kind (renderers, source, Sample Grabber) is one
// class whose interfaces are chosen by its class at construction, with its
// pins and the Enhanced Video Renderer's display control.
#pragma once

#include "fake_object.h"

namespace fakes {

class FakePin : public FakeObject, public IPinStubs {
public:
    FakePin(World& world, std::string name);
    FAKE_IUNKNOWN
    // Connected to itself, unless the source's EnumPins.unconnected quirk
    // made it.
    bool connected = true;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** peer) override;
};

// A filter's pins as EnumPins hands them out: its one output pin.
class FakePinEnumerator : public FakeObject, public IEnumPinsStubs {
public:
    FakePinEnumerator(World& world, std::string name, FakePin& pin);
    FAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;

private:
    FakePin& pin_;
    bool given_ = false;
};

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
    // Quirk source_EnumPins_unconnected: the pin reports no connection.
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
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
    // Quirk grabber_GetCurrentBuffer_short: only half the frame is delivered.
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

} // namespace fakes
