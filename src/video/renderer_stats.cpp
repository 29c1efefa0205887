// The video renderer's quality statistics (IQualProp), read one value per
// call and returned as the renderer reports it.
#include <climits>

#include "ombrix.h"
#include "platform/com.h"
#include "platform/ids.h"
#include "player/player.h"

namespace ombrix {
namespace {

// A statistic that still reads this after the call was not written.
constexpr int kUnwritten = INT_MIN;

enum class Quantity { Dropped, Drawn, FrameRate, Jitter, SyncOffset, SyncDeviation };

HRESULT read(IQualProp* quality, Quantity quantity, int* value)
{
    switch (quantity) {
    case Quantity::Dropped: return quality->get_FramesDroppedInRenderer(value);
    case Quantity::Drawn: return quality->get_FramesDrawn(value);
    case Quantity::FrameRate: return quality->get_AvgFrameRate(value);
    case Quantity::Jitter: return quality->get_Jitter(value);
    case Quantity::SyncOffset: return quality->get_AvgSyncOffset(value);
    default: return quality->get_DevSyncOffset(value);
    }
}

IBaseFilter* rendererOf(Player& p)
{
    switch (p.openMode) {
    case OpenMode_VideoRenderer: return p.videoRenderer.Get();
    case OpenMode_Vmr7: return p.vmr7Filter.Get();
    case OpenMode_Vmr9: return p.vmr9Filter.Get();
    case OpenMode_Evr: return p.evrFilter.Get();
    default: return p.activeRenderer; // empty between calls
    }
}

// Clears the borrowed slot when the statistics call returns.
struct ActiveRenderer {
    Player& p;
    explicit ActiveRenderer(Player& player) : p(player) { p.activeRenderer = rendererOf(p); }
    ~ActiveRenderer() { p.activeRenderer = nullptr; }
};

int statistic(Quantity quantity)
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    ActiveRenderer active(p);
    if (!p.activeRenderer)
        return OMB_E_NO_RENDERER;
    ComPtr<IQualProp> quality;
    if (!platform::obtain(p.activeRenderer, ids::IID_IQualProp, quality))
        return OMB_E_NO_ANSWER;
    int value = kUnwritten;
    HRESULT hr = read(quality.Get(), quantity, &value);
    return FAILED(hr) || value == kUnwritten ? OMB_E_NO_ANSWER : value;
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" {

int OMBRIX_CALL omb_GetFramesDroppedInRenderer(void) noexcept { return statistic(Quantity::Dropped); }
int OMBRIX_CALL omb_GetFramesDrawn(void) noexcept { return statistic(Quantity::Drawn); }
int OMBRIX_CALL omb_GetAvgFrameRate(void) noexcept { return statistic(Quantity::FrameRate); }
int OMBRIX_CALL omb_GetJitter(void) noexcept { return statistic(Quantity::Jitter); }
int OMBRIX_CALL omb_GetAvgSyncOffset(void) noexcept { return statistic(Quantity::SyncOffset); }
int OMBRIX_CALL omb_GetDevSyncOffset(void) noexcept { return statistic(Quantity::SyncDeviation); }

} // extern "C"
