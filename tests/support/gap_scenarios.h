// End-to-end expectations where the platform may have a gap (platform_gaps.h).
// The end-to-end tests run them against the real graph; the tests of their
// Windows branch run the same functions against fakes that behave like
// Windows, with the platform forced to "not Wine".
#pragma once

namespace testing {

// A graph open in mode 1 and stopped: rate requests and what reads back.
void checkRateRequests();
// A graph open in mode 1 and stopped: stepping while stopped, paused and
// running, and the frame time format while running; ends stopped.
void checkFrameStepping();
// A graph open in `mode`: the six statistics.
void checkStatistics(int mode);

} // namespace testing
