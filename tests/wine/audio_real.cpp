// Stream volume, clock functions and master volume on Wine: its DirectSound
// Renderer, its graph and system clock (which lack the clock interfaces),
// its winmm mixer and its Core Audio endpoint (which refuses every level).
#include <doctest.h>

#include <windows.h>
#include <mmsystem.h>

#include "ombrix.h"
#include "real_player.h"

using testing::RealPlayer;

TEST_CASE_FIXTURE(RealPlayer, "volume and balance reach Wine's audio renderer unchanged")
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
    CHECK(omb_SetVolume(0, 0) == -1);
    CHECK(omb_GetVolume(1) == -1);
}

TEST_CASE_FIXTURE(RealPlayer, "clock functions give their codes where Wine lacks the interfaces")
{
    CHECK(omb_GetAudioClockSlave() == -1);
    CHECK(omb_SetAudioClockSlave(50) == -1);
    CHECK(omb_SetGraphStreams(1, 500000) == -1);
    CHECK(omb_SetClockDelta(-1000) == -1);

    REQUIRE(omb_Open(media.av.c_str(), OpenMode_DefaultRenderers, 0, 0, 0) == 0);
    CHECK(omb_GetAudioClockSlave() == -4);
    CHECK(omb_SetAudioClockSlave(50) == -4);
    CHECK(omb_Close() == 0);

    REQUIRE(omb_Open(media.av.c_str(), OpenMode_AudioOnly, 0, 0, 0) == 0);
    CHECK(omb_GetAudioClockSlave() == -2); // no IAMClockSlave
    CHECK(omb_SetAudioClockSlave(50) == -2);
    for (int mode : {0, 1, 2})
        CHECK(omb_SetGraphStreams(mode, 500000) == -3); // no IAMGraphStreams
    CHECK(omb_SetClockDelta(-1000) == -2);              // no IAMClockAdjust
}

namespace {

// The first mixer's speakers volume, read and written the way a host's own
// code would, independently of the library.
struct SpeakersVolume {
    SpeakersVolume()
    {
        REQUIRE(mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_MIXER) == MMSYSERR_NOERROR);
        MIXERLINEW line{};
        line.cbStruct = sizeof line;
        line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        REQUIRE(mixerGetLineInfoW(handle(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) == 0);
        MIXERLINECONTROLSW controls{sizeof controls, line.dwLineID, {MIXERCONTROL_CONTROLTYPE_VOLUME}, 1,
                                    sizeof control, &control};
        REQUIRE(mixerGetLineControlsW(handle(), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
                0);
        original = value();
    }
    ~SpeakersVolume()
    {
        write(original);
        mixerClose(mixer);
    }
    HMIXEROBJ handle() const { return reinterpret_cast<HMIXEROBJ>(mixer); }
    MMRESULT transfer(DWORD& v, bool set) const
    {
        MIXERCONTROLDETAILS_UNSIGNED detail{v};
        MIXERCONTROLDETAILS details{sizeof details, control.dwControlID, 1, {}, sizeof detail, &detail};
        MMRESULT r = set ? mixerSetControlDetails(handle(), &details, MIXER_OBJECTF_HMIXER)
                         : mixerGetControlDetailsW(handle(), &details, MIXER_OBJECTF_HMIXER);
        v = detail.dwValue;
        return r;
    }
    DWORD value() const
    {
        DWORD v = 0xFFFFFFFF;
        CHECK(transfer(v, false) == MMSYSERR_NOERROR);
        return v;
    }
    void write(DWORD v) const { transfer(v, true); }

    HMIXER mixer = nullptr;
    MIXERCONTROLW control{sizeof control};
    DWORD original = 0;
};

} // namespace

TEST_CASE_FIXTURE(RealPlayer, "master volume on Wine with no file open")
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

    // Wine's endpoint refuses every level with E_NOTIMPL.
    CHECK(SetMasterVolumeVista(50) == -4);
    CHECK(SetMasterVolumeVista(150) == -4);
}

TEST_CASE_FIXTURE(RealPlayer, "a graph without an audio stream refuses the volume silently")
{
    REQUIRE(omb_Open(media.video.c_str(), OpenMode_DefaultRenderers, 0, 0, 0) == 0);
    CHECK(omb_SetVolume(0, -500) == 0);
    CHECK(omb_GetVolume(1) == -2);
    CHECK(omb_GetVolume(0) == -2);
}
