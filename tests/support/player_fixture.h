// Shared set-up for tests that drive the Player.
#pragma once
#include <string>
#include <vector>

#include <doctest.h>

#include "fakes.h"
#include "player/player.h"

struct IMFSourceReader;

namespace testing {

// Closes whatever graph is open, puts the Player's flags back to zero and the
// host's texts back in the process code page.
void resetPlayer();

// A test against fake platform objects: the Player starts empty, and at the
// end the graph is closed, no fake may hold an outstanding reference and
// every failure, silent getter and quirk the test set was looked up.
struct FakePlayer {
    FakePlayer();
    ~FakePlayer();
    fakes::World world;
    ombrix::Player& p;
    // What the Media Foundation source opens: every path asked for, and
    // the reader handed out (none: the open fails as for a file that no
    // reader reads).
    std::vector<std::wstring> readerOpens;
    IMFSourceReader* reader = nullptr;
    // When set, the open answers only once this event is (a reader that
    // hangs).
    HANDLE readerAnswers = nullptr;
    // Off for a world set up as a whole platform, whose keys not every test meets.
    bool checkKeysLookedUp = true;
};

// True when every interface field of the Player is empty.
bool graphFieldsEmpty(const ombrix::Player& p);

// The names under which the filters of a graph joined it, in the graph's order.
std::vector<std::string> filterNames(IGraphBuilder* graph);

} // namespace testing

namespace doctest {
// Call lists print one call per line when a comparison fails.
template <>
struct StringMaker<std::vector<std::string>> {
    static String convert(const std::vector<std::string>& lines)
    {
        std::string out = "{\n";
        for (const std::string& line : lines)
            out += "    " + line + "\n";
        return (out + "}").c_str();
    }
};
template <>
struct StringMaker<fakes::CallLog> {
    static String convert(const fakes::CallLog& log)
    {
        return StringMaker<std::vector<std::string>>::convert(log.lines());
    }
};
} // namespace doctest
