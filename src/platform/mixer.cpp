#include "platform/mixer.h"

namespace ombrix::platform {

const MixerApi systemMixer = {
    ::mixerOpen,       ::mixerGetDevCapsW,       ::mixerGetLineInfoW,
    ::mixerGetLineControlsW, ::mixerSetControlDetails, ::mixerClose,
};

MixerApi mixerApi = systemMixer;

} // namespace ombrix::platform
