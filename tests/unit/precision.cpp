// The time and rate conversions give the answers of IEEE double arithmetic
// whatever precision the host's x87 unit runs at. Each value's product is
// not exact (0.7 s is 0.6999...96 as a double): at 64-bit precision x87
// arithmetic keeps the product below the integer and truncates to one less,
// at 24-bit precision it rounds the large ones to a neighbour.
#include <doctest.h>

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
};

} // namespace

TEST_CASE_FIXTURE(FakePlayer, "precision: positions and rates round-trip exactly at every x87 precision")
{
    REQUIRE(omb_Open("C:\\media\\long.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    for (X87Precision precision : testing::kAllPrecisions) {
        testing::ScopedX87Precision host(precision);
        for (const Conversion& c : kConversions) {
            const std::string precisionName = testing::nameOf(precision), what = c.what;
            CAPTURE(precisionName);
            CAPTURE(what);
            REQUIRE(c.set(c.value) == 0);
            CHECK(c.read() == c.value);
            // The library leaves the host's control word as it found it.
            CHECK(testing::x87Precision() == precision);
        }
    }
}

TEST_CASE_FIXTURE(FakePlayer, "precision: durations read in hundredths are exact at every x87 precision")
{
    REQUIRE(omb_Open("C:\\media\\long.avi", OpenMode_VideoRenderer, 0, 0, 0) == 0);
    for (X87Precision precision : testing::kAllPrecisions) {
        testing::ScopedX87Precision host(precision);
        for (int hundredths : {70, 3600007, 18000007}) {
            const std::string precisionName = testing::nameOf(precision);
            CAPTURE(precisionName);
            const double seconds = hundredths / 100.0;
            world.graph()->durationSeconds = seconds;
            CHECK(omb_Info(2) == hundredths);
            const bool rounded = precision == X87Precision::Bits24 && testing::has(testing::Gap::X87MovesRounded);
            CHECK(omb_GetAllPlayTime() == (rounded ? static_cast<double>(static_cast<float>(seconds)) : seconds));
        }
    }
}
