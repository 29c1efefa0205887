// omb_Test on Wine's real DirectShow. CTest maps the prefix's drive D: to a
// folder of the build tree; the test puts a playable clip at the fixed path
// or takes it away. A watcher thread closes the message box, after checking
// (while it is up) that the graph plays.
#include <doctest.h>

#include <string>
#include <vector>

#include "dialog_watcher.h"
#include "media.h"
#include "ombrix.h"
#include "platform/com.h"
#include "platform/ids.h"
#include "platform_gaps.h"
#include "real_player.h"

using Microsoft::WRL::ComPtr;
using testing::DialogWatcher;
using testing::RealPlayer;

namespace {

const char* const kSelfTestFile = "D:\\root\\selftest.3gp";

// Every object the library creates, with one reference of the test's own, so
// that the test can see afterwards that the library gave all of its back.
struct Created {
    CLSID clsid;
    IUnknown* object;
};
std::vector<Created> created;

HRESULT WINAPI keepingCreate(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out)
{
    HRESULT hr = CoCreateInstance(clsid, outer, context, iid, out);
    if (SUCCEEDED(hr) && *out) {
        auto* object = static_cast<IUnknown*>(*out);
        object->AddRef();
        created.push_back({clsid, object});
    }
    return hr;
}

struct KeepCreated : RealPlayer {
    KeepCreated()
    {
        created.clear();
        ombrix::platform::createInstanceFn = keepingCreate;
    }
    ~KeepCreated() { ombrix::platform::createInstanceFn = saved; }

    IUnknown* made(REFCLSID clsid) const
    {
        for (const Created& c : created)
            if (IsEqualGUID(c.clsid, clsid))
                return c.object;
        return nullptr;
    }

    // Gives back the test's references, users of the graph first, and
    // returns what each object had left: all zero when the library kept none.
    std::vector<ULONG> releaseAll()
    {
        std::vector<ULONG> left;
        for (const CLSID* first : {&ombrix::ids::CLSID_CaptureGraphBuilder2, &ombrix::ids::CLSID_FilterGraph})
            for (Created& c : created)
                if (c.object && IsEqualGUID(c.clsid, *first)) {
                    left.push_back(c.object->Release());
                    c.object = nullptr;
                }
        for (Created& c : created)
            if (c.object) {
                left.push_back(c.object->Release());
                c.object = nullptr;
            }
        return left;
    }

    ombrix::platform::CreateInstanceFn saved = ombrix::platform::createInstanceFn;
};

bool pinConnected(IGraphBuilder* graph, const wchar_t* filterName)
{
    ComPtr<IBaseFilter> filter;
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> pin, peer;
    if (FAILED(graph->FindFilterByName(filterName, filter.GetAddressOf())) ||
        FAILED(filter->EnumPins(pins.GetAddressOf())))
        return false;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK)
        if (SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())))
            return true;
    return false;
}

// What the watcher saw of the self-test's graph while the box was up.
struct Playback {
    std::vector<std::string> filters;
    bool videoConnected = false, audioConnected = false;
    OAFilterState state = -1;
    LONGLONG position = -1;
};

void observe(IUnknown* graphObject, Playback& seen)
{
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    if (!graphObject ||
        FAILED(graphObject->QueryInterface(ombrix::ids::IID_IGraphBuilder,
                                           reinterpret_cast<void**>(graph.GetAddressOf()))) ||
        FAILED(graph->QueryInterface(ombrix::ids::IID_IMediaControl,
                                     reinterpret_cast<void**>(control.GetAddressOf()))) ||
        FAILED(graph->QueryInterface(ombrix::ids::IID_IMediaSeeking,
                                     reinterpret_cast<void**>(seeking.GetAddressOf()))))
        return;
    seen.filters = testing::filterNames(graph.Get());
    seen.videoConnected = pinConnected(graph.Get(), L"VMR9");
    seen.audioConnected = pinConnected(graph.Get(), L"DirectSound Renderer");
    // Played for a fifth of a second at least (the clip lasts two), within
    // 5 s, or where the VMR-9's clock starts late (the gap table) 30 s.
    const DWORD limit = testing::expect<DWORD>(testing::Gap::Vmr9LateStart, 30000, 5000);
    for (DWORD start = GetTickCount(); GetTickCount() - start < limit; Sleep(20)) {
        control->GetState(0, &seen.state);
        seeking->GetCurrentPosition(&seen.position);
        if (seen.state == State_Running && seen.position >= 2000000)
            break;
    }
}

bool contains(const std::vector<std::wstring>& texts, const std::wstring& text)
{
    for (const std::wstring& t : texts)
        if (t == text)
            return true;
    return false;
}

} // namespace

TEST_CASE_FIXTURE(KeepCreated, "no file at the fixed path: the box still comes, and omb_Test returns 0")
{
    DeleteFileA(kSelfTestFile);
    DialogWatcher watcher(L"Block", DialogWatcher::Close::WithOkButton);
    CHECK(omb_Test() == 0);
    watcher.finish();
    REQUIRE(watcher.found);
    CHECK(watcher.title == L"Block");
    CHECK(contains(watcher.texts, L"Block Execution"));
    CHECK(watcher.closed);
    CHECK_FALSE(made(ombrix::ids::CLSID_CaptureGraphBuilder2) == nullptr);
    for (ULONG left : releaseAll())
        CHECK(left == 0);
    CHECK(testing::graphFieldsEmpty(p));
}

TEST_CASE_FIXTURE(KeepCreated, "a clip at the fixed path plays through the VMR-9 and DirectSound while the box is up")
{
    REQUIRE_MESSAGE(GetFileAttributesA("D:\\root") != INVALID_FILE_ATTRIBUTES,
                    "drive D: is not mapped (CTest's drive_d fixture maps it)");
    media::Clip clip;
    clip.audio = true;
    media::writeAvi(kSelfTestFile, clip);

    Playback seen;
    DialogWatcher watcher(L"Block", DialogWatcher::Close::WithOkButton,
                          [&](HWND) { observe(made(ombrix::ids::CLSID_FilterGraph), seen); });
    CHECK(omb_Test() == 0);
    watcher.finish();
    REQUIRE(watcher.found);
    CHECK(watcher.closed);
    CHECK(testing::count(seen.filters, "VMR9") == 1);
    CHECK(testing::count(seen.filters, "Source") == 1);
    CHECK(testing::count(seen.filters, "DirectSound Renderer") == 1);
    CHECK(seen.videoConnected);
    CHECK(seen.audioConnected);
    CHECK(seen.state == State_Running);
    CHECK(seen.position >= 2000000);
    for (ULONG left : releaseAll())
        CHECK(left == 0);
    CHECK(testing::graphFieldsEmpty(p));
    DeleteFileA(kSelfTestFile);
}
