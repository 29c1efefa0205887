// The time and rate conversions give the answers of IEEE double arithmetic
// whatever precision the host's x87 unit runs at. Each value's product is
// not exact (0.7 s is 0.6999...96 as a double): at 64-bit precision x87
// arithmetic keeps the product below the integer and truncates to one less,
// at 24-bit precision it rounds the large ones to a neighbour, and a
// quotient such as 0.7 s to the nearest float.
//
// The host's precision reaches an answer only in a 32-bit process: there the
// library computes in SSE2, but the system converts times (and moves rates)
// in x87 code, as the fake graph does, so the library runs those calls at the
// default control word. A 64-bit system computes them in SSE at any x87
// precision: the 64-bit build checks the conversions once, at the host's own
// precision, and the cases about x87 precision are the 32-bit build's.
#include <doctest.h>

#include <cstdint>
#include <string>

#include "ombrix.h"
#include "platform_gaps.h"
#include "player_fixture.h"
#include "x87.h"

using testing::FakePlayer;
using testing::X87Precision;

namespace {

struct Conversion {
    const char* what;
    int (*set)(int value);
    int (*read)();
    int value;
};

int setSeekHundredths(int value) { return omb_SetSeek2(value); }
int setSeekSeconds(int value) { return omb_SetSeek(value / 100.0); }
int readPositionHundredths() { return omb_Info(3); }
int setRateThousandths(int value) { return omb_SetSpeed2(value); }
int setRateFactor(int value) { return omb_SetSpeed(value / 1000.0); }
int readRate() { return omb_GetSpeed(); }
int readSeekingRate() { return omb_GetMediaSeeking(5); }
int setSeekingRate(int value) { return omb_SetMediaSeeking(3, value); }

const Conversion kConversions[] = {
    {"0.7 s in hundredths", setSeekHundredths, readPositionHundredths, 70},
    {"0.7 s in seconds", setSeekSeconds, readPositionHundredths, 70},
    {"10 hours and 0.07 s", setSeekHundredths, readPositionHundredths, 3600007},
    {"50 hours and 0.07 s", setSeekHundredths, readPositionHundredths, 18000007},
    {"rate 700 thousandths", setRateThousandths, readRate, 700},
    {"rate 0.7", setRateFactor, readRate, 700},
    {"rate 2300 thousandths", setRateThousandths, readRate, 2300},
    {"rate 20000.007", setRateThousandths, readRate, 20000007},
    {"rate 700 read by media seeking", setRateThousandths, readSeekingRate, 700},
    {"rate 20000.007 read by media seeking", setRateThousandths, readSeekingRate, 20000007},
    {"rate 700 set by media seeking", setSeekingRate, readRate, 700},
};

// Every conversion of the table set and read back at the host's current
// precision, which the library must leave as it found it.
void roundTrips()
{
    const X87Precision precision = testing::x87Precision();
    const std::string precisionName = testing::nameOf(precision);
    CAPTURE(precisionName);
    for (const Conversion& c : kConversions) {
        const std::string what = c.what;
        CAPTURE(what);
        REQUIRE(c.set(c.value) == 0);
        CHECK(c.read() == c.value);
        CHECK(testing::x87Precision() == precision);
    }
}

// Durations set on the graph and read in hundredths and in seconds.
void durationsRead(fakes::FakeGraph& graph)
{
    const X87Precision precision = testing::x87Precision();
    const std::string precisionName = testing::nameOf(precision);
    CAPTURE(precisionName);
    for (int hundredths : {70, 3600007, 18000007}) {
        CAPTURE(hundredths);
        const double seconds = hundredths / 100.0;
        graph.durationSeconds = seconds;
        CHECK(omb_Info(2) == hundredths);
        // A double returned in st(0) reaches a host at 24 bits rounded by the emulator.
        const bool rounded = precision == X87Precision::Bits24 && testing::has(testing::Gap::X87MovesRounded);
        CHECK(omb_GetAllPlayTime() == (rounded ? static_cast<double>(static_cast<float>(seconds)) : seconds));
    }
}

} // namespace

#if defined(__i386__)

TEST_CASE_FIXTURE(FakePlayer, "precision: positions and rates round-trip exactly at every x87 precision")
{
    REQUIRE(omb_Open("C:\\media\\long.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    for (X87Precision precision : testing::kAllPrecisions) {
        testing::ScopedX87Precision host(precision);
        roundTrips();
    }
}

TEST_CASE_FIXTURE(FakePlayer, "precision: durations read in hundredths are exact at every x87 precision")
{
    REQUIRE(omb_Open("C:\\media\\long.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    for (X87Precision precision : testing::kAllPrecisions) {
        testing::ScopedX87Precision host(precision);
        durationsRead(*world.graph());
    }
}

TEST_CASE_FIXTURE(FakePlayer, "precision: a VMR-9 open, whose device sets 24 bits, gives the host its x87 control word back")
{
    for (X87Precision precision : {X87Precision::Bits64, X87Precision::Bits53}) {
        const std::string precisionName = testing::nameOf(precision);
        CAPTURE(precisionName);
        testing::ScopedX87Precision host(precision);
        const std::uint16_t before = testing::x87ControlWord();
        REQUIRE(omb_Open("C:\\media\\long.avi", OpenMode_Vmr9, 0, 0, 0) == 0);
        CHECK(world.calls("builder.RenderStream").size() == 2); // the VMR-9's input was connected
        CHECK(testing::x87ControlWord() == before);
        REQUIRE(omb_Close() == 0);
        world.clearLog();
    }
}

#else

TEST_CASE_FIXTURE(FakePlayer, "precision: positions and rates round-trip exactly (64-bit: computed in SSE)")
{
    REQUIRE(omb_Open("C:\\media\\long.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    roundTrips();
}

TEST_CASE_FIXTURE(FakePlayer, "precision: durations read in hundredths are exact (64-bit: computed in SSE)")
{
    REQUIRE(omb_Open("C:\\media\\long.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    durationsRead(*world.graph());
}

#endif
