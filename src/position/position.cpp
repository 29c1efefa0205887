// Duration, position and seeking in seconds through the graph's
// IMediaPosition, and the native video size through IBasicVideo.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/fpu.h"
#include "platform/ids.h"
#include "player/arguments.h"
#include "player/player.h"

using namespace ombrix;

namespace {

constexpr double kNotOpenTime = -1.0;

enum class Time { Duration, Current };

// Reads one time of the graph; false when the graph could not tell it.
inline __attribute__((always_inline)) bool readTime(Player& p, Time which, double& seconds)
{
    IMediaPosition* position = heldPosition(p);
    if (!position)
        return false;
    double value = 0.0;
    platform::PlatformTimeFpu fpu;
    HRESULT hr = which == Time::Duration ? position->get_Duration(&value) : position->get_CurrentPosition(&value);
    if (FAILED(hr))
        return false;
    seconds = value;
    return true;
}

// The two time exports: one call to the held interface, nothing else.
inline __attribute__((always_inline)) double timeOrFailure(Time which)
{
    Player& p = player();
    double seconds = kNotOpenTime;
    if (p.isOpen())
        readTime(p, which, seconds);
    return seconds;
}

int seek(double seconds)
{
    return requestPosition(player(), arguments::secondsFit(seconds),
                           [seconds](IMediaPosition* position) { position->put_CurrentPosition(seconds); });
}

// Seconds to hundredths, truncated toward zero (0.29 s gives 28). A time
// that is not a number or does not fit an int in hundredths is no answer.
bool hundredths(double seconds, int& out)
{
    const double scaled = seconds * 100.0;
    if (!(scaled > -2147483649.0 && scaled < 2147483648.0))
        return false;
    out = static_cast<int>(scaled);
    return true;
}

} // namespace

extern "C" {

double OMBRIX_CALL omb_GetAllPlayTime(void) noexcept { return timeOrFailure(Time::Duration); }

double OMBRIX_CALL omb_GetNowPlayTime(void) noexcept { return timeOrFailure(Time::Current); }

int OMBRIX_CALL omb_SetSeek(double seconds) noexcept { return seek(seconds); }

int OMBRIX_CALL omb_SetSeek2(int hundredthsOfSecond) noexcept { return seek(static_cast<double>(hundredthsOfSecond) / 100.0); }

int OMBRIX_CALL omb_Info(int kind) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    switch (kind) {
    case 0:
    case 1: {
        ComPtr<IBasicVideo> video;
        if (int code = queryGraph(p, ids::IID_IBasicVideo, video, OMB_E_NO_INFO))
            return code;
        long size = 0;
        HRESULT hr = kind == 0 ? video->get_VideoWidth(&size) : video->get_VideoHeight(&size);
        return FAILED(hr) ? OMB_E_NO_INFO : static_cast<int>(size);
    }
    case 2:
    case 3: {
        double seconds = 0.0;
        int result = 0;
        if (!readTime(p, kind == 2 ? Time::Duration : Time::Current, seconds) || !hundredths(seconds, result))
            return OMB_E_NO_INFO;
        return result;
    }
    default:
        return OMB_E_NO_INFO;
    }
}

} // extern "C"
