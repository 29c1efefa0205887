// The player's timer and graph events: scripted keys, the grab at a given
// position, the picture of the window and quitting after --seconds, and the
// events that the worker window forwards (or the graph posts itself).
#include <vector>

#include "app.h"

namespace host {
namespace {

constexpr DWORD kStatusEveryMs = 200;
constexpr DWORD kScreenSettleMs = 300;
constexpr DWORD kKeyEveryMs = 250;

void startTimedGrab()
{
    app.grabDone = true;
    // The exact frame needs a seek, and under Wine a seek followed by a stop
    // hangs a graph with audio: files that may have audio (an audio control
    // answers) get the frame that is current when the position passes the
    // grab time. The sample clip has none.
    int volume = omb_GetVolume(1);
    bool exact = app.first.sampleClip || volume == OMB_E_NO_AUDIO;
    if (!exact) {
        say("grab: the file has audio (omb_GetVolume(1) = " + play::formatCode(volume) +
            "), so the frame is taken as it plays, without a seek");
        if (!grabNow(app.options.grabPath, "grab"))
            app.exitCode = 3;
        return;
    }
    startExactGrab(app.options.grabPath, "grab", app.options.grabAt, true);
}

void pressScriptedKey()
{
    int vk = 0, ch = 0;
    play::keyFromScript(app.options.keys[app.nextKey++], vk, ch);
    if (vk)
        onKey(static_cast<WPARAM>(vk));
    else
        onChar(static_cast<WPARAM>(ch));
}

// After --seconds: the grab that never came is reported, the window's
// picture taken (its status painted first and given time to reach the
// screen), then the window closed. False while it still waits.
bool quitWhenDone(DWORD now)
{
    if (app.options.grab && !app.grabDone) {
        say("grab: the position never reached " + std::to_string(app.options.grabAt) + " s");
        app.grabDone = true;
        app.exitCode = 3;
    }
    if (!app.options.screenshotPath.empty() && !app.shotDone) {
        if (!app.shotAt) {
            refreshStatus();
            UpdateWindow(app.window);
            app.shotAt = now;
            return false;
        }
        if (now - app.shotAt < kScreenSettleMs)
            return false;
        app.shotDone = true;
        if (!screenshot(app.options.screenshotPath))
            app.exitCode = 3;
    }
    app.options.seconds = 0;
    PostMessageW(app.window, WM_CLOSE, 0, 0);
    return true;
}

} // namespace

void onTick()
{
    // A grab in progress owns the graph: everything else waits for it.
    if (app.grab.pending) {
        advanceGrab();
        if (app.grab.pending)
            return;
        if (app.eventsWaiting) {
            app.eventsWaiting = false;
            onGraphEvent(app.first, 0, 0);
        }
    }
    DWORD now = GetTickCount();
    double elapsed = (now - app.started) / 1000.0;
    if (app.options.grab && !app.grabDone && play::grabDue(omb_GetNowPlayTime(), elapsed, app.options.grabAt)) {
        startTimedGrab();
        if (app.grab.pending)
            return;
    }
    // Scripted keys, one every kKeyEveryMs from 1 s on.
    if (app.nextKey < app.options.keys.size() && elapsed >= 1.0 + app.nextKey * (kKeyEveryMs / 1000.0))
        pressScriptedKey();
    if (now - app.lastStatus >= kStatusEveryMs) {
        app.lastStatus = now;
        refreshStatus();
    }
    // A run ends once its time is up and every scripted key was pressed: a
    // timer that starts late (seen under a renderer that keeps the thread
    // busy at first) delays the keys, never drops them.
    if (app.options.seconds > 0 && elapsed >= app.options.seconds && app.nextKey >= app.options.keys.size())
        quitWhenDone(now);
}

// Graph events: forwarded by the worker window (wParam = lParam = code), or
// posted by the clip's graph itself (wParam 0) when the worker could not be
// started, in which case the events are taken here and the media repeated
// here (not while a grab holds the first clip's graph paused: they wait for
// its end).
void onGraphEvent(Clip& clip, WPARAM wParam, LPARAM lParam)
{
    std::vector<int> codes;
    if (wParam != 0 || lParam != 0) {
        codes.push_back(static_cast<int>(wParam));
    } else if (app.grab.pending && clip.player == 0) {
        app.eventsWaiting = true;
        return;
    } else if (clip.open) {
        OnPlayer on(clip);
        for (int code; (code = omb_GetStopped()) > 0;) {
            codes.push_back(code);
            if (code == 1)
                omb_SetSeek(0.0), omb_Play2();
        }
    }
    for (int code : codes) {
        app.status.eventCode = code;
        app.status.eventClip = clip.player + 1;
        app.status.eventText = play::decodeCp932(omb_GetMediaEvStr(code));
        if (!app.options.quiet)
            say(clipLabel(clip) + "event " + std::to_string(code) + ": " + play::toUtf8(app.status.eventText));
    }
    refreshStatus();
}

} // namespace host
