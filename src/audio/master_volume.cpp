// The machine's master output volume as a percentage: through the winmm
// mixer (the systems before Vista) or through Core Audio (Vista on). Neither
// touches the Player, and each closes everything it opened before it returns.
#include "ombrix.h"

#include <cstdint>

#include <windows.h>
#include <mmsystem.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

#include "platform/com.h"
#include "platform/ids.h"
#include "platform/mixer.h"

using namespace ombrix;

namespace {

// The control value for a percentage: minimum + (maximum - minimum) *
// percent / 100, unsigned 32-bit throughout, so the product keeps its low
// 32 bits and the division truncates. Percentages above 100 are not clamped;
// the mixer decides whether it takes the result.
uint32_t mixerVolumeValue(uint32_t minimum, uint32_t maximum, uint32_t percent)
{
    return minimum + (maximum - minimum) * percent / 100u;
}

// Closes the mixer on every return once it is open.
class OpenMixer {
public:
    explicit OpenMixer(HMIXER handle) : handle_(handle) {}
    ~OpenMixer() { platform::mixerApi.close(handle_); }
    OpenMixer(const OpenMixer&) = delete;
    OpenMixer& operator=(const OpenMixer&) = delete;
    HMIXER handle() const { return handle_; }
    HMIXEROBJ object() const { return reinterpret_cast<HMIXEROBJ>(handle_); }

private:
    HMIXER handle_;
};

} // namespace

extern "C" int OMBRIX_CALL SetMasterVolume(unsigned int percent) noexcept
{
    const platform::MixerApi& api = platform::mixerApi;
    HMIXER handle = nullptr;
    if (api.open(&handle, 0, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR)
        return OMB_E_NO_MIXER; // nothing is open, so nothing is closed
    OpenMixer mixer(handle);

    // The capabilities are not used; a mixer that cannot report them is not
    // trusted with the volume.
    MIXERCAPSW caps{};
    if (api.getDevCaps(reinterpret_cast<UINT_PTR>(mixer.handle()), &caps, sizeof caps) != MMSYSERR_NOERROR)
        return OMB_E_NO_MIXER_CAPS;

    MIXERLINEW line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (api.getLineInfo(mixer.object(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return OMB_E_NO_SPEAKERS;

    MIXERCONTROLW control{};
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    if (api.getLineControls(mixer.object(), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR)
        return OMB_E_NO_VOLUME_CONTROL;

    MIXERCONTROLDETAILS_UNSIGNED value{};
    value.dwValue = mixerVolumeValue(control.Bounds.dwMinimum, control.Bounds.dwMaximum, percent);
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = control.dwControlID;
    details.cChannels = 1; // one value for every channel
    details.cMultipleItems = 0;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    if (api.setControlDetails(mixer.object(), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return OMB_E_VALUE_REFUSED;
    return OMB_OK;
}

extern "C" int OMBRIX_CALL SetMasterVolumeVista(int percent) noexcept
{
    // Declared in the order of creation, so that they are released in the
    // reverse order: volume control, device, enumerator.
    ComPtr<IMMDeviceEnumerator> devices;
    if (FAILED(platform::create(ids::CLSID_MMDeviceEnumerator, CLSCTX_ALL, ids::IID_IMMDeviceEnumerator, devices)) ||
        !devices)
        return OMB_E_NO_DEVICE_ENUMERATOR;

    ComPtr<IMMDevice> device;
    if (FAILED(devices->GetDefaultAudioEndpoint(eRender, eConsole, device.GetAddressOf())) || !device)
        return OMB_E_NO_OUTPUT_DEVICE;

    ComPtr<IAudioEndpointVolume> volume;
    if (FAILED(device->Activate(ids::IID_IAudioEndpointVolume, CLSCTX_ALL, nullptr,
                                reinterpret_cast<void**>(volume.GetAddressOf()))) ||
        !volume)
        return OMB_E_NO_ENDPOINT_VOLUME;

    // Not clamped: the endpoint refuses a level outside 0.0 to 1.0.
    const float level = static_cast<float>(percent / 100.0);
    const GUID noEventContext{};
    if (FAILED(volume->SetMasterVolumeLevelScalar(level, &noEventContext)))
        return OMB_E_LEVEL_REFUSED;
    return OMB_OK;
}
