// The winmm mixer steps the master volume takes. They are called through
// mixerApi, which holds winmm's own functions unless a test has put a
// stand-in mixer in their place.
#pragma once
#include <windows.h>
#include <mmsystem.h>

namespace ombrix::platform {

struct MixerApi {
    decltype(&::mixerOpen) open;
    decltype(&::mixerGetDevCapsW) getDevCaps;
    decltype(&::mixerGetLineInfoW) getLineInfo;
    decltype(&::mixerGetLineControlsW) getLineControls;
    decltype(&::mixerSetControlDetails) setControlDetails;
    decltype(&::mixerClose) close;
};

extern MixerApi mixerApi;

// winmm's functions, for a test to put back.
extern const MixerApi systemMixer;

} // namespace ombrix::platform
