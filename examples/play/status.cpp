#include "status.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace play {

std::string formatClock(double seconds)
{
    if (!(seconds >= 0))
        return "--:--";
    long tenths = std::lround(seconds * 10.0);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld.%ld", tenths / 600, (tenths / 10) % 60, tenths % 10);
    return text;
}

std::string formatCode(int code)
{
    if (code >= -0xFFFF)
        return std::to_string(code);
    struct Known {
        unsigned value;
        const char* name;
    };
    static const Known known[] = {
        {0x80004001u, "E_NOTIMPL"},          {0x80004002u, "E_NOINTERFACE"},
        {0x80004003u, "E_POINTER"},          {0x80004004u, "E_ABORT"},
        {0x80004005u, "E_FAIL"},             {0x8007000Eu, "E_OUTOFMEMORY"},
        {0x80070057u, "E_INVALIDARG"},       {0x80040209u, "VFW_E_NOT_CONNECTED"},
        {0x80040217u, "VFW_E_CANNOT_CONNECT"}, {0x80040225u, "VFW_E_NOT_PAUSED"},
        {0x80040227u, "VFW_E_WRONG_STATE"},  {0x80040216u, "VFW_E_NOT_FOUND"},
    };
    char text[48];
    unsigned value = static_cast<unsigned>(code);
    for (const Known& k : known)
        if (k.value == value) {
            std::snprintf(text, sizeof text, "0x%08X %s", value, k.name);
            return text;
        }
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string describeOpenCode(int code)
{
    switch (code) {
    case 0: return "opened";
    case -1: return "a file is already open";
    case -2: return "the mode is outside 0..6, or the renderer cannot be added";
    case -4: return "the file cannot be rendered (missing, unreadable or not a media file)";
    case -5: return "the source has no \"Output\" pin for this mode";
    case -6: return "the file name cannot be converted";
    case -7: return "the filter graph cannot be created";
    default: return "failed";
    }
}

std::wstring decodeCp932(const char* text)
{
    if (!text || !*text)
        return {};
    int size = MultiByteToWideChar(932, 0, text, -1, nullptr, 0);
    if (size <= 0)
        return widen(text);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(932, 0, text, -1, &out[0], size);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

std::wstring widen(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

std::string toUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring formatStatus(const Status& s)
{
    std::string line = formatClock(s.position) + " / " + formatClock(s.duration);
    if (s.second)
        line = "1: " + line + "  2: " + formatClock(s.secondPosition) + " / " + formatClock(s.secondDuration);
    char part[64];
    if (s.rate >= 0)
        std::snprintf(part, sizeof part, "  rate %d.%03d", s.rate / 1000, s.rate % 1000);
    else
        std::snprintf(part, sizeof part, "  rate %s", formatCode(s.rate).c_str());
    line += part;
    if (s.volumeCode < 0)
        line += "  vol " + formatCode(s.volumeCode);
    else {
        std::snprintf(part, sizeof part, "  vol %.1f dB", s.volume / 100.0);
        line += part;
    }
    static const char* const states[] = {"stopped", "paused", "playing"};
    line += "  ";
    line += s.state >= 0 && s.state <= 2 ? states[s.state] : "state " + formatCode(s.state);
    std::wstring out = widen(line);
    if (s.eventCode != 0) {
        std::wstring clip = s.second ? std::to_wstring(s.eventClip) + L": " : L"";
        out += L"  | " + clip + L"event " + std::to_wstring(s.eventCode) + L": " + s.eventText;
    }
    if (!s.action.empty())
        out += L"  | " + widen(s.action);
    return out;
}

Rect fitRect(int videoWidth, int videoHeight, int areaWidth, int areaHeight)
{
    areaWidth = std::max(areaWidth, 1);
    areaHeight = std::max(areaHeight, 1);
    if (videoWidth <= 0 || videoHeight <= 0)
        return {0, 0, areaWidth, areaHeight};
    // Compare areaWidth / areaHeight with videoWidth / videoHeight without division.
    long long wide = static_cast<long long>(areaWidth) * videoHeight;
    long long tall = static_cast<long long>(areaHeight) * videoWidth;
    int width = areaWidth, height = areaHeight;
    if (wide > tall)
        width = static_cast<int>(std::max(1LL, static_cast<long long>(areaHeight) * videoWidth / videoHeight));
    else if (wide < tall)
        height = static_cast<int>(std::max(1LL, static_cast<long long>(areaWidth) * videoHeight / videoWidth));
    return {(areaWidth - width) / 2, (areaHeight - height) / 2, width, height};
}

Rect fitClip(int videoWidth, int videoHeight, int areaWidth, int areaHeight, int clips, int clip)
{
    int left = 0;
    if (clips == 2) {
        int firstWidth = std::max(areaWidth, 1) * 2 / 3;
        left = clip == 2 ? firstWidth : 0;
        areaWidth = clip == 2 ? areaWidth - firstWidth : firstWidth;
    }
    Rect r = fitRect(videoWidth, videoHeight, areaWidth, areaHeight);
    r.left += left;
    return r;
}

int stepVolume(int volume, int direction)
{
    long next = static_cast<long>(volume) + (direction > 0 ? 500 : -500);
    return static_cast<int>(std::clamp(next, -10000L, 0L));
}

int stepRate(int thousandths, int direction)
{
    static const int ladder[] = {250, 500, 750, 1000, 1250, 1500, 2000, 4000};
    const int count = static_cast<int>(sizeof ladder / sizeof ladder[0]);
    if (direction > 0) {
        for (int r : ladder)
            if (r > thousandths)
                return r;
        return ladder[count - 1];
    }
    for (int i = count - 1; i >= 0; --i)
        if (ladder[i] < thousandths)
            return ladder[i];
    return ladder[0];
}

double seekTarget(double position, double delta, double duration)
{
    double target = std::max(0.0, position) + delta;
    if (duration > 0)
        target = std::min(target, duration);
    return std::max(0.0, target);
}

bool grabDue(double position, double elapsed, double at)
{
    return position >= 0 ? position >= at : elapsed >= at;
}

} // namespace play
