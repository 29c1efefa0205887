#include "fake_audio.h"

#include "platform/ids.h"
#include "world.h"

namespace fakes {

FakeClock::FakeClock(World& w) : FakeObject(w, "clock")
{
    offer(ombrix::ids::IID_IAMClockAdjust, static_cast<IAMClockAdjust*>(this));
}

HRESULT FakeClock::SetClockDelta(REFERENCE_TIME delta)
{
    return respond("SetClockDelta", delta);
}

FakeDeviceEnumerator::FakeDeviceEnumerator(World& w) : FakeObject(w, "mmdevices")
{
    offer(ombrix::ids::IID_IMMDeviceEnumerator, static_cast<IMMDeviceEnumerator*>(this));
}

HRESULT FakeDeviceEnumerator::GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** device)
{
    record("GetDefaultAudioEndpoint", static_cast<int>(flow), static_cast<int>(role));
    *device = nullptr;
    HRESULT hr = outcome("GetDefaultAudioEndpoint");
    if (FAILED(hr))
        return hr;
    FakeDevice& made = world.make<FakeDevice>();
    made.addRef();
    *device = &made;
    return hr;
}

FakeDevice::FakeDevice(World& w) : FakeObject(w, "device")
{
    offer(__uuidof(IMMDevice), static_cast<IMMDevice*>(this));
}

HRESULT FakeDevice::Activate(REFIID iid, DWORD context, PROPVARIANT* parameters, void** out)
{
    record("Activate", &iid, context, static_cast<const void*>(parameters));
    *out = nullptr;
    HRESULT hr = outcome("Activate");
    if (FAILED(hr))
        return hr;
    return world.make<FakeEndpointVolume>().queryInterface(iid, out);
}

FakeEndpointVolume::FakeEndpointVolume(World& w) : FakeObject(w, "endpoint")
{
    offer(ombrix::ids::IID_IAudioEndpointVolume, static_cast<IAudioEndpointVolume*>(this));
}

HRESULT FakeEndpointVolume::SetMasterVolumeLevelScalar(float requested, LPCGUID context)
{
    record("SetMasterVolumeLevelScalar", static_cast<double>(requested), context);
    HRESULT hr = outcome("SetMasterVolumeLevelScalar",
                         requested >= 0.0f && requested <= 1.0f ? S_OK : E_INVALIDARG);
    if (SUCCEEDED(hr))
        level = requested;
    return hr;
}

} // namespace fakes
