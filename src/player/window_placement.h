// Placement of the video window that the graph's renderer shows, shared by
// omb_Play and omb_Resize.
#pragma once
#include <windows.h>

#include "player/player.h"

namespace ombrix {

// Makes the renderer's window a visible child of owner at the rectangle
// (relative to owner's client area) through the graph's IVideoWindow. The
// results of the individual calls are not examined. Returns false when the
// graph offers no IVideoWindow, and then calls nothing.
bool placeVideoWindow(Player& p, HWND owner, int left, int top, int width, int height);

} // namespace ombrix
