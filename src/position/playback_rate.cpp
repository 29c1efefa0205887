// Playback rate through the graph's IMediaPosition, in factors or thousandths.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/fpu.h"
#include "platform/ids.h"
#include "player/arguments.h"
#include "player/player.h"
#include "position/rate_units.h"

namespace ombrix {
namespace {

// Asks for the rate; the graph keeps the old one when it refuses, and the
// host reads that back with omb_GetSpeed, so the platform's answer is not
// passed on: 0 means the request was made.
int requestRate(double rate)
{
    return requestPosition(player(), arguments::finite(rate),
                           [rate](IMediaPosition* position) { position->put_Rate(rate); });
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" int OMBRIX_CALL omb_SetSpeed(double rate) noexcept { return requestRate(rate); }

extern "C" int OMBRIX_CALL omb_SetSpeed2(int thousandths) noexcept { return requestRate(rateFromThousandths(thousandths)); }

extern "C" int OMBRIX_CALL omb_GetSpeed(void) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    IMediaPosition* position = heldPosition(p);
    if (!position)
        return OMB_E_NO_POSITION;
    double rate = 0.0;
    platform::PlatformTimeFpu fpu;
    if (FAILED(position->get_Rate(&rate)))
        return OMB_E_NO_POSITION;
    return thousandthsFromRate(rate).value_or(OMB_E_NO_POSITION);
}
