// The fakes' typed keys: each key's text names it alone, and a key a test
// set that no fake looked up is reported (FakePlayer fails on it).
#include <doctest.h>

#include <string>
#include <vector>

#include <wrl/client.h>

#include "fakes.h"
#include "platform/com.h"
#include "platform/ids.h"
#include "x87.h"

using fakes::Call;
using fakes::Quirk;
using Lines = std::vector<std::string>;
using Microsoft::WRL::ComPtr;

TEST_CASE("every key's text names that key alone")
{
    for (int i = 0; i < static_cast<int>(Call::Count); ++i) {
        const Call call = static_cast<Call>(i);
        CAPTURE(call);
        Call found = Call::Count;
        CHECK(fakes::keyNamed(fakes::keyText(call), found));
        CHECK(found == call);
    }
    for (int i = 0; i < static_cast<int>(Quirk::Count); ++i) {
        const Quirk quirk = static_cast<Quirk>(i);
        CAPTURE(quirk);
        Quirk found = Quirk::Count;
        CHECK(fakes::keyNamed(fakes::keyText(quirk), found));
        CHECK(found == quirk);
    }
    Call none;
    CHECK_FALSE(fakes::keyNamed("graph.put_CurrentPositon", none));
    CHECK(std::string(fakes::keyText(Call::create_vmr9)) == "create.vmr9");
    CHECK(std::string(fakes::keyText(Quirk::graph_rate_ignored)) == "graph.rate.ignored");
}

TEST_CASE("a key no fake looked up is reported until a fake looks it up")
{
    fakes::World world;
    world.failures[Call::graph_Run] = E_FAIL;
    world.writesNothing.insert(Call::graph_get_Volume);
    world.writesNothing.insert(Call::graph_put_Volume); // a setter writes nothing anyway: never looked up
    world.quirks.insert(Quirk::graph_rate_ignored);
    world.x87Words[Call::graph_Run] = 0x007f;   // 24-bit precision, as a Direct3D device leaves it
    world.x87Words[Call::graph_Pause] = 0x007f; // never called
    CHECK(world.unconsulted() == Lines{"failure graph.Run", "writesNothing graph.put_Volume",
                                       "writesNothing graph.get_Volume", "quirk graph.rate.ignored",
                                       "x87Words graph.Run", "x87Words graph.Pause"});
    {
        testing::ScopedX87Precision host(testing::X87Precision::Bits64);
        ComPtr<IMediaControl> control;
        REQUIRE(ombrix::platform::createInstanceFn(ombrix::ids::CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                                   ombrix::ids::IID_IMediaControl,
                                                   reinterpret_cast<void**>(control.GetAddressOf())) == S_OK);
        ComPtr<IBasicAudio> audio;
        ComPtr<IMediaSeeking> seeking;
        REQUIRE(control->QueryInterface(ombrix::ids::IID_IBasicAudio,
                                        reinterpret_cast<void**>(audio.GetAddressOf())) == S_OK);
        REQUIRE(control->QueryInterface(ombrix::ids::IID_IMediaSeeking,
                                        reinterpret_cast<void**>(seeking.GetAddressOf())) == S_OK);
        CHECK(control->Run() == E_FAIL);
        CHECK(testing::x87ControlWord() == 0x007f); // the call left its word behind
        long volume = 7;
        CHECK(audio->put_Volume(-100) == S_OK);
        CHECK(audio->get_Volume(&volume) == S_OK);
        CHECK(volume == 7);
        CHECK(seeking->SetRate(2.0) == S_OK);
    }
    CHECK(world.unconsulted() == Lines{"writesNothing graph.put_Volume", "x87Words graph.Pause"});
    CHECK(world.outstanding().empty());
}
