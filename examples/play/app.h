// The sample player's one application state and the functions its files
// share: window.cpp (the window, its painting and status line), capture.cpp
// (frame grabs and the window picture), keys.cpp (what each key does),
// automation.cpp (the timer: scripted keys, the timed grab, quitting, graph
// events) and main.cpp (start-up and the message loop).
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "ombrix.h"
#include "options.h"
#include "status.h"

namespace host {

struct DibCanvas; // capture.cpp

constexpr int kStatusHeight = 44;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 20;

// A grab of the frame at a position, which takes several timer ticks: the
// graph is paused and sought, then each tick checks whether the frame at the
// new position has reached the grabber.
struct GrabJob {
    bool pending = false;
    std::string path;
    std::string key;       // what the status line names it by ("G", "grab")
    double at = 0;
    std::string how;       // the calls made so far, with their codes
    // The grabber's frame before the seek; the newest frame it has shown
    // (the result, once the seek's frame has stayed put); a scratch canvas.
    std::shared_ptr<DibCanvas> before, latest, frame;
    int beforeCode = -1;   // omb_CaptureVideoEx's code for the frame before the seek
    bool sought = false;
    DWORD started = 0;     // of the current step (the settling, or the wait after the seek)
    DWORD stableSince = 0; // since when latest has not changed
    bool automated = false; // a failure sets the exit code 3
};

// A clip and the library's player that plays it: the first on player 0, the
// second (--second) on player 1. Player 0 is the current one throughout;
// the second's calls select player 1 for their duration (OnPlayer), so every
// key acts on the first clip.
struct Clip {
    explicit Clip(int onPlayer) : player(onPlayer) {}
    int player;
    std::string file;
    bool sampleClip = false; // the built-in clip (video only)
    bool open = false;
    int videoWidth = 0, videoHeight = 0;
};

class OnPlayer {
public:
    explicit OnPlayer(const Clip& clip) : saved_(omb_GetPlayer()) { omb_SelectPlayer(clip.player); }
    // The player that was current before, which is not always 0: this runs
    // inside the library's waits too (a status refresh while clip 2 closes).
    ~OnPlayer() { omb_SelectPlayer(saved_); }
    OnPlayer(const OnPlayer&) = delete;
    OnPlayer& operator=(const OnPlayer&) = delete;

private:
    int saved_;
};

struct App {
    play::Options options;
    Clip first{0}, second{1}; // the second is used with --second only
    HWND window = nullptr;
    HFONT font = nullptr;
    play::Status status;
    int rate = 1000;         // the rate last asked for (the graph may ignore it)
    bool cursorHidden = false;
    bool overlay = false;
    GrabJob grab;
    bool eventsWaiting = false; // graph events left queued while a grab runs
    // Automation (--seconds, --grab-at, --screenshot, --keys).
    DWORD started = 0, lastStatus = 0, shotAt = 0;
    bool grabDone = false, shotDone = false;
    std::size_t nextKey = 0; // the next of options.keys to press
    int exitCode = 0;
};

extern App app;

// Calls f(clip) for each open clip, with its player current.
template <class F>
void forEachOpenClip(F&& f)
{
    for (Clip* clip : {&app.first, &app.second})
        if (clip->open) {
            OnPlayer on(*clip);
            f(*clip);
        }
}
// What the second clip's messages start with ("clip 2: "); nothing for the first.
std::string clipLabel(const Clip& clip);

// Console output, a call with its code as text, and the last key's effect
// (status line and console).
void say(const std::string& line);
std::string call(const char* what, int code);
void act(const std::string& text);

// window.cpp
bool createWindow(HINSTANCE instance);
HFONT statusFont();
// Where a clip's video goes in the window.
play::Rect fitted(const Clip& clip);
// Closes the clips' graphs (before the window goes: their video windows are
// its children).
void closeClips();
void refreshStatus();
void drawPanel(HDC dc, const RECT& area, COLORREF back, COLORREF fore, RECT box, const std::wstring& text,
               UINT format);

// capture.cpp
bool grabNow(const std::string& path, const char* key);
// Starts the grab of the frame at `at`; the timer finishes it (advanceGrab).
void startExactGrab(const std::string& path, const char* key, double at, bool automated);
void advanceGrab();
bool screenshot(const std::string& path);

// keys.cpp
void onKey(WPARAM key);
void onChar(WPARAM ch);

// automation.cpp
void onTick();
void onGraphEvent(Clip& clip, WPARAM wParam, LPARAM lParam);

} // namespace host
