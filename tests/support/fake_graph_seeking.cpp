// FakeGraph's position, video, audio, rate, seeking and frame stepping.
#include "fake_graph.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/ids.h"
#include "world.h"

namespace fakes {

namespace {

// The graph's own arithmetic, as the system does it. The graph holds times
// in whole 100-ns units; IMediaPosition converts seconds to units (the
// product truncated) and units to seconds (one quotient). A 32-bit system
// does both, and moves a double argument or result, in x87 code, whose
// products and quotients are rounded to the precision of the calling
// thread's control word: the host's, unless the library sets the default
// around the call. A 64-bit system does them in SSE, exact to IEEE double
// whatever that word says. A time no graph can hold (not a number, or
// beyond 64 bits of units), which a test injects, is handed over as it is.
//
// The fields keep a time in seconds as the graph gives it at the default
// precision, so tests set and read them as before.
static const double kUnitsPerSecond = 1e7;

bool holdable(double seconds) { return std::fabs(seconds) < 9.2e11; }

#if defined(__i386__)

constexpr std::uint16_t kTruncate = 0x0c00;
constexpr std::uint16_t kDefaultWord = 0x027f; // 53 bits, to nearest
constexpr std::uint16_t kExactWord = 0x037f;   // 64 bits, to nearest

std::uint16_t controlWord()
{
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

// Runs x87 code under `word`, and gives the thread its own word back.
template <class Code>
auto underWord(std::uint16_t word, Code code)
{
    const std::uint16_t own = controlWord();
    asm volatile("fldcw %0" : : "m"(word));
    const auto result = code();
    asm volatile("fldcw %0" : : "m"(own));
    return result;
}

// seconds * 10^7 at the word's precision, to a whole number by its rounding.
LONGLONG x87Units(double seconds)
{
    LONGLONG units;
    asm volatile("fldl %1\n\tfmull %2\n\tfistpll %0" : "=m"(units) : "m"(seconds), "m"(kUnitsPerSecond));
    return units;
}

// units / 10^7 at the word's precision.
double x87Seconds(LONGLONG units)
{
    double seconds;
    asm volatile("fildll %1\n\tfdivl %2\n\tfstpl %0" : "=m"(seconds) : "m"(units), "m"(kUnitsPerSecond));
    return seconds;
}

// The product at the calling thread's precision and rounding, then
// truncated, as a compiler's x87 code converts to an integer.
LONGLONG unitsFrom(double seconds)
{
    const std::uint16_t own = controlWord(), truncating = own | kTruncate;
    LONGLONG units;
    asm volatile("fldl %1\n\tfmull %2\n\tfldcw %3\n\tfistpll %0\n\tfldcw %4"
                 : "=m"(units)
                 : "m"(seconds), "m"(kUnitsPerSecond), "m"(truncating), "m"(own));
    return units;
}

// At the calling thread's precision.
double secondsFrom(LONGLONG units) { return x87Seconds(units); }

// The units a field stands for: exact, at any thread's precision.
LONGLONG unitsOf(double field)
{
    return underWord(kExactWord, [&] { return x87Units(field); });
}

// What the graph gives for units at the default precision.
double fieldOf(LONGLONG units)
{
    return underWord(kDefaultWord, [&] { return x87Seconds(units); });
}

// A double through st(0): exact on a processor; under the emulator's
// rounded moves (Gap::X87MovesRounded) rounded at 24-bit precision.
double moved(double value)
{
    double out;
    asm volatile("fldl %1\n\tfstpl %0" : "=m"(out) : "m"(value));
    return out;
}

#else

LONGLONG unitsFrom(double seconds) { return static_cast<LONGLONG>(seconds * kUnitsPerSecond); }

double secondsFrom(LONGLONG units) { return static_cast<double>(units) / kUnitsPerSecond; }

LONGLONG unitsOf(double field)
{
    const double scaled = field * kUnitsPerSecond;
    return static_cast<LONGLONG>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
}

double fieldOf(LONGLONG units) { return static_cast<double>(units) / kUnitsPerSecond; }

double moved(double value) { return value; }

#endif

// A field as get_Duration and get_CurrentPosition give it.
double given(double field) { return holdable(field) ? secondsFrom(unitsOf(field)) : field; }

// An argument of put_CurrentPosition as the field keeps it.
double taken(double seconds) { return holdable(seconds) ? fieldOf(unitsFrom(seconds)) : seconds; }

} // namespace

HRESULT FakeGraph::get_Duration(REFTIME* length)
{
    return reply("get_Duration", length, given(durationSeconds));
}

HRESULT FakeGraph::get_CurrentPosition(REFTIME* time)
{
    return reply("get_CurrentPosition", time, given(positionSeconds));
}

HRESULT FakeGraph::put_CurrentPosition(REFTIME time)
{
    record("put_CurrentPosition", time);
    HRESULT hr = outcome("put_CurrentPosition");
    if (SUCCEEDED(hr))
        positionSeconds = taken(time);
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

// The result of a rate change: 0 is refused, as the real graph does. The
// rate is kept as the system moves it.
HRESULT rateChange(double requested, HRESULT injected, bool ignored, double& rate)
{
    HRESULT hr = injected != S_OK ? injected : (requested == 0.0 ? E_INVALIDARG : S_OK);
    if (SUCCEEDED(hr) && !ignored)
        rate = moved(requested);
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
    return reply("get_Rate", r, moved(rate));
}

HRESULT FakeGraph::SetRate(double r)
{
    record("SetRate", r);
    return rateChange(r, outcome("SetRate"), quirk("rate.ignored"), rate);
}

HRESULT FakeGraph::GetRate(double* r)
{
    return reply("GetRate", r, moved(rate));
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
