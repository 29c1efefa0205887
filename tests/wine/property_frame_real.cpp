// omb_FillterProp with the platform's real property frame. Where no filter
// of the platform offers property pages (the gap table), the frame is shown
// for a fake filter in a fake
// graph whose page class (the tests' own page) is registered in this
// apartment; a watcher thread closes the frame. A frame whose pages cannot
// be created is never opened here: Wine shows one that nothing closes.
#include <doctest.h>

#include "dialog_watcher.h"
#include "ombrix.h"
#include "platform_gaps.h"
#include "player_fixture.h"
#include "real_player.h"
#include "test_page.h"

using testing::DialogWatcher;
using testing::FakePlayer;
using testing::kTestPageClsid;
using testing::RealPlayer;

TEST_CASE_FIXTURE(FakePlayer, "a filter with a page: the frame is captioned with its name and closes")
{
    testing::TestPageClass pageClass;
    REQUIRE(pageClass.registered());
    world.realClasses.push_back(kTestPageClsid);
    world.propertyPages["vmr9"] = {kTestPageClsid};
    REQUIRE(omb_Open("C:\\media\\clip.avi", OpenMode_Vmr9, 0, 1, 1) == 0);

    HWND owner = CreateWindowExW(0, L"STATIC", L"ombrix host", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                                 nullptr, nullptr, nullptr);
    REQUIRE(owner);
    // Wine 8's frame neither takes the owner (it comes unowned) nor disables
    // it; what the frame is given is checked with a stand-in frame.
    DialogWatcher watcher(L"VMR9", DialogWatcher::Close::WithWmClose);
    CHECK(omb_FillterProp(reinterpret_cast<omb_handle>(owner), L"VMR9") == 0);
    watcher.finish();
    DestroyWindow(owner);

    REQUIRE(watcher.found);
    INFO("frame title: " << testing::narrowText(watcher.title));
    CHECK(watcher.title.find(L"VMR9") != std::wstring::npos);
    CHECK(watcher.closed);
    CHECK(pageClass.log.activated >= 1);
    CHECK(pageClass.log.objectCount == 1);
    CHECK(world.nameOf(pageClass.log.object) == "vmr9");
    CHECK(pageClass.log.live == 0);
    CHECK(world.livePageArrays() == 0);
    CHECK_FALSE(p.propertyFilter);
}

TEST_CASE_FIXTURE(RealPlayer, "filters without pages: 0 at once, nothing shown")
{
    // With pages, the renderer's frame would wait for a user: not run here.
    if (!testing::has(testing::Gap::NoPropertyPages))
        return;
    CHECK(omb_FillterProp(0, L"VMR9") == -1);
    REQUIRE(omb_Open(media.longVideo.c_str(), OpenMode_Vmr9, 0, 1, 1) == 0);
    DWORD start = GetTickCount();
    for (const wchar_t* name : {L"VMR9", L"Source", L"DirectSound Renderer", L"No Such Filter", L"vmr9"})
        CHECK(omb_FillterProp(0, name) == 0);
    CHECK(GetTickCount() - start < 2000);
    CHECK_FALSE(p.propertyFilter);
    CHECK(omb_Close() == 0);
    CHECK(testing::graphFieldsEmpty(p));
}
