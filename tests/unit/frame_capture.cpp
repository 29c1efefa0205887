// Frame capture against fake renderers and a fake Sample Grabber: the exact
// GDI arguments and bytes, every failure code, the buffers GDI reads from
// (never shorter than what it is told to read) and the format blocks.
#include <doctest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ombrix.h"
#include "platform/gdi.h"
#include "platform/ids.h"
#include "player_fixture.h"

using testing::FakePlayer;
using Lines = std::vector<std::string>;
using fakes::Call;
using fakes::Quirk;

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
        std::vector<DWORD> colours; // the colour table or the three masks GDI reads
    };
    std::vector<Draw> draws;
    int lines = 1; // what the drawing call reports
    // Where the pixels StretchDIBits gets begin in the renderer's packed DIB.
    size_t imagePixelOffset = sizeof(BITMAPINFOHEADER);

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
        Draw draw{dc, std::move(args), *info, {}, block != static_cast<SIZE_T>(-1) && block >= offset + bytes, {}};
        if (draw.withinBuffer)
            draw.bits.assign(static_cast<const BYTE*>(bits), static_cast<const BYTE*>(bits) + bytes);
        const BITMAPINFOHEADER& header = info->bmiHeader;
        size_t entries = header.biCompression == BI_BITFIELDS ? 3
                         : header.biBitCount <= 8 ? (header.biClrUsed ? header.biClrUsed : 1u << header.biBitCount)
                                                  : header.biClrUsed;
        const DWORD* table = reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(info) + header.biSize);
        draw.colours.assign(table, table + entries);
        return draw;
    }
    static int WINAPI stretch(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                              const BITMAPINFO* info, UINT usage, DWORD rop)
    {
        size_t bytes = stride(info) * static_cast<size_t>(std::abs(info->bmiHeader.biHeight));
        current->draws.push_back(keep(dc, {x, y, w, h, sx, sy, sw, sh, static_cast<long>(usage), static_cast<long>(rop)},
                                      bits, info, bytes, current->imagePixelOffset));
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
        world.failures[Call::graph_GetCurrentImage] = E_POINTER;
        CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -2);
        CHECK(world.calls("graph.Pause") == Lines{"graph.Pause()"});
    }
    SUBCASE("no basic-video interface")
    {
        world.lacking[fakes::Fake::graph] = {ombrix::ids::IID_IBasicVideo};
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
        world.quirks.insert(Quirk::graph_GetCurrentImage_fillFails);
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

    world.failures[Call::graph_get_VideoWidth] = E_NOINTERFACE;
    world.failures[Call::graph_get_VideoHeight] = E_NOINTERFACE;
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
        open.world.quirks.insert(Quirk::grabber_GetCurrentBuffer_short);
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
        open.world.quirks.insert(Quirk::grabber_GetConnectedMediaType_noformat);
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
    // Real GDI this time: a 100x80 32-bit DIB section, filled with grey. The
    // part drawn is the frame's bottom-left 20x10 whichever way the frame's
    // rows run (a grabber may connect either).
    for (const bool topDown : {false, true}) {
        CAPTURE(topDown);
        OpenGrabber open;
        if (topDown) {
            VIDEOINFOHEADER format{};
            format.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, -48, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
            const BYTE* bytes = reinterpret_cast<const BYTE*>(&format);
            open.world.grabberFormat.assign(bytes, bytes + sizeof format);
        }
        open.world.grabberFrame.clear();
        for (int line = 0; line < 48; ++line) {
            const int row = topDown ? 47 - line : line; // counted from the frame's bottom
            for (int column = 0; column < 64; ++column) {
                open.world.grabberFrame.push_back(static_cast<BYTE>(column)); // blue
                open.world.grabberFrame.push_back(static_cast<BYTE>(row));    // green
                open.world.grabberFrame.push_back(static_cast<BYTE>(200));    // red
            }
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

        CHECK(omb_CaptureVideoEx(reinterpret_cast<omb_handle>(dc), 30, 40, 20, 10) == 0);
        GdiFlush();
        int wrong = 0, touched = 0;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 100; ++x) {
                DWORD got = pixels[y * 100 + x];
                if (x >= 30 && x < 50 && y >= 40 && y < 50) {
                    int frameRow = 9 - (y - 40); // the last drawn line is the frame's bottom row
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

namespace {

// A DIB description: a header of headerSize bytes (its first 40 filled in),
// with `extra` DWORDs (colour masks or colours) written at extraAt (by
// default right after the header).
std::vector<BYTE> description(DWORD headerSize, WORD bits, DWORD compression, DWORD coloursUsed,
                              const std::vector<DWORD>& extra = {}, size_t extraAt = 0)
{
    if (extraAt == 0)
        extraAt = headerSize;
    std::vector<BYTE> out(std::max<size_t>(std::max<size_t>(headerSize, sizeof(BITMAPINFOHEADER)),
                                           extraAt + extra.size() * sizeof(DWORD)));
    BITMAPINFOHEADER header{};
    header.biSize = headerSize;
    header.biWidth = 64;
    header.biHeight = 48;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    header.biClrUsed = coloursUsed;
    std::memcpy(out.data(), &header, sizeof header);
    if (!extra.empty())
        std::memcpy(out.data() + extraAt, extra.data(), extra.size() * sizeof(DWORD));
    return out;
}

std::vector<DWORD> palette(size_t count)
{
    std::vector<DWORD> colours;
    for (size_t i = 0; i < count; ++i)
        colours.push_back(static_cast<DWORD>(i * 0x010203 + 7));
    return colours;
}

const std::vector<DWORD> kRgb565{0xF800, 0x07E0, 0x001F};
const std::vector<DWORD> kRgb32Masks{0xFF0000, 0xFF00, 0xFF};

// One layout, and what GDI must be given for it (or the refusal).
struct LayoutCase {
    const char* name;
    std::vector<BYTE> description;
    WORD bits;
    bool drawn;
    DWORD compression;          // what GDI's header says
    std::vector<DWORD> colours; // what GDI's colour entries hold
    int grabberRefusal = -3;    // omb_CaptureVideoEx's answer when it is not drawn
};

// A VIDEOINFOHEADER format block around the description, as the grabber
// reports it.
std::vector<BYTE> formatBlock(const std::vector<BYTE>& description)
{
    constexpr size_t kHeaderAt = offsetof(VIDEOINFOHEADER, bmiHeader);
    std::vector<BYTE> block(std::max(kHeaderAt + description.size(), sizeof(VIDEOINFOHEADER)), 0);
    std::copy(description.begin(), description.end(), block.begin() + kHeaderAt);
    return block;
}

// The description with another width and height.
std::vector<BYTE> sized(std::vector<BYTE> description, LONG width, LONG height)
{
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(description.data());
    header->biWidth = width;
    header->biHeight = height;
    return description;
}

std::vector<LayoutCase> layoutCases()
{
    return {
        {"RGB565, three masks after a 40-byte header", description(40, 16, BI_BITFIELDS, 0, kRgb565), 16, true,
         BI_BITFIELDS, kRgb565},
        {"32-bit masks inside a 124-byte header", description(124, 32, BI_BITFIELDS, 0, kRgb32Masks, 40), 32, true,
         BI_BITFIELDS, kRgb32Masks},
        {"8-bit with all 256 colours", description(40, 8, BI_RGB, 0, palette(256)), 8, true, BI_RGB, palette(256)},
        {"8-bit with 16 colours", description(40, 8, BI_RGB, 16, palette(16)), 8, true, BI_RGB, palette(16)},
        {"4-bit with its 16 colours", description(40, 4, BI_RGB, 0, palette(16)), 4, true, BI_RGB, palette(16)},
        {"a 124-byte header before an 8-bit table", description(124, 8, BI_RGB, 2, palette(2)), 8, true, BI_RGB,
         palette(2)},
        {"masks missing", description(40, 16, BI_BITFIELDS, 0), 16, false, 0, {}},
        {"colour table missing", description(40, 8, BI_RGB, 0), 8, false, 0, {}},
        {"a colour table cut short", description(40, 8, BI_RGB, 0, palette(255)), 8, false, 0, {}},
        {"more colours than 8 bits can index", description(40, 8, BI_RGB, 300, palette(300)), 8, false, 0, {}},
        {"a header longer than the bytes given", description(40, 24, BI_RGB, 0, {}, 0), 24, false, 0, {}},
        {"a header shorter than 40 bytes", description(12, 24, BI_RGB, 0), 24, false, 0, {}},
        {"masks on a 24-bit image", description(40, 24, BI_BITFIELDS, 0, kRgb565), 24, false, 0, {}},
        {"8-bit run-length encoded", description(40, 8, BI_RLE8, 0, palette(256)), 8, false, 0, {}},
        // Colour table and pixels that together pass 2^64 and wrap to a few
        // bytes; the grabber's frame alone cannot be allocated.
        {"INT_MAX by INT_MAX at 32 bits, 0xFFFFFFFF colours",
         sized(description(40, 32, BI_RGB, 0xFFFFFFFF), INT_MAX, INT_MAX), 32, false, 0, {}, -6},
        {"INT_MAX by INT_MAX top-down, 0xFFFFFFFF colours",
         sized(description(40, 32, BI_RGB, 0xFFFFFFFF), INT_MAX, -INT_MAX), 32, false, 0, {}, -6},
        {"INT_MAX by INT_MAX with masks, 0xFFFFFFFF colours",
         sized(description(40, 32, BI_BITFIELDS, 0xFFFFFFFF, kRgb32Masks), INT_MAX, INT_MAX), 32, false, 0, {}, -6},
    };
}

// The "longer than given" case names 124 bytes in 40.
LayoutCase& patchLongHeader(LayoutCase& c)
{
    if (std::string(c.name) == "a header longer than the bytes given")
        reinterpret_cast<BITMAPINFOHEADER*>(c.description.data())->biSize = 124;
    return c;
}

void checkDraw(const GdiSpy::Draw& draw, const LayoutCase& c, const std::vector<BYTE>& pixels)
{
    CHECK(draw.withinBuffer);
    CHECK(draw.bits == pixels);
    CHECK(draw.info.bmiHeader.biSize == sizeof(BITMAPINFOHEADER));
    CHECK(draw.info.bmiHeader.biBitCount == c.bits);
    CHECK(draw.info.bmiHeader.biCompression == c.compression);
    CHECK(draw.colours == c.colours);
}

} // namespace

TEST_CASE("the grabber's format block: masks and colour tables go to GDI, anything reaching past the block is refused")
{
    for (LayoutCase c : layoutCases()) {
        CAPTURE(c.name);
        patchLongHeader(c);
        OpenGrabber open;
        open.world.grabberFormat = formatBlock(c.description);
        open.world.grabberFrame = fakes::dibPixels(64, 48, c.bits, 3);
        open.world.grabberSampleSize = static_cast<LONG>(open.world.grabberFrame.size());
        const int result = omb_CaptureVideoEx(reinterpret_cast<omb_handle>(kDC), 0, 0, 64, 48);
        if (c.drawn) {
            CHECK(result == 0);
            REQUIRE(open.gdi.draws.size() == 1);
            checkDraw(open.gdi.draws[0], c, open.world.grabberFrame);
        } else {
            CHECK(result == c.grabberRefusal);
            CHECK(open.gdi.draws.empty());
            CHECK(open.world.calls("grabber.GetCurrentBuffer").empty());
        }
    }
}

TEST_CASE("the renderer's packed DIB: pixels after the masks or colour table, and nothing read past the image")
{
    for (LayoutCase c : layoutCases()) {
        CAPTURE(c.name);
        patchLongHeader(c);
        OpenRenderer open;
        std::vector<BYTE> pixels = fakes::dibPixels(64, 48, c.bits, 5);
        std::vector<BYTE> image = c.description;
        image.insert(image.end(), pixels.begin(), pixels.end());
        if (std::string(c.name) == "a header longer than the bytes given")
            image.resize(100); // the 124 bytes it names are not there
        open.world.graph()->currentImage = image;
        open.gdi.imagePixelOffset = c.description.size();
        const int result = omb_CaptureVideo(reinterpret_cast<omb_handle>(kDC), 0, 0, 64, 48, SRCCOPY);
        if (c.drawn) {
            CHECK(result == 0);
            REQUIRE(open.gdi.draws.size() == 1);
            checkDraw(open.gdi.draws[0], c, pixels);
        } else {
            CHECK(result == -5);
            CHECK(open.gdi.draws.empty());
        }
    }
}

TEST_CASE_FIXTURE(OpenRenderer, "a packed DIB whose optional colour table pushes the pixels past its end is refused")
{
    std::vector<BYTE> image = description(40, 24, BI_RGB, 100);
    std::vector<BYTE> pixels = fakes::dibPixels(64, 48, 24);
    image.insert(image.end(), pixels.begin(), pixels.end());
    world.graph()->currentImage = image; // 100 colours named, none there
    CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == -5);

    // With the table there, the pixels are found after it; GDI gets no table.
    image = description(40, 24, BI_RGB, 100, palette(100));
    image.insert(image.end(), pixels.begin(), pixels.end());
    world.graph()->currentImage = image;
    gdi.imagePixelOffset = 40 + 400;
    CHECK(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == 0);
    REQUIRE(gdi.draws.size() == 1);
    CHECK(gdi.draws[0].bits == pixels);
    CHECK(gdi.draws[0].info.bmiHeader.biClrUsed == 0);
    CHECK(gdi.draws[0].withinBuffer);
}

TEST_CASE_FIXTURE(OpenGrabber, "grabs of one frame size reuse one buffer and read the grabber's type each time")
{
    for (int i = 0; i < 5; ++i)
        REQUIRE(omb_CaptureVideoEx(0, 0, 0, 64, 48) == 0);
    CHECK(world.calls("grabber.GetConnectedMediaType").size() == 5);
    CHECK(world.calls("grabber.GetCurrentBuffer").size() == 5);
    BYTE* buffer = p.frameBuffer.data();
    REQUIRE(buffer != nullptr);
    CHECK(p.frameBuffer.capacity() == 64 * 48 * 3);
    world.clearLog();
    gdi.draws.clear();

    SUBCASE("the same size again: the same buffer")
    {
        CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == 0);
        CHECK(p.frameBuffer.data() == buffer);
        CHECK(world.log == Lines{"grabber.GetConnectedMediaType()", "grabber.GetCurrentBuffer(9216)"});
    }
    SUBCASE("a larger frame: the buffer grows")
    {
        world.grabberWidth = 128, world.grabberHeight = 96, world.grabberSampleSize = 128 * 96 * 3;
        world.grabberFrame = fakes::dibPixels(128, 96, 24, 9);
        CHECK(omb_CaptureVideoEx(0, 0, 0, 1000, 1000) == 0);
        CHECK(world.log == Lines{"grabber.GetConnectedMediaType()", "grabber.GetCurrentBuffer(36864)"});
        CHECK(p.frameBuffer.capacity() == 128 * 96 * 3);
        REQUIRE(gdi.draws.size() == 1);
        CHECK(gdi.draws[0].args == std::vector<long>{0, 0, 128, 96, 0, 0, 0, 96, DIB_RGB_COLORS});
        CHECK(gdi.draws[0].bits == world.grabberFrame);
        CHECK(gdi.draws[0].withinBuffer);
    }
    SUBCASE("a smaller frame: the buffer is kept")
    {
        world.grabberWidth = 32, world.grabberHeight = 24, world.grabberSampleSize = 32 * 24 * 3;
        world.grabberFrame = fakes::dibPixels(32, 24, 24, 9);
        CHECK(omb_CaptureVideoEx(0, 0, 0, 1000, 1000) == 0);
        CHECK(world.log == Lines{"grabber.GetConnectedMediaType()", "grabber.GetCurrentBuffer(9216)"});
        CHECK(p.frameBuffer.data() == buffer);
        REQUIRE(gdi.draws.size() == 1);
        CHECK(gdi.draws[0].args == std::vector<long>{0, 0, 32, 24, 0, 0, 0, 24, DIB_RGB_COLORS});
        CHECK(gdi.draws[0].bits == world.grabberFrame);
    }
    SUBCASE("the grabber loses its connection: the failure is reported before the buffer is asked for")
    {
        world.filter("grabber")->connected = false;
        CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == -3);
        CHECK(world.calls("grabber.GetCurrentBuffer").empty());
        world.filter("grabber")->connected = true;
        CHECK(omb_CaptureVideoEx(0, 0, 0, 64, 48) == 0);
    }
    SUBCASE("closing releases the buffer and forgets the type")
    {
        omb_Close();
        CHECK(p.frameBuffer.data() == nullptr);
        CHECK(p.frameBuffer.capacity() == 0);
        CHECK(p.grabberMediaType.pbFormat == nullptr);
        CHECK(world.liveFormatBlocks() == 0);
    }
}

TEST_CASE("a new connection that keeps the frame's byte count is drawn as the new type describes")
{
    // Each is 9216 bytes a frame, as the 64x48 24-bit frame grabbed first.
    struct Reconnection {
        const char* name;
        LONG width, height;
        WORD bits;
    };
    const Reconnection reconnections[] = {
        {"width and height swapped", 48, 64, 24},
        {"rows top-down", 64, -48, 24},
        {"32 bits a pixel, 48 wide", 48, 48, 32},
        {"16 bits a pixel, 96 wide", 96, 48, 16},
    };
    for (const Reconnection& r : reconnections) {
        const std::string name = r.name;
        CAPTURE(name);
        OpenGrabber open;
        REQUIRE(omb_CaptureVideoEx(reinterpret_cast<omb_handle>(kDC), 0, 0, 1000, 1000) == 0);
        open.world.grabberFormat = formatBlock(sized(description(40, r.bits, BI_RGB, 0), r.width, r.height));
        const LONG rows = std::abs(r.height);
        open.world.grabberFrame = fakes::dibPixels(r.width, rows, r.bits, 9);
        REQUIRE(open.world.grabberFrame.size() == 64 * 48 * 3);

        CHECK(omb_CaptureVideoEx(reinterpret_cast<omb_handle>(kDC), 0, 0, 1000, 1000) == 0);
        REQUIRE(open.gdi.draws.size() == 2);
        const GdiSpy::Draw& draw = open.gdi.draws[1];
        CHECK(draw.info.bmiHeader.biWidth == r.width);
        CHECK(draw.info.bmiHeader.biHeight == r.height);
        CHECK(draw.info.bmiHeader.biBitCount == r.bits);
        CHECK(draw.args == std::vector<long>{0, 0, r.width, rows, 0, 0, 0, rows, DIB_RGB_COLORS});
        CHECK(draw.withinBuffer);
        CHECK(draw.bits == open.world.grabberFrame);
        // A part is the bottom-left corner: a bottom-up frame's first lines,
        // or all of a top-down frame's lines, which end with its bottom rows.
        CHECK(omb_CaptureVideoEx(reinterpret_cast<omb_handle>(kDC), 0, 0, 10, 8) == 0);
        CHECK(open.gdi.draws.back().args ==
              std::vector<long>{0, 0, 10, 8, 0, 0, 0, r.height < 0 ? rows : 8, DIB_RGB_COLORS});
        CHECK(open.gdi.draws.back().withinBuffer);
    }
}

TEST_CASE_FIXTURE(OpenRenderer, "the renderer's images go into the same buffer, released at close")
{
    REQUIRE(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == 0);
    BYTE* buffer = p.frameBuffer.data();
    REQUIRE(buffer != nullptr);
    REQUIRE(omb_CaptureVideo(0, 0, 0, 64, 48, SRCCOPY) == 0);
    CHECK(p.frameBuffer.data() == buffer);
    CHECK(gdi.draws.back().bits == std::vector<BYTE>(world.graph()->currentImage.begin() + 40,
                                                     world.graph()->currentImage.end()));
    omb_Close();
    CHECK(p.frameBuffer.data() == nullptr);
}
