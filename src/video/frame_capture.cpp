// Drawing the current video frame into a host's device context: the
// renderer's own image through IBasicVideo (stretched), or the last frame
// the Sample Grabber buffered (unscaled).
//
// Both paths hand GDI a pixel buffer described by a bitmap header of the
// library's own (40 bytes, then the colour masks or the colour table). GDI
// reads as many bytes as that header (and the scan-line count) says, so the
// description is checked against the bytes it came from and the pixels
// against the buffer before anything is drawn: a header that promises more
// than was delivered is refused.
//
// The pixels go into the open graph's frame buffer, which is reused from
// one grab to the next, so a grab costs a query of the grabber's type, one
// copy of the frame and the drawing itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ombrix.h"
#include "platform/com.h"
#include "platform/gdi.h"
#include "platform/ids.h"
#include "platform/media_type.h"
#include "player/arguments.h"
#include "player/player.h"

namespace ombrix {
namespace {

// What GDI is handed: a 40-byte header and room for a whole colour table
// (or the three colour masks), so that nothing GDI reads lies outside it.
struct DrawInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};
static_assert(offsetof(DrawInfo, colours) == sizeof(BITMAPINFOHEADER), "colours follow the header");

LONG rows(const BITMAPINFOHEADER& header) { return header.biHeight < 0 ? -header.biHeight : header.biHeight; }

// How a DIB description lies in memory, and what GDI may be told of it.
struct DibLayout {
    DrawInfo draw;
    std::uint64_t pixelOffset = 0; // from the header's start to the pixels, in a packed DIB
    std::uint64_t pixelBytes = 0;
};

// Reads the description at `source`, of which `available` bytes may be read
// (the header and whatever follows it). Uncompressed 16/24/32-bit images,
// 16/32-bit images with colour masks, and 1/4/8-bit images with their
// colour table are drawn; false for anything else, and for a header whose
// size, masks or colour table reach past the available bytes. The header GDI
// gets is always 40 bytes long and names only the colour entries copied here.
bool readLayout(const BYTE* source, std::uint64_t available, DibLayout& out)
{
    if (available < sizeof(BITMAPINFOHEADER))
        return false;
    std::memset(&out.draw, 0, sizeof out.draw);
    BITMAPINFOHEADER& header = out.draw.header;
    std::memcpy(&header, source, sizeof header);
    const std::uint64_t headerSize = header.biSize;
    const WORD bits = header.biBitCount;
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > available || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biHeight == LONG_MIN)
        return false;

    std::uint64_t entries = 0;   // colour entries GDI gets
    std::uint64_t tableBytes = 0; // bytes after the header before the pixels, in a packed DIB
    if (header.biCompression == BI_RGB && (bits == 16 || bits == 24 || bits == 32)) {
        // A colour table is optional here and not needed to draw.
        tableBytes = std::uint64_t{header.biClrUsed} * sizeof(RGBQUAD);
    } else if (header.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)) {
        // The masks sit right after the first 40 bytes: inside a longer
        // header, or after a 40-byte one.
        constexpr std::uint64_t kMaskBytes = 3 * sizeof(DWORD);
        if (sizeof(BITMAPINFOHEADER) + kMaskBytes > available)
            return false;
        std::memcpy(out.draw.colours, source + sizeof(BITMAPINFOHEADER), kMaskBytes);
        tableBytes = (headerSize == sizeof(BITMAPINFOHEADER) ? kMaskBytes : 0) +
                     std::uint64_t{header.biClrUsed} * sizeof(RGBQUAD);
    } else if (header.biCompression == BI_RGB && (bits == 1 || bits == 4 || bits == 8)) {
        const std::uint64_t most = std::uint64_t{1} << bits;
        entries = header.biClrUsed ? header.biClrUsed : most;
        if (entries > most)
            return false;
        tableBytes = entries * sizeof(RGBQUAD);
        if (headerSize + tableBytes > available)
            return false;
        std::memcpy(out.draw.colours, source + headerSize, static_cast<size_t>(tableBytes));
    } else {
        return false;
    }
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biClrUsed = static_cast<DWORD>(entries);
    header.biClrImportant = 0;

    const std::uint64_t stride = ((static_cast<std::uint64_t>(header.biWidth) * bits + 31) / 32) * 4;
    out.pixelOffset = headerSize + tableBytes;
    out.pixelBytes = stride * static_cast<std::uint64_t>(rows(header));
    return true;
}

// True when the pixels lie inside the `size` bytes that begin with the
// header. Each term is checked against what remains, never a sum: the table
// and the pixels of a hostile header add up past 2^64.
bool pixelsWithin(const DibLayout& layout, std::uint64_t size)
{
    return layout.pixelOffset <= size && layout.pixelBytes <= size - layout.pixelOffset;
}

// The grabber's connected type, described; false when it has no usable
// video format block.
bool readGrabberType(const AM_MEDIA_TYPE& type, DibLayout& out)
{
    constexpr std::uint64_t kHeaderAt = offsetof(VIDEOINFOHEADER, bmiHeader);
    if (type.formattype != ids::FORMAT_VideoInfo || !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER))
        return false;
    return readLayout(type.pbFormat + kHeaderAt, type.cbFormat - kHeaderAt, out);
}

// Asks the grabber for its connected type; each query hands out a new
// format block, and the previous one goes first.
bool refreshGrabberType(Player& p, DibLayout& out)
{
    HRESULT hr = p.sampleGrabber->GetConnectedMediaType(p.grabberMediaType.fill());
    return SUCCEEDED(hr) && readGrabberType(p.grabberMediaType, out);
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" {

int OMBRIX_CALL omb_UseCaptureVideoEx(int flag) noexcept
{
    player().useGrabber = flag != 0 ? 1 : 0;
    return 0;
}

int OMBRIX_CALL omb_SetCaptureBufferSamples(int flag) noexcept
{
    Player& p = player();
    if (!p.sampleGrabber)
        return OMB_E_NO_GRABBER;
    p.sampleGrabber->SetBufferSamples(flag != 0 ? TRUE : FALSE);
    return 0;
}

int OMBRIX_CALL omb_CaptureVideo(omb_handle dc, int x, int y, int width, int height, int rop) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (!arguments::deviceContext(dc) || !arguments::spanFits(x, width) || !arguments::spanFits(y, height))
        return OMB_E_REFUSED;
    ComPtr<IBasicVideo> video;
    platform::query(p.graph.Get(), ids::IID_IBasicVideo, video);
    // The renderers give their image only while paused; the graph stays
    // paused until the host runs it again.
    if (p.mediaControl)
        p.mediaControl->Pause();
    if (!video)
        return OMB_E_NO_IMAGE;

    LONG nativeHeight = 0, nativeWidth = 0;
    video->get_VideoHeight(&nativeHeight);
    video->get_VideoWidth(&nativeWidth);

    LONG size = 0;
    if (FAILED(video->GetCurrentImage(&size, nullptr)))
        return OMB_E_NO_IMAGE;
    if (size < 1)
        return OMB_E_EMPTY_IMAGE;
    if (static_cast<size_t>(size) < sizeof(BITMAPINFOHEADER))
        return OMB_E_BAD_IMAGE;
    BYTE* image = p.frameBuffer.reserve(static_cast<std::uint64_t>(size));
    if (!image)
        return OMB_E_NO_MEMORY;
    LONG filled = size;
    if (FAILED(video->GetCurrentImage(&filled, reinterpret_cast<LONG*>(image))))
        return OMB_E_BAD_IMAGE;

    DibLayout layout;
    if (!readLayout(image, static_cast<std::uint64_t>(size), layout) ||
        !pixelsWithin(layout, static_cast<std::uint64_t>(size)))
        return OMB_E_BAD_IMAGE;
    const BITMAPINFOHEADER& header = layout.draw.header;

    // The native size is the source extent; it may not reach outside the
    // image that was delivered (a renderer may also report no native size).
    const LONG sourceWidth = nativeWidth > 0 ? std::min(nativeWidth, header.biWidth) : header.biWidth;
    const LONG sourceHeight = nativeHeight > 0 ? std::min(nativeHeight, rows(header)) : rows(header);
    int lines = platform::stretchDIBitsFn(reinterpret_cast<HDC>(dc), x, y, width, height, 0, 0, sourceWidth,
                                          sourceHeight, image + layout.pixelOffset, layout.draw.info(),
                                          DIB_RGB_COLORS, static_cast<DWORD>(rop));
    return lines > 0 ? 0 : OMB_E_NOT_DRAWN;
}

int OMBRIX_CALL omb_CaptureVideoEx(omb_handle dc, int x, int y, int width, int height) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (!p.sampleGrabber)
        return OMB_E_NO_GRABBER;
    // A negative part draws nothing; a positive one must end inside 32 bits.
    if (!arguments::deviceContext(dc) || !arguments::spanFits(x, width > 0 ? width : 0) ||
        !arguments::spanFits(y, height > 0 ? height : 0))
        return OMB_E_REFUSED;

    // The connected type is read at every grab: a new connection may keep
    // the frame's byte count (640x480 becomes 480x640) and change its
    // width, height, depth or layout, which only the type tells.
    DibLayout layout;
    if (!refreshGrabberType(p, layout))
        return OMB_E_NOT_CONNECTED;
    // The sample size may understate a frame (some grabbers report 1); the
    // buffer, kept from grab to grab, is at least as large as the header
    // says a frame is.
    BYTE* frame =
        p.frameBuffer.reserve(std::max<std::uint64_t>(p.grabberMediaType.lSampleSize, layout.pixelBytes));
    if (!frame)
        return OMB_E_NO_MEMORY;
    LONG filled = static_cast<LONG>(p.frameBuffer.capacity());
    HRESULT hr = p.sampleGrabber->GetCurrentBuffer(&filled, reinterpret_cast<LONG*>(frame));
    if (FAILED(hr) || filled < 0 || static_cast<std::uint64_t>(filled) < layout.pixelBytes)
        return OMB_E_NO_FRAME;
    const BITMAPINFOHEADER& header = layout.draw.header;

    // Only the frame's own rows and columns can be copied: GDI reads one
    // scan line from the buffer for every line it is told to draw.
    const int frameRows = static_cast<int>(rows(header));
    const int copyWidth = std::clamp(width, 0, static_cast<int>(header.biWidth));
    const int copyHeight = std::clamp(height, 0, frameRows);
    // A part is the frame's bottom-left corner, whichever way its rows run:
    // the source rectangle starts at the image's lower-left corner. A
    // bottom-up frame begins with its bottom rows, so GDI gets just those
    // lines; a top-down frame ends with them, so GDI gets every line.
    const int scanLines = header.biHeight < 0 ? frameRows : copyHeight;
    int lines = platform::setDIBitsToDeviceFn(reinterpret_cast<HDC>(dc), x, y, static_cast<DWORD>(copyWidth),
                                              static_cast<DWORD>(copyHeight), 0, 0, 0,
                                              static_cast<UINT>(scanLines), frame, layout.draw.info(),
                                              DIB_RGB_COLORS);
    return lines > 0 ? 0 : OMB_E_NOT_DRAWN;
}

omb_handle OMBRIX_CALL GetHWNDtoHDC(omb_handle window) noexcept
{
    // Null asks for the screen's DC; any other value must be a window.
    if (!arguments::windowOrNull(window))
        return 0;
    return reinterpret_cast<omb_handle>(platform::getDCFn(reinterpret_cast<HWND>(window)));
}

} // extern "C"
