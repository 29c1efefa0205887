// Command line of the sample player: ombrix-play [file] [options].
#pragma once
#include <string>
#include <vector>

namespace play {

struct Options {
    std::string file;           // empty: the built-in sample clip
    int mode = 0;               // an OpenMode; 0 lets the graph choose its renderers
    double seconds = 0;         // quit after this many seconds; 0 plays until the window closes
    bool grab = false;          // save one frame when the position reaches grabAt
    double grabAt = 0;
    std::string grabPath;
    std::string screenshotPath; // a picture of the player window, taken just before quitting
    bool grabber = true;        // insert a Sample Grabber (omb_UseCaptureVideoEx) for frame grabs
    std::string keys;           // keys pressed one by one from 1 s on (see keyFromScript)
    bool quiet = false;         // no per-event lines on the console
    bool second = false;        // play a second clip at the same time, on player 1
    std::string secondFile;     // its file; empty: the built-in sample clip
    bool help = false;
};

struct ParseResult {
    Options options;
    std::string error;          // empty when the command line is valid
};

// argv[0] is the program name and is skipped.
ParseResult parseOptions(const std::vector<std::string>& args);
// The open mode for a name ("vmr9") or a number ("3"), or -1.
int modeFromText(const std::string& text);
const char* modeName(int mode);
std::string usageText();

// A key of --keys: the character itself for F H G O I P + - . and Space,
// and '<' '>' '^' 'v' for Left, Right, Up, Down. Sets virtualKey (for
// WM_KEYDOWN) or character (for WM_CHAR); false for any other character.
bool keyFromScript(char c, int& virtualKey, int& character);

} // namespace play
