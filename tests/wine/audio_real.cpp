// Stream volume, clock functions and master volume on the platform's
// DirectSound Renderer, graph and system clock, winmm mixer and Core Audio
// endpoint. Where the platform lacks the clock interfaces or refuses the
// endpoint's level, the gap table says so.
#include <doctest.h>

#include <windows.h>
#include <mmsystem.h>

#include "ombrix.h"
#include "platform_gaps.h"
#include "real_player.h"

using testing::Gap;
using testing::has;
using testing::RealPlayer;

TEST_CASE_FIXTURE(RealPlayer, "volume and balance reach the audio renderer unchanged")
{
    for (int mode : {OpenMode_DefaultRenderers, OpenMode_AudioOnly}) {
        CAPTURE(mode);
        REQUIRE(omb_Open(media.av.c_str(), mode, 0, 0, 0) == 0);
        CHECK(omb_SetVolume(0, -10000) == 0);
        CHECK(omb_GetVolume(1) == -10000);
        CHECK(omb_SetVolume(20000, -500) == 0); // balance refused, volume applied
        CHECK(omb_GetVolume(0) == 0);
        CHECK(omb_GetVolume(1) == -500);
        CHECK(omb_SetVolume(-10000, 100) == 0); // volume refused, balance applied
        CHECK(omb_GetVolume(0) == -10000);
        CHECK(omb_GetVolume(1) == -500);
        CHECK(omb_GetVolume(2) == -2);
        CHECK(omb_Close() == 0);
    }
}

TEST_CASE_FIXTURE(RealPlayer, "clock functions, or their codes where the platform lacks the interfaces")
{
    REQUIRE(omb_Open(media.av.c_str(), OpenMode_DefaultRenderers, 0, 0, 0) == 0);
    CHECK(omb_GetAudioClockSlave() == -4); // no audio renderer of the library's in mode 0
    CHECK(omb_SetAudioClockSlave(50) == -4);
    CHECK(omb_Close() == 0);

    REQUIRE(omb_Open(media.av.c_str(), OpenMode_AudioOnly, 0, 0, 0) == 0);
    if (has(Gap::NoClockInterfaces)) {
        CHECK(omb_GetAudioClockSlave() == -2); // no IAMClockSlave
        CHECK(omb_SetAudioClockSlave(50) == -2);
        for (int mode : {0, 1, 2})
            CHECK(omb_SetGraphStreams(mode, 500000) == -3); // no IAMGraphStreams
        CHECK(omb_SetClockDelta(-1000) == -2);              // no IAMClockAdjust
    } else {
        CHECK(omb_SetAudioClockSlave(50) == 0);
        CHECK(omb_GetAudioClockSlave() == 50);
        CHECK(omb_SetGraphStreams(0, 500000) == 0);
        CHECK(omb_SetGraphStreams(1, 500000) == 0);
        CHECK(omb_SetGraphStreams(2, 500000) == -2);
        CHECK(omb_SetClockDelta(-1000) == 0);
    }
}

namespace {

// The first mixer's speakers volume control, read the way a host's own code
// would, independently of the library; its value is put back at the end.
struct SpeakersVolume {
    SpeakersVolume()
    {
        REQUIRE(mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_MIXER) == MMSYSERR_NOERROR);
        MIXERLINEW line{sizeof line};
        line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        REQUIRE(mixerGetLineInfoW(object(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) == 0);
        MIXERLINECONTROLSW controls{sizeof controls, line.dwLineID, {MIXERCONTROL_CONTROLTYPE_VOLUME}, 1,
                                    sizeof control, &control};
        REQUIRE(mixerGetLineControlsW(object(), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
                0);
        details.dwControlID = control.dwControlID;
        original = value();
    }
    ~SpeakersVolume()
    {
        detail.dwValue = original;
        mixerSetControlDetails(object(), &details, MIXER_OBJECTF_HMIXER);
        mixerClose(mixer);
    }
    HMIXEROBJ object() const { return reinterpret_cast<HMIXEROBJ>(mixer); }
    DWORD value()
    {
        detail.dwValue = 0xFFFFFFFF;
        CHECK(mixerGetControlDetailsW(object(), &details, MIXER_OBJECTF_HMIXER) == MMSYSERR_NOERROR);
        return detail.dwValue;
    }

    HMIXER mixer = nullptr;
    MIXERCONTROLW control{sizeof control};
    MIXERCONTROLDETAILS_UNSIGNED detail{};
    MIXERCONTROLDETAILS details{sizeof details, 0, 1, {}, sizeof detail, &detail};
    DWORD original = 0;
};

} // namespace

TEST_CASE_FIXTURE(RealPlayer, "master volume with no file open")
{
    REQUIRE(p.playState == 0);
    SpeakersVolume speakers;
    CHECK(speakers.control.Bounds.dwMinimum == 0);
    CHECK(speakers.control.Bounds.dwMaximum == 65535);
    CHECK(SetMasterVolume(50) == 0);
    CHECK(speakers.value() == 32767);
    CHECK(SetMasterVolume(0) == 0);
    CHECK(speakers.value() == 0);
    CHECK(SetMasterVolume(100) == 0);
    CHECK(speakers.value() == 65535);

    CHECK(SetMasterVolumeVista(50) == (has(Gap::EndpointVolumeNotImpl) ? -4 : 0));
    CHECK(SetMasterVolumeVista(150) == -4); // a level above 1.0 is refused

}

TEST_CASE_FIXTURE(RealPlayer, "a graph without an audio stream refuses the volume silently")
{
    REQUIRE(omb_Open(media.video.c_str(), OpenMode_DefaultRenderers, 0, 0, 0) == 0);
    CHECK(omb_SetVolume(0, -500) == 0);
    CHECK(omb_GetVolume(1) == -2);
    CHECK(omb_GetVolume(0) == -2);
}
