// The renderers' parts of FakeFilter: the mixing renderers' configuration
// and alpha bitmap, the quality statistics, the Enhanced Video Renderer's
// service and the DirectSound Renderer's clock slaving.
#include "fake_filter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/ids.h"
#include "world.h"

namespace fakes {

namespace {

std::string floatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[16];
    std::snprintf(text, sizeof text, "%08X", bits);
    return text;
}

template <class Record>
std::string describeBitmap(const World& world, const Record& b)
{
    std::ostringstream out;
    out << b.dwFlags << ", " << (b.hdc ? "dc" : "null") << ", " << (b.pDDS ? "surface" : "null") << ", "
        << b.rSrc.left << " " << b.rSrc.top << " " << b.rSrc.right << " " << b.rSrc.bottom << ", "
        << floatBits(b.rDest.left) << " " << floatBits(b.rDest.top) << " " << floatBits(b.rDest.right) << " "
        << floatBits(b.rDest.bottom) << ", " << floatBits(b.fAlpha) << ", " << std::hex << b.clrSrcKey;
    (void)world;
    return out.str();
}

} // namespace

HRESULT FakeFilter::SetAlphaBitmap(const VMRALPHABITMAP* bitmap)
{
    record("SetAlphaBitmap", describeBitmap(world, *bitmap));
    bitmap7 = *bitmap;
    return outcome("SetAlphaBitmap");
}

HRESULT FakeFilter::SetAlphaBitmap(const VMR9AlphaBitmap* bitmap)
{
    record("SetAlphaBitmap", describeBitmap(world, *bitmap) + ", mode " + std::to_string(bitmap->dwFilterMode));
    bitmap9 = *bitmap;
    return outcome("SetAlphaBitmap");
}

HRESULT FakeFilter::statistic(const char* method, int index, int* value)
{
    record(method);
    return reply(method, [&] { *value = quality[index]; });
}

HRESULT FakeFilter::get_FramesDroppedInRenderer(int* v) { return statistic("get_FramesDroppedInRenderer", 0, v); }
HRESULT FakeFilter::get_FramesDrawn(int* v) { return statistic("get_FramesDrawn", 1, v); }
HRESULT FakeFilter::get_AvgFrameRate(int* v) { return statistic("get_AvgFrameRate", 2, v); }
HRESULT FakeFilter::get_Jitter(int* v) { return statistic("get_Jitter", 3, v); }
HRESULT FakeFilter::get_AvgSyncOffset(int* v) { return statistic("get_AvgSyncOffset", 4, v); }
HRESULT FakeFilter::get_DevSyncOffset(int* v) { return statistic("get_DevSyncOffset", 5, v); }

HRESULT FakeFilter::GetService(REFGUID service, REFIID iid, LPVOID* out)
{
    record("GetService", &service, &iid);
    *out = nullptr;
    HRESULT hr = outcome("GetService");
    if (hr != S_OK)
        return hr;
    if (!IsEqualGUID(service, ombrix::ids::MR_VIDEO_RENDER_SERVICE) ||
        !IsEqualGUID(iid, ombrix::ids::IID_IMFVideoDisplayControl))
        return E_NOINTERFACE;
    FakeDisplayControl& display = world.make<FakeDisplayControl>();
    return display.queryInterface(iid, out);
}

HRESULT FakeFilter::SetRenderingMode(DWORD mode)
{
    return respond("SetRenderingMode", mode);
}

HRESULT FakeFilter::SetNumberOfStreams(DWORD count)
{
    return respond("SetNumberOfStreams", count);
}

// ---- FakeFilter: clock slaving ---------------------------------------------

HRESULT FakeFilter::SetErrorTolerance(DWORD tolerance)
{
    record("SetErrorTolerance", tolerance);
    HRESULT hr = outcome("SetErrorTolerance", tolerance >= 1 && tolerance <= 1000 ? S_OK : E_FAIL);
    if (hr == S_OK)
        clockTolerance = tolerance;
    return hr;
}

HRESULT FakeFilter::GetErrorTolerance(DWORD* tolerance)
{
    return reply("GetErrorTolerance", tolerance, clockTolerance);
}

} // namespace fakes
