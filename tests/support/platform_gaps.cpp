#include "platform_gaps.h"

#include "x87.h"

#include <windows.h>

#include <cstdint>

namespace testing {
namespace {

const GapEntry kGaps[] = {
    {Gap::NoQualProp, "NoQualProp", "no renderer offers IQualProp: the statistics exports give -3"},
    {Gap::NoFrameStep, "NoFrameStep", "IVideoFrameStep's methods are E_NOTIMPL stubs"},
    {Gap::RateIgnored, "RateIgnored", "SetRate/put_Rate succeed and change nothing: the rate reads 1.000"},
    {Gap::MediaTimeOnly, "MediaTimeOnly", "only TIME_FORMAT_MEDIA_TIME, E_INVALIDARG for the frame format in any state"},
    {Gap::NoImageSize, "NoImageSize", "GetCurrentImage(size, NULL) gives E_POINTER: omb_CaptureVideo returns -2"},
    {Gap::VideoWindowStubs, "VideoWindowStubs", "get_BorderColor and IsCursorHidden write nothing"},
    {Gap::VmrNoFullScreen, "VmrNoFullScreen", "the VMRs' full-screen mode is not implemented"},
    {Gap::Vmr7NoMixerBitmap, "Vmr7NoMixerBitmap", "the VMR-7 has no IVMRMixerBitmap"},
    {Gap::Vmr9MixerNotImpl, "Vmr9MixerNotImpl", "IVMRMixerBitmap9's methods are E_NOTIMPL"},
    {Gap::GrabberOnlyRenderFile, "GrabberOnlyRenderFile",
     "RenderStream connects the renderer straight to the splitter; the grabber stays unconnected"},
    {Gap::GrabberSampleSizeOne, "GrabberSampleSizeOne", "the grabber's connected type has lSampleSize 1"},
    {Gap::SourceNamedReader, "SourceNamedReader", "RenderFile's source filter is named \"Reader\""},
    {Gap::NoPropertyPages, "NoPropertyPages", "no filter offers ISpecifyPropertyPages"},
    {Gap::EndpointVolumeNotImpl, "EndpointVolumeNotImpl", "SetMasterVolumeLevelScalar is E_NOTIMPL"},
    {Gap::NoClockInterfaces, "NoClockInterfaces",
     "no IAMClockSlave on the DirectSound renderer, no IAMGraphStreams, no IAMClockAdjust"},
    {Gap::RepeatReadsDuration, "RepeatReadsDuration",
     "after a seek while running, the position reads as the duration until the graph stops"},
    {Gap::EvrCrashOnRelease, "EvrCrashOnRelease",
     "the graph's final release disconnects the EVR, which crashes (x86_64 also at its first frame)"},
    {Gap::ExitCrashAfterManyGraphs, "ExitCrashAfterManyGraphs",
     "the process segfaults in its teardown after some hundred Video Renderer graphs"},
    {Gap::X87MovesRounded, "X87MovesRounded",
     "under QEMU 10's i386 emulation, at 24-bit precision a double loaded into and stored from st(0) "
     "loses its low bits, so a double an export returns in st(0) reaches the host rounded"},
    {Gap::EmulatedCommitNoise, "EmulatedCommitNoise",
     "under QEMU 10's i386 emulation the committed bytes of a block of 100 graph opens and closes swing by "
     "+-400 KB, for the library and the platform's own calls alike, even once their threads ended"},
};
static_assert(sizeof kGaps / sizeof kGaps[0] == static_cast<int>(Gap::Count), "one entry per gap");

// -1: ask the platform; 0 or 1: forced by a ForcePlatform.
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

bool detectWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

const GapEntry* gapTable()
{
    return kGaps;
}

bool onWine()
{
    static const bool wine = detectWine();
    return forced >= 0 ? forced == 1 : wine;
}

bool has(Gap gap)
{
    if (gap == Gap::X87MovesRounded || gap == Gap::EmulatedCommitNoise) {
        static const bool emulated = detectX87MovesRounded();
        return emulated;
    }
    // Every other gap of the table is Wine 8.0's; none is Windows'.
    return gap < Gap::Count && onWine();
}

void keepAlive(Gap gap, IUnknown* object)
{
    if (has(gap) && object)
        object->AddRef();
}

ForcePlatform::ForcePlatform(bool wine) : previous_(forced)
{
    forced = wine ? 1 : 0;
}

ForcePlatform::~ForcePlatform()
{
    forced = previous_;
}

} // namespace testing
