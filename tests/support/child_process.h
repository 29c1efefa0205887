// Runs this test program again in a process of its own, for checks whose
// platform may take the process down afterwards.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "platform_gaps.h"

namespace testing {

struct ChildRun {
    bool started = false;
    DWORD startError = 0;  // CreateProcess's error when it failed
    bool finished = false; // within the time given; otherwise it was ended
    DWORD exitCode = 0;
    std::string output;    // its standard output and error, interleaved
};

// Starts this program with arguments (doctest's options) and waits at most
// milliseconds for it.
ChildRun runSelf(const std::string& arguments, DWORD milliseconds);

// Runs the skipped case whose name starts with `name`, of the test file
// `file`, in a child and checks that it passed within milliseconds. The
// child's exit must be clean unless the platform has crashAtExit: then it may
// crash once its checks reported. Where the platform has xErrorDeath, an X
// error may end the child early, with every check before it passed.
void checkChildCase(const char* file, const char* name, DWORD milliseconds,
                    std::optional<Gap> crashAtExit = std::nullopt, std::optional<Gap> xErrorDeath = std::nullopt);

} // namespace testing
