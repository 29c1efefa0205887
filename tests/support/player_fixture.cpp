#include "player_fixture.h"

#include <doctest.h>

#include "ombrix.h"

namespace testing {

void resetPlayer()
{
    for (int i = ombrix::kPlayers - 1; i >= 0; --i) {
        ombrix::selectPlayer(i);
        ombrix::Player& p = ombrix::player();
        if (p.isOpen())
            omb_Close();
        p.useGrabber = 0;
        p.openMode = 0;
    }
    omb_UseUTF8(0);
}

FakePlayer::FakePlayer() : p((resetPlayer(), ombrix::playerAt(0))) {}

FakePlayer::~FakePlayer()
{
    resetPlayer();
    for (int i = 0; i < ombrix::kPlayers; ++i) {
        const char* broken = ombrix::playerAt(i).gate.consistent(ombrix::playerAt(i));
        CHECK_MESSAGE(broken == nullptr, "player " << i << ": " << (broken ? broken : ""));
    }
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
    // The gate's check covers every field of a graph and what is kept for it.
    return !p.isOpen() && p.gate.consistent(p) == nullptr && !p.gate.state().parked;
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
