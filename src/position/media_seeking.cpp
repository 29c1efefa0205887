// The graph's IMediaSeeking by selector: capabilities, time format,
// duration, positions and rate in the graph's own 64-bit time format.
#include "ombrix.h"

#include <cstdint>

#include "platform/com.h"
#include "platform/fpu.h"
#include "platform/ids.h"
#include "player/player.h"
#include "position/rate_units.h"

namespace ombrix {
namespace {

// The two numberings differ: queries report media time as 1 and frames as 2,
// commands select media time with 0 and frames with 1.
enum ReportedFormat : int {
    kOtherFormat = 0,
    kMediaTimeReported = 1,
    kFrameReported = 2,
};

enum SeekingQuery : int {
    kCapabilities = 0,
    kTimeFormat = 1,
    kDuration = 2,
    kCurrentPosition = 3,
    kStopPosition = 4,
    kRate = 5,
};

enum SeekingCommand : int {
    kUseMediaTime = 0,
    kUseFrames = 1,
    kSetCurrentPosition = 2,
    kSetRate = 3,
};

// Command 2 moves the current position to exactly the given value and
// leaves the stop position alone. Absolute positioning without key-frame
// snapping: a host that sets a position reads the same one back.
constexpr DWORD kCurrentFlags = AM_SEEKING_AbsolutePositioning;
constexpr DWORD kStopFlags = AM_SEEKING_NoPositioning;

// The low 32 bits of a 64-bit value, as the host's signed int.
int low32(std::int64_t value) { return static_cast<int>(static_cast<std::uint32_t>(value)); }

// Graph units to the host's: a signed division that truncates toward zero
// (-1500 gives -1), then the low 32 bits of the quotient.
int perThousand(std::int64_t value) { return low32(value / 1000); }

bool isFrameFormat(IMediaSeeking* seeking)
{
    GUID format = GUID_NULL;
    return SUCCEEDED(seeking->GetTimeFormat(&format)) && IsEqualGUID(format, ids::TIME_FORMAT_FRAME);
}

int readQuery(IMediaSeeking* seeking, int query)
{
    // Every local starts at zero, so a read that reports success without
    // writing gives 0, never an undefined value.
    switch (query) {
    case kCapabilities: {
        DWORD capabilities = 0;
        if (FAILED(seeking->GetCapabilities(&capabilities)))
            return OMB_E_NO_SEEKING;
        return static_cast<int>(capabilities);
    }
    case kTimeFormat: {
        GUID format = GUID_NULL;
        if (FAILED(seeking->GetTimeFormat(&format)))
            return kOtherFormat;
        if (IsEqualGUID(format, ids::TIME_FORMAT_MEDIA_TIME))
            return kMediaTimeReported;
        if (IsEqualGUID(format, ids::TIME_FORMAT_FRAME))
            return kFrameReported;
        return kOtherFormat;
    }
    case kDuration: {
        // Scaled in every format, frames included.
        LONGLONG duration = 0;
        if (FAILED(seeking->GetDuration(&duration)))
            return OMB_E_NO_SEEKING;
        return perThousand(duration);
    }
    case kCurrentPosition:
    case kStopPosition: {
        LONGLONG current = 0, stop = 0;
        if (FAILED(seeking->GetPositions(&current, &stop)))
            return OMB_E_NO_SEEKING;
        LONGLONG position = query == kCurrentPosition ? current : stop;
        // Frame numbers are reported as they are; an unreadable format
        // counts as media time, the graph's default.
        return isFrameFormat(seeking) ? low32(position) : perThousand(position);
    }
    case kRate: {
        double rate = 0.0;
        if (FAILED(seeking->GetRate(&rate)))
            return OMB_E_NO_SEEKING;
        return thousandthsFromRate(rate).value_or(OMB_E_NO_SEEKING);
    }
    default:
        return OMB_E_BAD_SELECTOR;
    }
}

int runCommand(IMediaSeeking* seeking, int command, int value)
{
    switch (command) {
    case kUseMediaTime:
        return seeking->SetTimeFormat(&ids::TIME_FORMAT_MEDIA_TIME);
    case kUseFrames:
        return seeking->SetTimeFormat(&ids::TIME_FORMAT_FRAME);
    case kSetCurrentPosition: {
        LONGLONG position = value; // sign-extended, in the graph's unit
        return seeking->SetPositions(&position, kCurrentFlags, nullptr, kStopFlags);
    }
    case kSetRate:
        if (value == 0)
            return OMB_E_ZERO_RATE;
        return seeking->SetRate(rateFromThousandths(value));
    default:
        return OMB_E_BAD_SELECTOR;
    }
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" int OMBRIX_CALL omb_GetMediaSeeking(int query) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (query < kCapabilities || query > kRate)
        return OMB_E_BAD_SELECTOR;
    CallScoped<IMediaSeeking> seeking(p.mediaSeeking);
    if (int code = queryGraph(p, ids::IID_IMediaSeeking, p.mediaSeeking, OMB_E_NO_SEEKING))
        return code;
    platform::PlatformTimeFpu fpu;
    return readQuery(seeking.get(), query);
}

extern "C" int OMBRIX_CALL omb_SetMediaSeeking(int command, int value) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (command < kUseMediaTime || command > kSetRate)
        return OMB_E_BAD_SELECTOR;
    CallScoped<IMediaSeeking> seeking(p.mediaSeeking);
    if (int code = queryGraph(p, ids::IID_IMediaSeeking, p.mediaSeeking, OMB_E_NO_SEEKING))
        return code;
    platform::PlatformTimeFpu fpu;
    return runCommand(seeking.get(), command, value);
}
