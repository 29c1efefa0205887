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
    std::shared_ptr<DibCanvas> before, frame; // the frame before the seek, and the one grabbed
    int beforeCode = -1;   // omb_CaptureVideoEx's code for the frame before the seek
    DWORD started = 0;
    bool automated = false; // a failure sets the exit code 3
};

struct App {
    play::Options options;
    std::string file;
    bool sampleClip = false; // playing the built-in clip (video only)
    HWND window = nullptr;
    HFONT font = nullptr;
    bool open = false;
    int videoWidth = 0, videoHeight = 0;
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

// Console output, a call with its code as text, and the last key's effect
// (status line and console).
void say(const std::string& line);
std::string call(const char* what, int code);
void act(const std::string& text);

// window.cpp
bool createWindow(HINSTANCE instance);
HFONT statusFont();
play::Rect fitted();
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
void onGraphEvent(WPARAM wParam, LPARAM lParam);

} // namespace host
