// What the sample player shows and decides, apart from the calls into the
// library: the status line, codes as text, the video's fitted rectangle and
// the steps of the volume, rate and seek keys.
#pragma once
#include <string>

namespace play {

// "1:05.3"; a negative time (the library's "cannot tell") is "--:--".
std::string formatClock(double seconds);
// A return code as text: small codes in decimal, platform result codes
// (below -65535) in hex with their name when it is a common one.
std::string formatCode(int code);
// What a negative omb_Open result means.
std::string describeOpenCode(int code);
// A code page 932 text (the library's event texts) as UTF-16.
std::wstring decodeCp932(const char* text);
std::wstring widen(const std::string& ascii);
std::string toUtf8(const std::wstring& text);

struct Status {
    double position = -1;   // omb_GetNowPlayTime
    double duration = -1;   // omb_GetAllPlayTime
    int rate = -1;          // omb_GetSpeed: thousandths, or a negative code
    int volume = 0;         // omb_GetVolume(1): hundredths of a decibel
    int volumeCode = 0;     // 0, or omb_GetVolume's failure code
    int state = -1;         // omb_GetState
    int eventCode = 0;      // the last graph event, 0 before the first one
    std::wstring eventText; // its text, decoded
    std::string action;     // what the last key did, with its code
    // With a second clip (--second) both positions show, "1: ... 2: ...",
    // and the last event names its clip.
    bool second = false;
    double secondPosition = -1, secondDuration = -1;
    int eventClip = 1;      // 1 or 2: whose event eventCode is
};

std::wstring formatStatus(const Status& s);

struct Rect {
    int left, top, width, height;
};
// The largest rectangle of the video's aspect ratio centred in the area; the
// whole area when the video size is unknown.
Rect fitRect(int videoWidth, int videoHeight, int areaWidth, int areaHeight);
// Clip `clip` (1 or 2) of `clips` fitted into its part of the area: the
// whole area for one clip; with two, the first's part is the left two thirds
// and the second's the right third.
Rect fitClip(int videoWidth, int videoHeight, int areaWidth, int areaHeight, int clips, int clip);

// Up/Down: the volume one step (500 = 5 dB) louder or quieter, within
// -10000..0.
int stepVolume(int volume, int direction);
// +/-: the next rate (in thousandths) up or down a fixed ladder.
int stepRate(int thousandths, int direction);
// Left/Right: position + delta, kept within 0..duration (when known).
double seekTarget(double position, double delta, double duration);
// Whether a frame requested for position `at` is due: when the position is
// known, once it reached `at`; otherwise by the time since playback started.
bool grabDue(double position, double elapsed, double at);

} // namespace play
