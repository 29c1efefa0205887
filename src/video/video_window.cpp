// The video window of the open graph: placement, full screen, the cursor,
// the native video size and single window properties by selector.
//
// Everything goes through the IVideoWindow and IBasicVideo interfaces that
// the graph manager forwards to its renderer. A renderer that does not
// support them (EVR, audio only, Null Renderer) makes the forwarded calls
// fail; a getter that fails or writes nothing is reported as OMB_E_NO_ANSWER
// rather than as a made-up value.
#include <climits>

#include "ombrix.h"
#include "platform/com.h"
#include "platform/ids.h"
#include "player/arguments.h"
#include "player/window_placement.h"

namespace ombrix {
namespace {


// Getters start from this value; one that is still there after the call
// was not written. No property the selectors read can take it (a colour has
// bits 24..31 clear, a boolean is 0 or -1, and no window spans 2^31 pixels).
constexpr LONG kUnwritten = LONG_MIN;

// Fills the call-scoped slot; OMB_E_NO_VIDEO_WINDOW when the graph has no
// IVideoWindow.
int askForVideoWindow(Player& p)
{
    return queryGraph(p, ids::IID_IVideoWindow, p.videoWindow, OMB_E_NO_VIDEO_WINDOW);
}

// Modes whose video window omb_Resize and omb_SetHideCursor leave alone: the
// EVR is placed by omb_Play alone, and the other two have no window.
bool windowlessMode(const Player& p) { return p.openMode >= OpenMode_Evr; }

int answer(HRESULT hr, LONG value)
{
    return FAILED(hr) || value == kUnwritten ? OMB_E_NO_ANSWER : static_cast<int>(value);
}

// The reading selectors that take one LONG each.
HRESULT readProperty(IVideoWindow* window, int selector, LONG* value)
{
    switch (selector) {
    case 0: return window->get_AutoShow(value);
    case 1: return window->get_BackgroundPalette(value);
    case 2:
    case 3:
    case 4: return window->get_BorderColor(value);
    case 6: return window->get_FullScreenMode(value);
    case 7: return window->get_Height(value);
    case 8: return window->get_Left(value);
    case 10: return window->get_Top(value);
    case 11: return window->get_Visible(value);
    case 12: return window->get_Width(value);
    case 17: return window->IsCursorHidden(value);
    default: return E_UNEXPECTED; // not reached: the caller handles the rest
    }
}

// The two switches of the video window: selector `on` sets OATRUE, the
// other of 0 and 1 sets OAFALSE (results not examined), 2 asks, and any
// other selector does nothing. All give 0 but the question.
template <class Set, class Ask>
int switchOrAsk(Player& p, int selector, int on, Set set, Ask ask)
{
    CallScoped<IVideoWindow> video(p.videoWindow);
    if (int code = askForVideoWindow(p))
        return code;
    if (selector == 0 || selector == 1) {
        set(video.get(), selector == on ? OATRUE : OAFALSE);
        return 0;
    }
    return selector == 2 ? ask(video.get()) : 0;
}

} // namespace
} // namespace ombrix

using namespace ombrix;

extern "C" {

int OMBRIX_CALL omb_Resize(omb_handle owner, int left, int top, int width, int height) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    // Nothing is placed in these modes, so nothing of the host's is judged.
    if (windowlessMode(p))
        return 0;
    if (!arguments::windowOrNull(owner) || !arguments::placementFits(left, top, width, height))
        return OMB_E_REFUSED;
    return placeVideoWindow(p, reinterpret_cast<HWND>(owner), left, top, width, height) ? 0 : OMB_E_NO_VIDEO_WINDOW;
}

int OMBRIX_CALL omb_FullScreen(int selector) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    return switchOrAsk(
        p, selector, 1, [](IVideoWindow* video, LONG on) { video->put_FullScreenMode(on); },
        [](IVideoWindow* video) {
            // Unlike the other getters, no answer reads as "not full screen".
            LONG mode = 0;
            video->get_FullScreenMode(&mode);
            return static_cast<int>(mode);
        });
}

int OMBRIX_CALL omb_SetHideCursor(int selector) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (windowlessMode(p))
        return 0;
    // 0 hides and 1 shows: the reverse sense of omb_FullScreen.
    return switchOrAsk(
        p, selector, 0, [](IVideoWindow* video, LONG hide) { video->HideCursor(hide); },
        [](IVideoWindow* video) {
            LONG hidden = kUnwritten;
            HRESULT hr = video->IsCursorHidden(&hidden);
            return answer(hr, hidden);
        });
}

int OMBRIX_CALL omb_GetVideoSize(int selector) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (selector != 0 && selector != 1)
        return OMB_E_BAD_SELECTOR;
    ComPtr<IBasicVideo> video;
    if (int code = queryGraph(p, ids::IID_IBasicVideo, video, OMB_E_NO_ANSWER))
        return code;
    LONG size = kUnwritten;
    HRESULT hr = selector == 0 ? video->get_VideoWidth(&size) : video->get_VideoHeight(&size);
    return answer(hr, size);
}

int OMBRIX_CALL omb_GetVideoWindow(int selector) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    CallScoped<IVideoWindow> video(p.videoWindow);
    if (selector < 0 || selector > 17 || selector == 5)
        return OMB_E_BAD_SELECTOR;
    if (int code = askForVideoWindow(p))
        return code;

    if (selector == 9) {
        OAHWND owner = kUnwritten;
        HRESULT hr = video->get_Owner(&owner);
        // A window handle's significant bits fit the 32-bit result.
        return FAILED(hr) || owner == kUnwritten ? OMB_E_NO_ANSWER : static_cast<int>(owner);
    }
    if (selector >= 13 && selector <= 16) {
        LONG width = kUnwritten, height = kUnwritten;
        HRESULT hr = selector <= 14 ? video->GetMaxIdealImageSize(&width, &height)
                                    : video->GetMinIdealImageSize(&width, &height);
        return answer(hr, selector % 2 == 1 ? width : height);
    }

    LONG value = kUnwritten;
    HRESULT hr = readProperty(video.get(), selector, &value);
    if (selector >= 2 && selector <= 4 && answer(hr, value) != OMB_E_NO_ANSWER)
        return static_cast<int>((static_cast<DWORD>(value) >> (8 * (selector - 2))) & 0xFF);
    return answer(hr, value);
}

int OMBRIX_CALL omb_SetVideoWindow(int selector, int value) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    CallScoped<IVideoWindow> video(p.videoWindow);
    if (selector < 0 || selector > 11 || selector == 3)
        return OMB_E_BAD_SELECTOR;
    // Selector 7 makes value the video window's owner: it must be a window.
    if (selector == 7 && !arguments::windowOrNull(value))
        return OMB_E_REFUSED;
    if (int code = askForVideoWindow(p))
        return code;
    switch (selector) {
    case 0: return video->put_AutoShow(value);
    case 1: return video->put_BackgroundPalette(value);
    case 2: return video->put_BorderColor(value);
    case 4: return video->put_FullScreenMode(value);
    case 5: return video->put_Height(value);
    case 6: return video->put_Left(value);
    case 7: return video->put_Owner(static_cast<OAHWND>(value));
    case 8: return video->put_Top(value);
    case 9: return video->put_Visible(value);
    case 10: return video->put_Width(value);
    default: return video->SetWindowForeground(value); // 11
    }
}

} // extern "C"
