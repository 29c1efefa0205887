// ombrix-play: a sample host of ombrix.dll. It plays one media file in a
// window of its own (the built-in sample clip when none is given), keeps the
// video fitted, repeats it forever through the library's worker window, and
// shows position, rate, volume and the last graph event in a status line.
// Every key calls one or two exports and shows what they returned.
//
// This file starts up and runs the message loop; window.cpp, keys.cpp,
// capture.cpp and automation.cpp do the rest (app.h).
#include <cstdio>
#include <exception>
#include <vector>

#include "app.h"
#include "media.h"

namespace host {

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

std::string clipLabel(const Clip& clip)
{
    return clip.player == 0 ? "" : "clip " + std::to_string(clip.player + 1) + ": ";
}

void act(const std::string& text)
{
    app.status.action = text;
    say(text);
    InvalidateRect(app.window, nullptr, FALSE);
}

namespace {

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

// The clip's file: the one given, else the sample clip; false when that
// cannot be written.
bool chooseFile(Clip& clip, const std::string& given)
{
    clip.sampleClip = given.empty();
    clip.file = clip.sampleClip ? sampleClip() : given;
    return !clip.file.empty();
}

// Opens a clip on its player and connects its graph's events; false (with a
// message on standard error) when it cannot be opened. The second clip says
// what it opened in one line.
bool openClip(Clip& clip, int worker)
{
    OnPlayer on(clip);
    // Both clips get a grabber, and so the same renderers in mode 0.
    omb_UseCaptureVideoEx(app.options.grabber ? 1 : 0);
    int code = omb_Open(clip.file.c_str(), app.options.mode, 0, 0, 0);
    if (code != 0) {
        bool missing = GetFileAttributesA(clip.file.c_str()) == INVALID_FILE_ATTRIBUTES;
        std::fprintf(stderr, "ombrix-play: cannot open \"%s\": omb_Open returned %d (%s)%s\n", clip.file.c_str(), code,
                     play::describeOpenCode(code).c_str(), missing ? "; the file does not exist" : "");
        return false;
    }
    clip.open = true;
    std::string opened = std::string("ombrix-play: opened ") + clip.file + " in mode " +
                         std::to_string(app.options.mode) + " (" + play::modeName(app.options.mode) + ")";
    if (clip.player == 0)
        say(opened);
    if (clip.player == 0 && app.options.grabber) {
        int buffered = omb_SetCaptureBufferSamples(1);
        if (buffered != 0)
            say(call("omb_SetCaptureBufferSamples(1)", buffered) + " (grabs use the renderer image)");
    }
    omb_handle events = worker > 0 ? omb_GetThreadHWND() : reinterpret_cast<omb_handle>(app.window);
    int evCode = omb_SetEvHWND(events);
    if (evCode != 0)
        say(call("omb_SetEvHWND", evCode));

    clip.videoWidth = omb_GetVideoSize(0);
    clip.videoHeight = omb_GetVideoSize(1);
    std::string video;
    if (clip.videoWidth <= 0 || clip.videoHeight <= 0)
        video = "omb_GetVideoSize = " + play::formatCode(clip.videoWidth) + " x " +
                play::formatCode(clip.videoHeight) + " (no video size)";
    else
        video = "video " + std::to_string(clip.videoWidth) + "x" + std::to_string(clip.videoHeight) +
                ", duration " + play::formatClock(omb_GetAllPlayTime());
    say(clip.player == 0 ? video : opened + " as clip 2 (player " + std::to_string(clip.player) + "), " + video);
    return true;
}

void startPlaying()
{
    ShowWindow(app.window, SW_SHOW);
    UpdateWindow(app.window);
    forEachOpenClip([](Clip& clip) {
        play::Rect r = fitted(clip);
        int played = omb_Play(reinterpret_cast<omb_handle>(app.window), r.left, r.top, r.width, r.height);
        std::string text = call((clipLabel(clip) + "omb_Play").c_str(), played);
        if (clip.player == 0 || played != 0)
            app.status.action = text;
        if (played != 0)
            say(text);
    });
    app.started = GetTickCount();
    SetTimer(app.window, kTickTimer, kTickMs, nullptr);
    refreshStatus();
}

} // namespace
} // namespace host

int main(int argc, char** argv)
{
    using host::app;
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
    if (!host::chooseFile(app.first, app.options.file) ||
        (app.options.second && !host::chooseFile(app.second, app.options.secondFile)))
        return 1;

    omb_Init();
    if (!host::createWindow(GetModuleHandleW(nullptr))) {
        host::say("ombrix-play: cannot create the window");
        return 1;
    }
    app.font = host::statusFont();
    int worker = omb_CreateThread(reinterpret_cast<omb_handle>(app.window), 1);
    if (worker < 0)
        host::say(host::call("ombrix-play: omb_CreateThread", worker) + " (no automatic repeat by the worker window)");
    if (!host::openClip(app.first, worker) || (app.options.second && !host::openClip(app.second, worker))) {
        host::closeClips();
        DestroyWindow(app.window);
        omb_Exit();
        return 1;
    }
    host::startPlaying();

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
