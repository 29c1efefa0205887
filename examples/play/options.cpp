#include "options.h"

#include <cerrno>
#include <cstdlib>

namespace play {
namespace {

const char* const kModeNames[] = {"default", "vr", "vmr7", "vmr9", "evr", "audio", "null"};

bool parseSeconds(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !(v >= 0) || v > 86400.0)
        return false;
    value = v;
    return true;
}

} // namespace

int modeFromText(const std::string& text)
{
    for (int i = 0; i < 7; ++i)
        if (text == kModeNames[i] || text == std::to_string(i))
            return i;
    return -1;
}

const char* modeName(int mode)
{
    return mode >= 0 && mode < 7 ? kModeNames[mode] : "?";
}

ParseResult parseOptions(const std::vector<std::string>& args)
{
    ParseResult r;
    Options& o = r.options;
    auto fail = [&r](std::string message) {
        r.error = std::move(message);
        return r;
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        // The next argument, taken as this option's value.
        auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        if (a == "--help" || a == "-h" || a == "/?") {
            o.help = true;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--no-grabber") {
            o.grabber = false;
        } else if (a == "--mode") {
            const std::string* v = value();
            if (!v)
                return fail("--mode needs a value (0-6 or default, vr, vmr7, vmr9, evr, audio, null)");
            o.mode = modeFromText(*v);
            if (o.mode < 0)
                return fail("unknown mode \"" + *v + "\" (0-6 or default, vr, vmr7, vmr9, evr, audio, null)");
        } else if (a == "--seconds") {
            const std::string* v = value();
            if (!v || !parseSeconds(*v, o.seconds) || o.seconds <= 0)
                return fail("--seconds needs a number of seconds greater than 0");
        } else if (a == "--grab-at") {
            const std::string* t = value();
            if (!t || !parseSeconds(*t, o.grabAt))
                return fail("--grab-at needs a time in seconds and a file name");
            const std::string* path = value();
            if (!path || path->empty() || (*path)[0] == '-')
                return fail("--grab-at needs a time in seconds and a file name");
            o.grab = true;
            o.grabPath = *path;
        } else if (a == "--screenshot") {
            const std::string* path = value();
            if (!path || path->empty() || (*path)[0] == '-')
                return fail("--screenshot needs a file name");
            o.screenshotPath = *path;
        } else if (a == "--keys") {
            const std::string* v = value();
            int vk = 0, ch = 0;
            if (!v || v->empty())
                return fail("--keys needs the keys to press");
            for (char c : *v)
                if (!keyFromScript(c, vk, ch))
                    return fail(std::string("--keys: no key for '") + c + "'");
            o.keys = *v;
        } else if (a == "--second") {
            // The file is optional: an argument that is no option is it.
            if (o.second)
                return fail("--second can be given once");
            o.second = true;
            if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-')
                o.secondFile = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("unknown option " + a);
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            return fail("only one media file can be given (" + o.file + ", " + a + ")");
        }
    }
    if ((o.grab || !o.screenshotPath.empty() || !o.keys.empty()) && o.seconds <= 0)
        return fail("--grab-at, --screenshot and --keys need --seconds, so that the run ends on its own");
    if (o.grab && o.grabAt >= o.seconds)
        return fail("--grab-at must come before the end given by --seconds");
    return r;
}

bool keyFromScript(char c, int& virtualKey, int& character)
{
    virtualKey = character = 0;
    switch (c) {
    case ' ': virtualKey = 0x20; return true; // VK_SPACE
    case '<': virtualKey = 0x25; return true; // VK_LEFT
    case '^': virtualKey = 0x26; return true; // VK_UP
    case '>': virtualKey = 0x27; return true; // VK_RIGHT
    case 'v': virtualKey = 0x28; return true; // VK_DOWN
    case '+': case '-': case '.': character = c; return true;
    case 'F': case 'H': case 'G': case 'O': case 'I': case 'P': virtualKey = c; return true;
    default: return false;
    }
}

std::string usageText()
{
    return "usage: ombrix-play [file] [options]\n"
           "  file              a media file (default: a generated sample clip)\n"
           "  --mode M          renderers: 0 default, 1 vr, 2 vmr7, 3 vmr9, 4 evr, 5 audio, 6 null\n"
           "  --seconds N       quit after N seconds\n"
           "  --grab-at T OUT   save the frame at position T seconds to OUT (24-bit BMP)\n"
           "  --screenshot OUT  save a picture of the player window to OUT (BMP) before quitting\n"
           "  --keys KEYS       press these keys one by one (< > ^ v for the arrows)\n"
           "  --no-grabber      open without a Sample Grabber (grabs use the renderer image)\n"
           "  --quiet           no event lines on the console\n"
           "  --second [FILE]   play a second clip at the same time, right of the first (default: the\n"
           "                    sample clip); the keys act on the first\n"
           "keys: Space play/stop, Left/Right seek -/+5 s, Up/Down volume, +/- rate, F full screen,\n"
           "      H hide cursor, . frame step, G grab frame, O overlay caption (VMR modes),\n"
           "      I statistics and filters, P renderer property pages, Esc quit\n";
}

} // namespace play
