// omb_Open and omb_Close against fake graph objects: exact creation, naming
// and rendering sequences, every failure code, clean-up and references.
#include <doctest.h>

#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/ids.h"
#include "player/graph_builder.h"
#include "player_fixture.h"

using testing::FakePlayer;
using testing::graphFieldsEmpty;
using Lines = std::vector<std::string>;
using fakes::Call;
using fakes::Quirk;

namespace {

const char* const kFile = "C:\\media\\clip.avi";

// The log without QueryInterface noise: creations, graph and builder calls.
Lines building(const fakes::World& world)
{
    Lines out;
    for (const std::string& line : world.log)
        if (line.rfind("create ", 0) == 0 || line.rfind("graph.", 0) == 0 || line.rfind("builder.", 0) == 0 ||
            line.rfind("grabber.", 0) == 0 || line.find(".Set") != std::string::npos ||
            line.find(".FindPin") != std::string::npos)
            out.push_back(line);
    return out;
}

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "omb_Open checks state and mode before it does anything")
{
    p.openMode = 3;
    CHECK(omb_Open(kFile, -1, 0, 0, 0) == -2);
    CHECK(omb_Open(kFile, 7, 0, 0, 0) == -2);
    CHECK(p.openMode == 3);
    CHECK(world.log.empty());

    REQUIRE(omb_Open(kFile, OpenMode_NullVideo, 0, 0, 0) == 0);
    CHECK(p.playState == 1);
    CHECK(p.openMode == 6);
    IGraphBuilder* first = p.graph.Get();
    size_t calls = world.log.size();
    CHECK(omb_Open(kFile, OpenMode_VideoRenderer, 0, 0, 0) == -1);
    CHECK(world.log.size() == calls);
    CHECK(p.graph.Get() == first);
    CHECK(p.openMode == 6);
    CHECK(p.nullRenderer);

    CHECK(omb_Close() == 0);
    CHECK(omb_Close() == -1);
    CHECK(graphFieldsEmpty(p));
    CHECK(p.openMode == 6);
}

TEST_CASE_FIXTURE(FakePlayer, "each mode creates, names and renders its filters in order")
{
    const std::string source = "graph.AddSourceFilter(\"C:\\media\\clip.avi\", \"Source\")";
    const std::string builder = "create builder ctx=3 ICaptureGraphBuilder2";
    const std::string setGraph = "builder.SetFiltergraph(graph)";
    auto render = [](const char* sink) { return std::string("builder.RenderStream(null, null, source, null, ") + sink + ")"; };
    const std::string graph = "create graph ctx=3 IGraphBuilder";

    SUBCASE("mode 0 renders the file itself")
    {
        REQUIRE(omb_Open(kFile, 0, 0, 0, 0) == 0);
        CHECK(building(world) == Lines{graph, "graph.RenderFile(\"C:\\media\\clip.avi\")"});
        CHECK_FALSE(p.sourceFilter);
        CHECK_FALSE(p.captureBuilder);
        CHECK_FALSE(p.audioRenderer);
    }
    SUBCASE("mode 1: Video Renderer")
    {
        REQUIRE(omb_Open(kFile, 1, 0, 0, 0) == 0);
        CHECK(building(world) ==
              Lines{graph, "create dsound ctx=1 IBaseFilter", "create vr ctx=1 IBaseFilter",
                    "graph.AddFilter(vr, \"Video Renderer\")", "graph.AddFilter(dsound, \"DirectSound Renderer\")",
                    source, builder, setGraph, render("vr"), render("dsound")});
        CHECK(p.videoRenderer);
    }
    SUBCASE("mode 2: VMR-7 configured, then checked for its Output pin")
    {
        REQUIRE(omb_Open(kFile, 2, 0, 1, 4) == 0);
        CHECK(building(world) ==
              Lines{graph, "create vmr7 ctx=1 IBaseFilter", "create dsound ctx=1 IBaseFilter",
                    "vmr7.SetRenderingMode(1)", "vmr7.SetNumberOfStreams(4)", "graph.AddFilter(vmr7, \"VMR\")",
                    "graph.AddFilter(dsound, \"DirectSound Renderer\")", source, "source.FindPin(\"Output\")",
                    builder, setGraph, render("vmr7"), render("dsound")});
        CHECK(p.vmr7Filter);
    }
    SUBCASE("mode 3: VMR-9 configured with the values unchanged")
    {
        REQUIRE(omb_Open(kFile, 3, 0, -1, 0x10000) == 0);
        CHECK(building(world) ==
              Lines{graph, "create vmr9 ctx=1 IBaseFilter", "create dsound ctx=1 IBaseFilter",
                    "vmr9.SetRenderingMode(4294967295)", "vmr9.SetNumberOfStreams(65536)",
                    "graph.AddFilter(vmr9, \"VMR9\")", "graph.AddFilter(dsound, \"DirectSound Renderer\")", source,
                    builder, setGraph, render("vmr9"), render("dsound")});
        CHECK(p.vmr9Filter);
    }
    SUBCASE("mode 4: Enhanced Video Renderer")
    {
        REQUIRE(omb_Open(kFile, 4, 0, 2, 2) == 0);
        CHECK(building(world) ==
              Lines{graph, "create evr ctx=1 IBaseFilter", "create dsound ctx=1 IBaseFilter",
                    "graph.AddFilter(evr, \"Enhanced Video Renderer\")",
                    "graph.AddFilter(dsound, \"DirectSound Renderer\")", source, builder, setGraph, render("evr"),
                    render("dsound")});
        CHECK(p.evrFilter);
    }
    SUBCASE("mode 5: audio only")
    {
        REQUIRE(omb_Open(kFile, 5, 0, 1, 1) == 0);
        CHECK(building(world) == Lines{graph, "create dsound ctx=1 IBaseFilter",
                                       "graph.AddFilter(dsound, \"DirectSound Renderer\")", source, builder,
                                       setGraph, render("dsound")});
    }
    SUBCASE("mode 6: Null Renderer")
    {
        REQUIRE(omb_Open(kFile, 6, 0, 0, 0) == 0);
        CHECK(building(world) ==
              Lines{graph, "create dsound ctx=1 IBaseFilter", "create null ctx=1 IBaseFilter",
                    "graph.AddFilter(null, \"Renderer\")", "graph.AddFilter(dsound, \"DirectSound Renderer\")",
                    source, builder, setGraph, render("null"), render("dsound")});
        CHECK(p.nullRenderer);
    }
    CHECK(p.playState == 1);
    CHECK(world.graph()->state == State_Stopped); // built, not started
    CHECK(world.calls("graph.Run").empty());
}

TEST_CASE_FIXTURE(FakePlayer, "a Sample Grabber joins the graph first when asked for")
{
    p.useGrabber = 1;
    int mode = 0;
    SUBCASE("mode 0") { mode = 0; }
    SUBCASE("mode 3") { mode = 3; }
    SUBCASE("mode 5 adds one too") { mode = 5; }
    REQUIRE(omb_Open(kFile, mode, 0, 0, 0) == 0);
    Lines log = building(world);
    REQUIRE(log.size() > 4);
    CHECK(log[1] == "create grabber ctx=3 IBaseFilter");
    CHECK(log[2] == "grabber.SetMediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 0, 0)");
    CHECK(log[3] == "graph.AddFilter(grabber, \"Sample Grabber\")");
    CHECK(log.back() == "grabber.GetConnectedMediaType()");
    CHECK(p.grabberFilter);
    CHECK(p.sampleGrabber);
    CHECK(world.graph()->holds("grabber"));
    if (mode != 5) {
        // The connected type replaced the requested one.
        CHECK(p.grabberMediaType.lSampleSize == 64u * 48u * 3u);
        REQUIRE(p.grabberMediaType.pbFormat);
        CHECK(reinterpret_cast<VIDEOINFOHEADER*>(p.grabberMediaType.pbFormat)->bmiHeader.biWidth == 64);
        CHECK(world.liveFormatBlocks() == 1);
    }
    CHECK(omb_Close() == 0);
    CHECK(world.liveFormatBlocks() == 0);
    CHECK(p.grabberMediaType.pbFormat == nullptr);
    CHECK(p.useGrabber == 1); // kept for the next open
}

TEST_CASE_FIXTURE(FakePlayer, "repeated opens with a grabber keep one format block at most")
{
    p.useGrabber = 1;
    for (int i = 0; i < 3; ++i) {
        REQUIRE(omb_Open(kFile, 1, 0, 0, 0) == 0);
        CHECK(world.liveFormatBlocks() == 1);
        REQUIRE(omb_Close() == 0);
        CHECK(world.liveFormatBlocks() == 0);
    }
    CHECK(world.calls("create grabber").size() == 3);
}

TEST_CASE_FIXTURE(FakePlayer, "without a grabber request no grabber is made")
{
    p.useGrabber = 0;
    REQUIRE(omb_Open(kFile, 0, 0, 0, 0) == 0);
    CHECK(world.calls("create grabber").empty());
    CHECK(world.calls("grabber.").empty());
}

TEST_CASE_FIXTURE(FakePlayer, "every failure of omb_Open leaves the Player as it was")
{
    p.useGrabber = 1;
    int mode = 0, expected = 0;
    SUBCASE("mode 0: RenderFile fails")
    {
        mode = 0, expected = -4;
        world.failures[Call::graph_RenderFile] = VFW_E_CANNOT_RENDER;
    }
    SUBCASE("mode 0: a partial success counts as failure")
    {
        mode = 0, expected = -4;
        world.failures[Call::graph_RenderFile] = VFW_S_PARTIAL_RENDER;
    }
    SUBCASE("mode 0: a null file name never reaches RenderFile")
    {
        mode = 0, expected = -6;
        world.failures[Call::graph_RenderFile] = E_POINTER;
    }
    for (int m = 1; m <= 6; ++m)
        SUBCASE(("no source filter in mode " + std::to_string(m)).c_str())
        {
            mode = m, expected = -4;
            world.failures[Call::graph_AddSourceFilter] = VFW_E_NOT_FOUND;
        }
    SUBCASE("AddSourceFilter succeeds without a filter")
    {
        mode = 3, expected = -4;
        world.quirks.insert(Quirk::graph_AddSourceFilter_null);
    }
    SUBCASE("AddSourceFilter gives S_FALSE")
    {
        mode = 1, expected = -4;
        world.failures[Call::graph_AddSourceFilter] = S_FALSE;
    }
    SUBCASE("mode 2: the source has no Output pin")
    {
        mode = 2, expected = -5;
        world.failures[Call::source_FindPin] = VFW_E_NOT_FOUND;
    }
    SUBCASE("mode 4: the EVR cannot be created")
    {
        mode = 4, expected = -1;
        world.failures[Call::create_evr] = REGDB_E_CLASSNOTREG;
    }
    SUBCASE("mode 4: the EVR cannot be added")
    {
        mode = 4, expected = -2;
        world.failures[Call::graph_AddFilter] = E_FAIL;
    }
    SUBCASE("no filter graph manager")
    {
        mode = 1, expected = -7;
        world.failures[Call::create_graph] = REGDB_E_CLASSNOTREG;
    }
    SUBCASE("no capture graph builder")
    {
        mode = 6, expected = -7;
        world.failures[Call::create_builder] = E_OUTOFMEMORY;
    }
    const char* name = expected == -6 && mode == 0 && world.failures[Call::graph_RenderFile] == E_POINTER ? nullptr : kFile;
    CHECK(omb_Open(name, mode, 0, 0, 0) == expected);
    CHECK(p.playState == 0);
    CHECK(p.openMode == mode);
    CHECK(graphFieldsEmpty(p));
    CHECK(world.liveFormatBlocks() == 0);
    CHECK(world.calls("builder.RenderStream").size() <= 2);
    // Nothing failed in a way that keeps the next open from working.
    world.failures.clear();
    world.quirks.clear();
    CHECK(omb_Open(kFile, mode, 0, 0, 0) == 0);
}

TEST_CASE_FIXTURE(FakePlayer, "a null, empty or overlong file name in every mode is refused before a graph is made")
{
    const std::string overlong(32768, 'a');
    const std::wstring overlongW(32768, L'a');
    for (int mode = 0; mode <= 6; ++mode) {
        CAPTURE(mode);
        const int codes[] = {omb_Open(nullptr, mode, 0, 0, 0), omb_Open("", mode, 0, 0, 0),
                             omb_Open(overlong.c_str(), mode, 0, 0, 0), omb_OpenW(nullptr, mode, 0, 0, 0),
                             omb_OpenW(L"", mode, 0, 0, 0), omb_OpenW(overlongW.c_str(), mode, 0, 0, 0)};
        for (int code : codes)
            CHECK(code == -6);
        CHECK(graphFieldsEmpty(p));
        CHECK(world.log.empty());
    }
    // The longest path the platform opens still reaches it.
    CHECK(omb_Open(overlong.c_str() + 1, 5, 0, 0, 0) == 0);
    CHECK(omb_Close() == 0);
    CHECK(omb_OpenW(overlongW.c_str() + 1, 5, 0, 0, 0) == 0);
}

namespace {

// The host's code page for one scope: through omb_UseUTF8 for the two it
// switches between, set inside for any other; the process's again after the
// scope, on every path.
struct HostCodePage {
    explicit HostCodePage(UINT codePage)
    {
        if (codePage == CP_ACP || codePage == CP_UTF8)
            CHECK(omb_UseUTF8(codePage == CP_UTF8 ? 7 : 0) == 0);
        else
            ombrix::setHostCodePage(codePage);
    }
    ~HostCodePage() { omb_UseUTF8(0); }
    HostCodePage(const HostCodePage&) = delete;
    HostCodePage& operator=(const HostCodePage&) = delete;
};

// `count` times `piece` between "C:\" and ".avi".
std::string repeatedName(size_t count, const std::string& piece)
{
    std::string name = "C:\\";
    for (size_t i = 0; i < count; ++i)
        name += piece;
    return name + ".avi";
}

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "file names reach the graph converted from the host's encoding, or are refused")
{
    // "\xE9" is \u00e9 in code page 1252, Wine's default ANSI code page here;
    // the fakes log what reaches them as UTF-8. Code page 932 stands for a
    // process whose ANSI code page has double-byte characters.
    REQUIRE(GetACP() == 1252);
    REQUIRE(IsValidCodePage(932));
    // "C:\" and ".avi" are 7 UTF-16 units; the rest of a name of the longest
    // length is 32760 units: Japanese characters of 3 UTF-8 bytes and 1 unit,
    // or emoji of 4 bytes and 2 units (a surrogate pair).
    const std::string kanji = "\xE6\x98\xA0", emoji = "\xF0\x9F\x8E\xAC";
    const std::string longest = repeatedName(32760, kanji), longestPairs = repeatedName(16380, emoji);
    const std::string kanjiOver = repeatedName(32761, kanji), pairsOver = repeatedName(16380, emoji) + "x";
    struct Row {
        UINT codePage; // CP_ACP and CP_UTF8 through omb_UseUTF8
        const char* name;
        const char* reached; // null: refused with -6
    };
    const Row rows[] = {
        {CP_ACP, "C:\\caf\xE9.avi", "C:\\caf\xC3\xA9.avi"},
        {CP_UTF8, "C:\\caf\xC3\xA9.avi", "C:\\caf\xC3\xA9.avi"},
        // Cyrillic, Japanese and an emoji (a surrogate pair), none of them in 1252.
        {CP_UTF8, "C:\\\xD0\x9F\xE6\x98\xA0\xF0\x9F\x8E\xAC.avi", "C:\\\xD0\x9F\xE6\x98\xA0\xF0\x9F\x8E\xAC.avi"},
        {CP_UTF8, "C:\\caf\xE9.avi", nullptr},            // 1252 bytes are not UTF-8
        {CP_UTF8, "C:\\\xED\xA0\x80.avi", nullptr},      // an encoded surrogate
        {CP_UTF8, "C:\\\xF0\x9F\x8E.avi", nullptr},      // a cut sequence
        // The limit counts UTF-16 units, not bytes (98,287 and 65,531 of them
        // here) nor characters (16,387 in the second).
        {CP_UTF8, longest.c_str(), longest.c_str()},
        {CP_UTF8, longestPairs.c_str(), longestPairs.c_str()},
        {CP_UTF8, kanjiOver.c_str(), nullptr},
        {CP_UTF8, pairsOver.c_str(), nullptr},
        // Double-byte code page 932: a pair whose trail byte is '\' converts
        // whole; a lead byte without a valid trail byte is refused, not
        // replaced by the code page's default character.
        {932, "C:\\\x95\x5C.avi", "C:\\\xE8\xA1\xA8.avi"},
        {932, "C:\\\x81.avi", nullptr},
        {932, "C:\\clip.avi\x81", nullptr},
    };
    for (const Row& row : rows)
        for (int mode : {0, 5}) {
            const std::string shown = std::string(row.name).substr(0, 40);
            CAPTURE(row.codePage);
            CAPTURE(shown);
            CAPTURE(mode);
            world.clearLog();
            int code;
            {
                HostCodePage texts(row.codePage);
                code = omb_Open(row.name, mode, 0, 0, 0);
            }
            if (!row.reached) {
                CHECK(code == OMB_E_BAD_FILE_NAME);
                CHECK(world.log.empty());
                if (code == 0)
                    omb_Close(); // the next rows start closed, whatever this one did
                continue;
            }
            REQUIRE(code == 0);
            const std::string call = mode == 0 ? "graph.RenderFile(\"" + std::string(row.reached) + "\")"
                                               : "graph.AddSourceFilter(\"" + std::string(row.reached) + "\", \"Source\")";
            // Compared whole, shown by their starts: the longest are 98 KB.
            const Lines calls = world.calls(mode == 0 ? "graph.RenderFile" : "graph.AddSourceFilter");
            const bool reachedWhole = calls == Lines{call};
            CHECK_MESSAGE(reachedWhole, calls.size() << " calls; " << (calls.empty() ? "" : calls[0].substr(0, 80)));
            omb_Close();
        }
    // UTF-16 names are taken as they are, in every mode.
    for (int mode : {0, 5}) {
        world.clearLog();
        REQUIRE(omb_OpenW(L"C:\\\u041F\u6620\U0001F3AC.avi", mode, 0, 0, 0) == 0);
        CHECK(world.calls(mode == 0 ? "graph.RenderFile" : "graph.AddSourceFilter").at(0).find(
                  "C:\\\xD0\x9F\xE6\x98\xA0\xF0\x9F\x8E\xAC.avi") != std::string::npos);
        CHECK(omb_OpenW(L"C:\\other.avi", mode, 0, 0, 0) == OMB_E_ALREADY_OPEN);
        omb_Close();
        CHECK(omb_OpenW(L"C:\\x.avi", 7, 0, 0, 0) == OMB_E_BAD_MODE);
    }
}

TEST_CASE_FIXTURE(FakePlayer, "renderers that cannot be made stay out of the graph")
{
    SUBCASE("no DirectSound Renderer")
    {
        world.failures[Call::create_dsound] = REGDB_E_CLASSNOTREG;
        REQUIRE(omb_Open(kFile, 1, 0, 0, 0) == 0);
        CHECK(world.calls("graph.AddFilter") == Lines{"graph.AddFilter(vr, \"Video Renderer\")"});
        CHECK(world.calls("builder.RenderStream") == Lines{"builder.RenderStream(null, null, source, null, vr)"});
        CHECK_FALSE(p.audioRenderer);
    }
    SUBCASE("no Video Renderer (no display)")
    {
        world.failures[Call::create_vr] = E_FAIL;
        REQUIRE(omb_Open(kFile, 1, 0, 0, 0) == 0);
        CHECK(world.calls("graph.AddFilter") == Lines{"graph.AddFilter(dsound, \"DirectSound Renderer\")"});
        CHECK(world.calls("builder.RenderStream") ==
              Lines{"builder.RenderStream(null, null, source, null, dsound)"});
    }
    SUBCASE("a VMR without its configuration interface is not configured")
    {
        world.lacking[fakes::Fake::vmr9] = {ombrix::ids::IID_IVMRFilterConfig9};
        REQUIRE(omb_Open(kFile, 3, 0, 1, 1) == 0);
        CHECK(world.calls("vmr9.Set").empty());
        CHECK(world.graph()->holds("vmr9"));
    }
    SUBCASE("a grabber without ISampleGrabber is dropped")
    {
        p.useGrabber = 1;
        world.lacking[fakes::Fake::grabber] = {ombrix::ids::IID_ISampleGrabber};
        REQUIRE(omb_Open(kFile, 0, 0, 0, 0) == 0);
        CHECK_FALSE(p.grabberFilter);
        CHECK_FALSE(world.graph()->holds("grabber"));
    }
}

TEST_CASE_FIXTURE(FakePlayer, "omb_Close hides the window and releases in teardown order")
{
    p.useGrabber = 1;
    REQUIRE(omb_Open(kFile, 3, 0, 1, 1) == 0);
    world.clearLog();
    world.traceReleases = true;
    REQUIRE(omb_Close() == 0);
    CHECK(world.calls("graph.put_Visible") == Lines{"graph.put_Visible(0)"});
    // The graph gives back its own references when its last one goes.
    CHECK(world.calls("release ") ==
          Lines{"release graph 3",   // the IVideoWindow of the call
                "release grabber 2", "release grabber 1", "release graph 2", "release dsound 1",
                "release vmr9 1", "release source 1", "release builder 0", "release graph 1",
                "release graph 0", "release grabber 0", "release vmr9 0", "release dsound 0",
                "release source 0"});
    CHECK(p.playState == 0);
    CHECK(graphFieldsEmpty(p));
    CHECK(world.outstanding().empty());
}
