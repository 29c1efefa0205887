// Clock synchronisation: the DirectSound Renderer's clock-slave tolerance,
// the graph's stream offsets and maximum latency, and an adjustment of the
// System Reference Clock.
#include "ombrix.h"

#include <cstdint>

#include "platform/com.h"
#include "platform/ids.h"
#include "player/player.h"

using namespace ombrix;

namespace {

// The host gives microseconds; the platform takes 100-ns units. The product
// is formed in 32 bits, as the host's integer is, and then widened with its
// sign, so that arguments beyond +-214748364 wrap the way the host's own
// arithmetic would.
REFERENCE_TIME toReferenceTime(int microseconds)
{
    return static_cast<int32_t>(static_cast<uint32_t>(microseconds) * 10u);
}

// The audio renderer's clock-slave control, or the code for why there is
// none (mode 0 lets the graph choose its own audio renderer, so it has none
// of ours).
int clockSlave(Player& p, ComPtr<IAMClockSlave>& slave)
{
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (!p.audioRenderer)
        return OMB_E_NO_AUDIO_RENDERER;
    if (platform::query(p.audioRenderer.Get(), ids::IID_IAMClockSlave, slave) != S_OK || !slave)
        return OMB_E_NO_CLOCK_SLAVE;
    return 0;
}

} // namespace

extern "C" int OMBRIX_CALL omb_GetAudioClockSlave(void) noexcept
{
    ComPtr<IAMClockSlave> slave;
    if (int code = clockSlave(player(), slave))
        return code;
    DWORD tolerance = 0;
    // Only exactly S_OK counts: S_FALSE is a failure here.
    HRESULT hr = slave->GetErrorTolerance(&tolerance);
    slave.Reset();
    if (hr != S_OK)
        return OMB_E_NOT_ACCEPTED;
    return static_cast<int>(tolerance);
}

extern "C" int OMBRIX_CALL omb_SetAudioClockSlave(int tolerance) noexcept
{
    ComPtr<IAMClockSlave> slave;
    if (int code = clockSlave(player(), slave))
        return code;
    HRESULT hr = slave->SetErrorTolerance(static_cast<DWORD>(tolerance));
    slave.Reset();
    return hr == S_OK ? OMB_OK : OMB_E_NOT_ACCEPTED;
}

extern "C" int OMBRIX_CALL omb_SetGraphStreams(int mode, int latency) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    ComPtr<IAMGraphStreams> streams;
    if (int code = queryGraph(p, ids::IID_IAMGraphStreams, streams, OMB_E_NO_GRAPH_STREAMS))
        return code;
    switch (mode) {
    case 0:
        // Offsets off; the latency is not used.
        return streams->SyncUsingStreamOffset(FALSE);
    case 1:
        // Only the latency's result is reported; a graph that refuses the
        // offsets still gets its maximum latency.
        streams->SyncUsingStreamOffset(TRUE);
        return streams->SetMaxGraphLatency(toReferenceTime(latency));
    default:
        return OMB_E_BAD_MODE;
    }
}

extern "C" int OMBRIX_CALL omb_SetClockDelta(int delta) noexcept
{
    if (!player().isOpen())
        return OMB_E_NOT_OPEN;
    // A clock of its own for this one call; it is not made the graph's
    // reference clock.
    ComPtr<IAMClockAdjust> clock;
    if (FAILED(platform::create(ids::CLSID_SystemClock, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                ids::IID_IAMClockAdjust, clock)) ||
        !clock)
        return OMB_E_NO_CLOCK;
    return clock->SetClockDelta(toReferenceTime(delta));
}
