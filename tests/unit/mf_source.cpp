// The Media Foundation source filter against a fake source reader and a fake
// downstream pin: its pins and types, streaming order, rows and times, the
// end of stream, seeking with flushing, a reader failing mid-stream, and
// stopping with a delivery blocked.
#include <doctest.h>

#include <dshow.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <string>
#include <vector>

#include "fake_stubs.h"
#include "ombrix.h"
#include "platform/com.h"
#include "platform/ids.h"
#include "platform/mf_source.h"
#include "player_fixture.h"

using ombrix::ComPtr;

namespace {

constexpr LONGLONG kFrame = 400000; // 25 fps
constexpr int kWidth = 8, kHeight = 4;

// Shared by a fake's streaming and test threads.
struct Guard {
    explicit Guard(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
    ~Guard() { LeaveCriticalSection(&cs_); }
    CRITICAL_SECTION& cs_;
};

template <class Base>
struct Fake : Base {
    LONG refs = 1;
    LONG taken = 0; // AddRef calls, counted after refs
    std::vector<std::string> unexpected;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (!IsEqualGUID(iid, IID_IUnknown))
            return E_NOINTERFACE;
        *out = this;
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        const ULONG left = InterlockedIncrement(&refs);
        InterlockedIncrement(&taken);
        return left;
    }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs); } // on the test's stack
    HRESULT stubbed(const char* method) override
    {
        unexpected.push_back(method);
        return E_NOTIMPL;
    }
};

// A reader of an 8x4 video of `frames` frames (a key frame every 25) and a
// stereo 44.1 kHz audio stream of 40 ms chunks. Frame i's pixels are
// 0x00RRGGBB with B = i; row 0 (the top) is red instead.
struct FakeReader : Fake<fakes::IMFSourceReaderStubs> {
    bool video = true, audio = true, refuseVideo = false;
    int frames = 50;
    int failAt = -1; // the video read that fails
    std::vector<LONGLONG> seeks;
    CRITICAL_SECTION cs;
    int next[2] = {0, 0};

    FakeReader() { InitializeCriticalSection(&cs); }
    ~FakeReader() { DeleteCriticalSection(&cs); }
    static int slot(DWORD stream) { return stream == MF_SOURCE_READER_FIRST_VIDEO_STREAM ? 0 : 1; }
    bool has(DWORD stream) const { return slot(stream) == 0 ? video : audio; }

    HRESULT STDMETHODCALLTYPE SetStreamSelection(DWORD, WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetNativeMediaType(DWORD stream, DWORD, IMFMediaType** type) override
    {
        *type = nullptr;
        return has(stream) ? MFCreateMediaType(type) : MF_E_INVALIDSTREAMNUMBER;
    }
    HRESULT STDMETHODCALLTYPE SetCurrentMediaType(DWORD stream, DWORD*, IMFMediaType*) override
    {
        return !has(stream) || (slot(stream) == 0 && refuseVideo) ? MF_E_INVALIDMEDIATYPE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCurrentMediaType(DWORD stream, IMFMediaType** out) override
    {
        ComPtr<IMFMediaType> type;
        MFCreateMediaType(type.GetAddressOf());
        if (slot(stream) == 0) {
            type->SetUINT64(MF_MT_FRAME_SIZE, (UINT64(kWidth) << 32) | kHeight);
            type->SetUINT64(MF_MT_FRAME_RATE, (UINT64(25) << 32) | 1);
        } else {
            type->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, 2);
            type->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, 44100);
        }
        *out = type.Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPresentationAttribute(DWORD, REFGUID guid, PROPVARIANT* value) override
    {
        PropVariantInit(value);
        if (!IsEqualGUID(guid, MF_PD_DURATION))
            return MF_E_ATTRIBUTENOTFOUND;
        value->vt = VT_UI8;
        value->uhVal.QuadPart = frames * kFrame;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(REFGUID, REFPROPVARIANT position) override
    {
        Guard g(cs);
        seeks.push_back(position.hVal.QuadPart);
        const int frame = static_cast<int>(position.hVal.QuadPart / kFrame);
        next[0] = frame - frame % 25; // from the key frame before
        next[1] = frame;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReadSample(DWORD stream, DWORD, DWORD*, DWORD* flags, LONGLONG* time,
                                         IMFSample** out) override
    {
        *out = nullptr;
        *flags = 0;
        int i;
        {
            Guard g(cs);
            i = next[slot(stream)]++;
        }
        if (slot(stream) == 0 && i == failAt)
            return E_FAIL;
        if (i >= frames) {
            *flags = MF_SOURCE_READERF_ENDOFSTREAM;
            return S_OK;
        }
        *time = i * kFrame;
        const DWORD bytes = slot(stream) == 0 ? kWidth * kHeight * 4 : 1764 * 4;
        ComPtr<IMFMediaBuffer> buffer;
        MFCreateMemoryBuffer(bytes, buffer.GetAddressOf());
        BYTE* data;
        buffer->Lock(&data, nullptr, nullptr);
        for (DWORD at = 0; at < bytes / 4; ++at)
            reinterpret_cast<DWORD*>(data)[at] = slot(stream) == 0 && at < kWidth ? 0x00FF0000 : DWORD(i);
        buffer->Unlock();
        buffer->SetCurrentLength(bytes);
        ComPtr<IMFSample> sample;
        MFCreateSample(sample.GetAddressOf());
        sample->AddBuffer(buffer.Get());
        sample->SetSampleTime(*time);
        sample->SetSampleDuration(kFrame);
        *out = sample.Detach();
        return S_OK;
    }
};

// A downstream sample: heap bytes and the times and flags the source set.
struct FakeSample : Fake<fakes::IMediaSampleStubs> {
    std::vector<BYTE> bytes;
    REFERENCE_TIME start = -1, end = -1;
    long length = 0;
    bool discontinuity = false;
    explicit FakeSample(size_t size) : bytes(size) {}
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs);
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** out) override { return *out = bytes.data(), S_OK; }
    LONG STDMETHODCALLTYPE GetSize() override { return static_cast<LONG>(bytes.size()); }
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) override
    {
        start = *s, end = *e;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSyncPoint(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(WINBOOL flag) override { return discontinuity = flag, S_OK; }
    HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG n) override { return length = n, S_OK; }
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** out) override { return *out = nullptr, S_FALSE; }
};

// A renderer's input pin that accepts one subtype (or any), its own
// allocator, and that holds the delivery after `holdAfter` samples until a
// flush or release(), as a paused renderer does.
struct FakeInput : Fake<fakes::IPinStubs> {
    struct Allocator : Fake<fakes::IMemAllocatorStubs> {
        long size = 0;
        bool committed = false;
        HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* want, ALLOCATOR_PROPERTIES* got) override
        {
            size = want->cbBuffer;
            *got = *want;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Commit() override { return committed = true, S_OK; }
        HRESULT STDMETHODCALLTYPE Decommit() override { return committed = false, S_OK; }
        HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** out, REFERENCE_TIME*, REFERENCE_TIME*, DWORD) override
        {
            *out = nullptr;
            if (!committed)
                return VFW_E_NOT_COMMITTED;
            *out = new FakeSample(static_cast<size_t>(size));
            return S_OK;
        }
    };
    struct MemInput : Fake<fakes::IMemInputPinStubs> {
        FakeInput* pin = nullptr;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return pin->QueryInterface(iid, out); }
        HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** out) override
        {
            *out = &pin->allocator;
            pin->allocator.AddRef();
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator*, WINBOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override { return pin->receive(sample); }
    };

    GUID subtype = GUID_NULL;
    int holdAfter = 1 << 30;
    Allocator allocator;
    MemInput memInput;
    CRITICAL_SECTION cs;
    HANDLE released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<ComPtr<FakeSample>> samples;
    std::vector<REFERENCE_TIME> segments;
    int ends = 0, flushes = 0, held = 0;
    bool flushing = false;

    FakeInput() { memInput.pin = this, InitializeCriticalSection(&cs); }
    ~FakeInput() { DeleteCriticalSection(&cs), CloseHandle(released); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, __uuidof(IMemInputPin))) {
            *out = static_cast<IMemInputPin*>(&memInput);
            AddRef();
            return S_OK;
        }
        return Fake::QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin*, const AM_MEDIA_TYPE* type) override
    {
        return IsEqualGUID(subtype, GUID_NULL) || IsEqualGUID(subtype, type->subtype) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT STDMETHODCALLTYPE Disconnect() override { return S_OK; }
    HRESULT receive(IMediaSample* sample)
    {
        {
            Guard g(cs);
            if (flushing)
                return S_FALSE;
            samples.emplace_back(static_cast<FakeSample*>(sample));
            if (static_cast<int>(samples.size()) <= holdAfter)
                return S_OK;
            ++held;
        }
        WaitForSingleObject(released, 10000);
        Guard g(cs);
        --held;
        return flushing ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE EndOfStream() override
    {
        Guard g(cs);
        return ++ends, S_OK;
    }
    HRESULT STDMETHODCALLTYPE BeginFlush() override
    {
        Guard g(cs);
        flushing = true, ++flushes;
        SetEvent(released);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EndFlush() override
    {
        Guard g(cs);
        flushing = false;
        ResetEvent(released);
        samples.clear();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME, double) override
    {
        Guard g(cs);
        segments.push_back(start);
        return S_OK;
    }
    template <class Test>
    bool waitFor(Test test, DWORD ms = 5000)
    {
        for (DWORD waited = 0; waited < ms; waited += 5) {
            {
                Guard g(cs);
                if (test())
                    return true;
            }
            Sleep(5);
        }
        return false;
    }
};

ComPtr<IPin> pinOf(IBaseFilter* filter, const wchar_t* name)
{
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.GetAddressOf());
    return pin;
}

// The filter over its fake reader (set the reader up first). The pins'
// peers must outlive it: it holds them.
struct Source {
    FakeReader reader;
    ComPtr<IBaseFilter> filter;
    HRESULT made = E_FAIL;
    void make() { made = ombrix::platform::createMediaFoundationSource(&reader, filter); }
    // Makes the filter at the first call, and connects its pin name to input.
    ComPtr<IPin> connect(const wchar_t* name, FakeInput& input)
    {
        if (!filter)
            make();
        REQUIRE(made == S_OK);
        ComPtr<IPin> pin = pinOf(filter.Get(), name);
        REQUIRE(pin->Connect(&input, nullptr) == S_OK);
        return pin;
    }
};

// The B of the pixel at row y of a delivered bottom-up RGB32 frame.
DWORD pixel(const FakeSample& s, int y) { return reinterpret_cast<const DWORD*>(s.bytes.data())[y * kWidth]; }

} // namespace

TEST_CASE("mf source: the file's streams make the pins, every stream must be read")
{
    struct Row {
        bool video, audio, refuseVideo;
        HRESULT made;
        std::vector<std::wstring> pins;
    };
    const Row rows[] = {
        {true, true, false, S_OK, {L"Output", L"Audio"}},
        {false, true, false, S_OK, {L"Output"}},
        {true, false, false, S_OK, {L"Output"}},
        {true, true, true, VFW_E_UNSUPPORTED_VIDEO, {}},
        {false, false, false, VFW_E_UNSUPPORTED_STREAM, {}},
    };
    for (const Row& row : rows) {
        CAPTURE(row.video);
        CAPTURE(row.audio);
        Source s;
        s.reader.video = row.video, s.reader.audio = row.audio, s.reader.refuseVideo = row.refuseVideo;
        s.make();
        CHECK(s.made == row.made);
        std::vector<std::wstring> names;
        if (s.filter) {
            ComPtr<IEnumPins> pins;
            REQUIRE(s.filter->EnumPins(pins.GetAddressOf()) == S_OK);
            for (ComPtr<IPin> pin; pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
                PIN_INFO info;
                pin->QueryPinInfo(&info);
                info.pFilter->Release();
                names.push_back(info.achName);
            }
        }
        CHECK((names == row.pins));
        CHECK(s.reader.refs == (s.filter ? 2 : 1)); // a failed source keeps no reference
    }
}

TEST_CASE("mf source: the video pin connects RGB24 or RGB32 of the frame's size, bottom-up")
{
    FakeInput input;
    input.subtype = ombrix::ids::MEDIASUBTYPE_RGB24; // as the Sample Grabber asks
    Source s;
    ComPtr<IPin> video = s.connect(L"Output", input);
    AM_MEDIA_TYPE type;
    REQUIRE(video->ConnectionMediaType(&type) == S_OK);
    const auto& header = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    CHECK(IsEqualGUID(type.subtype, ombrix::ids::MEDIASUBTYPE_RGB24));
    CHECK(header.biWidth == kWidth);
    CHECK(header.biHeight == kHeight);
    CHECK(header.biBitCount == 24);
    CHECK(input.allocator.size >= 24 * kHeight); // 8 pixels of 3 bytes, rows of 24
    // A renderer may ask for a wider row; never for another frame size.
    VIDEOINFOHEADER* info = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
    info->bmiHeader.biWidth = 16;
    CHECK(video->QueryAccept(&type) == S_OK);
    info->bmiHeader.biHeight = kHeight + 2;
    CHECK(video->QueryAccept(&type) == S_FALSE);
    CoTaskMemFree(type.pbFormat);
    CHECK(video->Connect(&input, nullptr) == VFW_E_ALREADY_CONNECTED);
    CHECK(video->Disconnect() == S_OK);
    CHECK(input.unexpected.empty());
}

TEST_CASE("mf source: frames go out in order with the reader's times, rows turned bottom-up, then one end")
{
    FakeInput input;
    Source s;
    s.reader.audio = false;
    s.reader.frames = 6;
    input.subtype = ombrix::ids::MEDIASUBTYPE_RGB32;
    s.connect(L"Output", input);
    REQUIRE(s.filter->Pause() == S_OK);
    REQUIRE(input.waitFor([&] { return input.ends > 0; }));
    CHECK(s.filter->Stop() == S_OK);
    REQUIRE(input.samples.size() == 6);
    for (int i = 0; i < 6; ++i) {
        const FakeSample& sample = *input.samples[i].Get();
        CAPTURE(i);
        CHECK(sample.start == i * kFrame);
        CHECK(sample.end == (i + 1) * kFrame);
        CHECK(sample.length == kWidth * 4 * kHeight);
        CHECK(sample.discontinuity == (i == 0));
        CHECK(pixel(sample, 0) == DWORD(i));       // the bottom row first
        CHECK(pixel(sample, kHeight - 1) == 0x00FF0000); // the reader's top row last
    }
    CHECK(input.ends == 1);
    CHECK(input.segments == std::vector<REFERENCE_TIME>{0});
    CHECK(s.reader.unexpected.empty());
}

TEST_CASE("mf source: a seek while paused flushes the held frame and shows the frame at the position")
{
    FakeInput video, audio;
    video.holdAfter = 1; // a paused renderer holds its first frame
    Source s;
    ComPtr<IMediaSeeking> videoSeeking, audioSeeking;
    REQUIRE(s.connect(L"Output", video).As(&videoSeeking) == S_OK);
    REQUIRE(s.connect(L"Audio", audio).As(&audioSeeking) == S_OK);
    REQUIRE(s.filter->Pause() == S_OK);
    REQUIRE(video.waitFor([&] { return video.held == 1; }));

    LONGLONG at = 30 * kFrame; // 1.2 s, between the key frames at 25 and 50
    // Only the video pin's seek moves the reader (the graph asks both).
    CHECK(audioSeeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning) == S_OK);
    CHECK(s.reader.seeks.empty());
    CHECK(videoSeeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning) == S_OK);
    CHECK(s.reader.seeks == std::vector<LONGLONG>{at});
    CHECK(video.flushes == 1);
    CHECK(audio.flushes == 1);
    REQUIRE(video.waitFor([&] { return !video.samples.empty(); }));
    {
        Guard g(video.cs);
        // Frames 25 to 29 were decoded on the way and not shown.
        CHECK(pixel(*video.samples[0].Get(), 0) == 30u);
        CHECK(video.samples[0]->start == 0);
        CHECK(video.samples[0]->discontinuity);
        CHECK(video.segments == std::vector<REFERENCE_TIME>{0, at});
    }
    LONGLONG current = -1, stop = -1;
    CHECK(videoSeeking->GetPositions(&current, &stop) == S_OK);
    CHECK(current == at);
    CHECK(stop == 50 * kFrame);
    SetEvent(video.released);
    CHECK(s.filter->Stop() == S_OK);
}

TEST_CASE("mf source: a reader failing mid-stream ends the stream once, and a stop ends a held delivery")
{
    SUBCASE("failure")
    {
        FakeInput input;
        Source s;
        s.reader.audio = false;
        s.reader.failAt = 3;
        s.connect(L"Output", input);
        REQUIRE(s.filter->Run(0) == S_OK);
        REQUIRE(input.waitFor([&] { return input.ends > 0; }));
        Sleep(50);
        CHECK(input.samples.size() == 3);
        CHECK(input.ends == 1);
        CHECK(s.filter->Stop() == S_OK);
    }
    SUBCASE("stop")
    {
        FakeInput input;
        input.holdAfter = 1;
        Source s;
        s.connect(L"Output", input);
        REQUIRE(s.filter->Pause() == S_OK);
        REQUIRE(input.waitFor([&] { return input.held == 1; }));
        // The graph stops the renderer first, which lets the delivery go.
        SetEvent(input.released);
        const DWORD started = GetTickCount();
        CHECK(s.filter->Stop() == S_OK);
        CHECK(GetTickCount() - started < 2000);
        FILTER_STATE state;
        CHECK(s.filter->GetState(0, &state) == S_OK);
        CHECK(state == State_Stopped);
        const size_t delivered = input.samples.size();
        Sleep(50);
        CHECK(input.samples.size() == delivered); // no thread delivers on
        CHECK_FALSE(input.allocator.committed);
    }
}

TEST_CASE_FIXTURE(testing::FakePlayer, "mf source: omb_Open takes it where the policy allows and DirectShow fails")
{
    using fakes::Call;
    using fakes::Quirk;
    enum Fails { None, NoSource, Unconnected };
    struct Row {
        int policy;
        Fails directShow;
        bool readable;
        int code, source;
        size_t readerOpens;
    };
    const Row rows[] = {
        {OMB_SOURCE_DIRECTSHOW_THEN_MF, NoSource, true, 0, 1, 1},
        {OMB_SOURCE_DIRECTSHOW_THEN_MF, Unconnected, true, 0, 1, 1},
        {OMB_SOURCE_DIRECTSHOW_THEN_MF, NoSource, false, -4, -1, 1},
        {OMB_SOURCE_DIRECTSHOW_THEN_MF, Unconnected, false, 0, 0, 1}, // DirectShow's graph stands
        {OMB_SOURCE_DIRECTSHOW_THEN_MF, None, true, 0, 0, 0},
        {OMB_SOURCE_DIRECTSHOW, NoSource, true, -4, -1, 0},
        {OMB_SOURCE_DIRECTSHOW, Unconnected, true, 0, 0, 0},
        {OMB_SOURCE_MF_FIRST, None, true, 0, 1, 1},
        {OMB_SOURCE_MF_FIRST, None, false, 0, 0, 1},
    };
    for (const Row& row : rows) {
        CAPTURE(row.policy);
        CAPTURE(static_cast<int>(row.directShow));
        CAPTURE(row.readable);
        FakeReader fake;
        fake.audio = false;
        reader = row.readable ? &fake : nullptr;
        readerOpens.clear();
        world.failures.clear();
        world.quirks.clear();
        if (row.directShow == NoSource)
            world.failures[Call::graph_AddSourceFilter] = VFW_E_UNKNOWN_FILE_TYPE;
        if (row.directShow == Unconnected)
            world.quirks.insert(Quirk::source_EnumPins_unconnected);
        REQUIRE(omb_SetSourcePolicy(row.policy) == 0);
        CHECK(omb_Open("C:\\media\\clip.mp4", OpenMode_VideoRenderer, 0, 0, 0) == row.code);
        CHECK(omb_GetSource() == row.source);
        CHECK(readerOpens.size() == row.readerOpens);
        if (!readerOpens.empty())
            CHECK(readerOpens[0] == L"C:\\media\\clip.mp4");
        // The Media Foundation source is what the player holds, in the graph
        // under the DirectShow source's name.
        CHECK((row.source == 1) == (p.sourceFilter && p.mediaFoundationSource));
        omb_Close();
        CHECK(fake.refs == 1); // the filter went with its graph
    }
    CHECK(omb_SetSourcePolicy(3) == OMB_E_REFUSED);
    CHECK(omb_SetSourcePolicy(-1) == OMB_E_REFUSED);
    CHECK(p.sourcePolicy == OMB_SOURCE_MF_FIRST);

    // A reader that does not answer: the open goes on without it after the
    // wait, and the reader it gives at last is let go.
    struct Restore {
        DWORD wait = ombrix::platform::readerOpenWait;
        ~Restore() { ombrix::platform::readerOpenWait = wait; }
    } restore;
    ombrix::platform::readerOpenWait = 100;
    FakeReader late;
    late.audio = false;
    reader = &late;
    readerAnswers = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    world.quirks.clear();
    world.failures[Call::graph_AddSourceFilter] = VFW_E_UNKNOWN_FILE_TYPE;
    const DWORD started = GetTickCount();
    CHECK(omb_Open("C:\\media\\clip.mp4", OpenMode_VideoRenderer, 0, 0, 0) == OMB_E_CANNOT_RENDER);
    CHECK(GetTickCount() - started < 3000);
    SetEvent(readerAnswers);
    // Until the opening thread has taken the reader and let it go.
    for (int waited = 0; waited < 5000 && !(late.taken > 0 && late.refs == 1); waited += 10)
        Sleep(10);
    CHECK(late.taken > 0);
    CHECK(late.refs == 1);
    CloseHandle(readerAnswers);
    readerAnswers = nullptr;
}
