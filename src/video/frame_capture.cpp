// Drawing the current video frame into a host's device context: the
// renderer's own image through IBasicVideo (stretched), or the last frame
// the Sample Grabber buffered (unscaled).
//
// Both paths hand GDI a pixel buffer described by a 40-byte bitmap header.
// GDI reads as many bytes as that header (and the scan-line count) says, so
// the header is checked against the buffer before anything is drawn: a
// header that promises more pixels than were delivered is refused.
#include <algorithm>
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

enum : int {
    kNotOpen = -1,
    kNoImageSize = -2,   // CaptureVideo: the renderer cannot give its image's size
    kNoGrabber = -2,     // CaptureVideoEx, SetCaptureBufferSamples
    kEmptyImage = -3,    // CaptureVideo: the renderer gave a size below 1 byte
    kNotConnected = -3,  // CaptureVideoEx: no connected video type to describe the frame
    kNothingDrawn = -4,
    kUnusableImage = -5, // CaptureVideo: no uncompressed DIB that fits its buffer
    kNoFrame = -5,       // CaptureVideoEx: the grabber holds no complete frame
    kNoMemory = -6,
};

// A zero-filled buffer from the process heap, freed on every path.
class PixelBuffer {
public:
    explicit PixelBuffer(uint64_t size)
        : data_(size > 0 && size <= 0x7FFFFFFF
                    ? static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, static_cast<SIZE_T>(size)))
                    : nullptr)
    {
    }
    ~PixelBuffer()
    {
        if (data_)
            HeapFree(GetProcessHeap(), 0, data_);
    }
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    BYTE* get() const { return data_; }

private:
    BYTE* data_;
};

// The header followed by one zero colour entry: what both GDI calls get.
struct DrawInfo {
    BITMAPINFO info;
    explicit DrawInfo(const void* header)
    {
        std::memset(&info, 0, sizeof info);
        std::memcpy(&info.bmiHeader, header, sizeof(BITMAPINFOHEADER));
    }
};
static_assert(sizeof(BITMAPINFO) == 44, "a 40-byte header and one colour entry");

LONG rows(const BITMAPINFOHEADER& header) { return header.biHeight < 0 ? -header.biHeight : header.biHeight; }

// Bytes of pixels that an uncompressed 16/24/32-bit header describes, or 0
// for a header GDI could not draw from these bytes alone (colour tables,
// colour masks, compressed or planar formats, no pixels).
uint64_t pixelBytes(const BITMAPINFOHEADER& header)
{
    const WORD bits = header.biBitCount;
    if (header.biCompression != BI_RGB || (bits != 16 && bits != 24 && bits != 32) || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biHeight == LONG_MIN)
        return 0;
    const uint64_t stride = ((static_cast<uint64_t>(header.biWidth) * bits + 31) / 32) * 4;
    return stride * static_cast<uint64_t>(rows(header));
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
        return kNoGrabber;
    p.sampleGrabber->SetBufferSamples(flag != 0 ? TRUE : FALSE);
    return 0;
}

int OMBRIX_CALL omb_CaptureVideo(omb_handle dc, int x, int y, int width, int height, int rop) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return kNotOpen;
    if (!arguments::deviceContext(dc) || !arguments::spanFits(x, width) || !arguments::spanFits(y, height))
        return arguments::kRefused;
    ComPtr<IBasicVideo> video;
    platform::query(p.graph.Get(), ids::IID_IBasicVideo, video);
    // The renderers give their image only while paused; the graph stays
    // paused until the host runs it again.
    if (p.mediaControl)
        p.mediaControl->Pause();
    if (!video)
        return kNoImageSize;

    LONG nativeHeight = 0, nativeWidth = 0;
    video->get_VideoHeight(&nativeHeight);
    video->get_VideoWidth(&nativeWidth);

    LONG size = 0;
    if (FAILED(video->GetCurrentImage(&size, nullptr)))
        return kNoImageSize;
    if (size < 1)
        return kEmptyImage;
    if (static_cast<size_t>(size) < sizeof(BITMAPINFOHEADER))
        return kUnusableImage;
    PixelBuffer image(static_cast<uint64_t>(size));
    if (!image.get())
        return kNoMemory;
    LONG filled = size;
    if (FAILED(video->GetCurrentImage(&filled, reinterpret_cast<LONG*>(image.get()))))
        return kUnusableImage;

    DrawInfo draw(image.get());
    const BITMAPINFOHEADER& header = draw.info.bmiHeader;
    const uint64_t pixels = pixelBytes(header);
    if (pixels == 0 || sizeof(BITMAPINFOHEADER) + pixels > static_cast<uint64_t>(size))
        return kUnusableImage;

    // The native size is the source extent; it may not reach outside the
    // image that was delivered (a renderer may also report no native size).
    const LONG sourceWidth = nativeWidth > 0 ? std::min(nativeWidth, header.biWidth) : header.biWidth;
    const LONG sourceHeight = nativeHeight > 0 ? std::min(nativeHeight, rows(header)) : rows(header);
    int lines = platform::stretchDIBitsFn(reinterpret_cast<HDC>(dc), x, y, width, height, 0, 0, sourceWidth,
                                          sourceHeight, image.get() + sizeof(BITMAPINFOHEADER), &draw.info,
                                          DIB_RGB_COLORS, static_cast<DWORD>(rop));
    return lines > 0 ? 0 : kNothingDrawn;
}

int OMBRIX_CALL omb_CaptureVideoEx(omb_handle dc, int x, int y, int width, int height) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return kNotOpen;
    // A negative part draws nothing; a positive one must end inside 32 bits.
    if (!arguments::deviceContext(dc) || !arguments::spanFits(x, width > 0 ? width : 0) ||
        !arguments::spanFits(y, height > 0 ? height : 0))
        return arguments::kRefused;
    if (!p.sampleGrabber)
        return kNoGrabber;

    // Each query hands out a new format block; the previous one goes first.
    platform::freeMediaTypeFormat(p.grabberMediaType);
    HRESULT hr = p.sampleGrabber->GetConnectedMediaType(&p.grabberMediaType);
    const AM_MEDIA_TYPE& type = p.grabberMediaType;
    if (FAILED(hr) || type.formattype != ids::FORMAT_VideoInfo || !type.pbFormat ||
        type.cbFormat < sizeof(VIDEOINFOHEADER))
        return kNotConnected;
    DrawInfo draw(&reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader);
    const BITMAPINFOHEADER& header = draw.info.bmiHeader;
    const uint64_t pixels = pixelBytes(header);
    if (pixels == 0)
        return kNotConnected;

    // The sample size may understate a frame (some grabbers report 1); the
    // buffer is as large as the header says a frame is.
    const uint64_t capacity = std::max<uint64_t>(type.lSampleSize, pixels);
    PixelBuffer frame(capacity);
    if (!frame.get())
        return kNoMemory;
    LONG filled = static_cast<LONG>(capacity);
    if (FAILED(p.sampleGrabber->GetCurrentBuffer(&filled, reinterpret_cast<LONG*>(frame.get()))) || filled < 0 ||
        static_cast<uint64_t>(filled) < pixels)
        return kNoFrame;

    // Only the frame's own rows and columns can be copied: GDI reads one
    // scan line from the buffer for every line it is told to draw.
    const int copyWidth = std::clamp(width, 0, static_cast<int>(header.biWidth));
    const int copyHeight = std::clamp(height, 0, static_cast<int>(rows(header)));
    int lines = platform::setDIBitsToDeviceFn(reinterpret_cast<HDC>(dc), x, y, static_cast<DWORD>(copyWidth),
                                              static_cast<DWORD>(copyHeight), 0, 0, 0,
                                              static_cast<UINT>(copyHeight), frame.get(), &draw.info,
                                              DIB_RGB_COLORS);
    return lines > 0 ? 0 : kNothingDrawn;
}

omb_handle OMBRIX_CALL GetHWNDtoHDC(omb_handle window) noexcept
{
    // Null asks for the screen's DC; any other value must be a window.
    if (!arguments::windowOrNull(window))
        return 0;
    return reinterpret_cast<omb_handle>(platform::getDCFn(reinterpret_cast<HWND>(window)));
}

} // extern "C"
