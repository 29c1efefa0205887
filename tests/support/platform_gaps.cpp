#include "platform_gaps.h"

#include "x87.h"

#include <windows.h>

#include <cstdint>

namespace testing {
namespace {

const GapEntry kGaps[] = {
    {Gap::NoQualProp, "NoQualProp", "no renderer offers IQualProp: the statistics exports give -3", kOnWine},
    {Gap::NoFrameStep, "NoFrameStep", "IVideoFrameStep's methods are E_NOTIMPL stubs", kOnWine},
    {Gap::RateIgnored, "RateIgnored", "SetRate/put_Rate succeed and change nothing: the rate reads 1.000", kOnWine},
    {Gap::MediaTimeOnly, "MediaTimeOnly", "only TIME_FORMAT_MEDIA_TIME, E_INVALIDARG for the frame format in any state",
     kOnWine},
    {Gap::NoImageSize, "NoImageSize", "GetCurrentImage(size, NULL) gives E_POINTER: omb_CaptureVideo returns -2",
     kOnWine},
    {Gap::VideoWindowStubs, "VideoWindowStubs", "get_BorderColor and IsCursorHidden write nothing", kOnWine},
    {Gap::VmrNoFullScreen, "VmrNoFullScreen", "the VMRs' full-screen mode is not implemented", kOnWine},
    {Gap::Vmr7NoMixerBitmap, "Vmr7NoMixerBitmap", "the VMR-7 has no IVMRMixerBitmap", kOnWine},
    {Gap::Vmr9MixerNotImpl, "Vmr9MixerNotImpl", "IVMRMixerBitmap9's methods are E_NOTIMPL", kOnWine},
    {Gap::GrabberOnlyRenderFile, "GrabberOnlyRenderFile",
     "RenderStream connects the renderer straight to the splitter; the grabber stays unconnected", kOnWine},
    {Gap::GrabberSampleSizeOne, "GrabberSampleSizeOne", "the grabber's connected type has lSampleSize 1", kOnWine},
    {Gap::SourceNamedReader, "SourceNamedReader", "RenderFile's source filter is named \"Reader\"", kOnWine},
    {Gap::NoPropertyPages, "NoPropertyPages", "no filter offers ISpecifyPropertyPages", kOnWine},
    {Gap::EndpointVolumeNotImpl, "EndpointVolumeNotImpl", "SetMasterVolumeLevelScalar is E_NOTIMPL", kOnWine},
    {Gap::NoClockInterfaces, "NoClockInterfaces",
     "no IAMClockSlave on the DirectSound renderer, no IAMGraphStreams, no IAMClockAdjust", kOnWine},
    {Gap::RepeatReadsDuration, "RepeatReadsDuration",
     "after a seek while running, the position reads as the duration until the graph stops", kOnWine},
    {Gap::EvrCrashOnRelease, "EvrCrashOnRelease",
     "the graph's final release disconnects the EVR, which crashes (x86_64 also at its first frame)", kOnWine8},
    {Gap::ExitCrashAfterManyGraphs, "ExitCrashAfterManyGraphs",
     "the process may segfault in its teardown after renderer graphs (seen after some hundred Video Renderer "
     "graphs, and once after the dozen of the video exports' case)", kOnWine8},
    {Gap::GrabberTopDown, "GrabberTopDown",
     "the Sample Grabber connects a top-down RGB24 type (biHeight negative) where Windows' is bottom-up", kOnWine10},
    {Gap::Vmr9LateStart, "Vmr9LateStart",
     "a VMR-9 graph that runs with audio reads position 0 for up to 15 s (seen on x86_64 under the self-test's "
     "box), and a host's timer on the thread that ran it ticks only after 2.5-3 s",
     kOnWine10},
    {Gap::Vmr9PlaybackXError, "Vmr9PlaybackXError",
     "a VMR-9 that drew frames in a host's visible window ends the process with an X BadAlloc "
     "(X_ConfigureWindow, or X_CreatePixmap after Mesa's \"failed to create drawable\") while playing or as its "
     "graph is released (the sample player on x86_64: 3 runs of 4; the video exports' case: 4 runs of 6)",
     kOnWine10},
    {Gap::NoMediaFoundationSource, "NoMediaFoundationSource",
     "the source reader refuses every MP4 (E_FAIL) and converts no video to RGB32 (0xC00D5212), so the "
     "library's Media Foundation source opens no file with video and the open goes on through DirectShow; "
     "and DirectShow (GStreamer base and good only) decodes neither H.264 nor AAC: no source reads the MP4 "
     "and M4A clips",
     kOnWine8},
    {Gap::DirectShowReadsMp4, "DirectShowReadsMp4",
     "DirectShow reads MP4 and M4A itself (GStreamer's demuxers and libav's decoders), which a stock "
     "Windows' cannot: with the default policy such files open through DirectShow, not through the Media "
     "Foundation source",
     kOnWine10},
    {Gap::BrokenFileThreadsStay, "BrokenFileThreadsStay",
     "each pass of opens and closes of broken files (random bytes, an empty file) through DirectShow alone "
     "leaves two more threads in the process for good; the same passes on Wine 10 leave none",
     kOnWine8},
    {Gap::X87MovesRounded, "X87MovesRounded",
     "under QEMU 10's i386 emulation, at 24-bit precision a double loaded into and stored from st(0) "
     "loses its low bits, so a double an export returns in st(0) reaches the host rounded", 0},
    {Gap::EmulatedCommitNoise, "EmulatedCommitNoise",
     "under QEMU 10's i386 emulation the committed bytes of a block of 100 graph opens and closes swing by "
     "+-400 KB, for the library and the platform's own calls alike, even once their threads ended", 0},
};
static_assert(sizeof kGaps / sizeof kGaps[0] == static_cast<int>(Gap::Count), "one entry per gap");

// -1: ask the platform; else the Platform forced by a ForcePlatform.
int forced = -1;

// A processor loads and stores a double through st(0) exactly at any
// precision control; the emulator rounds it to the control's width.
bool detectX87MovesRounded()
{
#if defined(__i386__)
    static volatile double in = 0.7;
    volatile double out = 0.0;
    ScopedX87Precision narrow(X87Precision::Bits24);
    asm volatile("fldl %1\n\tfstpl %0" : "=m"(out) : "m"(in));
    return out != in;
#else
    return false;
#endif
}

Platform detectPlatform()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    using Version = const char*(CDECL*)();
    auto version = ntdll ? reinterpret_cast<Version>(GetProcAddress(ntdll, "wine_get_version")) : nullptr;
    return version ? platformOfWine(version()) : Platform::Windows;
}

} // namespace

const GapEntry* gapTable()
{
    return kGaps;
}

std::string gapName(Gap gap)
{
    return kGaps[static_cast<int>(gap)].name;
}

Platform platformOfWine(const char* version)
{
    int major = 0;
    for (const char* c = version; c && *c >= '0' && *c <= '9' && major < 1000; ++c)
        major = major * 10 + (*c - '0');
    return major > 0 && major < 10 ? Platform::Wine8 : Platform::Wine10;
}

Platform platform()
{
    static const Platform detected = detectPlatform();
    return forced >= 0 ? static_cast<Platform>(forced) : detected;
}

bool onWine()
{
    return platform() != Platform::Windows;
}

bool has(Gap gap)
{
    if (gap == Gap::X87MovesRounded || gap == Gap::EmulatedCommitNoise) {
        static const bool emulated = detectX87MovesRounded();
        return emulated;
    }
    return gap < Gap::Count && (kGaps[static_cast<int>(gap)].platforms & (1u << static_cast<int>(platform()))) != 0;
}

void keepAlive(Gap gap, IUnknown* object)
{
    if (has(gap) && object)
        object->AddRef();
}

ForcePlatform::ForcePlatform(bool wine) : ForcePlatform(wine ? Platform::Wine8 : Platform::Windows) {}

ForcePlatform::ForcePlatform(Platform platform) : previous_(forced)
{
    forced = static_cast<int>(platform);
}

ForcePlatform::~ForcePlatform()
{
    forced = previous_;
}

} // namespace testing
