// Frame capture against fake renderers and a fake Sample Grabber: the exact
// GDI arguments and bytes, every failure code, the buffers GDI reads from
// (never shorter than what it is told to read) and the format blocks.
#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/gdi.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;

namespace {

const HDC kDC = reinterpret_cast<HDC>(0x5678);

// Stands in for StretchDIBits and SetDIBitsToDevice: keeps the arguments,
// the header and the pixel bytes GDI would read, and checks that the heap
// block behind them holds at least that many bytes.
struct GdiSpy {
    static GdiSpy* current;
    struct Draw {
        HDC dc;
        std::vector<long> args;
        BITMAPINFO info;
        std::vector<BYTE> bits;
        bool withinBuffer;
    };
    std::vector<Draw> draws;
    int lines = 1; // what the drawing call reports

    GdiSpy()
    {
        current = this;
        ombrix::platform::stretchDIBitsFn = stretch;
        ombrix::platform::setDIBitsToDeviceFn = setBits;
    }
    ~GdiSpy()
    {
        ombrix::platform::stretchDIBitsFn = StretchDIBits;
        ombrix::platform::setDIBitsToDeviceFn = SetDIBitsToDevice;
        current = nullptr;
    }

    static size_t stride(const BITMAPINFO* info)
    {
        return ((info->bmiHeader.biWidth * info->bmiHeader.biBitCount + 31) / 32) * 4;
    }
    // bytes GDI reads from bits, which start offset bytes into a heap block
    static Draw keep(HDC dc, std::vector<long> args, const void* bits, const BITMAPINFO* info, size_t bytes,
                     size_t offset)
    {
        const BYTE* base = static_cast<const BYTE*>(bits) - offset;
        SIZE_T block = HeapSize(GetProcessHeap(), 0, base);
        Draw draw{dc, std::move(args), *info, {}, block != static_cast<SIZE_T>(-1) && block >= offset + bytes};
        if (draw.withinBuffer)
            draw.bits.assign(static_cast<const BYTE*>(bits), static_cast<const BYTE*>(bits) + bytes);
        return draw;
    }
    static int WINAPI stretch(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                              const BITMAPINFO* info, UINT usage, DWORD rop)
    {
        size_t bytes = stride(info) * static_cast<size_t>(std::abs(info->bmiHeader.biHeight));
        current->draws.push_back(keep(dc, {x, y, w, h, sx, sy, sw, sh, static_cast<long>(usage), static_cast<long>(rop)},
                                      bits, info, bytes, sizeof(BITMAPINFOHEADER)));
        return current->lines;
    }
    static int WINAPI setBits(HDC dc, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT start, UINT lines,
                              const void* bits, const BITMAPINFO* info, UINT usage)
    {
        size_t bytes = stride(info) * lines;
        current->draws.push_back(keep(dc,
                                      {x, y, static_cast<long>(w), static_cast<long>(h), sx, sy,
                                       static_cast<long>(start), static_cast<long>(lines), static_cast<long>(usage)},
                                      bits, info, bytes, 0));
        return current->lines;
    }
};
GdiSpy* GdiSpy::current = nullptr;

bool zeroColourEntry(const BITMAPINFO& info)
{
    const RGBQUAD none{};
    return std::memcmp(&info.bmiColors[0], &none, sizeof none) == 0;
}

// Mode 1: the renderer's image through IBasicVideo.
struct OpenRenderer : FakePlayer {
    GdiSpy gdi;
    OpenRenderer()
    {
        REQUIRE(omb_Open("C:\\media\\clip.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
        REQUIRE(omb_Play(0, 0, 0, 320, 240) == 0);
        world.clearLog();
    }
};

// Mode 0 with the Sample Grabber, buffering on and one frame buffered.
struct OpenGrabber : FakePlayer {
    GdiSpy gdi;
    explicit OpenGrabber(bool buffering = true)
    {
        world.grabberFrame = fakes::dibPixels(64, 48, 24, 5);
        omb_UseCaptureVideoEx(1);
        REQUIRE(omb_Open("C:\\media\\clip.avi", OpenMode_DefaultRenderers, 0, 0, 0) == 0);
        if (buffering)
            REQUIRE(omb_SetCaptureBufferSamples(1) == 0);
        world.clearLog();
    }
};

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "capture needs an open graph, and the grabber exports need a grabber")
{
    CHECK(omb_CaptureVideo(0, 0, 0, 1, 1, SRCCOPY) == -1);
    CHECK(omb_CaptureVideoEx(0, 0, 0, 1, 1) == -1);
    CHECK(omb_SetCaptureBufferSamples(1) == -2);
    CHECK(omb_UseCaptureVideoEx(5) == 0);
    CHECK(p.useGrabber == 1);
    CHECK(omb_UseCaptureVideoEx(0) == 0);
    CHECK(p.useGrabber == 0);
    CHECK(world.log.empty());

    // Open without asking for the grabber: still none, and the flag set now
    // leaves the open graph alone.
    REQUIRE(omb_Open("C:\\media\\clip.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    world.clearLog();
    CHECK(omb_UseCaptureVideoEx(1) == 0);
    CHECK(omb_CaptureVideoEx(0, 0, 0, 1, 1) == -2);
    CHECK(omb_SetCaptureBufferSamples(1) == -2);
    CHECK(world.log.empty());
}

TEST_CASE_FIXTURE(OpenRenderer, "omb_CaptureVideo pauses, asks for the size, then stretches the DIB it was given")
{
    CHECK(omb_CaptureVideo(reinterpret_cast<omb_handle>(kDC), 10, 20, 128, 96, SRCCOPY) == 0);
    CHECK(world.log == Lines{"graph.Pause()", "graph.get_VideoHeight()", "graph.get_VideoWidth()",
                             "graph.GetCurrentImage(null, 0)", "graph.GetCurrentImage(buffer, 9256)"});
    CHECK(p.playState == 2);
    CHECK(world.graph()->state == State_Paused);

    REQUIRE(gdi.draws.size() == 1);
    const GdiSpy::Draw& draw = gdi.draws[0];
    CHECK(draw.dc == kDC);
    CHECK(draw.args == std::vector<long>{10, 20, 128, 96, 0, 0, 64, 48, DIB_RGB_COLORS, SRCCOPY});
    const std::vector<BYTE>& dib = world.graph()->currentImage;
    CHECK(std::memcmp(&draw.info.bmiHeader, dib.data(), sizeof(BITMAPINFOHEADER)) == 0);
    CHECK(zeroColourEntry(draw.info));
    CHECK(draw.withinBuffer);
    CHECK(draw.bits == std::vector<BYTE>(dib.begin() + 40, dib.end()));

    // The raster operation travels unchanged.
    CHECK(omb_CaptureVideo(reinterpret_cast<omb_handle>(kDC), 0, 0, 64, 48, SRCINVERT) == 0);
    CHECK(gdi.draws.back().args.back() == SRCINVERT);
}

TEST_CASE_FIXTURE(OpenRenderer, "omb_CaptureVideo's codes: no size, empty, unusable, nothing drawn")
{
    fakes::FakeGraph& graph = *world.graph();
    SUBCASE("the size query fails, after the graph was paused")
    {
        world.failures["graph.GetCurrentImage"] = E_POINTER;
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -2);
        CHECK(world.calls("graph.Pause") == Lines{"graph.Pause()"});
    }
    SUBCASE("no basic-video interface")
    {
        world.lacking["graph"] = {ombrix::ids::IID_IBasicVideo};
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -2);
        CHECK(world.log == Lines{"graph.Pause()"});
    }
    SUBCASE("a size of 0")
    {
        graph.currentImage.clear();
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -3);
    }
    SUBCASE("the image itself cannot be had")
    {
        world.quirks.insert("graph.GetCurrentImage.fillFails");
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -5);
    }
    SUBCASE("a header that promises more pixels than were given")
    {
        graph.currentImage.resize(40 + 64 * 3 * 10);
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -5);
    }
    SUBCASE("fewer bytes than a header")
    {
        graph.currentImage.resize(20);
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -5);
    }
    SUBCASE("a planar or paletted image")
    {
        graph.currentImage = fakes::packedDib(64, 48, 8);
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -5);
        graph.currentImage = fakes::packedDib(64, 48, 24);
        reinterpret_cast<BITMAPINFOHEADER*>(graph.currentImage.data())->biCompression = MAKEFOURCC('Y', 'V', '1', '2');
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -5);
    }
    SUBCASE("GDI draws nothing")
    {
        gdi.lines = 0;
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -4);
        CHECK(gdi.draws.size() == 1);
    }
    CHECK(gdi.draws.size() <= 1);
}

TEST_CASE_FIXTURE(OpenRenderer, "the source extent is the native size, kept inside the image")
{
    fakes::FakeGraph& graph = *world.graph();
    graph.currentImage = fakes::packedDib(320, 240, 32); // a renderer that gives its window's size
    CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == 0);
    CHECK(gdi.draws.back().args[6] == 64);
    CHECK(gdi.draws.back().args[7] == 48);
    CHECK(gdi.draws.back().withinBuffer);

    graph.currentImage = fakes::packedDib(32, 24, 16);
    CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == 0);
    CHECK(gdi.draws.back().args[6] == 32);
    CHECK(gdi.draws.back().args[7] == 24);

    world.failures["graph.get_VideoWidth"] = E_NOINTERFACE;
    world.failures["graph.get_VideoHeight"] = E_NOINTERFACE;
    CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == 0);
    CHECK(gdi.draws.back().args[6] == 32);
    CHECK(gdi.draws.back().args[7] == 24);
}

TEST_CASE_FIXTURE(OpenGrabber, "omb_CaptureVideoEx copies the buffered frame unscaled from its origin")
{
    CHECK(omb_CaptureVideoEx(reinterpret_cast<omb_handle>(kDC), 5, 6, 64, 48) == 0);
    CHECK(world.log == Lines{"grabber.GetConnectedMediaType()", "grabber.GetCurrentBuffer(9216)"});
    REQUIRE(gdi.draws.size() == 1);
    const GdiSpy::Draw& draw = gdi.draws[0];
    CHECK(draw.dc == kDC);
    CHECK(draw.args == std::vector<long>{5, 6, 64, 48, 0, 0, 0, 48, DIB_RGB_COLORS});
    CHECK(draw.info.bmiHeader.biWidth == 64);
    CHECK(draw.info.bmiHeader.biHeight == 48);
    CHECK(draw.info.bmiHeader.biBitCount == 24);
    CHECK(zeroColourEntry(draw.info));
    CHECK(draw.withinBuffer);
    CHECK(draw.bits == world.grabberFrame);
    // The graph runs on.
    CHECK(world.calls("graph.Pause").empty());

    // A smaller part, and a part larger than the frame, which is limited to it.
    CHECK(omb_CaptureVideoEx(reinterpret_cast<omb_handle>(kDC), 0, 0, 10, 8) == 0);
    CHECK(gdi.draws.back().args == std::vector<long>{0, 0, 10, 8, 0, 0, 0, 8, DIB_RGB_COLORS});
    CHECK(omb_CaptureVideoEx(reinterpret_cast<omb_handle>(kDC), 0, 0, 1000, 1000) == 0);
    CHECK(gdi.draws.back().args == std::vector<long>{0, 0, 64, 48, 0, 0, 0, 48, DIB_RGB_COLORS});
    CHECK(gdi.draws.back().withinBuffer);
    gdi.lines = 0;
    CHECK(omb_CaptureVideoEx(reinterpret_cast<omb_handle>(kDC), 0, 0, -5, -5) == -4);
    CHECK(gdi.draws.back().args[7] == 0);
}

TEST_CASE("a grabber reporting a sample size of 1 still gets a whole frame's buffer")
{
    OpenGrabber open;
    open.world.grabberSampleSize = 1;
    CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == 0);
    CHECK(open.world.calls("grabber.GetCurrentBuffer") == Lines{"grabber.GetCurrentBuffer(9216)"});
    CHECK(open.gdi.draws.back().withinBuffer);
    CHECK(open.gdi.draws.back().bits == open.world.grabberFrame);
}

TEST_CASE("omb_CaptureVideoEx's codes: not connected, no frame, no memory")
{
    SUBCASE("buffering was never switched on")
    {
        OpenGrabber open(false);
        CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == -5);
        CHECK(open.gdi.draws.empty());
    }
    SUBCASE("no frame buffered yet")
    {
        OpenGrabber open;
        open.world.grabberFrame.clear();
        CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == -5);
        CHECK(open.gdi.draws.empty());
    }
    SUBCASE("half a frame")
    {
        OpenGrabber open;
        open.world.quirks.insert("grabber.GetCurrentBuffer.short");
        CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == -5);
        CHECK(open.gdi.draws.empty());
    }
    SUBCASE("the grabber is not connected")
    {
        OpenGrabber open;
        open.world.filter("grabber")->connected = false;
        CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == -3);
        CHECK(open.world.calls("grabber.GetCurrentBuffer").empty());
    }
    SUBCASE("a connected type without a format block")
    {
        OpenGrabber open;
        open.world.quirks.insert("grabber.GetConnectedMediaType.noformat");
        CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == -3);
        CHECK(open.world.calls("grabber.GetCurrentBuffer").empty());
    }
    SUBCASE("a frame too large to allocate")
    {
        OpenGrabber open;
        open.world.grabberWidth = 100000;
        open.world.grabberHeight = 100000;
        CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == -6);
        CHECK(open.world.calls("grabber.GetCurrentBuffer").empty());
    }
}

TEST_CASE_FIXTURE(OpenGrabber, "repeated captures keep one format block at most, and closing frees it")
{
    for (int i = 0; i < 1000; ++i)
        REQUIRE(omb_CaptureVideoEx(0, 0, 0, 64, 48) == 0);
    CHECK(world.liveFormatBlocks() <= 1);
    omb_Close();
    CHECK(world.liveFormatBlocks() == 0);
}

TEST_CASE_FIXTURE(OpenGrabber, "omb_SetCaptureBufferSamples passes TRUE or FALSE whatever the state")
{
    CHECK(omb_SetCaptureBufferSamples(7) == 0);
    CHECK(omb_SetCaptureBufferSamples(0) == 0);
    CHECK(world.calls("grabber.SetBufferSamples") ==
          Lines{"grabber.SetBufferSamples(1)", "grabber.SetBufferSamples(0)"});
}

TEST_CASE("the frame lands in a real device context at the position, and nothing else is touched")
{
    // Real GDI this time: a 100x80 32-bit DIB section, filled with grey.
    OpenGrabber open;
    open.world.grabberFrame.clear();
    for (int row = 0; row < 48; ++row)      // bottom-up rows
        for (int column = 0; column < 64; ++column) {
            open.world.grabberFrame.push_back(static_cast<BYTE>(column));     // blue
            open.world.grabberFrame.push_back(static_cast<BYTE>(row));        // green
            open.world.grabberFrame.push_back(static_cast<BYTE>(200));        // red
        }
    ombrix::platform::setDIBitsToDeviceFn = SetDIBitsToDevice;

    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 100, -80, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    REQUIRE(bitmap != nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    auto* pixels = static_cast<DWORD*>(bits); // top-down, 100 per row
    std::fill(pixels, pixels + 100 * 80, 0x00808080);

    // The bottom-left 20x10 of the frame, drawn at (30, 40).
    CHECK(omb_CaptureVideoEx(reinterpret_cast<omb_handle>(dc), 30, 40, 20, 10) == 0);
    GdiFlush();
    int wrong = 0, touched = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            DWORD got = pixels[y * 100 + x];
            if (x >= 30 && x < 50 && y >= 40 && y < 50) {
                int frameRow = 9 - (y - 40); // bottom-up: the last drawn line is frame row 0
                DWORD want = (200u << 16) | (static_cast<DWORD>(frameRow) << 8) | static_cast<DWORD>(x - 30);
                wrong += got != want;
            } else {
                touched += got != 0x00808080;
            }
        }
    CHECK(wrong == 0);
    CHECK(touched == 0);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_CASE("GetHWNDtoHDC gives the window's device context")
{
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    REQUIRE(window != nullptr);
    HDC dc = reinterpret_cast<HDC>(GetHWNDtoHDC(reinterpret_cast<omb_handle>(window)));
    CHECK(dc != nullptr);
    CHECK(WindowFromDC(dc) == window);
    ReleaseDC(window, dc);
    DestroyWindow(window);
}
