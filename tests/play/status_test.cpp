// The status line, codes as text, fitting and the key steps.
#include <doctest.h>

#include "status.h"

using play::Rect;

TEST_CASE("times show minutes, seconds and tenths, and an unknown time shows as such")
{
    CHECK(play::formatClock(0) == "0:00.0");
    CHECK(play::formatClock(2.04) == "0:02.0");
    CHECK(play::formatClock(2.96) == "0:03.0");
    CHECK(play::formatClock(59.95) == "1:00.0");
    CHECK(play::formatClock(65.3) == "1:05.3");
    CHECK(play::formatClock(3725.0) == "62:05.0");
    CHECK(play::formatClock(-1.0) == "--:--");
}

TEST_CASE("library codes stay decimal; platform result codes show in hex with their name")
{
    CHECK(play::formatCode(0) == "0");
    CHECK(play::formatCode(-3) == "-3");
    CHECK(play::formatCode(1234) == "1234");
    CHECK(play::formatCode(-65535) == "-65535");
    CHECK(play::formatCode(static_cast<int>(0x80004001u)) == "0x80004001 E_NOTIMPL");
    CHECK(play::formatCode(static_cast<int>(0x80070057u)) == "0x80070057 E_INVALIDARG");
    CHECK(play::formatCode(static_cast<int>(0x80040209u)) == "0x80040209 VFW_E_NOT_CONNECTED");
    CHECK(play::formatCode(static_cast<int>(0x8004FFFFu)) == "0x8004FFFF");
    CHECK(play::describeOpenCode(-4).find("cannot be rendered") != std::string::npos);
    CHECK(play::describeOpenCode(-99) == "failed");
}

TEST_CASE("event texts are decoded from code page 932")
{
    // "特定の" and "ビデオ" in Shift_JIS.
    CHECK(play::decodeCp932("\x93\xC1\x92\xE8\x82\xCC") == L"\u7279\u5B9A\u306E");
    CHECK(play::decodeCp932("\x83\x72\x83\x66\x83\x49 OK") == L"\u30D3\u30C7\u30AA OK");
    CHECK(play::decodeCp932("") == L"");
    CHECK(play::decodeCp932(nullptr) == L"");
    CHECK(play::toUtf8(L"\u7279 a") == "\xE7\x89\xB9 a");
}

TEST_CASE("the status line shows position, duration, rate, volume, state, the last event and the last action")
{
    play::Status s;
    s.position = 1.25;
    s.duration = 3.0;
    s.rate = 1500;
    s.volume = -1250;
    s.state = 2;
    CHECK(play::formatStatus(s) == L"0:01.3 / 0:03.0  rate 1.500  vol -12.5 dB  playing");
    s.eventCode = 1;
    s.eventText = L"\u7279\u5B9A";
    s.action = "G: grabbed grab-0001.bmp";
    CHECK(play::formatStatus(s) ==
          L"0:01.3 / 0:03.0  rate 1.500  vol -12.5 dB  playing  | event 1: \u7279\u5B9A  | G: grabbed grab-0001.bmp");
    s.eventClip = 2; // names its clip only when there are two
    CHECK(play::formatStatus(s) ==
          L"0:01.3 / 0:03.0  rate 1.500  vol -12.5 dB  playing  | event 1: \u7279\u5B9A  | G: grabbed grab-0001.bmp");
}

TEST_CASE("with a second clip the status line shows both positions and whose the last event was")
{
    play::Status s;
    s.position = 1.25;
    s.duration = 3.0;
    s.rate = 1000;
    s.state = 2;
    s.second = true;
    s.secondPosition = 0.52;
    s.secondDuration = 2.0;
    struct Case {
        int eventCode, eventClip;
        const wchar_t* line;
    };
    const Case cases[] = {
        {0, 1, L"1: 0:01.3 / 0:03.0  2: 0:00.5 / 0:02.0  rate 1.000  vol 0.0 dB  playing"},
        {1, 1, L"1: 0:01.3 / 0:03.0  2: 0:00.5 / 0:02.0  rate 1.000  vol 0.0 dB  playing  | 1: event 1: end"},
        {1, 2, L"1: 0:01.3 / 0:03.0  2: 0:00.5 / 0:02.0  rate 1.000  vol 0.0 dB  playing  | 2: event 1: end"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.eventClip);
        s.eventCode = c.eventCode;
        s.eventClip = c.eventClip;
        s.eventText = L"end";
        CHECK(play::formatStatus(s) == c.line);
    }
    play::Status unread; // the second clip not read yet
    unread.second = true;
    unread.rate = 1000;
    unread.state = 0;
    CHECK(play::formatStatus(unread) == L"1: --:-- / --:--  2: --:-- / --:--  rate 1.000  vol 0.0 dB  stopped");
}

TEST_CASE("failure codes in the status line are shown, not hidden")
{
    play::Status s; // nothing read yet: every field holds its failure value
    s.rate = -2;
    s.volumeCode = -2;
    s.state = -3;
    CHECK(play::formatStatus(s) == L"--:-- / --:--  rate -2  vol -2  state -3");
    s.state = 0;
    s.volumeCode = 0;
    s.volume = 0;
    s.rate = 250;
    CHECK(play::formatStatus(s) == L"--:-- / --:--  rate 0.250  vol 0.0 dB  stopped");
}

TEST_CASE("the video is fitted into the area keeping its aspect ratio, centred")
{
    auto same = [](Rect a, Rect b) {
        return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
    };
    CHECK(same(play::fitRect(320, 240, 640, 480), {0, 0, 640, 480}));
    CHECK(same(play::fitRect(320, 240, 800, 480), {80, 0, 640, 480}));   // wider area: bars left and right
    CHECK(same(play::fitRect(320, 240, 640, 600), {0, 60, 640, 480}));   // taller area: bars above and below
    CHECK(same(play::fitRect(1920, 1080, 640, 480), {0, 60, 640, 360}));
    CHECK(same(play::fitRect(0, 0, 640, 480), {0, 0, 640, 480}));        // size unknown: the whole area
    CHECK(same(play::fitRect(-3, 240, 640, 480), {0, 0, 640, 480}));
    CHECK(same(play::fitRect(320, 240, 0, 0), {0, 0, 1, 1}));            // minimised window
    CHECK(same(play::fitRect(1000, 1, 10, 10), {0, 4, 10, 1}));          // never thinner than a pixel

    // Two clips: the first in the left two thirds, the second in the right third.
    struct Case {
        int videoWidth, videoHeight, areaWidth, areaHeight, clips, clip;
        Rect fitted;
    };
    const Case cases[] = {
        {320, 240, 640, 480, 1, 1, {0, 0, 640, 480}},     // one clip: the whole area
        {320, 240, 960, 480, 2, 1, {0, 0, 640, 480}},
        {320, 240, 960, 480, 2, 2, {640, 120, 320, 240}},
        {1920, 1080, 960, 480, 2, 2, {640, 150, 320, 180}},
        {320, 240, 900, 300, 2, 1, {100, 0, 400, 300}},   // a wide window: bars inside each part
        {320, 240, 900, 300, 2, 2, {600, 37, 300, 225}},
        {0, 0, 960, 480, 2, 2, {640, 0, 320, 480}},       // size unknown: the whole part
        {320, 240, 0, 0, 2, 1, {0, 0, 1, 1}},             // minimised
        {320, 240, 0, 0, 2, 2, {0, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.areaWidth);
        CAPTURE(c.clip);
        CHECK(same(play::fitClip(c.videoWidth, c.videoHeight, c.areaWidth, c.areaHeight, c.clips, c.clip), c.fitted));
    }
}

TEST_CASE("volume steps by 5 dB within -100..0 dB; rate moves along its ladder")
{
    CHECK(play::stepVolume(0, 1) == 0);
    CHECK(play::stepVolume(0, -1) == -500);
    CHECK(play::stepVolume(-9800, -1) == -10000);
    CHECK(play::stepVolume(-10000, -1) == -10000);
    CHECK(play::stepVolume(-300, 1) == 0);
    CHECK(play::stepRate(1000, 1) == 1250);
    CHECK(play::stepRate(1000, -1) == 750);
    CHECK(play::stepRate(1100, -1) == 1000); // off the ladder: the next rung
    CHECK(play::stepRate(4000, 1) == 4000);
    CHECK(play::stepRate(250, -1) == 250);
    CHECK(play::stepRate(-2, 1) == 250);
}

TEST_CASE("seeks stay within the media, and a grab is due by position or, without one, by time")
{
    CHECK(play::seekTarget(2.0, 5.0, 10.0) == 7.0);
    CHECK(play::seekTarget(8.0, 5.0, 10.0) == 10.0);
    CHECK(play::seekTarget(2.0, -5.0, 10.0) == 0.0);
    CHECK(play::seekTarget(-1.0, 5.0, -1.0) == 5.0); // neither known: from the start, unbounded
    CHECK_FALSE(play::grabDue(0.99, 5.0, 1.0));        // the position rules when it is known
    CHECK(play::grabDue(1.0, 0.0, 1.0));
    CHECK_FALSE(play::grabDue(-1.0, 0.5, 1.0));
    CHECK(play::grabDue(-1.0, 1.0, 1.0));
}
