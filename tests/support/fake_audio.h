// Audio and clock objects: the System Reference Clock and Core Audio.
#pragma once

#include "fake_object.h"

namespace fakes {

// The System Reference Clock ("clock"), with only its adjustment.
class FakeClock : public FakeObject, public IAMClockAdjustStubs {
public:
    explicit FakeClock(World& world);
    FAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE SetClockDelta(REFERENCE_TIME delta) override;
};

// Core Audio: the device enumerator ("mmdevices") hands out the default
// output device ("device"), which activates its endpoint volume ("endpoint").
class FakeDeviceEnumerator : public FakeObject, public IMMDeviceEnumeratorStubs {
public:
    explicit FakeDeviceEnumerator(World& world);
    FAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** device) override;
};

class FakeDevice : public FakeObject, public IMMDeviceStubs {
public:
    explicit FakeDevice(World& world);
    FAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* parameters, void** out) override;
};

// The scalar level takes 0.0 to 1.0; anything else is refused with
// E_INVALIDARG and leaves the level as it was.
class FakeEndpointVolume : public FakeObject, public IAudioEndpointVolumeStubs {
public:
    explicit FakeEndpointVolume(World& world);
    FAKE_IUNKNOWN
    float level = 1.0f;
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float level, LPCGUID context) override;
};

} // namespace fakes
