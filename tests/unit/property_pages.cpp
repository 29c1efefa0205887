// omb_FillterProp against a fake graph, with the property frame replaced:
// what the frame gets, which pages it gets, and what is freed and released.
#include <doctest.h>

#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/dialogs.h"
#include "platform/ids.h"
#include "player_fixture.h"
#include "test_page.h"

using testing::FakePlayer;
using testing::kTestPageClsid;
using Lines = std::vector<std::string>;
using fakes::Call;
using fakes::Quirk;

namespace {

// What the stand-in frame was given, and the world as it was while it was up.
struct FrameCall {
    int calls = 0;
    HWND owner = nullptr;
    UINT x = 99, y = 99;
    std::wstring caption;
    std::string object;
    ULONG objectCount = 0;
    std::vector<CLSID> pages;
    LCID locale = 99;
    DWORD reserved = 99;
    void* reservedPointer = &calls;
    LONG filterRefs = 0;
    size_t livePageArrays = 0;
};
FrameCall frame;

HRESULT WINAPI standInFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount, LPUNKNOWN* objects,
                            ULONG pageCount, LPCLSID pages, LCID locale, DWORD reserved, LPVOID reservedPointer)
{
    fakes::World& world = fakes::World::current();
    ++frame.calls;
    frame.owner = owner;
    frame.x = x;
    frame.y = y;
    frame.caption = caption ? caption : L"(null)";
    frame.objectCount = objectCount;
    frame.object = world.nameOf(objects ? objects[0] : nullptr);
    frame.pages.assign(pages, pages + pageCount);
    frame.locale = locale;
    frame.reserved = reserved;
    frame.reservedPointer = reservedPointer;
    frame.filterRefs = world.filter("vmr9")->refs;
    frame.livePageArrays = world.livePageArrays();
    return S_OK;
}

struct OpenWithPages : FakePlayer {
    OpenWithPages()
    {
        REQUIRE(pageClass.registered());
        frame = FrameCall{};
        ombrix::platform::propertyFrameFn = standInFrame;
        world.realClasses.push_back(kTestPageClsid);
    }
    ~OpenWithPages() { ombrix::platform::propertyFrameFn = saved; }

    void open()
    {
        REQUIRE(omb_Open("C:\\media\\clip.avi", OpenMode_Vmr9, 0, 1, 1) == 0);
        world.clearLog();
    }

    testing::TestPageClass pageClass;
    ombrix::platform::PropertyFrameFn saved = ombrix::platform::propertyFrameFn;
};

// {0D3B6F1E-5C2A-4E77-9A61-3C2F4B8E9D10}: registered nowhere.
constexpr CLSID kUnregistered = {0x0D3B6F1E, 0x5C2A, 0x4E77, {0x9A, 0x61, 0x3C, 0x2F, 0x4B, 0x8E, 0x9D, 0x10}};

} // namespace

TEST_CASE_FIXTURE(OpenWithPages, "omb_FillterProp needs an open graph")
{
    CHECK(omb_FillterProp(0, L"VMR9") == -1);
    CHECK(frame.calls == 0);
}

TEST_CASE_FIXTURE(OpenWithPages, "the frame shows the named filter, captioned with its name")
{
    world.propertyPages["vmr9"] = {kTestPageClsid};
    open();
    CHECK(omb_FillterProp(0x1234, L"VMR9") == 0);
    REQUIRE(frame.calls == 1);
    CHECK(frame.owner == reinterpret_cast<HWND>(0x1234));
    CHECK(frame.x == 0);
    CHECK(frame.y == 0);
    CHECK(frame.caption == L"VMR9");
    CHECK(frame.objectCount == 1);
    CHECK(frame.object == "vmr9");
    REQUIRE(frame.pages.size() == 1);
    CHECK(IsEqualGUID(frame.pages[0], kTestPageClsid));
    CHECK(frame.locale == 0);
    CHECK(frame.reserved == 0);
    CHECK(frame.reservedPointer == nullptr);
    // While the frame is up the filter is held by the graph, the Player's
    // vmr9Filter and the call (ISpecifyPropertyPages already given back), and
    // the page array is live.
    CHECK(frame.filterRefs == 3);
    CHECK(frame.livePageArrays == 1);

    CHECK(world.livePageArrays() == 0);
    CHECK_FALSE(p.propertyFilter);
    CHECK(world.filter("vmr9")->refs == 2);
    CHECK(pageClass.log.live == 0); // the probe's page is gone again
    CHECK(world.log == Lines{"graph.FindFilterByName(\"VMR9\")", "vmr9.QueryFilterInfo()", "vmr9.GetPages()",
                             "create {6F1B6C55-2A71-4B0E-9C1D-0B5E7A0C4E21} ctx=1 IPropertyPage (real)"});
}

TEST_CASE_FIXTURE(OpenWithPages, "pages that cannot be created are left out")
{
    SUBCASE("some remain")
    {
        world.propertyPages["vmr9"] = {ombrix::ids::CLSID_VideoRenderer, kUnregistered, kTestPageClsid};
        open();
        CHECK(omb_FillterProp(0, L"VMR9") == 0);
        REQUIRE(frame.calls == 1);
        REQUIRE(frame.pages.size() == 1);
        CHECK(IsEqualGUID(frame.pages[0], kTestPageClsid));
    }
    SUBCASE("none remain: no frame")
    {
        world.propertyPages["vmr9"] = {ombrix::ids::CLSID_VideoRenderer, kUnregistered};
        open();
        CHECK(omb_FillterProp(0, L"VMR9") == 0);
        CHECK(frame.calls == 0);
    }
    SUBCASE("an empty page list: no frame")
    {
        world.propertyPages["vmr9"] = {};
        open();
        CHECK(omb_FillterProp(0, L"VMR9") == 0);
        CHECK(frame.calls == 0);
    }
    CHECK(world.livePageArrays() == 0);
    CHECK_FALSE(p.propertyFilter);
}

TEST_CASE_FIXTURE(OpenWithPages, "nothing is shown for unknown names and filters without pages")
{
    open();
    SUBCASE("no filter of that name")
    {
        CHECK(omb_FillterProp(0, L"No Such Filter") == 0);
        CHECK(world.log == Lines{"graph.FindFilterByName(\"No Such Filter\")"});
    }
    SUBCASE("names are the graph's, case and all")
    {
        CHECK(omb_FillterProp(0, L"vmr9") == 0);
    }
    SUBCASE("a null name")
    {
        CHECK(omb_FillterProp(0, nullptr) == 0);
        CHECK(world.log.empty());
    }
    SUBCASE("filters without ISpecifyPropertyPages, as every filter on Wine")
    {
        for (const wchar_t* name : {L"VMR9", L"Source", L"DirectSound Renderer"})
            CHECK(omb_FillterProp(0, name) == 0);
        CHECK(world.calls("vmr9.").empty());
    }
    CHECK(frame.calls == 0);
    CHECK_FALSE(p.propertyFilter);
}

TEST_CASE_FIXTURE(OpenWithPages, "a failed GetPages shows nothing and frees nothing it was not given")
{
    world.propertyPages["vmr9"] = {kTestPageClsid};
    world.failures[Call::vmr9_GetPages] = E_OUTOFMEMORY;
    world.quirks.insert(Quirk::vmr9_GetPages_scribble);
    open();
    CHECK(omb_FillterProp(0, L"VMR9") == 0);
    CHECK(frame.calls == 0);
    CHECK(world.livePageArrays() == 1); // still the filter's
    CHECK(world.filter("vmr9")->refs == 2);
    CHECK_FALSE(p.propertyFilter);
}

namespace {

// A frame during which the host's messages call in again: a second
// omb_FillterProp over the first, then omb_Close.
LONG refsWhileUp = -1;
HRESULT WINAPI reenteredFrame(HWND, UINT, UINT, LPCOLESTR, ULONG, LPUNKNOWN* objects, ULONG, LPCLSID, LCID, DWORD,
                              LPVOID)
{
    static int depth = 0;
    if (++depth == 1) {
        omb_FillterProp(0, L"VMR9");
        omb_Close();
        refsWhileUp = fakes::World::current().filter("vmr9")->refs;
        objects[0]->AddRef();
        objects[0]->Release();
    }
    --depth;
    return S_OK;
}

} // namespace

TEST_CASE_FIXTURE(OpenWithPages, "the frame holds its filter while the host calls in again and closes")
{
    world.propertyPages["vmr9"] = {kTestPageClsid};
    open();
    ombrix::platform::propertyFrameFn = reenteredFrame;
    CHECK(omb_FillterProp(0, L"VMR9") == 0);
    // The Player let go; the graph (still held by the caption's FILTER_INFO)
    // keeps its member, and the outer call keeps its own.
    CHECK(refsWhileUp == 2);
    CHECK(p.playState == 0);
    CHECK(world.filter("vmr9")->refs == 0);
}
