// Where the platform under the end-to-end tests departs from what Windows
// documents. The platform is found at run time (Wine's ntdll exports
// wine_get_version, whose answer tells Wine 8 from Wine 10); under a Wine
// each gap the table gives that Wine is the expected result, anywhere else
// the same test asserts the documented Windows behaviour.
// Every end-to-end expectation that differs between the two goes through
// has() (or expect()), so a Wine that closes a gap, or Windows, fails a test
// only in its one place here.
#pragma once

#include <unknwn.h>

#include <string>

namespace testing {

enum class Gap {
    NoQualProp,           // no renderer offers IQualProp
    NoFrameStep,          // IVideoFrameStep's methods are E_NOTIMPL stubs
    RateIgnored,          // a rate change is accepted and ignored: the rate stays 1.0
    MediaTimeOnly,        // the media-time format only, refused alike in every state
    NoImageSize,          // GetCurrentImage without a buffer gives E_POINTER, not the size
    VideoWindowStubs,     // BorderColor and IsCursorHidden write nothing
    VmrNoFullScreen,      // the mixing renderers do not switch to full screen
    Vmr7NoMixerBitmap,    // the VMR-7 offers no mixer bitmap
    Vmr9MixerNotImpl,     // the VMR-9's mixer bitmap calls are E_NOTIMPL
    GrabberOnlyRenderFile,// only RenderFile routes the video through the Sample Grabber
    GrabberSampleSizeOne, // the grabber's connected type gives a sample size of 1
    SourceNamedReader,    // RenderFile names its source filter "Reader", not the file name
    NoPropertyPages,      // no filter offers property pages
    EndpointVolumeNotImpl,// Core Audio's SetMasterVolumeLevelScalar is E_NOTIMPL
    NoClockInterfaces,    // no IAMClockSlave on the audio renderer, no IAMGraphStreams, no IAMClockAdjust
    RepeatReadsDuration,  // after a seek while running, the position reads as the duration
    EvrCrashOnRelease,    // releasing a graph that holds the EVR crashes the process (Wine 8)
    ExitCrashAfterManyGraphs, // the process crashes at exit after some hundred renderer graphs (Wine 8)
    GrabberTopDown,       // the grabber connects a top-down RGB24 type (Wine 10)
    Vmr9LateStart,        // a running VMR-9 graph's position stays 0 for seconds (Wine 10)
    Vmr9PlaybackXError,   // a VMR-9 playing in a window can end the process with an X error (Wine 10)
    NoMediaFoundationSource, // the source reader reads no MP4 and converts no video to RGB32 (Wine 8)
    DirectShowReadsMp4,   // DirectShow itself reads MP4 and M4A, which Windows' cannot (Wine 10)
    BrokenFileThreadsStay, // a graph on a file DirectShow cannot parse leaves two threads behind (Wine 8)
    X87MovesRounded,      // the emulator (not Wine) rounds x87 loads and stores of a double to the precision control
    EmulatedCommitNoise,  // under the emulator, committed bytes swing by hundreds of KB from one reading to the next
    Count
};

// The platforms the end-to-end tests know. Wine is told by the major
// number of its version: 8 and 9 behave as 8.0 did, 10 and later as 10.0.
enum class Platform { Windows, Wine8, Wine10 };

// Which platforms have a gap: a set of Platform bits.
enum : unsigned {
    kOnWine8 = 1u << static_cast<int>(Platform::Wine8),
    kOnWine10 = 1u << static_cast<int>(Platform::Wine10),
    kOnWine = kOnWine8 | kOnWine10,
};

struct GapEntry {
    Gap gap;
    const char* name;
    const char* what;
    unsigned platforms; // where it holds (the emulator's gaps: 0, they are the processor's)
};

// The platform of a Wine version as wine_get_version() gives it ("8.0",
// "10.0", "9.22"); an unreadable one counts as the newest.
Platform platformOfWine(const char* version);
// The platform under test (unless a ForcePlatform says otherwise).
Platform platform();

// The table, in the order of the enum.
const GapEntry* gapTable();

// A gap's name, as text for a log (doctest prints a char pointer's address).
std::string gapName(Gap gap);

// Whether the tests run under a Wine (unless a ForcePlatform says otherwise).
bool onWine();
// Whether the platform under test has the gap, as the table says. The
// emulator's gaps, X87MovesRounded and EmulatedCommitNoise, are what QEMU's
// user-mode emulation of a 32-bit process has and a processor has not; the
// emulator is told by the first of them, found by trying it.
bool has(Gap gap);

template <class T>
T expect(Gap gap, T onPlatformWithGap, T documented)
{
    return has(gap) ? onPlatformWithGap : documented;
}

// Under the gap, takes a reference to object that is never given back: what
// crashes when it goes then lives as long as the process.
void keepAlive(Gap gap, IUnknown* object);

// Makes platform() answer `forced` for one scope (a bool: Wine 8 or
// Windows): the tests of the Windows branch run the same expectations
// against fakes that behave like Windows.
class ForcePlatform {
public:
    explicit ForcePlatform(bool wine);
    explicit ForcePlatform(Platform forced);
    ~ForcePlatform();
    ForcePlatform(const ForcePlatform&) = delete;
    ForcePlatform& operator=(const ForcePlatform&) = delete;

private:
    int previous_;
};

} // namespace testing
