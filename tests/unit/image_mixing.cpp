// omb_VMRMixImage against fake mixing renderers: the records field by field
// (floats bit for bit), the result mapping, the modes without a mixer, and
// SetColorRef's packing.
#include <doctest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;

namespace {

// The float slots as the host's script engine fills them: raw 32-bit
// patterns on the 32-bit stack, float registers in the 64-bit convention.
#if defined(__i386__)
using Slot = uint32_t;
#else
using Slot = float;
#endif
using MixFn = int(__cdecl*)(omb_handle, int, int, int, int, Slot, Slot, Slot, Slot, Slot, int, int, int, int);

Slot slot(uint32_t bits)
{
    Slot value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int mixBits(uint32_t alpha, uint32_t left, uint32_t top, uint32_t right, uint32_t bottom, int key = 0)
{
    auto mix = reinterpret_cast<MixFn>(reinterpret_cast<void*>(&omb_VMRMixImage));
    return mix(0x77, 1, 2, 3, 4, slot(alpha), slot(left), slot(top), slot(right), slot(bottom), key, 1, 2, 3);
}

const HDC kDC = reinterpret_cast<HDC>(0x4242);

struct OpenMixer : FakePlayer {
    explicit OpenMixer(int mode)
    {
        REQUIRE(omb_Open("C:\\media\\clip.avi", mode, 0, 1, 1) == 0);
        world.clearLog();
    }
    int mix(float bottom, int keySwitch, int red = 255, int green = 0, int blue = 255)
    {
        return omb_VMRMixImage(reinterpret_cast<omb_handle>(kDC), 0, 0, 100, 50, 1.0f, 0.0f, 0.0f, 0.5f, bottom,
                               keySwitch, red, green, blue);
    }
};

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "mixing needs an open graph; the colour packing needs nothing")
{
    CHECK(omb_VMRMixImage(0, 0, 0, 100, 50, 1.0f, 0.0f, 0.0f, 0.5f, 0.25f, 0, 0, 0, 0) == -1);
    CHECK(SetColorRef(255, 128, 0) == 33023);
    CHECK(SetColorRef(256, 0, 0) == 0);
    CHECK(SetColorRef(0x1FF, 0x1FF, 0x1FF) == 0x00FFFFFF);
    CHECK(SetColorRef(-1, 0, 0) == 0xFF);
    CHECK(world.log.empty());
}

TEST_CASE("both mixing renderers get the same record from the host's arguments")
{
    for (int mode : {OpenMode_Vmr7, OpenMode_Vmr9}) {
        CAPTURE(mode);
        OpenMixer open(mode);
        const std::string renderer = mode == OpenMode_Vmr7 ? "vmr7" : "vmr9";
        const std::string tail = mode == OpenMode_Vmr9 ? ", mode 0" : "";
        CHECK(open.mix(0.25f, 0) == 0);
        CHECK(open.mix(0.5f, 1) == 0);
        CHECK(open.mix(0.5f, 2, 0x1FF, 0x100, 0x2FF) == 0);
        CHECK(open.world.log ==
              Lines{renderer + ".SetAlphaBitmap(2, dc, null, 0 0 100 50, 00000000 00000000 3F000000 3E800000, "
                               "3F800000, ff00ff" + tail + ")",
                    renderer + ".SetAlphaBitmap(10, dc, null, 0 0 100 50, 00000000 00000000 3F000000 3F000000, "
                               "3F800000, ff00ff" + tail + ")",
                    renderer + ".SetAlphaBitmap(2, dc, null, 0 0 100 50, 00000000 00000000 3F000000 3F000000, "
                               "3F800000, ff00ff" + tail + ")"});
        fakes::FakeFilter& filter = *open.world.filter(renderer);
        HDC dc = mode == OpenMode_Vmr7 ? filter.bitmap7.hdc : filter.bitmap9.hdc;
        CHECK(dc == kDC);
    }
}

TEST_CASE("the float arguments reach the record bit for bit, NaN payloads included")
{
    for (int mode : {OpenMode_Vmr7, OpenMode_Vmr9}) {
        CAPTURE(mode);
        OpenMixer open(mode);
        CHECK(mixBits(0x7F800001, 0xFF800123, 0x80000000, 0x00000001, 0x3F7FFFFF) == 0);
        fakes::FakeFilter& filter = *open.world.filter(mode == OpenMode_Vmr7 ? "vmr7" : "vmr9");
        const float* fields = mode == OpenMode_Vmr7 ? &filter.bitmap7.rDest.left : &filter.bitmap9.rDest.left;
        uint32_t got[5];
        std::memcpy(got, fields, sizeof got); // left, top, right, bottom, alpha
        CHECK(got[0] == 0xFF800123u);
        CHECK(got[1] == 0x80000000u);
        CHECK(got[2] == 0x00000001u);
        CHECK(got[3] == 0x3F7FFFFFu);
        CHECK(got[4] == 0x7F800001u);
        if (mode == OpenMode_Vmr9)
            CHECK(filter.bitmap9.dwFilterMode == 0u);
        CHECK(open.world.log.size() == 1);
        const std::string& line = open.world.log[0];
        CHECK(line.find(", 1 2 3 4, ") != std::string::npos); // SetRect from the four integers
        CHECK(line.find(", 30201") != std::string::npos);    // key 1, 2, 3
    }
}

TEST_CASE("the renderer's result is mapped to -4..-7 or passed through")
{
    const std::pair<HRESULT, int> results[] = {{E_INVALIDARG, -4},
                                               {E_POINTER, -5},
                                               {E_OUTOFMEMORY, -6},
                                               {E_FAIL, -7},
                                               {E_NOTIMPL, static_cast<int>(E_NOTIMPL)},
                                               {S_FALSE, 1}};
    for (int mode : {OpenMode_Vmr7, OpenMode_Vmr9}) {
        OpenMixer open(mode);
        const fakes::Call setBitmap =
            mode == OpenMode_Vmr7 ? fakes::Call::vmr7_SetAlphaBitmap : fakes::Call::vmr9_SetAlphaBitmap;
        for (auto [hr, code] : results) {
            CAPTURE(mode);
            CAPTURE(hr);
            open.world.failures[setBitmap] = hr;
            CHECK(open.mix(0.25f, 0) == code);
        }
    }
}

TEST_CASE("modes without a mixing renderer, and a renderer without the mixer, are not called")
{
    for (int mode : {OpenMode_DefaultRenderers, OpenMode_VideoRenderer, OpenMode_Evr, OpenMode_AudioOnly,
                     OpenMode_NullVideo}) {
        CAPTURE(mode);
        OpenMixer open(mode);
        CHECK(open.mix(0.25f, 0) == -2);
        CHECK(open.world.log.empty());
    }
    for (int mode : {OpenMode_Vmr7, OpenMode_Vmr9}) {
        CAPTURE(mode);
        fakes::World* world;
        {
            OpenMixer open(mode);
            world = &open.world;
            const fakes::Fake mixer = mode == OpenMode_Vmr7 ? fakes::Fake::vmr7 : fakes::Fake::vmr9;
            world->lacking[mixer] = {mode == OpenMode_Vmr7 ? ombrix::ids::IID_IVMRMixerBitmap
                                                          : ombrix::ids::IID_IVMRMixerBitmap9};
            CHECK(open.mix(0.25f, 0) == -3);
            CHECK(world->log.empty());
        }
    }
}
