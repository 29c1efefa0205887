// What each key does: one or two exports, and their codes on the status line.
#include <cstdio>
#include <vector>

#include "app.h"
#include "bmp.h"

namespace host {
namespace {

// The name of the renderer whose property pages P shows, by open mode.
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
    drawPanel(dc, r, RGB(0, 0, 128), RGB(255, 255, 255), r, L"ombrix caption", DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    int code = omb_VMRMixImage(reinterpret_cast<omb_handle>(dc), 0, 0, w, h, 0.8f, 0.05f, 0.85f, 0.55f, 0.97f, 0, 0, 0,
                               0);
    app.overlay = code == 0;
    act(call("O: omb_VMRMixImage", code));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
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

void seekBy(bool back)
{
    double target = play::seekTarget(omb_GetNowPlayTime(), back ? -5.0 : 5.0, omb_GetAllPlayTime());
    act(call(back ? "Left: omb_SetSeek" : "Right: omb_SetSeek", omb_SetSeek(target)));
}

void stepVolume(bool up)
{
    int volume = omb_GetVolume(1), balance = omb_GetVolume(0);
    if (volume == OMB_E_NOT_OPEN || volume == OMB_E_NO_AUDIO)
        volume = 0;
    if (balance == OMB_E_NOT_OPEN || balance == OMB_E_NO_AUDIO)
        balance = 0;
    int next = play::stepVolume(volume, up ? 1 : -1);
    act(call(up ? "Up: omb_SetVolume" : "Down: omb_SetVolume", omb_SetVolume(balance, next)) + " (asked " +
        std::to_string(next) + ", reads " + play::formatCode(omb_GetVolume(1)) + ")");
}

void toggleFullScreen()
{
    int full = omb_FullScreen(2);
    int code = omb_FullScreen(full == -1 ? 0 : 1);
    act(call(full == -1 ? "F: omb_FullScreen(0)" : "F: omb_FullScreen(1)", code) + " (was " +
        play::formatCode(full) + ")");
    if (code == 0 && full == -1)
        PostMessageW(app.window, WM_SIZE, 0, 0); // back in the window: fit it again
}

void toggleCursor()
{
    int code = omb_SetHideCursor(app.cursorHidden ? 1 : 0);
    if (code == 0)
        app.cursorHidden = !app.cursorHidden;
    act(call(app.cursorHidden ? "H: omb_SetHideCursor(0)" : "H: omb_SetHideCursor(1)", code) + ", asks " +
        play::formatCode(omb_SetHideCursor(2)));
}

} // namespace

void onKey(WPARAM key)
{
    switch (key) {
    case VK_SPACE: {
        int state = omb_GetState();
        act(state == 2 ? call("Space: omb_Stop", omb_Stop()) : call("Space: omb_Play2", omb_Play2()));
        break;
    }
    case VK_LEFT:
    case VK_RIGHT: seekBy(key == VK_LEFT); break;
    case VK_UP:
    case VK_DOWN: stepVolume(key == VK_UP); break;
    case 'F': toggleFullScreen(); break;
    case 'H': toggleCursor(); break;
    case 'G': {
        std::string path = play::numberedName("", "grab", 1, [](const std::string& p) {
            return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES;
        });
        grabNow(path, "G");
        break;
    }
    case 'O': toggleOverlay(); break;
    case 'I': showInfo(); break;
    case 'P':
        act(call("P: omb_FillterProp",
                 omb_FillterProp(reinterpret_cast<omb_handle>(app.window), rendererName(app.options.mode))));
        break;
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

} // namespace host
