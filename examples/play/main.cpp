// ombrix-play: a sample host of ombrix.dll. It plays one media file in a
// window of its own (the built-in sample clip when none is given), keeps the
// video fitted, repeats it forever through the library's worker window, and
// shows position, rate, volume and the last graph event in a status line.
// Every key calls one or two exports and shows what they returned.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bmp.h"
#include "media.h"
#include "ombrix.h"
#include "options.h"
#include "status.h"

namespace {

constexpr int kStatusHeight = 44;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 20;
constexpr DWORD kStatusEveryMs = 200;
constexpr DWORD kScreenSettleMs = 300;
constexpr DWORD kKeyEveryMs = 250;

struct App {
    play::Options options;
    std::string file;
    HWND window = nullptr;
    HFONT font = nullptr;
    int videoWidth = 0, videoHeight = 0;
    bool open = false;
    play::Status status;
    DWORD started = 0, lastStatus = 0;
    bool grabDone = false, shotDone = false;
    DWORD shotAt = 0;
    int exitCode = 0;
    int rate = 1000;        // the rate last asked for (the graph may ignore it)
    bool cursorHidden = false;
    bool overlay = false;
    bool busy = false;      // inside a wait that pumps messages
    bool sampleClip = false; // playing the built-in clip (video only)
    std::size_t nextKey = 0; // the next of options.keys to press
};

App app;

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string call(const char* what, int code)
{
    return std::string(what) + " = " + play::formatCode(code);
}

// The last key's effect goes to the status line, and to the console.
void act(const std::string& text)
{
    app.status.action = text;
    say(text);
    InvalidateRect(app.window, nullptr, FALSE);
}

RECT videoArea()
{
    RECT client{};
    GetClientRect(app.window, &client);
    client.bottom = client.bottom > kStatusHeight ? client.bottom - kStatusHeight : 1;
    return client;
}

play::Rect fitted()
{
    RECT area = videoArea();
    return play::fitRect(app.videoWidth, app.videoHeight, area.right, area.bottom);
}

int CALLBACK fontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// A font for the status line that holds the Japanese event texts.
HFONT statusFont()
{
    static const wchar_t* const faces[] = {L"Meiryo UI", L"Yu Gothic UI", L"MS UI Gothic", L"VL PGothic",
                                           L"VL Gothic", L"IPAPGothic", L"IPAGothic", L"Noto Sans CJK JP"};
    HDC dc = GetDC(nullptr);
    const wchar_t* chosen = L"MS Shell Dlg";
    for (const wchar_t* face : faces) {
        LOGFONTW want{};
        want.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(want.lfFaceName, face, LF_FACESIZE);
        bool found = false;
        EnumFontFamiliesExW(dc, &want, fontFound, reinterpret_cast<LPARAM>(&found), 0);
        if (found) {
            chosen = face;
            break;
        }
    }
    ReleaseDC(nullptr, dc);
    return CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH, chosen);
}

void refreshStatus()
{
    play::Status& s = app.status;
    s.position = omb_GetNowPlayTime();
    s.duration = omb_GetAllPlayTime();
    s.rate = omb_GetSpeed();
    int volume = omb_GetVolume(1);
    // -1 (not open) and -2 (no audio control) cannot be told from a volume
    // of -1 or -2 hundredths; a player never sets those, so they are codes.
    s.volumeCode = volume == -1 || volume == -2 ? volume : 0;
    s.volume = s.volumeCode ? 0 : volume;
    s.state = omb_GetState();
    RECT area{};
    GetClientRect(app.window, &area);
    area.top = area.bottom - kStatusHeight;
    InvalidateRect(app.window, &area, FALSE);
}

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
    bool ok() const { return bits != nullptr; }
    bool save(const std::string& path)
    {
        GdiFlush();
        return play::writeFile(path, play::encodeBmp24(width, height, bits, stride));
    }
};

// Dispatches this thread's messages for about ms milliseconds; input, timer
// and graph-event handlers do nothing meanwhile.
void pumpMessages(DWORD ms)
{
    app.busy = true;
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                app.busy = false;
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
    app.busy = false;
}

// Copies the current frame into canvas: the Sample Grabber's last frame, or
// else the renderer's image (which pauses the graph, so it is run again).
// Returns 0 or the failure code, and says in `how` what was called.
int captureFrame(DibCanvas& canvas, std::string& how)
{
    int code = omb_CaptureVideoEx(reinterpret_cast<omb_handle>(canvas.dc), 0, 0, canvas.width, canvas.height);
    how += call("omb_CaptureVideoEx", code);
    if (code != 0) {
        code = omb_CaptureVideo(reinterpret_cast<omb_handle>(canvas.dc), 0, 0, canvas.width, canvas.height, SRCCOPY);
        how += ", " + call("omb_CaptureVideo", code) + ", " + call("omb_Play2", omb_Play2());
    }
    return code;
}

// Saves the current frame, or with exactAt >= 0 the frame at that position:
// the graph is paused (omb_CaptureVideo pauses it), sought to the position,
// and once paused again it holds that frame, which the grabber copied on its
// way to the renderer; then the graph runs on.
bool grabFrame(const std::string& path, const char* key, double exactAt = -1)
{
    if (app.videoWidth <= 0 || app.videoHeight <= 0) {
        act(std::string(key) + ": no video size (" + play::formatCode(app.videoWidth) + "), nothing grabbed");
        return false;
    }
    DibCanvas canvas(app.videoWidth, app.videoHeight);
    if (!canvas.ok()) {
        act(std::string(key) + ": no bitmap for the frame");
        return false;
    }
    double at = omb_GetNowPlayTime();
    std::string how;
    int code = 0;
    if (exactAt >= 0) {
        DibCanvas before(app.videoWidth, app.videoHeight);
        how = call("omb_CaptureVideo", omb_CaptureVideo(reinterpret_cast<omb_handle>(before.dc), 0, 0, before.width,
                                                        before.height, SRCCOPY));
        // The frame the pause left in the grabber.
        int grabbed = omb_CaptureVideoEx(reinterpret_cast<omb_handle>(before.dc), 0, 0, before.width, before.height);
        how += ", " + call("omb_SetSeek", omb_SetSeek(exactAt));
        how += ", " + call("omb_GetState", omb_GetState());
        // The paused state is reported before the frame at the new position
        // has passed the grabber: wait (up to 1 s) until the grabbed frame
        // changes, pumping messages for a renderer window on this thread.
        DWORD start = GetTickCount();
        bool changed = false;
        do {
            pumpMessages(20);
            code = omb_CaptureVideoEx(reinterpret_cast<omb_handle>(canvas.dc), 0, 0, canvas.width, canvas.height);
            GdiFlush();
            changed = code == 0 && grabbed == 0 && before.ok() &&
                      std::memcmp(canvas.bits, before.bits, static_cast<std::size_t>(canvas.stride) * canvas.height);
        } while (grabbed == 0 && !changed && GetTickCount() - start < 1000);
        how += ", " + call("omb_CaptureVideoEx", code);
        if (code == 0)
            how += changed ? " (the new frame came)" : " (the frame stayed)";
        else // no grabber: the paused renderer shows the frame at the new position
            how += ", " + call("omb_CaptureVideo", code = omb_CaptureVideo(reinterpret_cast<omb_handle>(canvas.dc), 0,
                                                                           0, canvas.width, canvas.height, SRCCOPY));
        at = exactAt;
    } else {
        code = captureFrame(canvas, how);
    }
    if (exactAt >= 0)
        how += ", " + call("omb_Play2", omb_Play2());
    if (code != 0) {
        act(std::string(key) + ": no frame grabbed (" + how + ")");
        return false;
    }
    if (!canvas.save(path)) {
        act(std::string(key) + ": cannot write " + path);
        return false;
    }
    char line[64];
    std::snprintf(line, sizeof line, " at %.3f s", at);
    act(std::string(key) + ": grabbed " + path + line + " (" + how + ")");
    return true;
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

void showInfo()
{
    std::string text = "I: frame rate " + play::formatCode(omb_GetAvgFrameRate()) + ", sync offset " +
                       play::formatCode(omb_GetAvgSyncOffset()) + ", dev " + play::formatCode(omb_GetDevSyncOffset()) +
                       ", drawn " + play::formatCode(omb_GetFramesDrawn()) + ", dropped " +
                       play::formatCode(omb_GetFramesDroppedInRenderer()) + ", jitter " +
                       play::formatCode(omb_GetJitter());
    int filters = GetDSFilterNum();
    text += "; " + std::to_string(filters) + " filters registered";
    act(text);
    for (int i = 0; i < filters; ++i) {
        std::vector<char> name(1000, '\0');
        GetDSFilterName(i, name.data());
        say("  filter " + std::to_string(i) + ": " + name.data());
    }
}

// Fills area with back and writes text into box in the player's font.
void drawPanel(HDC dc, const RECT& area, COLORREF back, COLORREF fore, RECT box, const std::wstring& text,
               UINT format)
{
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, fore);
    HGDIOBJ old = SelectObject(dc, app.font);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
    SelectObject(dc, old);
}

// A caption bitmap laid over the video (the mixing renderers only).
void toggleOverlay()
{
    if (app.overlay) {
        act(call("O: omb_VMRMixImage (clear)",
                 omb_VMRMixImage(0, 0, 0, 0, 0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0, 0, 0)));
        app.overlay = false;
        return;
    }
    const int w = 192, h = 32;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT r{0, 0, w, h};
    drawPanel(dc, r, RGB(0, 0, 128), RGB(255, 255, 255), r, L"ombrix caption",
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    int code = omb_VMRMixImage(reinterpret_cast<omb_handle>(dc), 0, 0, w, h, 0.8f, 0.05f, 0.85f, 0.55f, 0.97f, 0,
                               0, 0, 0);
    app.overlay = code == 0;
    act(call("O: omb_VMRMixImage", code));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

const wchar_t* rendererName(int mode)
{
    switch (mode) {
    case 2: return L"VMR";
    case 3: return L"VMR9";
    case 4: return L"Enhanced Video Renderer";
    case 6: return L"Renderer";
    default: return L"Video Renderer";
    }
}

void onKey(WPARAM key)
{
    switch (key) {
    case VK_SPACE: {
        int state = omb_GetState();
        act(state == 2 ? call("Space: omb_Stop", omb_Stop()) : call("Space: omb_Play2", omb_Play2()));
        break;
    }
    case VK_LEFT:
    case VK_RIGHT: {
        double target =
            play::seekTarget(omb_GetNowPlayTime(), key == VK_LEFT ? -5.0 : 5.0, omb_GetAllPlayTime());
        act(call(key == VK_LEFT ? "Left: omb_SetSeek" : "Right: omb_SetSeek", omb_SetSeek(target)));
        break;
    }
    case VK_UP:
    case VK_DOWN: {
        int volume = omb_GetVolume(1), balance = omb_GetVolume(0);
        if (volume == -1 || volume == -2)
            volume = 0;
        if (balance == -1 || balance == -2)
            balance = 0;
        int next = play::stepVolume(volume, key == VK_UP ? 1 : -1);
        act(call(key == VK_UP ? "Up: omb_SetVolume" : "Down: omb_SetVolume", omb_SetVolume(balance, next)) +
            " (asked " + std::to_string(next) + ", reads " + play::formatCode(omb_GetVolume(1)) + ")");
        break;
    }
    case 'F': {
        int full = omb_FullScreen(2);
        int code = omb_FullScreen(full == -1 ? 0 : 1);
        act(call(full == -1 ? "F: omb_FullScreen(0)" : "F: omb_FullScreen(1)", code) + " (was " +
            play::formatCode(full) + ")");
        if (code == 0 && full == -1)
            PostMessageW(app.window, WM_SIZE, 0, 0); // back in the window: fit it again
        break;
    }
    case 'H': {
        int code = omb_SetHideCursor(app.cursorHidden ? 1 : 0);
        if (code == 0)
            app.cursorHidden = !app.cursorHidden;
        act(call(app.cursorHidden ? "H: omb_SetHideCursor(0)" : "H: omb_SetHideCursor(1)", code) + ", asks " +
            play::formatCode(omb_SetHideCursor(2)));
        break;
    }
    case 'G': {
        std::string path = play::numberedName("", "grab", 1, [](const std::string& p) {
            return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES;
        });
        grabFrame(path, "G");
        break;
    }
    case 'O': toggleOverlay(); break;
    case 'I': showInfo(); break;
    case 'P': act(call("P: omb_FillterProp", omb_FillterProp(reinterpret_cast<omb_handle>(app.window),
                                                               rendererName(app.options.mode)))); break;
    case VK_ESCAPE: PostMessageW(app.window, WM_CLOSE, 0, 0); break;
    }
}

void onChar(WPARAM ch)
{
    if (ch == '+' || ch == '=' || ch == '-') {
        app.rate = play::stepRate(app.rate, ch == '-' ? -1 : 1);
        int code = omb_SetSpeed2(app.rate);
        char asked[32];
        std::snprintf(asked, sizeof asked, " (asked %d.%03d, reads ", app.rate / 1000, app.rate % 1000);
        act(call(ch == '-' ? "-: omb_SetSpeed2" : "+: omb_SetSpeed2", code) + asked +
            play::formatCode(omb_GetSpeed()) + ")");
    } else if (ch == '.') {
        act(call(".: omb_SetFrameStep(1)", omb_SetFrameStep(1)) + ", omb_CanFrameStep(0) = " +
            play::formatCode(omb_CanFrameStep(0)));
    }
}

// Graph events: forwarded by the worker window (wParam = lParam = code), or
// posted by the graph itself (wParam 0) when the worker could not be started,
// in which case the events are taken here and the media repeated here.
void onGraphEvent(WPARAM wParam, LPARAM lParam)
{
    std::vector<int> codes;
    if (wParam != 0 || lParam != 0) {
        codes.push_back(static_cast<int>(wParam));
    } else {
        for (int code; (code = omb_GetStopped()) > 0;) {
            codes.push_back(code);
            if (code == 1)
                omb_SetSeek(0.0), omb_Play2();
        }
    }
    for (int code : codes) {
        app.status.eventCode = code;
        app.status.eventText = play::decodeCp932(omb_GetMediaEvStr(code));
        if (!app.options.quiet)
            say("event " + std::to_string(code) + ": " + play::toUtf8(app.status.eventText));
    }
    refreshStatus();
}

void onTick()
{
    DWORD now = GetTickCount();
    double elapsed = (now - app.started) / 1000.0;
    if (app.options.grab && !app.grabDone &&
        play::grabDue(omb_GetNowPlayTime(), elapsed, app.options.grabAt)) {
        app.grabDone = true;
        // The exact frame needs a seek, and under Wine a seek followed by
        // a stop hangs a graph with audio: files that may have audio (an
        // audio control answers) get the frame that is current when the
        // position passes the grab time. The sample clip has none.
        int volume = omb_GetVolume(1);
        bool exact = app.sampleClip || volume == -2;
        if (!exact)
            say("grab: the file has audio (omb_GetVolume(1) = " + play::formatCode(volume) +
                "), so the frame is taken as it plays, without a seek");
        if (!grabFrame(app.options.grabPath, "grab", exact ? app.options.grabAt : -1.0))
            app.exitCode = 3;
    }
    // Scripted keys, one every kKeyEveryMs from 1 s on.
    if (app.nextKey < app.options.keys.size() && elapsed >= 1.0 + app.nextKey * (kKeyEveryMs / 1000.0)) {
        int vk = 0, ch = 0;
        play::keyFromScript(app.options.keys[app.nextKey++], vk, ch);
        if (vk)
            onKey(static_cast<WPARAM>(vk));
        else
            onChar(static_cast<WPARAM>(ch));
    }
    if (now - app.lastStatus >= kStatusEveryMs) {
        app.lastStatus = now;
        refreshStatus();
    }
    if (app.options.seconds > 0 && elapsed >= app.options.seconds) {
        if (app.options.grab && !app.grabDone) {
            say("grab: the position never reached " + std::to_string(app.options.grabAt) + " s");
            app.grabDone = true;
            app.exitCode = 3;
        }
        if (!app.options.screenshotPath.empty() && !app.shotDone) {
            // Paint the latest status first and read the screen a little
            // later, once the painting has reached it.
            if (!app.shotAt) {
                refreshStatus();
                UpdateWindow(app.window);
                app.shotAt = now;
                return;
            }
            if (now - app.shotAt < kScreenSettleMs)
                return;
            app.shotDone = true;
            if (!screenshot(app.options.screenshotPath))
                app.exitCode = 3;
        }
        app.options.seconds = 0;
        PostMessageW(app.window, WM_CLOSE, 0, 0);
    }
}

void paintStatus(HDC dc)
{
    RECT client{};
    GetClientRect(app.window, &client);
    RECT bar = client;
    bar.top = bar.bottom - kStatusHeight;
    RECT text = bar;
    InflateRect(&text, -6, -3);
    drawPanel(dc, bar, RGB(32, 32, 40), RGB(240, 240, 240), text, play::formatStatus(app.status),
              DT_WORDBREAK | DT_NOPREFIX);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (app.open) {
            play::Rect r = fitted();
            int code = omb_Resize(reinterpret_cast<omb_handle>(window), r.left, r.top, r.width, r.height);
            if (code != 0)
                act(call("omb_Resize", code));
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    case WM_KEYDOWN:
        if (!app.busy)
            onKey(wParam);
        return 0;
    case WM_CHAR:
        if (!app.busy)
            onChar(wParam);
        return 0;
    case OMB_WM_GRAPHEVENT:
        if (!app.busy || wParam != 0)
            onGraphEvent(wParam, lParam);
        return 0;
    case WM_TIMER:
        if (wParam == kTickTimer && !app.busy)
            onTick();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        paintStatus(dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_CLOSE:
        // The graph goes first: its video window is a child of this one.
        KillTimer(window, kTickTimer);
        if (app.open) {
            int code = omb_Close();
            app.open = false;
            if (code != 0)
                say(call("omb_Close", code));
        }
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The built-in sample clip, written to the temporary folder on first use:
// 3 s of 320x240 video at 25 fps whose frames carry their index in their
// colour (no audio, so the automatic repeat's seek is safe on every platform).
std::string sampleClip()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string path = std::string(temp) + "ombrix-sample-320x240-25fps-3s.avi";
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return path;
    media::Clip clip;
    clip.width = 320, clip.height = 240, clip.fps = 25, clip.frames = 75, clip.audio = false;
    try {
        media::writeAvi(path, clip);
    } catch (const std::exception& e) {
        say(std::string("ombrix-play: cannot write the sample clip: ") + e.what());
        return {};
    }
    say("ombrix-play: wrote the sample clip " + path);
    return path;
}

bool createWindow(HINSTANCE instance)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"ombrix-play";
    if (!RegisterClassExW(&wc))
        return false;
    RECT r{0, 0, 640, 480 + kStatusHeight};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    std::wstring title = L"ombrix-play - " + play::widen(app.file);
    app.window = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40,
                                 r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    return app.window != nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    SetConsoleOutputCP(CP_UTF8);
    play::ParseResult parsed = play::parseOptions(std::vector<std::string>(argv, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "ombrix-play: %s\n%s", parsed.error.c_str(), play::usageText().c_str());
        return 2;
    }
    app.options = parsed.options;
    if (app.options.help) {
        std::printf("%s", play::usageText().c_str());
        return 0;
    }
    app.sampleClip = app.options.file.empty();
    app.file = app.sampleClip ? sampleClip() : app.options.file;
    if (app.file.empty())
        return 1;

    omb_Init();
    omb_UseCaptureVideoEx(app.options.grabber ? 1 : 0);
    if (!createWindow(GetModuleHandleW(nullptr))) {
        say("ombrix-play: cannot create the window");
        return 1;
    }
    app.font = statusFont();
    int worker = omb_CreateThread(reinterpret_cast<omb_handle>(app.window), 1);
    if (worker < 0)
        say(call("ombrix-play: omb_CreateThread", worker) + " (no automatic repeat by the worker window)");

    int code = omb_Open(app.file.c_str(), app.options.mode, 0, 0, 0);
    if (code != 0) {
        bool missing = GetFileAttributesA(app.file.c_str()) == INVALID_FILE_ATTRIBUTES;
        std::fprintf(stderr, "ombrix-play: cannot open \"%s\": omb_Open returned %d (%s)%s\n", app.file.c_str(), code,
                     play::describeOpenCode(code).c_str(), missing ? "; the file does not exist" : "");
        DestroyWindow(app.window);
        omb_Exit();
        return 1;
    }
    app.open = true;
    say(std::string("ombrix-play: opened ") + app.file + " in mode " + std::to_string(app.options.mode) + " (" +
        play::modeName(app.options.mode) + ")");
    if (app.options.grabber) {
        int buffered = omb_SetCaptureBufferSamples(1);
        if (buffered != 0)
            say(call("omb_SetCaptureBufferSamples(1)", buffered) + " (grabs use the renderer image)");
    }
    omb_handle events = worker > 0 ? omb_GetThreadHWND() : reinterpret_cast<omb_handle>(app.window);
    int evCode = omb_SetEvHWND(events);
    if (evCode != 0)
        say(call("omb_SetEvHWND", evCode));

    app.videoWidth = omb_GetVideoSize(0);
    app.videoHeight = omb_GetVideoSize(1);
    if (app.videoWidth <= 0 || app.videoHeight <= 0)
        say("omb_GetVideoSize = " + play::formatCode(app.videoWidth) + " x " + play::formatCode(app.videoHeight) +
            " (no video size)");
    else
        say("video " + std::to_string(app.videoWidth) + "x" + std::to_string(app.videoHeight) + ", duration " +
            play::formatClock(omb_GetAllPlayTime()));

    ShowWindow(app.window, SW_SHOW);
    UpdateWindow(app.window);
    play::Rect r = fitted();
    int played = omb_Play(reinterpret_cast<omb_handle>(app.window), r.left, r.top, r.width, r.height);
    app.status.action = call("omb_Play", played);
    if (played != 0)
        say(app.status.action);
    app.started = GetTickCount();
    SetTimer(app.window, kTickTimer, kTickMs, nullptr);
    refreshStatus();

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (app.font)
        DeleteObject(app.font);
    omb_Exit();
    return app.exitCode;
}
