// omb_SetFrameStep, omb_CanselFrameStep and omb_CanFrameStep against a fake
// graph: the count's 32 bits, codes passed through, the S_OK-only answer.
#include <doctest.h>

#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;

namespace {

struct OpenStep : FakePlayer {
    OpenStep()
    {
        REQUIRE(omb_Open("C:\\media\\clip.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
        world.clearLog();
    }
    ~OpenStep() { CHECK_FALSE(p.frameStep); }

    // The codes of the events the graph queued, taken as the host's window would.
    std::vector<long> takeEvents()
    {
        Microsoft::WRL::ComPtr<IMediaEventEx> events;
        REQUIRE(SUCCEEDED(p.graph->QueryInterface(ombrix::ids::IID_IMediaEventEx,
                                                 reinterpret_cast<void**>(events.GetAddressOf()))));
        std::vector<long> codes;
        long code;
        LONG_PTR one, two;
        while (events->GetEvent(&code, &one, &two, 0) == S_OK) {
            codes.push_back(code);
            events->FreeEventParams(code, one, two);
        }
        return codes;
    }
};

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "the frame-stepping exports need an open graph")
{
    CHECK(omb_SetFrameStep(1) == -1);
    CHECK(omb_CanselFrameStep() == -1);
    CHECK(omb_CanFrameStep(0) == -1);
    CHECK(world.log.empty());
}

TEST_CASE_FIXTURE(OpenStep, "a step passes its count unsigned and ends with EC_STEP_COMPLETE")
{
    CHECK(omb_SetFrameStep(1) == 0);
    CHECK(world.calls("graph.Step") == Lines{"graph.Step(1, null)"});
    CHECK(takeEvents() == std::vector<long>{36});

    CHECK(omb_SetFrameStep(5) == 0);
    CHECK(omb_SetFrameStep(0) == 0);
    CHECK(omb_SetFrameStep(-1) == 0);
    CHECK(world.calls("graph.Step") ==
          Lines{"graph.Step(1, null)", "graph.Step(5, null)", "graph.Step(0, null)", "graph.Step(4294967295, null)"});

    world.failures[Call::graph_Step] = VFW_E_WRONG_STATE;
    CHECK(omb_SetFrameStep(1) == VFW_E_WRONG_STATE);
    takeEvents();
    CHECK(takeEvents().empty());
}

TEST_CASE_FIXTURE(OpenStep, "cancelling passes the platform's code through")
{
    CHECK(omb_CanselFrameStep() == 0);
    world.failures[Call::graph_CancelStep] = E_UNEXPECTED;
    CHECK(omb_CanselFrameStep() == E_UNEXPECTED);
    CHECK(world.calls("graph.CancelStep").size() == 2);
}

TEST_CASE_FIXTURE(OpenStep, "omb_CanFrameStep answers with its argument only for S_OK")
{
    CHECK(omb_CanFrameStep(0) == 0);
    CHECK(omb_CanFrameStep(5) == 5);
    CHECK(omb_CanFrameStep(-1) == -1); // the same value as "nothing open"
    CHECK(world.calls("graph.CanStep") ==
          Lines{"graph.CanStep(0, null)", "graph.CanStep(5, null)", "graph.CanStep(-1, null)"});
    for (HRESULT answer : {S_FALSE, E_NOTIMPL, VFW_E_WRONG_STATE}) {
        CAPTURE(answer);
        world.failures[Call::graph_CanStep] = answer;
        CHECK(omb_CanFrameStep(0) == -2);
        CHECK(omb_CanFrameStep(5) == -2);
    }
}

TEST_CASE_FIXTURE(OpenStep, "a graph that cannot step: Wine's stubs and a missing interface")
{
    SUBCASE("every method E_NOTIMPL, as Wine's graph")
    {
        for (Call call : {Call::graph_Step, Call::graph_CanStep, Call::graph_CancelStep})
            world.failures[call] = E_NOTIMPL;
        CHECK(omb_SetFrameStep(1) == E_NOTIMPL);
        CHECK(omb_CanselFrameStep() == E_NOTIMPL);
        CHECK(omb_CanFrameStep(0) == -2);
        CHECK(takeEvents().empty());
    }
    SUBCASE("no IVideoFrameStep")
    {
        world.lacking[fakes::Fake::graph] = {ombrix::ids::IID_IVideoFrameStep};
        CHECK(omb_SetFrameStep(1) == -2);
        CHECK(omb_CanselFrameStep() == -2);
        CHECK(omb_CanFrameStep(0) == -2);
        CHECK(world.log.empty());
    }
}
