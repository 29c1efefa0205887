#include "player/window_placement.h"

#include "platform/com.h"
#include "platform/ids.h"

namespace ombrix {

namespace {
constexpr LONG kVideoWindowStyle = WS_CHILD | WS_CLIPSIBLINGS; // 0x44000000
}

bool placeVideoWindow(Player& p, HWND owner, int left, int top, int width, int height)
{
    CallScoped<IVideoWindow> video(p.videoWindow);
    if (!platform::obtain(p.graph.Get(), ids::IID_IVideoWindow, p.videoWindow))
        return false;
    video->put_Owner(reinterpret_cast<OAHWND>(owner));
    video->put_WindowStyle(kVideoWindowStyle);
    video->SetWindowPosition(left, top, width, height);
    video->SetWindowForeground(OATRUE);
    video->put_Visible(OATRUE);
    return true;
}

} // namespace ombrix
