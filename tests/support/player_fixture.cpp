#include "player_fixture.h"

#include <doctest.h>

#include <cstring>
#include <new>

#include "ombrix.h"
#include "platform/media_foundation.h"

namespace testing {
namespace {

FakePlayer* current = nullptr;

HRESULT openFakeReader(const wchar_t* path, IMFSourceReader** out)
{
    *out = nullptr;
    if (current->readerAnswers)
        WaitForSingleObject(current->readerAnswers, INFINITE);
    current->readerOpens.push_back(path);
    if (!current->reader)
        return static_cast<HRESULT>(0xC00D36C4); // MF_E_UNSUPPORTED_BYTESTREAM_TYPE
    current->reader->AddRef();
    *out = current->reader;
    return S_OK;
}

} // namespace

void resetPlayer()
{
    for (int i = ombrix::kPlayers - 1; i >= 0; --i) {
        ombrix::selectPlayer(i);
        ombrix::Player& p = ombrix::player();
        if (p.isOpen())
            omb_Close();
        p.useGrabber = 0;
        p.openMode = 0;
        p.sourcePolicy = OMB_SOURCE_DIRECTSHOW_THEN_MF;
    }
    omb_UseUTF8(0);
}

FakePlayer::FakePlayer() : p((resetPlayer(), ombrix::playerAt(0)))
{
    current = this;
    ombrix::platform::sourceReaderFactory = openFakeReader;
}

FakePlayer::~FakePlayer()
{
    resetPlayer();
    ombrix::platform::sourceReaderFactory = ombrix::platform::openSourceReader;
    current = nullptr;
    for (int i = 0; i < ombrix::kPlayers; ++i) {
        const char* broken = ombrix::playerAt(i).gate.consistent(ombrix::playerAt(i));
        CHECK_MESSAGE(broken == nullptr, "player " << i << ": " << (broken ? broken : ""));
        CHECK_MESSAGE(graphFieldsEmpty(ombrix::playerAt(i)), "player " << i << " keeps something of a graph");
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
    // Judged without naming a field: the player's graph part has the bytes
    // of a new one (made, like the players, in zeroed storage), so a field
    // that survives a teardown shows whatever its type.
    alignas(ombrix::OpenGraph) static unsigned char storage[sizeof(ombrix::OpenGraph)];
    std::memset(storage, 0, sizeof storage);
    auto* empty = new (storage) ombrix::OpenGraph;
    const bool same = std::memcmp(static_cast<const ombrix::OpenGraph*>(&p), empty, sizeof storage) == 0;
    empty->~OpenGraph();
    return same && !p.isOpen() && p.gate.consistent(p) == nullptr && !p.gate.state().parked;
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
