// The Media Foundation source filter. What DirectShow's base classes would
// give a source (pins, enumerators, allocator negotiation, streaming
// threads, flushing, seeking) is written here, compactly, for this one
// filter.
//
// Threads and locks: the graph calls the filter and its pins on its own
// threads; each pin's streaming thread reads its stream from the reader and
// delivers downstream. Every field the threads share is guarded by lock_,
// and the filter's condition wakes them. No downstream call and no reader
// call is made while lock_ is held. A seek or a stop first parks the
// threads (downstream flushing releases one blocked in delivery), so that
// the reader is never sought while a thread reads from it.
#include "platform/mf_source.h"

#include <dvdmedia.h>
#include <mmreg.h>

#include <initguid.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/ids.h"
#include "platform/media_foundation.h"
#include "platform/media_type.h"
#include "platform/thread.h"

namespace ombrix::platform {
namespace {

// {6A1D7E52-3B0C-4F52-9E0A-5C0D3B7F2A11}: the filter's own class, given
// out by GetClassID only; it is registered nowhere.
const CLSID kSourceClass = {0x6A1D7E52, 0x3B0C, 0x4F52, {0x9E, 0x0A, 0x5C, 0x0D, 0x3B, 0x7F, 0x2A, 0x11}};

// How long a seek or a stop waits for a streaming thread to leave the
// reader; a reader that does not return by then is left to finish alone.
constexpr DWORD kThreadWait = 10000;
// Audio buffers: what the largest delivered sample may hold; a larger one
// from the reader goes out in parts.
constexpr long kAudioBufferBytes = 256 * 1024;

class SourceFilter;

bool sameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

// The format of a video pin's connection, as the copy needs it.
struct VideoLayout {
    LONG width = 0, height = 0; // the frame (height positive)
    WORD bits = 32;             // 24 or 32
    LONG stride = 0;            // bytes per row in the output buffer
    bool topDown = false;
};

bool layoutOf(const AM_MEDIA_TYPE& type, LONG width, LONG height, VideoLayout& out)
{
    if (!sameGuid(type.majortype, ids::MEDIATYPE_Video) || !sameGuid(type.formattype, ids::FORMAT_VideoInfo) ||
        !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER))
        return false;
    const bool rgb32 = sameGuid(type.subtype, ids::MEDIASUBTYPE_RGB32);
    if (!rgb32 && !sameGuid(type.subtype, ids::MEDIASUBTYPE_RGB24))
        return false;
    const BITMAPINFOHEADER& bmi = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    // A renderer may ask for a wider row (its surface's pitch), never for
    // another frame size.
    if (bmi.biWidth < width || (bmi.biHeight != height && bmi.biHeight != -height) ||
        bmi.biBitCount != (rgb32 ? 32 : 24) || bmi.biCompression != BI_RGB)
        return false;
    out.width = width, out.height = height, out.bits = bmi.biBitCount;
    out.stride = ((bmi.biWidth * (bmi.biBitCount / 8)) + 3) & ~3;
    out.topDown = bmi.biHeight < 0;
    return true;
}

// ---- Objects of one interface -------------------------------------------

// IUnknown for an object seen through Interface alone: it answers IUnknown
// and the ids answers() names, and is deleted with its last reference.
template <class Interface>
class Unknown : public Interface {
public:
    virtual ~Unknown() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (sameGuid(iid, __uuidof(IUnknown)) || answers(iid)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual bool answers(REFIID iid) const = 0;

private:
    LONG refs_ = 1;
};

// ---- Enumerators ----------------------------------------------------------

// The items live as long as owner (the filter, or a pin of it), which the
// enumerator holds.
template <class Interface, class Item, class Derived>
class Enumerator : public Unknown<Interface> {
public:
    Enumerator(IUnknown* owner, std::vector<Item> items, size_t at = 0)
        : owner_(owner), items_(std::move(items)), at_(at)
    {
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        const size_t left = items_.size() - at_;
        at_ += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        at_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** out) override
    {
        if (!out)
            return E_POINTER;
        *out = new (std::nothrow) Derived(owner_.Get(), items_, at_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

protected:
    bool answers(REFIID iid) const override { return sameGuid(iid, __uuidof(Interface)); }

    ComPtr<IUnknown> owner_;
    std::vector<Item> items_;
    size_t at_;
};

class PinEnumerator : public Enumerator<IEnumPins, IPin*, PinEnumerator> {
public:
    using Enumerator::Enumerator;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** out, ULONG* fetched) override
    {
        if (!out || (count != 1 && !fetched))
            return E_POINTER;
        ULONG given = 0;
        for (; given < count && at_ < items_.size(); ++given, ++at_) {
            out[given] = items_[at_];
            out[given]->AddRef();
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
};

class TypeEnumerator : public Enumerator<IEnumMediaTypes, const AM_MEDIA_TYPE*, TypeEnumerator> {
public:
    using Enumerator::Enumerator;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) override
    {
        if (!out || (count != 1 && !fetched))
            return E_POINTER;
        ULONG given = 0;
        for (; given < count && at_ < items_.size(); ++given, ++at_) {
            out[given] = copyMediaType(*items_[at_]);
            if (!out[given])
                break;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }

    // A task-memory copy, format block included, as the caller frees it.
    static AM_MEDIA_TYPE* copyMediaType(const AM_MEDIA_TYPE& from)
    {
        auto* to = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (!to)
            return nullptr;
        *to = from;
        to->pUnk = nullptr;
        if (from.cbFormat) {
            to->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
            if (!to->pbFormat) {
                CoTaskMemFree(to);
                return nullptr;
            }
            std::memcpy(to->pbFormat, from.pbFormat, from.cbFormat);
        }
        return to;
    }
};

// A copy of a type into a MediaType record; false when memory runs out.
bool copyInto(MediaType& to, const AM_MEDIA_TYPE& from)
{
    to.reset();
    static_cast<AM_MEDIA_TYPE&>(to) = from;
    to.pbFormat = nullptr, to.cbFormat = 0, to.pUnk = nullptr;
    return !from.cbFormat || to.setFormat(from.formattype, from.pbFormat, from.cbFormat);
}

// ---- The output pin -----------------------------------------------------------

class OutputPin : public IPin, public IMediaSeeking {
public:
    OutputPin(SourceFilter& filter, DWORD stream, const wchar_t* name) : stream(stream), filter_(filter)
    {
        wcsncpy(name_, name, MAX_PIN_NAME - 1);
    }
    virtual ~OutputPin() = default;

    // IUnknown: the pin lives and dies with its filter.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* receiver, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** out) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* out) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* out) override
    {
        if (!out)
            return E_POINTER;
        *out = PINDIR_OUTPUT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* out) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override { return accepts(type) ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** out) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return E_UNEXPECTED; }

    // IMediaSeeking: the filter's one position, in media time.
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* out) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* wanted) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* out) override { return GetTimeFormat(out); }
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* out) override
    {
        if (!out)
            return E_POINTER;
        *out = ids::TIME_FORMAT_MEDIA_TIME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) override
    {
        return format && sameGuid(*format, ids::TIME_FORMAT_MEDIA_TIME) ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override
    {
        return format && (sameGuid(*format, ids::TIME_FORMAT_MEDIA_TIME) || sameGuid(*format, GUID_NULL))
                   ? S_OK
                   : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* out) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* out) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* out) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                const GUID* sourceFormat) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* out) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* out) override
    {
        if (!out)
            return E_POINTER;
        *out = 0;
        return S_OK;
    }

    // What the filter sets up and the streaming thread uses.
    std::vector<MediaType> types;          // offered, in order of preference
    bool video = false;
    LONG width = 0, height = 0;             // video frame
    MediaType connectedType;                // a renderer's change of row pitch updates it while streaming:
    SRWLOCK typeLock = SRWLOCK_INIT;        // held to change it then, and to copy it out
    ComPtr<IPin> peer;
    ComPtr<IMemInputPin> input;
    ComPtr<IMemAllocator> allocator;
    const DWORD stream;                     // the reader's stream index

    // Shared with the streaming thread under the filter's lock.
    HANDLE thread = nullptr;
    bool busy = false;       // inside the reader or a delivery
    bool ended = false;      // end of stream delivered for this segment
    bool newSegment = true;  // NewSegment due before the next sample
    bool discontinuity = true;

    bool connected() const { return peer != nullptr; }
    bool accepts(const AM_MEDIA_TYPE* type) const;
    HRESULT commit() { return allocator ? allocator->Commit() : S_OK; }
    void decommit()
    {
        if (allocator)
            allocator->Decommit();
    }
    // Streaming: delivers one reader sample; false when the stream is over
    // for this segment (its end, a failure, or the stop position).
    bool deliver(IMFSample* sample, LONGLONG time, LONGLONG start, LONGLONG stop, double rate);

private:
    HRESULT tryConnect(IPin* receiver, const AM_MEDIA_TYPE& type);
    HRESULT decideAllocator();
    bool deliverVideo(IMFMediaBuffer* buffer, REFERENCE_TIME start, REFERENCE_TIME end);
    bool deliverAudio(IMFMediaBuffer* buffer, REFERENCE_TIME start, double rate);

    SourceFilter& filter_;
    wchar_t name_[MAX_PIN_NAME] = {};
    VideoLayout layout_;
};

// ---- The filter -------------------------------------------------------------

class SourceFilter : public Unknown<IBaseFilter> {
public:
    explicit SourceFilter(IMFSourceReader* reader) : reader_(reader)
    {
        InitializeSRWLock(&lock_);
        InitializeConditionVariable(&wake_);
    }
    virtual ~SourceFilter()
    {
        for (OutputPin* pin : pins_)
            delete pin;
    }

    // Reads the streams' formats and makes the pins; false with none.
    HRESULT setUp();

    // IPersist and IMediaFilter
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override
    {
        if (!out)
            return E_POINTER;
        *out = kSourceClass;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE* out) override
    {
        if (!out)
            return E_POINTER;
        AcquireSRWLockShared(&lock_);
        *out = state_;
        ReleaseSRWLockShared(&lock_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override
    {
        clock_ = clock;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** out) override
    {
        if (!out)
            return E_POINTER;
        *out = clock_.Get();
        if (*out)
            (*out)->AddRef();
        return S_OK;
    }

    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** out) override
    {
        if (!out)
            return E_POINTER;
        std::vector<IPin*> pins(pins_.begin(), pins_.end());
        *out = new (std::nothrow) PinEnumerator(static_cast<IBaseFilter*>(this), std::move(pins));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** out) override
    {
        if (!id || !out)
            return E_POINTER;
        *out = nullptr;
        for (OutputPin* pin : pins_) {
            PIN_INFO info;
            pin->QueryPinInfo(&info);
            if (info.pFilter)
                info.pFilter->Release();
            if (wcscmp(info.achName, id) == 0) {
                *out = pin;
                pin->AddRef();
                return S_OK;
            }
        }
        return VFW_E_NOT_FOUND;
    }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override
    {
        if (!info)
            return E_POINTER;
        wcsncpy(info->achName, name_, MAX_FILTER_NAME - 1);
        info->achName[MAX_FILTER_NAME - 1] = 0;
        info->pGraph = graph_;
        if (graph_)
            graph_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override
    {
        // The graph holds the filter, not the other way round.
        graph_ = graph;
        name_[0] = 0;
        if (name)
            wcsncpy(name_, name, MAX_FILTER_NAME - 1);
        if (!graph)
            Stop();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    // For the pins.
    bool isMaster(const OutputPin* pin) const
    {
        // The video pin when it is connected, else the first connected one:
        // the graph seeks every renderer, and each asks its upstream pin;
        // only one of them moves the reader.
        for (OutputPin* p : pins_)
            if (p->connected())
                return p == pin;
        return pin == pins_.front();
    }
    bool stopped() const
    {
        AcquireSRWLockShared(&lock_);
        const bool is = state_ == State_Stopped;
        ReleaseSRWLockShared(&lock_);
        return is;
    }
    HRESULT seek(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags);
    void positions(LONGLONG* start, LONGLONG* stop, double* rate, LONGLONG* duration) const
    {
        AcquireSRWLockShared(&lock_);
        if (start)
            *start = start_;
        if (stop)
            *stop = stop_;
        if (rate)
            *rate = rate_;
        if (duration)
            *duration = duration_;
        ReleaseSRWLockShared(&lock_);
    }
    HRESULT setRate(double rate);
    bool canSeek() const { return canSeek_; }

private:
    static DWORD WINAPI streamMain(void* parameter);
    struct ThreadStart {
        SourceFilter* filter;
        OutputPin* pin;
        HMODULE module;
    };
    void stream(OutputPin& pin);
    // True while no seek or stop came since segment began.
    bool current(unsigned segment) const
    {
        AcquireSRWLockShared(&lock_);
        const bool is = segment == segment_ && !parked_ && !quit_;
        ReleaseSRWLockShared(&lock_);
        return is;
    }
    // Parks every streaming thread, with downstream flushing when flush is
    // set; lock_ is held on return. False when one did not leave the reader
    // within kThreadWait.
    bool park(bool flush);
    void unpark(bool flush);
    void startThreads();
    void endThreads();
    HRESULT seekReader(LONGLONG position);
    void makePin(DWORD stream, bool video);
    bool answers(REFIID iid) const override
    {
        return sameGuid(iid, __uuidof(IPersist)) || sameGuid(iid, __uuidof(IMediaFilter)) ||
               sameGuid(iid, __uuidof(IBaseFilter));
    }

    ComPtr<IMFSourceReader> reader_;
    std::vector<OutputPin*> pins_;
    IFilterGraph* graph_ = nullptr;
    wchar_t name_[MAX_FILTER_NAME] = {};
    ComPtr<IReferenceClock> clock_;

    mutable SRWLOCK lock_;
    CONDITION_VARIABLE wake_;
    FILTER_STATE state_ = State_Stopped;
    bool parked_ = false;  // a seek or a stop holds the threads
    bool quit_ = false;    // the threads end
    unsigned segment_ = 0; // counts seeks, so that a thread tells a stale sample
    LONGLONG start_ = 0, stop_ = 0, duration_ = 0;
    double rate_ = 1.0;
    bool canSeek_ = true;
    bool readerAtStart_ = true; // the reader stands at start_
};

// ---- Set-up -------------------------------------------------------------------

HRESULT SourceFilter::setUp()
{
    reader_->SetStreamSelection(MF_SOURCE_READER_ALL_STREAMS, FALSE);
    auto select = [&](DWORD stream, const GUID& major, const GUID& subtype) {
        ComPtr<IMFMediaType> wanted;
        if (FAILED(createMediaType(wanted.GetAddressOf())))
            return false;
        wanted->SetGUID(MF_MT_MAJOR_TYPE, major);
        wanted->SetGUID(MF_MT_SUBTYPE, subtype);
        if (sameGuid(major, MFMediaType_Audio))
            wanted->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
        if (FAILED(reader_->SetStreamSelection(stream, TRUE)))
            return false;
        if (FAILED(reader_->SetCurrentMediaType(stream, nullptr, wanted.Get()))) {
            reader_->SetStreamSelection(stream, FALSE);
            return false;
        }
        return true;
    };
    // Every stream the file has must be read, as RenderFile renders every
    // stream or fails: a file whose video the reader cannot convert is left
    // to DirectShow rather than played without its picture.
    auto present = [&](DWORD stream) {
        ComPtr<IMFMediaType> native;
        return SUCCEEDED(reader_->GetNativeMediaType(stream, 0, native.GetAddressOf()));
    };
    for (const bool video : {true, false}) {
        const DWORD stream = video ? MF_SOURCE_READER_FIRST_VIDEO_STREAM : MF_SOURCE_READER_FIRST_AUDIO_STREAM;
        if (!present(stream))
            continue;
        const size_t before = pins_.size();
        if (select(stream, video ? MFMediaType_Video : MFMediaType_Audio,
                   video ? MFVideoFormat_RGB32 : MFAudioFormat_PCM))
            makePin(stream, video);
        if (pins_.size() == before)
            return video ? VFW_E_UNSUPPORTED_VIDEO : VFW_E_UNSUPPORTED_AUDIO;
    }
    if (pins_.empty())
        return VFW_E_UNSUPPORTED_STREAM;

    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(reader_->GetPresentationAttribute(MF_SOURCE_READER_MEDIASOURCE, MF_PD_DURATION, &value)) &&
        value.vt == VT_UI8)
        duration_ = static_cast<LONGLONG>(value.uhVal.QuadPart);
    PropVariantClear(&value);
    if (SUCCEEDED(reader_->GetPresentationAttribute(MF_SOURCE_READER_MEDIASOURCE,
                                                    MF_SOURCE_READER_MEDIASOURCE_CHARACTERISTICS, &value)) &&
        value.vt == VT_UI4)
        canSeek_ = (value.ulVal & MFMEDIASOURCE_CAN_SEEK) != 0;
    PropVariantClear(&value);
    stop_ = duration_;
    return S_OK;
}

void SourceFilter::makePin(DWORD stream, bool video)
{
    ComPtr<IMFMediaType> current;
    if (FAILED(reader_->GetCurrentMediaType(stream, current.GetAddressOf())))
        return;
    auto* pin = new (std::nothrow) OutputPin(*this, stream, pins_.empty() ? L"Output" : L"Audio");
    if (!pin)
        return;
    pin->video = video;
    if (video) {
        UINT64 size = 0, rate = 0;
        current->GetUINT64(MF_MT_FRAME_SIZE, &size);
        pin->width = static_cast<LONG>(size >> 32), pin->height = static_cast<LONG>(size & 0xFFFFFFFF);
        if (pin->width <= 0 || pin->height <= 0 || pin->width > 16384 || pin->height > 16384) {
            delete pin;
            return;
        }
        REFERENCE_TIME frame = 0;
        if (SUCCEEDED(current->GetUINT64(MF_MT_FRAME_RATE, &rate)) && (rate >> 32) && (rate & 0xFFFFFFFF))
            frame = static_cast<REFERENCE_TIME>(10000000.0 * (rate & 0xFFFFFFFF) / (rate >> 32));
        for (WORD bits : {WORD(32), WORD(24)}) {
            VIDEOINFOHEADER info{};
            info.AvgTimePerFrame = frame;
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biWidth = pin->width;
            info.bmiHeader.biHeight = pin->height; // bottom-up, as DIBs are
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = bits;
            info.bmiHeader.biCompression = BI_RGB;
            info.bmiHeader.biSizeImage = ((pin->width * (bits / 8) + 3) & ~3) * pin->height;
            MediaType type;
            type.majortype = ids::MEDIATYPE_Video;
            type.subtype = bits == 32 ? ids::MEDIASUBTYPE_RGB32 : ids::MEDIASUBTYPE_RGB24;
            type.bFixedSizeSamples = TRUE;
            type.lSampleSize = info.bmiHeader.biSizeImage;
            if (!type.setFormat(ids::FORMAT_VideoInfo, &info, sizeof info))
                continue;
            pin->types.push_back(std::move(type));
        }
    } else {
        UINT32 channels = 0, rate = 0;
        current->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
        current->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
        if (channels == 0 || channels > 8 || rate == 0 || rate > 384000) {
            delete pin;
            return;
        }
        WAVEFORMATEX wave{};
        wave.wFormatTag = WAVE_FORMAT_PCM;
        wave.nChannels = static_cast<WORD>(channels);
        wave.nSamplesPerSec = rate;
        wave.wBitsPerSample = 16;
        wave.nBlockAlign = static_cast<WORD>(channels * 2);
        wave.nAvgBytesPerSec = rate * wave.nBlockAlign;
        MediaType type;
        type.majortype = ids::MEDIATYPE_Audio;
        type.subtype = ids::MEDIASUBTYPE_PCM;
        type.bFixedSizeSamples = TRUE;
        type.lSampleSize = wave.nBlockAlign;
        if (type.setFormat(ids::FORMAT_WaveFormatEx, &wave, sizeof wave))
            pin->types.push_back(std::move(type));
    }
    if (pin->types.empty()) {
        delete pin;
        return;
    }
    pins_.push_back(pin);
}

// ---- States ---------------------------------------------------------------------

HRESULT SourceFilter::Pause()
{
    AcquireSRWLockExclusive(&lock_);
    const FILTER_STATE was = state_;
    state_ = State_Paused;
    const bool atStart = readerAtStart_;
    const LONGLONG start = start_;
    if (was == State_Stopped)
        readerAtStart_ = false;
    ReleaseSRWLockExclusive(&lock_);
    if (was == State_Stopped) {
        for (OutputPin* pin : pins_)
            if (pin->connected())
                pin->commit();
        // Each run from a stop starts at the position last set.
        if (!atStart)
            seekReader(start);
        startThreads();
    }
    return S_OK;
}

HRESULT SourceFilter::Run(REFERENCE_TIME)
{
    AcquireSRWLockShared(&lock_);
    const bool fromStop = state_ == State_Stopped;
    ReleaseSRWLockShared(&lock_);
    if (fromStop)
        Pause();
    AcquireSRWLockExclusive(&lock_);
    state_ = State_Running;
    ReleaseSRWLockExclusive(&lock_);
    return S_OK;
}

HRESULT SourceFilter::Stop()
{
    AcquireSRWLockExclusive(&lock_);
    const bool active = state_ != State_Stopped;
    state_ = State_Stopped;
    quit_ = active;
    WakeAllConditionVariable(&wake_);
    ReleaseSRWLockExclusive(&lock_);
    if (!active)
        return S_OK;
    // Downstream stopped first (the graph stops renderers before sources),
    // so a thread blocked in delivery returns; decommitting the allocators
    // releases one waiting for a buffer.
    for (OutputPin* pin : pins_)
        pin->decommit();
    endThreads();
    return S_OK;
}

void SourceFilter::startThreads()
{
    AcquireSRWLockExclusive(&lock_);
    quit_ = false;
    parked_ = false;
    for (OutputPin* pin : pins_) {
        pin->ended = false;
        pin->newSegment = true;
        pin->discontinuity = true;
    }
    ReleaseSRWLockExclusive(&lock_);
    for (OutputPin* pin : pins_) {
        if (!pin->connected())
            continue;
        auto* start = new (std::nothrow) ThreadStart{this, pin, pinModuleOf(reinterpret_cast<const void*>(&streamMain))};
        if (!start)
            continue;
        AddRef(); // the thread's, given back as it ends
        pin->thread = CreateThread(nullptr, 0, streamMain, start, 0, nullptr);
        if (!pin->thread) {
            if (start->module)
                FreeLibrary(start->module);
            delete start;
            Release();
        }
    }
}

void SourceFilter::endThreads()
{
    AcquireSRWLockExclusive(&lock_);
    quit_ = true;
    readerAtStart_ = false;
    WakeAllConditionVariable(&wake_);
    ReleaseSRWLockExclusive(&lock_);
    for (OutputPin* pin : pins_) {
        if (!pin->thread)
            continue;
        // A thread still in the reader after the wait finishes alone: it
        // holds the filter, and it delivers nothing once told to quit.
        WaitForSingleObject(pin->thread, kThreadWait);
        CloseHandle(pin->thread);
        pin->thread = nullptr;
    }
}

DWORD WINAPI SourceFilter::streamMain(void* parameter)
{
    ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    start.filter->stream(*start.pin);
    start.filter->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    if (start.module)
        exitThreadUnpinning(start.module, 0);
    return 0;
}

void SourceFilter::stream(OutputPin& pin)
{
    AcquireSRWLockExclusive(&lock_);
    for (;;) {
        while (!quit_ && (parked_ || pin.ended)) {
            pin.busy = false;
            WakeAllConditionVariable(&wake_);
            SleepConditionVariableSRW(&wake_, &lock_, INFINITE, 0);
        }
        if (quit_)
            break;
        pin.busy = true;
        const unsigned segment = segment_;
        const LONGLONG start = start_, stop = stop_;
        const double rate = rate_;
        const bool newSegment = pin.newSegment;
        pin.newSegment = false;
        ReleaseSRWLockExclusive(&lock_);

        if (newSegment)
            pin.peer->NewSegment(start, stop, rate);
        DWORD flags = 0;
        LONGLONG time = 0;
        ComPtr<IMFSample> sample;
        HRESULT hr = reader_->ReadSample(pin.stream, 0, nullptr, &flags, &time, sample.GetAddressOf());

        // The reader's failures end the stream as its end does: the
        // renderers then report the end of media. A sample read before a
        // seek or a stop is dropped, and so is the end it would mean.
        bool more = true;
        if (current(segment)) {
            if (FAILED(hr) || (flags & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_ENDOFSTREAM)))
                more = false;
            else if (sample)
                more = pin.deliver(sample.Get(), time, start, stop, rate);
            if (!more && current(segment))
                pin.peer->EndOfStream();
        }
        AcquireSRWLockExclusive(&lock_);
        if (!more && segment == segment_)
            pin.ended = true;
    }
    pin.busy = false;
    WakeAllConditionVariable(&wake_);
    ReleaseSRWLockExclusive(&lock_);
}

// ---- Seeking ------------------------------------------------------------------

bool SourceFilter::park(bool flush)
{
    AcquireSRWLockExclusive(&lock_);
    parked_ = true;
    ++segment_;
    WakeAllConditionVariable(&wake_);
    ReleaseSRWLockExclusive(&lock_);
    if (flush)
        for (OutputPin* pin : pins_)
            if (pin->connected())
                pin->peer->BeginFlush();
    AcquireSRWLockExclusive(&lock_);
    const ULONGLONG until = GetTickCount64() + kThreadWait;
    for (;;) {
        bool busy = false;
        for (OutputPin* pin : pins_)
            busy = busy || (pin->thread && pin->busy);
        if (!busy)
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= until)
            return false;
        SleepConditionVariableSRW(&wake_, &lock_, static_cast<DWORD>(until - now), 0);
    }
}

void SourceFilter::unpark(bool flush)
{
    // lock_ is held (park's).
    for (OutputPin* pin : pins_) {
        pin->ended = false;
        pin->newSegment = true;
        pin->discontinuity = true;
    }
    ReleaseSRWLockExclusive(&lock_);
    if (flush)
        for (OutputPin* pin : pins_)
            if (pin->connected())
                pin->peer->EndFlush();
    AcquireSRWLockExclusive(&lock_);
    parked_ = false;
    WakeAllConditionVariable(&wake_);
    ReleaseSRWLockExclusive(&lock_);
}

HRESULT SourceFilter::seekReader(LONGLONG position)
{
    PROPVARIANT at;
    PropVariantInit(&at);
    at.vt = VT_I8;
    at.hVal.QuadPart = position;
    const HRESULT hr = reader_->SetCurrentPosition(GUID_NULL, at);
    PropVariantClear(&at);
    return hr;
}

HRESULT SourceFilter::seek(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    const DWORD currentHow = currentFlags & AM_SEEKING_PositioningBitsMask;
    const DWORD stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    if ((currentHow != AM_SEEKING_NoPositioning && !current) || (stopHow != AM_SEEKING_NoPositioning && !stop))
        return E_POINTER;
    LONGLONG start, end, duration;
    positions(&start, &end, nullptr, &duration);
    LONGLONG newStart = start, newEnd = end;
    switch (currentHow) {
    case AM_SEEKING_AbsolutePositioning: newStart = *current; break;
    case AM_SEEKING_RelativePositioning: newStart = start + *current; break;
    case AM_SEEKING_NoPositioning: break;
    default: return E_INVALIDARG;
    }
    switch (stopHow) {
    case AM_SEEKING_AbsolutePositioning: newEnd = *stop; break;
    case AM_SEEKING_RelativePositioning: newEnd = end + *stop; break;
    case AM_SEEKING_IncrementalPositioning: newEnd = newStart + *stop; break;
    case AM_SEEKING_NoPositioning: break;
    default: return E_INVALIDARG;
    }
    newStart = std::max<LONGLONG>(0, std::min(newStart, duration));
    newEnd = std::max<LONGLONG>(newStart, std::min(newEnd, duration));
    if (currentHow != AM_SEEKING_NoPositioning && !canSeek_ && newStart != start)
        return E_FAIL;

    HRESULT hr = S_OK;
    if (currentHow != AM_SEEKING_NoPositioning) {
        const bool active = !stopped();
        if (park(active)) {
            ReleaseSRWLockExclusive(&lock_);
            hr = seekReader(newStart);
            AcquireSRWLockExclusive(&lock_);
            if (SUCCEEDED(hr)) {
                start_ = newStart;
                readerAtStart_ = !active;
            }
            stop_ = newEnd;
        } else {
            hr = VFW_E_TIMEOUT; // a thread is still in the reader: the position stays
        }
        unpark(active);
    } else {
        // Only the end moves: the threads read on and stop there.
        AcquireSRWLockExclusive(&lock_);
        stop_ = newEnd;
        ReleaseSRWLockExclusive(&lock_);
    }
    if (SUCCEEDED(hr)) {
        if (current && (currentFlags & AM_SEEKING_ReturnTime))
            *current = newStart;
        if (stop && (stopFlags & AM_SEEKING_ReturnTime))
            *stop = newEnd;
    }
    return hr;
}

HRESULT SourceFilter::setRate(double rate)
{
    if (!(rate > 0) || rate > 128)
        return E_INVALIDARG;
    // The new rate takes effect from the next segment (a seek or a run
    // from a stop), whose time stamps it scales.
    AcquireSRWLockExclusive(&lock_);
    rate_ = rate;
    ReleaseSRWLockExclusive(&lock_);
    return S_OK;
}

// ---- The pin: IUnknown and connection --------------------------------------------

HRESULT OutputPin::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (sameGuid(iid, __uuidof(IUnknown)) || sameGuid(iid, __uuidof(IPin)))
        *out = static_cast<IPin*>(this);
    else if (sameGuid(iid, __uuidof(IMediaSeeking)))
        *out = static_cast<IMediaSeeking*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG OutputPin::AddRef() { return filter_.AddRef(); }
ULONG OutputPin::Release() { return filter_.Release(); }

bool OutputPin::accepts(const AM_MEDIA_TYPE* type) const
{
    if (!type)
        return false;
    if (video) {
        VideoLayout layout;
        return layoutOf(*type, width, height, layout);
    }
    const AM_MEDIA_TYPE& ours = types.front();
    return sameGuid(type->majortype, ours.majortype) && sameGuid(type->subtype, ours.subtype) &&
           sameGuid(type->formattype, ours.formattype) && type->cbFormat >= sizeof(WAVEFORMATEX) &&
           std::memcmp(type->pbFormat, ours.pbFormat, sizeof(WAVEFORMATEX)) == 0;
}

HRESULT OutputPin::Connect(IPin* receiver, const AM_MEDIA_TYPE* type)
{
    if (!receiver)
        return E_POINTER;
    if (connected())
        return VFW_E_ALREADY_CONNECTED;
    if (!filter_.stopped())
        return VFW_E_NOT_STOPPED;
    // A partial type narrows ours (a null GUID matches any).
    auto matches = [&](const AM_MEDIA_TYPE& ours) {
        return !type || ((sameGuid(type->majortype, GUID_NULL) || sameGuid(type->majortype, ours.majortype)) &&
                         (sameGuid(type->subtype, GUID_NULL) || sameGuid(type->subtype, ours.subtype)) &&
                         (sameGuid(type->formattype, GUID_NULL) || sameGuid(type->formattype, ours.formattype)));
    };
    if (type && type->pbFormat && !sameGuid(type->formattype, GUID_NULL))
        return accepts(type) ? tryConnect(receiver, *type) : VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    for (const MediaType& ours : types) {
        if (!matches(ours))
            continue;
        const HRESULT hr = tryConnect(receiver, ours);
        if (SUCCEEDED(hr))
            return hr;
        if (hr != VFW_E_TYPE_NOT_ACCEPTED && hr != S_FALSE && hr != E_FAIL)
            last = hr;
    }
    return last;
}

HRESULT OutputPin::tryConnect(IPin* receiver, const AM_MEDIA_TYPE& type)
{
    HRESULT hr = receiver->ReceiveConnection(this, &type);
    if (hr != S_OK)
        return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    peer = receiver;
    if (!copyInto(connectedType, type) ||
        FAILED(hr = receiver->QueryInterface(__uuidof(IMemInputPin), reinterpret_cast<void**>(input.GetAddressOf()))) ||
        FAILED(hr = decideAllocator())) {
        receiver->Disconnect();
        Disconnect();
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    if (video)
        layoutOf(connectedType, width, height, layout_);
    return S_OK;
}

HRESULT OutputPin::decideAllocator()
{
    ALLOCATOR_PROPERTIES wanted{};
    input->GetAllocatorRequirements(&wanted);
    const long needed = video ? static_cast<long>(connectedType.lSampleSize) : kAudioBufferBytes;
    ALLOCATOR_PROPERTIES props{};
    props.cBuffers = std::max<long>(wanted.cBuffers, video ? 2 : 4);
    props.cbBuffer = std::max<long>(wanted.cbBuffer, needed);
    props.cbAlign = std::max<long>(wanted.cbAlign, 1);
    props.cbPrefix = wanted.cbPrefix;
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = input->GetAllocator(allocator.GetAddressOf());
    if (SUCCEEDED(hr) && allocator)
        hr = allocator->SetProperties(&props, &actual);
    if (FAILED(hr) || !allocator || actual.cbBuffer < needed) {
        hr = createInstance(ids::CLSID_MemoryAllocator, CLSCTX_INPROC_SERVER, __uuidof(IMemAllocator),
                            reinterpret_cast<void**>(allocator.ReleaseAndGetAddressOf()));
        if (FAILED(hr))
            return hr;
        hr = allocator->SetProperties(&props, &actual);
        if (FAILED(hr) || actual.cbBuffer < needed)
            return FAILED(hr) ? hr : VFW_E_SIZENOTSET;
    }
    return input->NotifyAllocator(allocator.Get(), FALSE);
}

HRESULT OutputPin::Disconnect()
{
    if (!filter_.stopped())
        return VFW_E_NOT_STOPPED;
    if (!connected())
        return S_FALSE;
    allocator.Reset();
    input.Reset();
    peer.Reset();
    connectedType.reset();
    return S_OK;
}

HRESULT OutputPin::ConnectedTo(IPin** out)
{
    if (!out)
        return E_POINTER;
    *out = peer.Get();
    if (!*out)
        return VFW_E_NOT_CONNECTED;
    (*out)->AddRef();
    return S_OK;
}

HRESULT OutputPin::ConnectionMediaType(AM_MEDIA_TYPE* out)
{
    if (!out)
        return E_POINTER;
    std::memset(out, 0, sizeof *out);
    if (!connected())
        return VFW_E_NOT_CONNECTED;
    AcquireSRWLockShared(&typeLock);
    AM_MEDIA_TYPE* copy = TypeEnumerator::copyMediaType(connectedType);
    ReleaseSRWLockShared(&typeLock);
    if (!copy)
        return E_OUTOFMEMORY;
    *out = *copy;
    CoTaskMemFree(copy);
    return S_OK;
}

HRESULT OutputPin::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = PINDIR_OUTPUT;
    wcsncpy(info->achName, name_, MAX_PIN_NAME);
    return S_OK;
}

HRESULT OutputPin::QueryId(LPWSTR* out)
{
    if (!out)
        return E_POINTER;
    const size_t bytes = (wcslen(name_) + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*out)
        return E_OUTOFMEMORY;
    std::memcpy(*out, name_, bytes);
    return S_OK;
}

HRESULT OutputPin::EnumMediaTypes(IEnumMediaTypes** out)
{
    if (!out)
        return E_POINTER;
    std::vector<const AM_MEDIA_TYPE*> list;
    for (const MediaType& type : types)
        list.push_back(&type);
    *out = new (std::nothrow) TypeEnumerator(static_cast<IPin*>(this), std::move(list));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// ---- The pin: seeking ---------------------------------------------------------

HRESULT OutputPin::GetCapabilities(DWORD* out)
{
    if (!out)
        return E_POINTER;
    *out = AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetCurrentPos;
    if (filter_.canSeek())
        *out |= AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards;
    return S_OK;
}

HRESULT OutputPin::CheckCapabilities(DWORD* wanted)
{
    if (!wanted)
        return E_POINTER;
    DWORD have = 0;
    GetCapabilities(&have);
    const DWORD asked = *wanted;
    *wanted &= have;
    return *wanted == asked ? S_OK : *wanted ? S_FALSE : E_FAIL;
}

HRESULT OutputPin::IsFormatSupported(const GUID* format)
{
    if (!format)
        return E_POINTER;
    return sameGuid(*format, ids::TIME_FORMAT_MEDIA_TIME) ? S_OK : S_FALSE;
}

HRESULT OutputPin::GetDuration(LONGLONG* out)
{
    if (!out)
        return E_POINTER;
    filter_.positions(nullptr, nullptr, nullptr, out);
    return S_OK;
}

HRESULT OutputPin::GetStopPosition(LONGLONG* out)
{
    if (!out)
        return E_POINTER;
    filter_.positions(nullptr, out, nullptr, nullptr);
    return S_OK;
}

HRESULT OutputPin::GetCurrentPosition(LONGLONG* out)
{
    // Where the last segment began: the renderers know better while playing.
    if (!out)
        return E_POINTER;
    filter_.positions(out, nullptr, nullptr, nullptr);
    return S_OK;
}

HRESULT OutputPin::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                     const GUID* sourceFormat)
{
    if (!target)
        return E_POINTER;
    auto media = [](const GUID* format) { return !format || sameGuid(*format, ids::TIME_FORMAT_MEDIA_TIME); };
    if (!media(targetFormat) || !media(sourceFormat))
        return E_INVALIDARG;
    *target = source;
    return S_OK;
}

HRESULT OutputPin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    if (!filter_.isMaster(this))
        return S_OK; // the other pin's renderer moves the reader for both
    return filter_.seek(current, currentFlags, stop, stopFlags);
}

HRESULT OutputPin::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    filter_.positions(current, stop, nullptr, nullptr);
    return S_OK;
}

HRESULT OutputPin::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    if (earliest)
        *earliest = 0;
    filter_.positions(nullptr, nullptr, nullptr, latest);
    return S_OK;
}

HRESULT OutputPin::SetRate(double rate)
{
    if (!filter_.isMaster(this))
        return rate > 0 ? S_OK : E_INVALIDARG;
    return filter_.setRate(rate);
}

HRESULT OutputPin::GetRate(double* out)
{
    if (!out)
        return E_POINTER;
    filter_.positions(nullptr, nullptr, out, nullptr);
    return S_OK;
}

// ---- The pin: delivery ----------------------------------------------------------

bool OutputPin::deliver(IMFSample* sample, LONGLONG time, LONGLONG start, LONGLONG stop, double rate)
{
    if (time >= stop && stop > start)
        return false;
    LONGLONG length = 0;
    if (FAILED(sample->GetSampleDuration(&length)) || length <= 0)
        length = 0;
    // The reader seeks to the key frame before the position and decodes
    // from there: what ends before the position is not shown.
    if (time + length <= start && (length > 0 || time < start))
        return true;
    ComPtr<IMFMediaBuffer> buffer;
    if (FAILED(sample->ConvertToContiguousBuffer(buffer.GetAddressOf())))
        return false;
    const auto scale = [&](LONGLONG t) { return static_cast<REFERENCE_TIME>((t - start) / rate); };
    if (video)
        return deliverVideo(buffer.Get(), scale(time), scale(time + length));
    return deliverAudio(buffer.Get(), scale(time), rate);
}

bool OutputPin::deliverVideo(IMFMediaBuffer* buffer, REFERENCE_TIME start, REFERENCE_TIME end)
{
    ComPtr<IMediaSample> out;
    if (FAILED(allocator->GetBuffer(out.GetAddressOf(), &start, &end, 0)))
        return false;
    // A renderer may hand over a buffer of another row pitch (its surface's).
    AM_MEDIA_TYPE* changed = nullptr;
    if (out->GetMediaType(&changed) == S_OK && changed) {
        VideoLayout layout;
        if (layoutOf(*changed, width, height, layout)) {
            layout_ = layout;
            AcquireSRWLockExclusive(&typeLock);
            copyInto(connectedType, *changed);
            ReleaseSRWLockExclusive(&typeLock);
        }
        if (changed->cbFormat)
            CoTaskMemFree(changed->pbFormat);
        if (changed->pUnk)
            changed->pUnk->Release();
        CoTaskMemFree(changed);
    }
    BYTE* to = nullptr;
    out->GetPointer(&to);
    const long room = out->GetSize();
    if (!to || room < layout_.stride * layout_.height)
        return false;

    // The reader's RGB32 rows: through IMF2DBuffer where offered (its pitch
    // says the direction), else packed top-down rows of width * 4 bytes.
    ComPtr<IMF2DBuffer> planes;
    BYTE* from = nullptr;
    LONG pitch = 0;
    DWORD size = 0;
    bool locked2d = false;
    if (SUCCEEDED(buffer->QueryInterface(__uuidof(IMF2DBuffer), reinterpret_cast<void**>(planes.GetAddressOf()))) &&
        SUCCEEDED(planes->Lock2D(&from, &pitch)))
        locked2d = true;
    else if (SUCCEEDED(buffer->Lock(&from, nullptr, &size)))
        pitch = width * 4;
    else
        return false;
    const bool fits = locked2d || static_cast<ULONGLONG>(size) >= static_cast<ULONGLONG>(width) * 4 * height;
    if (fits) {
        for (LONG y = 0; y < height; ++y) {
            const BYTE* row = from + static_cast<ptrdiff_t>(y) * pitch;
            BYTE* dest = to + static_cast<ptrdiff_t>(layout_.topDown ? y : height - 1 - y) * layout_.stride;
            if (layout_.bits == 32) {
                std::memcpy(dest, row, static_cast<size_t>(width) * 4);
            } else {
                for (LONG x = 0; x < width; ++x)
                    dest[3 * x] = row[4 * x], dest[3 * x + 1] = row[4 * x + 1], dest[3 * x + 2] = row[4 * x + 2];
            }
        }
    }
    if (locked2d)
        planes->Unlock2D();
    else
        buffer->Unlock();
    if (!fits)
        return false;
    out->SetActualDataLength(layout_.stride * layout_.height);
    out->SetTime(&start, &end);
    out->SetSyncPoint(TRUE);
    out->SetDiscontinuity(discontinuity);
    discontinuity = false;
    // Anything but S_OK (downstream flushing, stopped, or at its end) ends
    // this segment; a seek or a stop under way is told apart by the thread.
    return input->Receive(out.Get()) == S_OK;
}

bool OutputPin::deliverAudio(IMFMediaBuffer* buffer, REFERENCE_TIME start, double rate)
{
    BYTE* from = nullptr;
    DWORD size = 0;
    if (FAILED(buffer->Lock(&from, nullptr, &size)))
        return false;
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(connectedType.pbFormat);
    const double bytesPerUnit = wave->nAvgBytesPerSec / 1e7 * rate;
    bool ok = true;
    for (DWORD done = 0; done < size && ok;) {
        ComPtr<IMediaSample> out;
        if (FAILED(allocator->GetBuffer(out.GetAddressOf(), nullptr, nullptr, 0))) {
            ok = false;
            break;
        }
        BYTE* to = nullptr;
        out->GetPointer(&to);
        const long room = out->GetSize() - out->GetSize() % wave->nBlockAlign;
        const DWORD part = std::min<DWORD>(size - done, static_cast<DWORD>(std::max<long>(room, 0)));
        if (!to || part == 0) {
            ok = false;
            break;
        }
        std::memcpy(to, from + done, part);
        REFERENCE_TIME first = start + static_cast<REFERENCE_TIME>(done / bytesPerUnit);
        REFERENCE_TIME last = start + static_cast<REFERENCE_TIME>((done + part) / bytesPerUnit);
        out->SetActualDataLength(static_cast<long>(part));
        out->SetTime(&first, &last);
        out->SetSyncPoint(TRUE);
        out->SetDiscontinuity(discontinuity);
        discontinuity = false;
        if (input->Receive(out.Get()) != S_OK) {
            ok = false;
            break;
        }
        done += part;
    }
    buffer->Unlock();
    return ok;
}

} // namespace

HRESULT createMediaFoundationSource(IMFSourceReader* reader, ComPtr<IBaseFilter>& out)
{
    out.Reset();
    if (!reader)
        return E_POINTER;
    auto* filter = new (std::nothrow) SourceFilter(reader);
    if (!filter)
        return E_OUTOFMEMORY;
    const HRESULT hr = filter->setUp();
    if (SUCCEEDED(hr))
        out = filter;
    filter->Release();
    return hr;
}

DWORD readerOpenWait = 20000;

namespace {

// One reader opened on a thread of its own, shared by the opener and the
// thread; the last to let go deletes it, with the reader if the opener
// stopped waiting for it.
struct ReaderOpen {
    std::wstring path;
    HANDLE done = nullptr;
    HMODULE module = nullptr;
    LONG refs = 2;
    HRESULT hr = E_FAIL;
    IMFSourceReader* reader = nullptr;

    void release()
    {
        if (InterlockedDecrement(&refs) != 0)
            return;
        if (reader)
            reader->Release();
        CloseHandle(done);
        delete this;
    }
};

DWORD WINAPI openReaderMain(void* parameter)
{
    auto* open = static_cast<ReaderOpen*>(parameter);
    const HMODULE module = open->module;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    open->hr = sourceReaderFactory(open->path.c_str(), &open->reader);
    SetEvent(open->done);
    open->release();
    if (SUCCEEDED(com))
        CoUninitialize();
    exitThreadUnpinning(module, 0);
}

// The factory's reader, if it answers within readerOpenWait; one that does
// not is left to finish on its thread (which keeps the library loaded).
HRESULT openReaderWithin(const wchar_t* path, ComPtr<IMFSourceReader>& out)
{
    auto* open = new (std::nothrow) ReaderOpen;
    if (!open)
        return E_OUTOFMEMORY;
    open->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = nullptr;
    if (open->done) {
        open->path = path;
        open->module = pinModuleOf(reinterpret_cast<const void*>(&openReaderMain));
        thread = CreateThread(nullptr, 0, openReaderMain, open, 0, nullptr);
    }
    if (!thread) {
        if (open->module)
            FreeLibrary(open->module);
        open->refs = 1;
        open->release();
        return E_OUTOFMEMORY;
    }
    CloseHandle(thread);
    HRESULT hr = VFW_E_TIMEOUT;
    if (WaitForSingleObject(open->done, readerOpenWait) == WAIT_OBJECT_0) {
        // Taken over: the thread, which may let go after this, releases
        // nothing of the opener's.
        hr = open->hr;
        out = open->reader;
        if (open->reader)
            open->reader->Release();
        open->reader = nullptr;
    }
    open->release();
    return hr;
}

} // namespace

HRESULT createMediaFoundationSource(const wchar_t* path, ComPtr<IBaseFilter>& out)
{
    out.Reset();
    ComPtr<IMFSourceReader> reader;
    const HRESULT hr = openReaderWithin(path, reader);
    if (FAILED(hr))
        return hr;
    if (!reader)
        return E_POINTER;
    return createMediaFoundationSource(reader.Get(), out);
}

} // namespace ombrix::platform
