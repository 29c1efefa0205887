// SetMasterVolume against a stand-in winmm mixer, SetMasterVolumeVista
// against fake Core Audio objects: the value each sets, the arguments of
// every step, each step's failure code, and that everything is closed.
#include <doctest.h>

#include <map>
#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/mixer.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;

namespace {

// The mixer's steps, each with the name it records.
enum class Step { open, caps, line, controls, set, close };
const char* const kStepNames[] = {"open", "caps", "line", "controls", "set", "close"};

// A mixer with one speakers line (0xFFFF0000) and one volume control (7).
// Each step records the fields it was given and can be told to fail. The
// control refuses values above its maximum.
struct StandInMixer {
    StandInMixer()
    {
        current = this;
        ombrix::platform::mixerApi = {open, caps, line, controls, set, close};
    }
    ~StandInMixer()
    {
        ombrix::platform::mixerApi = ombrix::platform::systemMixer;
        current = nullptr;
    }

    DWORD minimum = 0, maximum = 65535;
    std::map<Step, MMRESULT> failures;
    Lines calls;
    DWORD value = 0;

    static inline StandInMixer* current = nullptr;
    static inline const HMIXER kHandle = reinterpret_cast<HMIXER>(0x5150);
    static uintptr_t id(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

    // Records "step(a, b, ...)" in hexadecimal (the handle is 5150) and
    // gives the step's result.
    template <class... Args>
    static MMRESULT step(Step which, Args... args)
    {
        const char* name = kStepNames[static_cast<int>(which)];
        std::string line;
        char number[16];
        ((snprintf(number, sizeof number, ", %lX", static_cast<unsigned long>(args)), line += number), ...);
        current->calls.push_back(name + ("(" + line.substr(2) + ")"));
        auto it = current->failures.find(which);
        return it == current->failures.end() ? MMSYSERR_NOERROR : it->second;
    }
    static MMRESULT WINAPI open(LPHMIXER out, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
    {
        MMRESULT r = step(Step::open, device, callback, instance, flags);
        *out = r ? nullptr : kHandle;
        return r;
    }
    static MMRESULT WINAPI caps(UINT_PTR device, LPMIXERCAPSW, UINT size)
    {
        return step(Step::caps, device, size);
    }
    static MMRESULT WINAPI line(HMIXEROBJ mixer, LPMIXERLINEW info, DWORD flags)
    {
        info->dwLineID = 0xFFFF0000;
        return step(Step::line, id(mixer), info->cbStruct, info->dwComponentType, flags);
    }
    static MMRESULT WINAPI controls(HMIXEROBJ mixer, LPMIXERLINECONTROLSW info, DWORD flags)
    {
        info->pamxctrl->dwControlID = 7;
        info->pamxctrl->Bounds.dwMinimum = current->minimum;
        info->pamxctrl->Bounds.dwMaximum = current->maximum;
        return step(Step::controls, id(mixer), info->cbStruct, info->dwLineID, info->dwControlType, info->cControls,
                    info->cbmxctrl, flags);
    }
    static MMRESULT WINAPI set(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS info, DWORD flags)
    {
        DWORD v = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(info->paDetails)->dwValue;
        MMRESULT r = step(Step::set, id(mixer), info->cbStruct, info->dwControlID, info->cChannels, info->cMultipleItems,
                          info->cbDetails, v, flags);
        if (r == MMSYSERR_NOERROR && v > current->maximum)
            r = MMSYSERR_INVALPARAM;
        if (r == MMSYSERR_NOERROR)
            current->value = v;
        return r;
    }
    static MMRESULT WINAPI close(HMIXER mixer) { return step(Step::close, id(mixer)); }
};

std::string hex(size_t v)
{
    char text[16];
    snprintf(text, sizeof text, "%zX", v);
    return text;
}

} // namespace

TEST_CASE("SetMasterVolume maps the percentage onto the control's bounds in unsigned 32 bits")
{
    StandInMixer mixer;
    SUBCASE("every step with its arguments")
    {
        CHECK(SetMasterVolume(50) == 0);
        CHECK(mixer.calls == Lines{"open(0, 0, 0, 0)", "caps(5150, " + hex(sizeof(MIXERCAPSW)) + ")",
                                   "line(5150, " + hex(sizeof(MIXERLINEW)) + ", 4, 80000003)",
                                   "controls(5150, " + hex(sizeof(MIXERLINECONTROLSW)) + ", FFFF0000, 50030001, 1, " +
                                       hex(sizeof(MIXERCONTROLW)) + ", 80000002)",
                                   "set(5150, " + hex(sizeof(MIXERCONTROLDETAILS)) + ", 7, 1, 0, 4, 7FFF, 80000000)",
                                   "close(5150)"});
    }
    SUBCASE("bounds 100 to 200")
    {
        mixer.minimum = 100, mixer.maximum = 200;
        CHECK(SetMasterVolume(25) == 0);
        CHECK(mixer.value == 125);
        CHECK(SetMasterVolume(0) == 0);
        CHECK(mixer.value == 100);
        CHECK(SetMasterVolume(100) == 0);
        CHECK(mixer.value == 200);
    }
    SUBCASE("not clamped: the product wraps and the mixer decides")
    {
        CHECK(SetMasterVolume(65538) == 0); // 65535 * 65538 keeps its low 32 bits: 65534
        CHECK(mixer.value == 655);
        CHECK(SetMasterVolume(101) == -5);
        CHECK(mixer.calls[mixer.calls.size() - 2].find(", 1028E, ") != std::string::npos); // 66190
        CHECK(SetMasterVolume(static_cast<unsigned>(-1)) == -5);
    }
    CHECK(mixer.calls.back() == "close(5150)");
}

TEST_CASE("each failing mixer step gives its code and closes the mixer")
{
    const std::pair<Step, int> steps[] = {{Step::caps, -2}, {Step::line, -3}, {Step::controls, -4}, {Step::set, -5}};
    for (auto [step, code] : steps) {
        CAPTURE(kStepNames[static_cast<int>(step)]);
        StandInMixer mixer;
        mixer.failures[step] = MMSYSERR_ERROR;
        CHECK(SetMasterVolume(50) == code);
        CHECK(mixer.calls.back() == "close(5150)");
        CHECK(mixer.value == 0);
    }
    StandInMixer mixer;
    mixer.failures[Step::open] = MMSYSERR_BADDEVICEID;
    CHECK(SetMasterVolume(50) == -1);
    CHECK(mixer.calls == Lines{"open(0, 0, 0, 0)"});
}

TEST_CASE_FIXTURE(FakePlayer, "SetMasterVolumeVista sets percent / 100 as the endpoint's scalar level")
{
    world.traceReleases = true;
    CHECK(SetMasterVolumeVista(50) == 0);
    CHECK(world.log == Lines{"create mmdevices ctx=23 IMMDeviceEnumerator", "mmdevices.GetDefaultAudioEndpoint(0, 0)",
                             "device.Activate(IAudioEndpointVolume, 23, null)",
                             "endpoint.SetMasterVolumeLevelScalar(0.5, GUID_NULL)", "release endpoint 0",
                             "release device 0", "release mmdevices 0"});
    world.traceReleases = false;
    CHECK(SetMasterVolumeVista(0) == 0);
    CHECK(static_cast<fakes::FakeEndpointVolume*>(world.find("endpoint"))->level == 0.0f);
    CHECK(SetMasterVolumeVista(100) == 0);
    CHECK(static_cast<fakes::FakeEndpointVolume*>(world.find("endpoint"))->level == 1.0f);

    SUBCASE("a level outside 0.0 to 1.0 is refused: -4")
    {
        CHECK(SetMasterVolumeVista(150) == -4);
        CHECK(SetMasterVolumeVista(-5) == -4);
        CHECK(world.calls("endpoint.").back() == "endpoint.SetMasterVolumeLevelScalar(-0.05, GUID_NULL)");
    }
    SUBCASE("each step's failure has its code; only negative results fail")
    {
        world.failures[Call::endpoint_SetMasterVolumeLevelScalar] = S_FALSE;
        CHECK(SetMasterVolumeVista(30) == 0);
        world.failures[Call::endpoint_SetMasterVolumeLevelScalar] = E_NOTIMPL;
        CHECK(SetMasterVolumeVista(30) == -4);
        world.failures[Call::device_Activate] = E_NOINTERFACE;
        CHECK(SetMasterVolumeVista(30) == -3);
        world.failures[Call::mmdevices_GetDefaultAudioEndpoint] = E_NOTFOUND;
        CHECK(SetMasterVolumeVista(30) == -2);
        world.failures[Call::create_mmdevices] = REGDB_E_CLASSNOTREG;
        CHECK(SetMasterVolumeVista(30) == -1);
    }
}
