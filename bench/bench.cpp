// ombrix-bench: measures ombrix.dll against the same work done with raw
// DirectShow calls, side by side in one process. Each measure alternates
// the library and its baseline (A/B/A/B) so that drift hits both alike, and
// reports medians; the *_player3 measures compare the library with itself, a
// call on player 3 against the same call on player 0. Prints a table and writes a JSON file:
//   {"arch": ..., "platform": ..., "metrics": {NAME: {"ombrix", "baseline",
//    "ratio", "unit", "target"}}}
//
//   ombrix-bench [--smoke] [--media DIR] [--out FILE]
//
// --smoke runs every measure with tiny counts (to prove that it runs, not to
// measure). The clips are written to DIR (default: a fresh temporary folder).
#include <windows.h>
#include <dshow.h>
#include <psapi.h>
#include <qedit.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "media.h"
#include "ombrix.h"

using Microsoft::WRL::ComPtr;

namespace {

// Documented identifiers that the SDK import libraries do not all carry.
const CLSID kSampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const IID kISampleGrabber = {0x6B652FFF, 0x11FE, 0x4FCE, {0x92, 0xAD, 0x02, 0x66, 0xB5, 0xD7, 0xC7, 0x8F}};
const IID kISampleGrabberCB = {0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};

template <class T>
HRESULT ask(IUnknown* from, REFIID iid, ComPtr<T>& out)
{
    return from->QueryInterface(iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
}

// ---- Time -------------------------------------------------------------------

double nowMs()
{
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / perMs;
}

// The clock's tick: the smallest step nowMs() takes. A processor's counter
// steps by well under a microsecond; an emulated one by a millisecond.
double clockTick()
{
    static const double tick = [] {
        double least = 1e9;
        for (int i = 0; i < 5; ++i) {
            const double from = nowMs();
            double to = from;
            while (to == from)
                to = nowMs();
            least = std::min(least, to - from);
        }
        return least;
    }();
    return tick;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// Samples of the library (ombrix) and of its baseline (raw), reps of each,
// A/B then B/A, so that neither side always follows the other; each call
// returns its sample.
template <class A, class B>
void interleaved(int reps, A ombrix, B raw, std::vector<double>& a, std::vector<double>& b)
{
    for (int i = 0; i < reps; ++i) {
        if (i % 2 == 0)
            a.push_back(ombrix());
        b.push_back(raw());
        if (i % 2 == 1)
            a.push_back(ombrix());
    }
}

// The mean time of one call of once over a batch of calls, in ms.
double perCall(int batch, const std::function<void()>& once)
{
    const double t = nowMs();
    for (int i = 0; i < batch; ++i)
        once();
    return (nowMs() - t) / batch;
}

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pumps this thread's messages until `done` is true or `ms` have passed;
// returns whether it became true.
bool pumpUntil(const std::function<bool()>& done, double ms)
{
    const double end = nowMs() + ms;
    for (;;) {
        pump();
        if (done())
            return true;
        double left = end - nowMs();
        if (left <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min(left, 2.0)) + 1, QS_ALLINPUT);
    }
}

bool tracing = false;
void trace(const char* what)
{
    if (tracing) {
        std::fprintf(stderr, "[%10.1f] %s\n", nowMs(), what);
        std::fflush(stderr);
    }
}

void fail(const char* what)
{
    std::fprintf(stderr, "ombrix-bench: %s\n", what);
    std::fflush(stderr);
    ExitProcess(1);
}

// ---- Samples seen by every Sample Grabber this process creates -------------

// Arrival time (wall clock) and sample start time of each video sample.
struct SampleLog {
    std::mutex lock;
    bool recording = false;
    std::vector<std::pair<double, double>> samples;

    void start()
    {
        std::lock_guard<std::mutex> hold(lock);
        samples.clear();
        recording = true;
    }
    void stop()
    {
        std::lock_guard<std::mutex> hold(lock);
        recording = false;
    }
    size_t count()
    {
        std::lock_guard<std::mutex> hold(lock);
        return samples.size();
    }
    std::vector<std::pair<double, double>> copy()
    {
        std::lock_guard<std::mutex> hold(lock);
        return samples;
    }
} sampleLog;

class SampleCallback : public ISampleGrabberCB {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == kISampleGrabberCB) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SampleCB(double time, IMediaSample*) override
    {
        const double arrival = nowMs();
        std::lock_guard<std::mutex> hold(sampleLog.lock);
        if (sampleLog.recording)
            sampleLog.samples.emplace_back(arrival, time);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE*, long) override { return E_NOTIMPL; }
} sampleCallback;

// Hands out the platform's own Sample Grabber with the callback above set,
// so that the samples of the library's graphs are seen too (the library is
// not told: it creates its grabber as always).
class TimedGrabberFactory : public IClassFactory {
public:
    ComPtr<IClassFactory> real;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        HRESULT hr = real->CreateInstance(outer, iid, out);
        if (SUCCEEDED(hr) && *out) {
            ComPtr<ISampleGrabber> grabber;
            if (SUCCEEDED(static_cast<IUnknown*>(*out)->QueryInterface(kISampleGrabber,
                                                                       reinterpret_cast<void**>(grabber.GetAddressOf()))))
                grabber->SetCallback(&sampleCallback, 0);
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
} timedGrabberFactory;

void registerTimedGrabber()
{
    if (FAILED(CoGetClassObject(kSampleGrabber, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                reinterpret_cast<void**>(timedGrabberFactory.real.GetAddressOf()))))
        fail("no Sample Grabber on this system");
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(kSampleGrabber, &timedGrabberFactory, CLSCTX_INPROC_SERVER,
                                     REGCLS_MULTIPLEUSE, &cookie)))
        fail("cannot register the timed Sample Grabber");
}

// ---- Raw DirectShow: the graphs the library builds, written out by hand ----

struct RawGraph {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> grabber, audio, video, source;
    ComPtr<ICaptureGraphBuilder2> builder;

    void release()
    {
        grabber.Reset();
        control.Reset();
        audio.Reset();
        video.Reset();
        source.Reset();
        builder.Reset();
        graph.Reset();
    }
};

void addGrabber(RawGraph& g)
{
    ComPtr<ISampleGrabber> control;
    if (FAILED(CoCreateInstance(kSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(g.grabber.GetAddressOf()))) ||
        FAILED(ask(g.grabber.Get(), kISampleGrabber, control)))
        fail("no Sample Grabber");
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    control->SetMediaType(&type);
    g.graph->AddFilter(g.grabber.Get(), L"Sample Grabber");
}

// Mode 0: RenderFile (with a Sample Grabber first when asked); mode 1: the
// Video Renderer, mode 6: the Null Renderer, each with the DirectSound
// Renderer, rendered by the capture graph builder.
bool buildRaw(RawGraph& g, int mode, const std::wstring& file, bool withGrabber)
{
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(g.graph.GetAddressOf()))) ||
        FAILED(ask(g.graph.Get(), IID_IMediaControl, g.control)))
        return false;
    if (mode == 0) {
        if (withGrabber)
            addGrabber(g);
        return g.graph->RenderFile(file.c_str(), nullptr) == S_OK;
    }
    CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     reinterpret_cast<void**>(g.audio.GetAddressOf()));
    CoCreateInstance(mode == 1 ? CLSID_VideoRenderer : kNullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                     IID_IBaseFilter, reinterpret_cast<void**>(g.video.GetAddressOf()));
    if (g.video)
        g.graph->AddFilter(g.video.Get(), mode == 1 ? L"Video Renderer" : L"Renderer");
    if (g.audio)
        g.graph->AddFilter(g.audio.Get(), L"DirectSound Renderer");
    if (g.graph->AddSourceFilter(file.c_str(), L"Source", g.source.GetAddressOf()) != S_OK)
        return false;
    if (FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(g.builder.GetAddressOf()))))
        return false;
    g.builder->SetFiltergraph(g.graph.Get());
    if (g.video)
        g.builder->RenderStream(nullptr, nullptr, g.source.Get(), nullptr, g.video.Get());
    if (g.audio)
        g.builder->RenderStream(nullptr, nullptr, g.source.Get(), nullptr, g.audio.Get());
    return true;
}

// What omb_Play does with the video window before it runs the graph.
void placeRawWindow(RawGraph& g, HWND owner, int width, int height)
{
    ComPtr<IVideoWindow> window;
    if (FAILED(ask(g.graph.Get(), IID_IVideoWindow, window)))
        return;
    window->put_Owner(reinterpret_cast<OAHWND>(owner));
    window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    window->SetWindowPosition(0, 0, width, height);
    window->SetWindowForeground(OATRUE);
    window->put_Visible(OATRUE);
}

std::string number(double value);

std::string hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
    return text;
}

// ---- Results ----------------------------------------------------------------

struct Metric {
    std::string name;
    double ombrix, baseline;
    std::string unit;
    double target;
    bool targetOnValue; // the target bounds the library's value, not the ratio
    std::string note;
    // A growth of nothing is compared with one page, so that the ratio of
    // the memory measure stays finite.
    double ratio() const { return ombrix / (targetOnValue ? std::max(baseline, 4.0) : baseline); }
    bool met() const { return targetOnValue ? ombrix <= target : ratio() <= target; }
};
std::vector<Metric> results;

void report(const Metric& m)
{
    results.push_back(m);
    std::printf("  %-20s ombrix %12.4f  baseline %12.4f %-3s  ratio %7.3f\n", m.name.c_str(), m.ombrix, m.baseline,
                m.unit.c_str(), m.ratio());
    std::fflush(stdout);
}

// ---- Context shared by the measures -----------------------------------------

struct Clips {
    std::string mp4;       // 64x48 H.264/AAC, 2 s (scripts/make-clips.sh), if given
    std::string avi64;     // 64x48, 2 s, with sound: the MP4's size and streams
    std::string av320;     // 320x240, 2 s, with sound: open and close
    std::string v1080;     // 1920x1080, a few frames: grabs
    std::string v480;      // 640x480, a few frames: grabs
    std::string v640;      // 640x480, 1 s: first frame
    std::string loop;      // 160x120, 0.4 s: repeat
    int loopFps = 25;
};

std::wstring wide(const std::string& text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], n);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}

HWND hostWindow = nullptr;

// ---- Measures -----------------------------------------------------------------

void openClose(const Clips& clips, int mode, int reps)
{
    const std::wstring file = wide(clips.av320);
    std::vector<double> openA, closeA, openB, closeB;
    auto ombrix = [&] {
        double t = nowMs();
        trace("omb_Open");
        if (omb_Open(clips.av320.c_str(), mode, 0, 0, 0) != 0)
            fail("omb_Open failed");
        double opened = nowMs();
        trace("omb_Close");
        omb_Close();
        double end = nowMs();
        openA.push_back(opened - t);
        closeA.push_back(end - opened);
        return end - t;
    };
    auto raw = [&] {
        double t = nowMs();
        RawGraph g;
        trace("raw build");
        if (!buildRaw(g, mode, file, false))
            fail("raw graph failed");
        double built = nowMs();
        trace("release");
        g.release();
        double end = nowMs();
        openB.push_back(built - t);
        closeB.push_back(end - built);
        return end - t;
    };
    ombrix();
    pump();
    raw();
    pump();
    std::vector<double> a, b;
    auto pumped = [](const std::function<double()>& side) {
        return [side] {
            const double ms = side();
            pump();
            return ms;
        };
    };
    interleaved(reps, pumped(ombrix), pumped(raw), a, b);
    report({"open_close_mode" + std::to_string(mode), median(a), median(b), "ms", 1.05, false,
            "open " + number(median(openA)) + " + close " + number(median(closeA)) + " ms; raw build " +
                number(median(openB)) + " + release " + number(median(closeB)) + " ms"});
}

// Calls per batch so that one batch of `call` takes about `ms`, and never
// less than 20 ticks of the clock: a batch inside one tick reads as 0.
int batchSize(const std::function<void()>& call, double ms)
{
    ms = std::max(ms, 20 * clockTick());
    int n = 1;
    for (;;) {
        double t = nowMs();
        for (int i = 0; i < n; ++i)
            call();
        double took = nowMs() - t;
        if (took >= ms / 4 || n >= (1 << 24))
            return std::max(1, static_cast<int>(n * ms / std::max(took, 1e-3)));
        n *= 4;
    }
}

// Per-call time (ns) of two calls, in alternating batches. Before each
// batch (and its sizing) of a side, that side's `before` runs when given (it
// sets up what the calls act on, outside the timing).
void compareCalls(const char* name, const std::function<void()>& a, const std::function<void()>& b, int rounds,
                  double batchMs, double target = 1.10, const std::function<void()>& beforeA = nullptr,
                  const std::function<void()>& beforeB = nullptr)
{
    auto prepare = [](const std::function<void()>& before) {
        if (before)
            before();
    };
    prepare(beforeA);
    const int sizeA = batchSize(a, batchMs);
    prepare(beforeB);
    const int n = std::max(sizeA, batchSize(b, batchMs));
    std::vector<double> ta, tb;
    auto batch = [n, &prepare](const std::function<void()>& call, const std::function<void()>& before,
                               std::vector<double>& times) {
        prepare(before);
        double t = nowMs();
        for (int i = 0; i < n; ++i)
            call();
        times.push_back((nowMs() - t) * 1e6 / n);
    };
    for (int r = 0; r < rounds; ++r) {
        if (r % 2 == 0)
            batch(a, beforeA, ta);
        batch(b, beforeB, tb);
        if (r % 2 == 1)
            batch(a, beforeA, ta);
    }
    report({name, median(ta), median(tb), "ns", target, false, std::to_string(n) + " calls per batch"});
}

void cheapCalls(const Clips& clips, int rounds, double batchMs)
{
    const std::wstring file = wide(clips.av320);
    trace("omb_Open");
    if (omb_Open(clips.av320.c_str(), 6, 0, 0, 0) != 0)
        fail("omb_Open failed");
    RawGraph g;
    trace("raw build");
    if (!buildRaw(g, 6, file, false))
        fail("raw graph failed");
    ComPtr<IMediaPosition> position;
    ask(g.graph.Get(), IID_IMediaPosition, position);
    static volatile double sink = 0;
    static volatile long state = 0;
    compareCalls(
        "call_position", [] { sink = sink + omb_GetNowPlayTime(); },
        [&] {
            double value = 0;
            position->get_CurrentPosition(&value);
            sink = sink + value;
        },
        rounds, batchMs);
    compareCalls(
        "call_state", [] { state = state + omb_GetState(); },
        [&] {
            OAFilterState s = 0;
            g.control->GetState(INFINITE, &s);
            state = state + s;
        },
        rounds, batchMs);
    position.Reset();
    trace("raw release");
    g.release();

    // The same exports on another player: player 3 current against player 0
    // current, each with a graph of the same clip open (the cost of choosing
    // a player that is not the first).
    omb_SelectPlayer(3);
    trace("omb_Open on player 3");
    if (omb_Open(clips.av320.c_str(), 6, 0, 0, 0) != 0)
        fail("omb_Open on player 3 failed");
    auto select = [](int n) { return [n] { omb_SelectPlayer(n); }; };
    auto now = [] { sink = sink + omb_GetNowPlayTime(); };
    auto info = [] { state = state + omb_Info(3); };
    compareCalls("call_position_player3", now, now, rounds, batchMs, 1.05, select(3), select(0));
    compareCalls("call_info_player3", info, info, rounds, batchMs, 1.05, select(3), select(0));
    omb_SelectPlayer(3);
    trace("omb_Close on player 3");
    omb_Close();
    omb_SelectPlayer(0);
    trace("omb_Close");
    omb_Close();
}

void grab(const char* name, const std::string& clip, int width, int height, int reps)
{
    omb_UseCaptureVideoEx(1);
    trace("omb_Open");
    if (omb_Open(clip.c_str(), 0, 0, 0, 0) != 0)
        fail("omb_Open with the grabber failed");
    omb_SetCaptureBufferSamples(1);
    trace("omb_Play");
    omb_Play(reinterpret_cast<omb_handle>(hostWindow), 0, 0, 320, 240);

    // A 24-bit DIB section of the frame's size to draw into.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        fail("no DIB section");
    HGDIOBJ old = SelectObject(dc, bitmap);
    const omb_handle target = reinterpret_cast<omb_handle>(dc);
    // The clip plays to its end; its last frame stays buffered.
    if (!pumpUntil([&] { return omb_GetNowPlayTime() >= omb_GetAllPlayTime() - 0.001; }, 10000))
        std::fprintf(stderr, "ombrix-bench: %s: the clip did not reach its end\n", name);
    pumpUntil([] { return false; }, 300);
    if (!pumpUntil([&] { return omb_CaptureVideoEx(target, 0, 0, width, height) == 0; }, 5000))
        fail("no frame was grabbed");

    // The floor: one copy of a frame-sized buffer and the same GDI call.
    const size_t stride = ((static_cast<size_t>(width) * 24 + 31) / 32) * 4;
    const size_t bytes = stride * static_cast<size_t>(height);
    std::vector<BYTE> source(bytes), copy(bytes);
    for (size_t i = 0; i < bytes; ++i)
        source[i] = static_cast<BYTE>(i * 7);

    // A sample times a batch of grabs, sized by the floor so that a batch
    // spans several ticks of a coarse clock (an emulated one ticks by the
    // millisecond, and a lone 480p copy then reads as 0 ms).
    auto grabOnce = [&] {
        if (omb_CaptureVideoEx(target, 0, 0, width, height) != 0)
            fail("omb_CaptureVideoEx failed");
    };
    auto floorOnce = [&] {
        std::memcpy(copy.data(), source.data(), bytes);
        if (SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, copy.data(), &info, DIB_RGB_COLORS) == 0)
            fail("SetDIBitsToDevice failed");
    };
    const int batch = batchSize(floorOnce, 5.0);
    std::vector<double> a, b;
    interleaved(
        reps, [&] { return perCall(batch, grabOnce); }, [&] { return perCall(batch, floorOnce); }, a, b);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    trace("omb_Close");
    omb_Close();
    omb_UseCaptureVideoEx(0);
    pump();
    report({name, median(a), median(b), "ms", 1.25, false, std::to_string(batch) + " grabs per sample"});
}

void firstFrame(const Clips& clips, int reps)
{
    const std::wstring file = wide(clips.v640);
    auto waitFirst = [](double start) {
        if (!pumpUntil([] { return sampleLog.count() > 0; }, 10000))
            fail("no sample reached the grabber");
        double first = sampleLog.copy().front().first;
        sampleLog.stop();
        return first - start;
    };
    auto ombrix = [&] {
        omb_UseCaptureVideoEx(1);
        trace("omb_Open");
        if (omb_Open(clips.v640.c_str(), 0, 0, 0, 0) != 0)
            fail("omb_Open failed");
        pump();
        sampleLog.start();
        double t = nowMs();
        trace("omb_Play");
        omb_Play(reinterpret_cast<omb_handle>(hostWindow), 0, 0, 320, 240);
        double ms = waitFirst(t);
        trace("omb_Close");
        omb_Close();
        omb_UseCaptureVideoEx(0);
        pump();
        return ms;
    };
    auto raw = [&] {
        RawGraph g;
        trace("raw build");
        if (!buildRaw(g, 0, file, true))
            fail("raw graph failed");
        pump();
        sampleLog.start();
        double t = nowMs();
        placeRawWindow(g, hostWindow, 320, 240);
        trace("raw Run");
        g.control->Run();
        double ms = waitFirst(t);
        trace("raw release");
        g.release();
        pump();
        return ms;
    };
    std::vector<double> a, b;
    interleaved(reps, ombrix, raw, a, b);
    report({"first_frame", median(a), median(b), "ms", 1.05, false, ""});
}

// Gaps (ms) between the last sample of a pass and the first of the next: a
// new pass starts where the sample times go back.
std::vector<double> passGaps(const std::vector<std::pair<double, double>>& samples)
{
    std::vector<double> gaps;
    for (size_t i = 1; i < samples.size(); ++i)
        if (samples[i].second + 1e-4 < samples[i - 1].second)
            gaps.push_back(samples[i].first - samples[i - 1].first);
    return gaps;
}

void loopGap(const Clips& clips, int runs, int passes)
{
    const double interval = 1000.0 / clips.loopFps;
    const std::wstring file = wide(clips.loop);
    static HWND worker = nullptr;
    if (!worker) {
        int made = omb_CreateThread(0, 0);
        if (made < 0 && made > -10)
            fail("omb_CreateThread failed");
        worker = reinterpret_cast<HWND>(omb_GetThreadHWND());
    }
    const double timeout = passes * 2000.0 + 5000.0;
    DWORD capabilities = 0; // of the graph's seeking: whether segments are offered
    auto enough = [&] { return passGaps(sampleLog.copy()).size() >= static_cast<size_t>(passes - 1); };

    auto ombrix = [&] {
        omb_UseCaptureVideoEx(1);
        trace("omb_Open");
        if (omb_Open(clips.loop.c_str(), 0, 0, 0, 0) != 0)
            fail("omb_Open failed");
        omb_SetEvHWND(reinterpret_cast<omb_handle>(worker));
        sampleLog.start();
        trace("omb_Play");
        omb_Play(reinterpret_cast<omb_handle>(hostWindow), 0, 0, 160, 120);
        if (!pumpUntil(enough, timeout))
            fail("the library did not repeat the clip");
        sampleLog.stop();
        trace("omb_Close");
        omb_Close();
        omb_UseCaptureVideoEx(0);
        pump();
        return passGaps(sampleLog.copy());
    };
    // A host that restarts the clip itself when the graph reports its end.
    auto raw = [&] {
        RawGraph g;
        trace("raw build");
        if (!buildRaw(g, 0, file, true))
            fail("raw graph failed");
        ComPtr<IMediaEventEx> events;
        ComPtr<IMediaPosition> position;
        ask(g.graph.Get(), IID_IMediaEventEx, events);
        ask(g.graph.Get(), IID_IMediaPosition, position);
        ComPtr<IMediaSeeking> seeking;
        if (SUCCEEDED(ask(g.graph.Get(), IID_IMediaSeeking, seeking)))
            seeking->GetCapabilities(&capabilities);
        HANDLE ready = nullptr;
        events->GetEventHandle(reinterpret_cast<OAEVENT*>(&ready));
        placeRawWindow(g, hostWindow, 160, 120);
        sampleLog.start();
        trace("raw Run");
        g.control->Run();
        const double end = nowMs() + timeout;
        while (!enough()) {
            if (nowMs() > end)
                fail("the raw host did not repeat the clip");
            MsgWaitForMultipleObjects(1, &ready, FALSE, 20, QS_ALLINPUT);
            pump();
            long code;
            LONG_PTR p1, p2;
            while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
                events->FreeEventParams(code, p1, p2);
                if (code == EC_COMPLETE) {
                    position->put_CurrentPosition(0.0);
                    trace("raw Run");
                    g.control->Run();
                }
            }
        }
        sampleLog.stop();
        events.Reset();
        position.Reset();
        trace("raw release");
        g.release();
        pump();
        return passGaps(sampleLog.copy());
    };
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        std::vector<double> gaps = i % 2 == 0 ? ombrix() : raw();
        (i % 2 == 0 ? a : b).insert((i % 2 == 0 ? a : b).end(), gaps.begin(), gaps.end());
        gaps = i % 2 == 0 ? raw() : ombrix();
        (i % 2 == 0 ? b : a).insert((i % 2 == 0 ? b : a).end(), gaps.begin(), gaps.end());
    }
    report({"loop_gap", median(a), interval, "ms", 1.0, false,
            std::to_string(a.size()) + " repeats; spacing of samples within a pass " + number(interval) + " ms"});
    report({"loop_gap_raw_host", median(b), interval, "ms", 1.0, false,
            std::to_string(b.size()) + " repeats by a host that seeks to 0 and runs on EC_COMPLETE; the graph's " +
                "seeking capabilities " + hex(capabilities) + (capabilities & AM_SEEKING_CanDoSegments
                                                                  ? " (segments offered)"
                                                                  : " (no AM_SEEKING_CanDoSegments)")});
}

// Which memory counter this platform fills: private usage where it is
// reported, else the page-file usage (Wine fills only the latter, from the
// process's anonymous resident memory).
// Private usage where the platform reports it; Wine leaves it 0 and fills
// only the page-file usage (from the process's anonymous resident memory).
const char* memoryCounterName = "PrivateUsage";
double memoryKb()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    if (counters.PrivateUsage == 0) {
        memoryCounterName = "PagefileUsage";
        return static_cast<double>(counters.PagefileUsage) / 1024.0;
    }
    memoryCounterName = "PrivateUsage";
    return static_cast<double>(counters.PrivateUsage) / 1024.0;
}

void memory(const Clips& clips, int warmup, int blocks, int perBlock)
{
    const std::wstring file = wide(clips.av320);
    auto ombrix = [&] {
        trace("omb_Open");
        if (omb_Open(clips.av320.c_str(), 6, 0, 0, 0) != 0)
            fail("omb_Open failed");
        trace("omb_Close");
        omb_Close();
        pump();
    };
    auto raw = [&] {
        RawGraph g;
        trace("raw build");
        if (!buildRaw(g, 6, file, false))
            fail("raw graph failed");
        trace("raw release");
        g.release();
        pump();
    };
    for (int i = 0; i < warmup; ++i) {
        ombrix();
        raw();
    }
    double a = 0, b = 0;
    for (int block = 0; block < blocks; ++block) {
        double m0 = memoryKb();
        for (int i = 0; i < perBlock; ++i)
            ombrix();
        double m1 = memoryKb();
        for (int i = 0; i < perBlock; ++i)
            raw();
        double m2 = memoryKb();
        a += m1 - m0;
        b += m2 - m1;
    }
    report({"memory_open_close", a, b, "KB", 64.0, true,
            std::string(memoryCounterName) + " growth over " + std::to_string(blocks * perBlock) + " cycles"});
}

// ---- Media Foundation source ----------------------------------------------------

// The MP4 opened through the library's Media Foundation source, from the
// open to its first frame at the grabber, against a raw host that builds and
// runs a DirectShow graph for an AVI of the same size and streams (DirectShow
// alone reads no MP4 on Windows): what the source costs beyond DirectShow's own
// path to a first frame.
void mfFirstFrame(const Clips& clips, int reps)
{
    const std::wstring avi = wide(clips.avi64);
    auto firstSample = [](double start) {
        if (!pumpUntil([] { return sampleLog.count() > 0; }, 10000))
            fail("no sample reached the grabber");
        const double ms = sampleLog.copy().front().first - start;
        sampleLog.stop();
        return ms;
    };
    auto ombrix = [&] {
        omb_SetSourcePolicy(OMB_SOURCE_MF_FIRST);
        omb_UseCaptureVideoEx(1);
        sampleLog.start();
        const double t = nowMs();
        if (omb_Open(clips.mp4.c_str(), 0, 0, 0, 0) != 0 || omb_GetSource() != 1)
            fail("the MP4 did not open through the Media Foundation source");
        omb_Play(reinterpret_cast<omb_handle>(hostWindow), 0, 0, 64, 48);
        const double ms = firstSample(t);
        omb_Close();
        omb_UseCaptureVideoEx(0);
        omb_SetSourcePolicy(OMB_SOURCE_DIRECTSHOW_THEN_MF);
        pump();
        return ms;
    };
    auto raw = [&] {
        RawGraph g;
        sampleLog.start();
        const double t = nowMs();
        if (!buildRaw(g, 0, avi, true))
            fail("raw graph failed");
        placeRawWindow(g, hostWindow, 64, 48);
        g.control->Run();
        const double ms = firstSample(t);
        g.release();
        pump();
        return ms;
    };
    // The source reader alone reading the same first frame (RGB32, as the
    // source asks): no graph, renderer, window or audio device. A floor, not
    // a like-for-like baseline; its target cannot be met by any graph.
    const std::wstring mp4 = wide(clips.mp4);
    auto reader = [&] {
        const double t = nowMs();
        ComPtr<IMFAttributes> attributes;
        ComPtr<IMFSourceReader> r;
        ComPtr<IMFMediaType> type;
        MFCreateAttributes(attributes.GetAddressOf(), 1);
        attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE);
        if (FAILED(MFCreateSourceReaderFromURL(mp4.c_str(), attributes.Get(), r.GetAddressOf())))
            fail("the source reader cannot open the MP4");
        r->SetStreamSelection(MF_SOURCE_READER_ALL_STREAMS, FALSE);
        r->SetStreamSelection(MF_SOURCE_READER_FIRST_VIDEO_STREAM, TRUE);
        MFCreateMediaType(type.GetAddressOf());
        type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        type->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32);
        if (FAILED(r->SetCurrentMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, nullptr, type.Get())))
            fail("the source reader gives no RGB32");
        for (;;) {
            DWORD flags = 0;
            LONGLONG time = 0;
            ComPtr<IMFSample> sample;
            if (FAILED(r->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, nullptr, &flags, &time,
                                     sample.GetAddressOf())) ||
                (flags & MF_SOURCE_READERF_ENDOFSTREAM))
                fail("the source reader gave no frame");
            if (sample)
                return nowMs() - t;
        }
    };
    std::vector<double> a, b, c, d;
    interleaved(reps, ombrix, raw, a, b);
    report({"mf_first_frame", median(a), median(b), "ms", 1.10, false,
            "open to first frame; baseline: raw DirectShow on an AVI of the same size and streams"});
    interleaved(reps, ombrix, reader, c, d);
    report({"mf_first_frame_reader", median(c), median(d), "ms", 1.10, false,
            "open to first frame; baseline: the source reader alone (no graph), a floor"});
}

// A grab of the MP4 through the Media Foundation source (player 1) against a
// grab of an AVI of the same size through DirectShow (player 0), both paused
// on a frame, interleaved.
void mfGrab(const Clips& clips, int reps)
{
    const omb_handle host = reinterpret_cast<omb_handle>(hostWindow);
    for (int player : {0, 1}) {
        omb_SelectPlayer(player);
        omb_SetSourcePolicy(player == 1 ? OMB_SOURCE_MF_FIRST : OMB_SOURCE_DIRECTSHOW);
        omb_UseCaptureVideoEx(1);
        if (omb_Open((player == 1 ? clips.mp4 : clips.avi64).c_str(), 0, 0, 0, 0) != 0)
            fail("a clip of the grab comparison did not open");
        if (player == 1 && omb_GetSource() != 1)
            fail("the MP4 did not open through the Media Foundation source");
        omb_SetCaptureBufferSamples(1);
        omb_Play(host, 0, 0, 64, 48);
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, 48, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const omb_handle target = reinterpret_cast<omb_handle>(dc);
    auto grabOnce = [&](int player) {
        omb_SelectPlayer(player);
        if (omb_CaptureVideoEx(target, 0, 0, 64, 48) != 0)
            fail("omb_CaptureVideoEx failed");
    };
    for (int player : {0, 1}) {
        omb_SelectPlayer(player);
        if (!pumpUntil([&] { return omb_CaptureVideoEx(target, 0, 0, 64, 48) == 0; }, 5000))
            fail("no frame was grabbed");
    }
    const int batch = batchSize([&] { grabOnce(0); }, 5.0);
    std::vector<double> a, b;
    interleaved(
        reps, [&] { return perCall(batch, [&] { grabOnce(1); }); },
        [&] { return perCall(batch, [&] { grabOnce(0); }); }, a, b);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    for (int player : {1, 0}) {
        omb_SelectPlayer(player);
        omb_Close();
        omb_UseCaptureVideoEx(0);
        omb_SetSourcePolicy(OMB_SOURCE_DIRECTSHOW_THEN_MF);
    }
    pump();
    report({"grab_mp4", median(a), median(b), "ms", 1.05, false,
            std::to_string(batch) + " grabs per sample; baseline: the same grab of a 64x48 AVI"});
}

// Whether the platform's source reader reads the MP4 (Wine 8's reads none).
bool mediaFoundationReads(const Clips& clips)
{
    if (clips.mp4.empty() || GetFileAttributesA(clips.mp4.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    ComPtr<IMFSourceReader> reader;
    return SUCCEEDED(MFCreateSourceReaderFromURL(wide(clips.mp4).c_str(), nullptr, reader.GetAddressOf()));
}

// ---- Platform and output ------------------------------------------------------

std::string platformName()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    using WineVersion = const char*(CDECL*)();
    auto wineVersion = reinterpret_cast<WineVersion>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
    if (wineVersion)
        return std::string("wine-") + wineVersion();
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto getVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (getVersion)
        getVersion(&version);
    return "windows-" + std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + "." +
           std::to_string(version.dwBuildNumber);
}

const char* archName()
{
#if defined(_M_X64) || defined(__x86_64__)
    return "x86_64";
#else
    return "i686";
#endif
}

std::string number(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

bool writeJson(const std::string& path, const std::string& platform)
{
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out)
        return false;
    std::fprintf(out, "{\"arch\": \"%s\", \"platform\": \"%s\", \"metrics\": {", archName(), platform.c_str());
    for (size_t i = 0; i < results.size(); ++i) {
        const Metric& m = results[i];
        std::fprintf(out, "%s\n  \"%s\": {\"ombrix\": %s, \"baseline\": %s, \"ratio\": %s, \"unit\": \"%s\", \"target\": %s}",
                     i ? "," : "", m.name.c_str(), number(m.ombrix).c_str(), number(m.baseline).c_str(),
                     number(m.ratio()).c_str(), m.unit.c_str(), number(m.target).c_str());
    }
    std::fprintf(out, "\n}}\n");
    return std::fclose(out) == 0;
}

void printTable(const std::string& platform)
{
    std::printf("\nombrix-bench: %s, %s (medians; ratio = ombrix / baseline)\n\n", platform.c_str(), archName());
    std::printf("| metric | ombrix | baseline | ratio | target | met |\n|---|---|---|---|---|---|\n");
    for (const Metric& m : results) {
        std::string target = m.targetOnValue ? "<= " + number(m.target) + " " + m.unit : "ratio <= " + number(m.target);
        std::printf("| %s | %.4g %s | %.4g %s | %.3f | %s | %s |\n", m.name.c_str(), m.ombrix, m.unit.c_str(),
                    m.baseline, m.unit.c_str(), m.ratio(), target.c_str(), m.met() ? "yes" : "no");
    }
    for (const Metric& m : results)
        if (!m.note.empty())
            std::printf("\n%s: %s\n", m.name.c_str(), m.note.c_str());
    std::fflush(stdout);
}

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
#if defined(__i386__)
    // The x87 control word of most 32-bit script hosts (built with MSVC):
    // the system's default, 53-bit precision. MinGW's start-up left 64-bit
    // precision, under which the library switches the word around each
    // platform time and rate call (one load each way) to keep its answers
    // exact, and raw DirectShow answers otherwise.
    const unsigned short defaultControlWord = 0x027f;
    asm volatile("fldcw %0" : : "m"(defaultControlWord));
#endif
    bool smoke = false;
    std::string mediaDir, outPath = "results.json", only, clipsDir;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--smoke")
            smoke = true;
        else if (arg == "--media" && i + 1 < argc)
            mediaDir = argv[++i];
        else if (arg == "--out" && i + 1 < argc)
            outPath = argv[++i];
        else if (arg == "--clips" && i + 1 < argc)
            clipsDir = argv[++i];
        else if (arg == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (arg == "--trace")
            tracing = true;
        else {
            std::fprintf(stderr, "usage: ombrix-bench [--smoke] [--media DIR] [--clips DIR] [--out FILE] [--only GROUP,...] [--trace]\n");
            return 2;
        }
    }
    if (mediaDir.empty())
        mediaDir = media::scratchDir();
    if (mediaDir.back() != '\\' && mediaDir.back() != '/')
        mediaDir += '\\';
    CreateDirectoryA(mediaDir.c_str(), nullptr);

    // The clips; frames carry their index in their colour.
    Clips clips;
    clips.av320 = mediaDir + "av320.avi";
    clips.v1080 = mediaDir + "v1080.avi";
    clips.v480 = mediaDir + "v480.avi";
    clips.v640 = mediaDir + "v640.avi";
    clips.loop = mediaDir + "loop.avi";
    media::writeAvi(clips.av320, {320, 240, 25, 50, true});
    media::writeAvi(clips.v1080, {1920, 1080, 25, 3, false});
    media::writeAvi(clips.v480, {640, 480, 25, 3, false});
    media::writeAvi(clips.v640, {640, 480, 25, 25, false});
    media::writeAvi(clips.loop, {160, 120, clips.loopFps, 10, false});
    clips.avi64 = mediaDir + "v64.avi";
    media::writeAvi(clips.avi64, {64, 48, 25, 50, true});
    if (!clipsDir.empty())
        clips.mp4 = clipsDir + (clipsDir.back() == '\\' || clipsDir.back() == '/' ? "" : "\\") + "clip.mp4";

    omb_Init();
    registerTimedGrabber();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = hostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ombrix-bench";
    RegisterClassW(&windowClass);
    hostWindow = CreateWindowW(L"ombrix-bench", L"ombrix-bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 320,
                               nullptr, nullptr, windowClass.hInstance, nullptr);
    pump();

    const std::string platform = platformName();
    std::printf("ombrix-bench on %s, %s%s\n", platform.c_str(), archName(), smoke ? " (smoke: tiny counts)" : "");
    std::fflush(stdout);

    // Groups of measures; --only runs some of them.
    auto wanted = [&](const char* group) {
        return only.empty() || ("," + only + ",").find("," + std::string(group) + ",") != std::string::npos;
    };
    if (wanted("open_close")) {
        openClose(clips, 0, smoke ? 1 : 10);
        openClose(clips, 1, smoke ? 1 : 20);
        openClose(clips, 6, smoke ? 1 : 60);
    }
    if (wanted("calls"))
        cheapCalls(clips, smoke ? 3 : 31, smoke ? 2.0 : 20.0);
    if (wanted("grab")) {
        grab("grab_1080p", clips.v1080, 1920, 1080, smoke ? 3 : 61);
        grab("grab_480p", clips.v480, 640, 480, smoke ? 3 : 201);
    }
    if (wanted("first_frame"))
        firstFrame(clips, smoke ? 1 : 15);
    if (wanted("loop_gap"))
        loopGap(clips, smoke ? 1 : 4, smoke ? 2 : 6);
    if (wanted("memory"))
        memory(clips, smoke ? 2 : 50, smoke ? 1 : 10, smoke ? 3 : 100);
    if (wanted("media_foundation")) {
        MFStartup(MF_VERSION, MFSTARTUP_LITE);
        if (mediaFoundationReads(clips)) {
            mfFirstFrame(clips, smoke ? 1 : 15);
            mfGrab(clips, smoke ? 3 : 101);
        } else {
            std::printf("  media_foundation: not measured (%s)\n",
                        clips.mp4.empty() ? "no --clips" : "the platform's source reader reads no MP4");
        }
    }

    printTable(platform);
    if (!writeJson(outPath, platform))
        fail("cannot write the results");
    std::printf("\nwritten: %s\n", outPath.c_str());
    DestroyWindow(hostWindow);
    omb_Exit();
    return 0;
}
