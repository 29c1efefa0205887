// omb_Test against fake graph objects, with the message box replaced: the
// graph it builds, that it plays while the box is up, that it leaves no
// reference and no trace in the Player, and that the caller's COM and x87
// control word stay.
#include <doctest.h>

#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/dialogs.h"
#include "player_fixture.h"
#include "x87.h"

using testing::FakePlayer;
using testing::graphFieldsEmpty;
using Lines = std::vector<std::string>;
using fakes::Call;

namespace {

struct BoxCall {
    int calls = 0;
    HWND owner = reinterpret_cast<HWND>(1);
    std::wstring text, caption;
    UINT type = 99;
    OAFilterState graphState = -1;
    int seekingWhileUp = 0; // what an export sees of the self-test's graph
    HRESULT apartment = E_FAIL;
    std::uint16_t x87ControlWord = 0; // what the host's messages run under
};
BoxCall box;

int WINAPI standInBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    ++box.calls;
    box.owner = owner;
    box.text = text ? text : L"(null)";
    box.caption = caption ? caption : L"(null)";
    box.type = type;
    fakes::World& world = fakes::World::current();
    // The most recent graph is the self-test's.
    if (fakes::FakeGraph* graph = world.graph())
        box.graphState = graph->state;
    box.seekingWhileUp = omb_GetMediaSeeking(2);
    APTTYPE type_;
    APTTYPEQUALIFIER qualifier;
    box.apartment = CoGetApartmentType(&type_, &qualifier);
    box.x87ControlWord = testing::x87ControlWord();
    return IDOK;
}

struct SelfTest : FakePlayer {
    SelfTest()
    {
        box = BoxCall{};
        ombrix::platform::messageBoxFn = standInBox;
    }
    ~SelfTest() { ombrix::platform::messageBoxFn = saved; }
    ombrix::platform::MessageBoxFn saved = ombrix::platform::messageBoxFn;
};

Lines building(const fakes::World& world)
{
    Lines out;
    for (const std::string& line : world.log)
        if (line.rfind("create ", 0) == 0 || line.rfind("graph.", 0) == 0 || line.rfind("builder.", 0) == 0)
            out.push_back(line);
    return out;
}

DWORD WINAPI selfTestInMta(void* result)
{
    auto* codes = static_cast<HRESULT*>(result);
    codes[0] = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    omb_Test();
    // Still in the multithreaded apartment: a second initialisation is counted.
    codes[1] = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(codes[1]))
        CoUninitialize();
    if (SUCCEEDED(codes[0]))
        CoUninitialize();
    return 0;
}

DWORD WINAPI selfTestWithoutCom(void* result)
{
    auto* codes = static_cast<HRESULT*>(result);
    omb_Test();
    // Not initialised any more: this is a first initialisation again.
    codes[0] = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(codes[0]))
        CoUninitialize();
    return 0;
}

void runOnThread(LPTHREAD_START_ROUTINE body, HRESULT* codes)
{
    HANDLE thread = CreateThread(nullptr, 0, body, codes, 0, nullptr);
    REQUIRE(thread);
    CHECK(WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0);
    CloseHandle(thread);
}

} // namespace

TEST_CASE_FIXTURE(SelfTest, "omb_Test builds its graph, plays it while the box is up and lets it all go")
{
    CHECK(omb_Test() == 0);
    CHECK(building(world) ==
          Lines{"create graph ctx=3 IGraphBuilder", "create vmr9 ctx=1 IBaseFilter",
                "graph.AddFilter(vmr9, \"VMR9\")", "graph.AddSourceFilter(\"D:\\root\\selftest.3gp\", \"Source\")",
                "create dsound ctx=1 IBaseFilter", "graph.AddFilter(dsound, \"DirectSound Renderer\")",
                "create builder ctx=3 ICaptureGraphBuilder2", "builder.SetFiltergraph(graph)",
                "builder.RenderStream(null, null, source, null, vmr9)",
                "builder.RenderStream(null, null, source, null, dsound)", "graph.Run()", "graph.Stop()"});
    REQUIRE(box.calls == 1);
    CHECK(box.owner == nullptr);
    CHECK(box.text == L"Block Execution");
    CHECK(box.caption == L"Block");
    CHECK(box.type == MB_OK);
    CHECK(box.graphState == State_Running);
    CHECK(box.seekingWhileUp == -1); // the exports never see the self-test's graph
    CHECK(world.outstanding().empty());
    CHECK(graphFieldsEmpty(p));
    CHECK(p.playState == 0);
}

TEST_CASE_FIXTURE(SelfTest, "whatever fails, the box is shown and omb_Test returns 0")
{
    SUBCASE("no file at the fixed path")
    {
        world.failures[Call::graph_AddSourceFilter] = VFW_E_NOT_FOUND;
        CHECK(omb_Test() == 0);
        CHECK(world.calls("builder.RenderStream").empty());
        CHECK(world.calls("graph.Run").size() == 1);
    }
    SUBCASE("no filter graph manager")
    {
        world.failures[Call::create_graph] = REGDB_E_CLASSNOTREG;
        CHECK(omb_Test() == 0);
        CHECK(world.log == Lines{"create graph ctx=3 IGraphBuilder"});
    }
    SUBCASE("no renderers and no capture graph builder")
    {
        world.failures[Call::create_vmr9] = E_FAIL;
        world.failures[Call::create_dsound] = E_FAIL;
        world.failures[Call::create_builder] = E_FAIL;
        CHECK(omb_Test() == 0);
        CHECK(world.calls("graph.AddFilter").empty());
        CHECK(world.calls("builder.").empty());
    }
    SUBCASE("a graph without IMediaControl")
    {
        world.lacking[fakes::Fake::graph] = {IID_IMediaControl};
        CHECK(omb_Test() == 0);
        CHECK(world.calls("graph.Run").empty());
    }
    CHECK(box.calls == 1);
    CHECK(world.outstanding().empty());
    CHECK(graphFieldsEmpty(p));
}

TEST_CASE_FIXTURE(SelfTest, "an open player keeps its graph and fields untouched")
{
    REQUIRE(omb_Open("C:\\media\\clip.avi", OpenMode_Vmr9, 0, 1, 1) == 0);
    IGraphBuilder* graph = p.graph.Get();
    IMediaControl* control = p.mediaControl.Get();
    ICaptureGraphBuilder2* builder = p.captureBuilder.Get();
    IBaseFilter* audio = p.audioRenderer.Get();
    fakes::FakeGraph* playerGraph = world.graph();
    LONG refs = playerGraph->refs;

    CHECK(omb_Test() == 0);
    CHECK(box.calls == 1);
    CHECK(box.seekingWhileUp == 100000); // the exports still see the player's graph
    CHECK(p.graph.Get() == graph);
    CHECK(p.mediaControl.Get() == control);
    CHECK(p.captureBuilder.Get() == builder);
    CHECK(p.audioRenderer.Get() == audio);
    CHECK(p.playState == 1);
    CHECK(playerGraph->refs == refs);
    CHECK(playerGraph->state == State_Stopped);
    CHECK(world.graph() != playerGraph);
    CHECK(world.graph()->refs == 0); // the self-test's graph is gone
}

TEST_CASE_FIXTURE(SelfTest, "the caller's COM initialisation is kept")
{
    SUBCASE("the host's single-threaded apartment")
    {
        CHECK(omb_Test() == 0);
        CHECK(box.apartment == S_OK);
        HRESULT again = CoInitialize(nullptr);
        CHECK(again == S_FALSE); // still initialised by the test's main()
        if (SUCCEEDED(again))
            CoUninitialize();
    }
    SUBCASE("a multithreaded apartment is neither changed nor ended")
    {
        HRESULT codes[2] = {E_FAIL, E_FAIL};
        runOnThread(selfTestInMta, codes);
        CHECK(codes[0] == S_OK);
        CHECK(codes[1] == S_FALSE);
        CHECK(box.apartment == S_OK);
    }
    SUBCASE("a thread without COM gets it for the call only")
    {
        HRESULT codes[1] = {E_FAIL};
        runOnThread(selfTestWithoutCom, codes);
        CHECK(box.apartment == S_OK);
        CHECK(codes[0] == S_OK);
    }
    CHECK(box.calls == 1);
}

TEST_CASE_FIXTURE(SelfTest, "the host's x87 control word is kept, and is the one the box runs under")
{
    // A host at 64-bit precision (MinGW's and Delphi's start-up), and a step
    // that leaves 24-bit precision behind as the VMR-9's Direct3D device does.
    struct Row {
        const char* step;
        Call call;
    };
    const Row rows[] = {
        {"connecting the VMR-9", Call::builder_RenderStream},
        {"running the graph", Call::graph_Run},
        {"stopping the graph after the box", Call::graph_Stop},
    };
    testing::ScopedX87Precision host(testing::X87Precision::Bits64);
    const std::uint16_t hostWord = testing::x87ControlWord();
    for (const Row& row : rows) {
        const std::string step = row.step;
        CAPTURE(step);
        world.x87Words = {{row.call, static_cast<std::uint16_t>(hostWord & ~0x300)}};
        box = BoxCall{};
        CHECK(omb_Test() == 0);
        CHECK(box.x87ControlWord == hostWord);
        CHECK(testing::x87ControlWord() == hostWord);
        testing::setX87ControlWord(hostWord);
    }
}
