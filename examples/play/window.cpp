// The player window: its class and procedure, the fitted video, the status
// line and its font.
#include "app.h"

namespace host {
namespace {

RECT videoArea()
{
    RECT client{};
    GetClientRect(app.window, &client);
    client.bottom = client.bottom > kStatusHeight ? client.bottom - kStatusHeight : 1;
    return client;
}

int CALLBACK fontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
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

// A key that acts while a grab holds the graph is not lost silently: the
// status line says why nothing happened. Esc always acts.
bool keyMayAct(UINT message, WPARAM key)
{
    if (!app.grab.pending)
        return true;
    std::string name;
    if (message == WM_CHAR) {
        if (key == '+' || key == '=' || key == '-' || key == '.')
            name = std::string(1, static_cast<char>(key));
    } else {
        switch (key) {
        case VK_ESCAPE: return true;
        case VK_SPACE: name = "Space"; break;
        case VK_LEFT: name = "Left"; break;
        case VK_RIGHT: name = "Right"; break;
        case VK_UP: name = "Up"; break;
        case VK_DOWN: name = "Down"; break;
        case 'F': case 'H': case 'G': case 'O': case 'I': case 'P':
            name = std::string(1, static_cast<char>(key));
            break;
        }
    }
    if (!name.empty())
        act(name + ": not now, a frame grab is in progress");
    return false;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        forEachOpenClip([window](Clip& clip) {
            play::Rect r = fitted(clip);
            int code = omb_Resize(reinterpret_cast<omb_handle>(window), r.left, r.top, r.width, r.height);
            if (code != 0)
                act(call((clipLabel(clip) + "omb_Resize").c_str(), code));
        });
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_KEYDOWN:
        if (keyMayAct(message, wParam))
            onKey(wParam);
        return 0;
    case WM_CHAR:
        if (keyMayAct(message, wParam))
            onChar(wParam);
        return 0;
    case OMB_WM_PLAYEREVENT(0):
        onGraphEvent(app.first, wParam, lParam);
        return 0;
    case OMB_WM_PLAYEREVENT(1):
        onGraphEvent(app.second, wParam, lParam);
        return 0;
    case WM_TIMER:
        if (wParam == kTickTimer)
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
        KillTimer(window, kTickTimer);
        closeClips();
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

play::Rect fitted(const Clip& clip)
{
    RECT area = videoArea();
    return play::fitClip(clip.videoWidth, clip.videoHeight, area.right, area.bottom, app.options.second ? 2 : 1,
                         clip.player + 1);
}

void closeClips()
{
    forEachOpenClip([](Clip& clip) {
        int code = omb_Close();
        clip.open = false;
        if (code != 0)
            say(call((clipLabel(clip) + "omb_Close").c_str(), code));
    });
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
    // The two codes cannot be told from a volume of -1 or -2 hundredths; a
    // player never sets those, so they are codes.
    s.volumeCode = volume == OMB_E_NOT_OPEN || volume == OMB_E_NO_AUDIO ? volume : 0;
    s.volume = s.volumeCode ? 0 : volume;
    s.state = omb_GetState();
    s.second = app.options.second;
    if (app.second.open) {
        OnPlayer on(app.second);
        s.secondPosition = omb_GetNowPlayTime();
        s.secondDuration = omb_GetAllPlayTime();
    }
    RECT area{};
    GetClientRect(app.window, &area);
    area.top = area.bottom - kStatusHeight;
    InvalidateRect(app.window, &area, FALSE);
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
    // A second clip gets a part half as wide as the first's, right of it.
    RECT r{0, 0, app.options.second ? 960 : 640, 480 + kStatusHeight};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    std::wstring title = L"ombrix-play - " + play::widen(app.first.file);
    if (app.options.second)
        title += L" + " + play::widen(app.second.file);
    app.window = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40,
                                 r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    return app.window != nullptr;
}

} // namespace host
