// Frame grabs into 24-bit DIB sections (the Sample Grabber's last frame, else
// the renderer's image) and the picture of the player window.
#include <cstdio>
#include <cstring>
#include <utility>

#include "app.h"
#include "bmp.h"

namespace host {

// A 24-bit DIB section of the given size in a memory DC, for the library to
// draw into.
struct DibCanvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    std::uint8_t* bits = nullptr;
    int width = 0, height = 0, stride = 0;

    DibCanvas(int w, int h) : width(w), height(h), stride((w * 3 + 3) & ~3)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h; // bottom-up, as a BMP file stores it
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<std::uint8_t*>(p);
        if (bitmap)
            old = SelectObject(dc, bitmap);
    }
    ~DibCanvas()
    {
        if (old)
            SelectObject(dc, old);
        if (bitmap)
            DeleteObject(bitmap);
        if (dc)
            DeleteDC(dc);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
    omb_handle handle() const { return reinterpret_cast<omb_handle>(dc); }
    bool ok() const { return bits != nullptr; }
    bool sameAs(const DibCanvas& other) const
    {
        GdiFlush();
        return std::memcmp(bits, other.bits, static_cast<std::size_t>(stride) * height) == 0;
    }
    bool save(const std::string& path) const
    {
        GdiFlush();
        return play::writeFile(path, play::encodeBmp24(width, height, bits, stride));
    }
};

namespace {

// How long an exact grab waits for the grabber's frame to settle, before
// the seek and for the frame at the new position after it; and how long a
// frame must stay put to count as settled.
constexpr DWORD kFrameWait = 3000;
constexpr DWORD kSettleMs = 200;

std::shared_ptr<DibCanvas> videoCanvas(const std::string& key)
{
    if (app.first.videoWidth <= 0 || app.first.videoHeight <= 0) {
        act(key + ": no video size (" + play::formatCode(app.first.videoWidth) + "), nothing grabbed");
        return nullptr;
    }
    auto canvas = std::make_shared<DibCanvas>(app.first.videoWidth, app.first.videoHeight);
    if (!canvas->ok()) {
        act(key + ": no bitmap for the frame");
        return nullptr;
    }
    return canvas;
}

// Saves the frame and says how it was taken; false when there is none.
bool finish(const DibCanvas& canvas, int code, const std::string& path, const std::string& key, double at,
            const std::string& how)
{
    if (code != 0) {
        act(key + ": no frame grabbed (" + how + ")");
        return false;
    }
    if (!canvas.save(path)) {
        act(key + ": cannot write " + path);
        return false;
    }
    char line[64];
    std::snprintf(line, sizeof line, " at %.3f s", at);
    act(key + ": grabbed " + path + line + " (" + how + ")");
    return true;
}

} // namespace

// The current frame: the Sample Grabber's, or else the renderer's image
// (which pauses the graph, so it is run again).
bool grabNow(const std::string& path, const char* key)
{
    auto canvas = videoCanvas(key);
    if (!canvas)
        return false;
    double at = omb_GetNowPlayTime();
    int code = omb_CaptureVideoEx(canvas->handle(), 0, 0, canvas->width, canvas->height);
    std::string how = call("omb_CaptureVideoEx", code);
    if (code != 0) {
        code = omb_CaptureVideo(canvas->handle(), 0, 0, canvas->width, canvas->height, SRCCOPY);
        how += ", " + call("omb_CaptureVideo", code) + ", " + call("omb_Play2", omb_Play2());
    }
    return finish(*canvas, code, path, key, at, how);
}

// The frame at a position: the graph is paused (omb_CaptureVideo pauses it)
// and sought; once paused again it holds that frame, which the grabber copied
// on its way to the renderer. The timer then looks each tick (advanceGrab).
// A frame that was on its way when the pause or the seek's flush came may
// still pass the grabber a moment later (seen under load: frame 27 taken
// for 30), so a frame counts only once it has stayed put for kSettleMs: the
// grabber's frame before the seek, and then the first frame after it that
// differs from that one. The graph then runs on.
void startExactGrab(const std::string& path, const char* key, double at, bool automated)
{
    GrabJob job;
    job.path = path, job.key = key, job.at = at, job.automated = automated;
    job.frame = videoCanvas(key);
    if (!job.frame) {
        if (automated)
            app.exitCode = 3;
        return;
    }
    job.latest = std::make_shared<DibCanvas>(app.first.videoWidth, app.first.videoHeight);
    DibCanvas& latest = *job.latest;
    job.how = call("omb_CaptureVideo",
                   omb_CaptureVideo(latest.handle(), 0, 0, latest.width, latest.height, SRCCOPY));
    job.how += ", " + call("omb_GetState", omb_GetState());
    job.beforeCode = omb_CaptureVideoEx(latest.handle(), 0, 0, latest.width, latest.height);
    job.started = job.stableSince = GetTickCount();
    job.pending = true;
    app.grab = std::move(job);
}

namespace {

// Grabs into the scratch canvas; a frame other than the latest becomes the
// latest, and its settling starts again.
int grabLatest(GrabJob& job, DWORD now)
{
    DibCanvas& frame = *job.frame;
    const int code = omb_CaptureVideoEx(frame.handle(), 0, 0, frame.width, frame.height);
    if (code == 0 && job.latest->ok() && !frame.sameAs(*job.latest)) {
        std::swap(job.frame, job.latest);
        job.stableSince = now;
    }
    return code;
}

} // namespace

void advanceGrab()
{
    GrabJob& job = app.grab;
    if (!job.pending)
        return;
    const DWORD now = GetTickCount();
    const bool grabber = job.beforeCode == 0;
    int code = grabber ? grabLatest(job, now) : job.beforeCode;
    const bool settled = now - job.stableSince >= kSettleMs;
    const bool late = now - job.started >= kFrameWait;
    if (!job.sought) {
        if (grabber && !settled && !late)
            return;
        job.before = std::move(job.latest);
        job.latest = std::make_shared<DibCanvas>(job.before->width, job.before->height);
        job.how += ", " + call("omb_SetSeek", omb_SetSeek(job.at));
        job.how += ", " + call("omb_GetState", omb_GetState());
        job.sought = true;
        job.started = job.stableSince = GetTickCount();
        return;
    }
    const bool changed = code == 0 && job.before->ok() && !job.latest->sameAs(*job.before);
    if (grabber && !(changed && settled) && !late)
        return; // not yet: the next tick looks again
    job.pending = false;
    DibCanvas& frame = *job.latest;
    job.how += ", " + call("omb_CaptureVideoEx", code);
    if (code == 0) {
        job.how += changed ? " (the new frame came)" : " (the frame stayed)";
    } else { // no grabber: the paused renderer shows the frame at the new position
        code = omb_CaptureVideo(frame.handle(), 0, 0, frame.width, frame.height, SRCCOPY);
        job.how += ", " + call("omb_CaptureVideo", code);
    }
    job.how += ", " + call("omb_Play2", omb_Play2());
    bool saved = finish(frame, code, job.path, job.key, job.at, job.how);
    if (!saved && job.automated)
        app.exitCode = 3;
    job.before.reset();
    job.latest.reset();
    job.frame.reset();
}

// The player window's client area as it is on the screen. Read from the
// screen DC, where the video renderer's pixels are (a window's own DC or
// PrintWindow leave out what the renderer drew).
bool screenshot(const std::string& path)
{
    RECT client{};
    GetClientRect(app.window, &client);
    POINT origin{0, 0};
    ClientToScreen(app.window, &origin);
    DibCanvas canvas(client.right, client.bottom);
    if (!canvas.ok())
        return false;
    HDC screen = GetDC(nullptr);
    BOOL copied = BitBlt(canvas.dc, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    bool saved = copied && canvas.save(path);
    say(saved ? "screenshot " + path : "screenshot failed: " + path);
    return saved;
}

} // namespace host
