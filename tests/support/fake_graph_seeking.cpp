// FakeGraph's position, video, audio, rate, seeking and frame stepping.
#include "fake_graph.h"

#include <cstring>

#include "platform/ids.h"
#include "world.h"

namespace fakes {

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
    return respond("SyncUsingStreamOffset", useOffsets);
}

HRESULT FakeGraph::SetMaxGraphLatency(REFERENCE_TIME latency)
{
    return respond("SetMaxGraphLatency", latency);
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
    return reply("get_Rate", r, rate);
}

HRESULT FakeGraph::SetRate(double r)
{
    record("SetRate", r);
    return rateChange(r, outcome("SetRate"), quirk("rate.ignored"), rate);
}

HRESULT FakeGraph::GetRate(double* r)
{
    return reply("GetRate", r, rate);
}

HRESULT FakeGraph::GetCapabilities(DWORD* out)
{
    return reply("GetCapabilities", out, capabilities);
}

HRESULT FakeGraph::GetTimeFormat(GUID* format)
{
    return reply("GetTimeFormat", format, timeFormat);
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
    return reply("GetDuration", out, duration);
}

HRESULT FakeGraph::GetPositions(LONGLONG* outCurrent, LONGLONG* outStop)
{
    record("GetPositions");
    return reply("GetPositions", [&] {
        if (outCurrent)
            *outCurrent = current;
        if (outStop)
            *outStop = stop;
    });
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
    return respond("CanStep", multiple, static_cast<const void*>(filter));
}

HRESULT FakeGraph::CancelStep()
{
    return respond("CancelStep");
}

} // namespace fakes
