#include "player_fixture.h"

#include <doctest.h>

#include "ombrix.h"

namespace testing {

void resetPlayer()
{
    ombrix::Player& p = ombrix::player();
    if (p.isOpen())
        omb_Close();
    p.useGrabber = 0;
    p.openMode = 0;
}

FakePlayer::FakePlayer() : p(ombrix::player()) { resetPlayer(); }

FakePlayer::~FakePlayer()
{
    resetPlayer();
    std::string left;
    for (const std::string& o : world.outstanding())
        left += o + " ";
    CHECK_MESSAGE(left.empty(), "outstanding references: " << left);
    std::string unfaked;
    for (const std::string& line : world.log)
        if (line.find("(not faked)") != std::string::npos || line.find("dead object") != std::string::npos)
            unfaked += line + "; ";
    CHECK_MESSAGE(unfaked.empty(), "unexpected calls: " << unfaked);
    std::string unused;
    for (const std::string& key : checkKeysLookedUp ? world.unconsulted() : std::vector<std::string>{})
        unused += key + "; ";
    CHECK_MESSAGE(unused.empty(), "keys no fake looked up: " << unused);
}

bool graphFieldsEmpty(const ombrix::Player& p)
{
    bool parkedEmpty = true;
    for (const ombrix::WorkerRefs& refs : p.parked)
        parkedEmpty = parkedEmpty && !refs.events && !refs.graph && !refs.control;
    return !p.graph && !p.mediaControl && !p.mediaEvent && !p.sourceFilter && !p.captureBuilder &&
           !p.videoRenderer && !p.vmr7Filter && !p.vmr9Filter && !p.evrFilter && !p.audioRenderer &&
           !p.nullRenderer && !p.grabberFilter && !p.sampleGrabber && !p.videoWindow && !p.displayControl &&
           !p.frameStep && !p.mediaSeeking && !p.propertyFilter && !p.activeRenderer && !p.heldPosition &&
           !p.frameBuffer.data() && parkedEmpty;
}

std::vector<std::string> filterNames(IGraphBuilder* graph)
{
    std::vector<std::string> names;
    Microsoft::WRL::ComPtr<IEnumFilters> filters;
    if (!graph || FAILED(graph->EnumFilters(filters.GetAddressOf())))
        return names;
    Microsoft::WRL::ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        FILTER_INFO info{};
        if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
            names.push_back(fakes::narrow(info.achName));
            if (info.pGraph)
                info.pGraph->Release();
        }
    }
    return names;
}

} // namespace testing
