// What a test can set on the fakes, as typed keys: the calls it can make fail
// (World::failures), the getters it can make answer S_OK without writing
// (World::writesNothing) and the behaviour switches (World::quirks). A key is
// the fake's name and the method or switch, so a misspelt one does not
// compile; the fakes look each up by the same "name.method" text, and a key a
// test set that no fake looked up fails the test at its end (FakePlayer).
#pragma once
#include <iosfwd>
#include <string>

// The filters (World::create's names, and "source" from AddSourceFilter).
#define FAKE_FILTERS(X, ...) \
    X(grabber, __VA_ARGS__) X(dsound, __VA_ARGS__) X(vr, __VA_ARGS__) X(vmr7, __VA_ARGS__) \
    X(vmr9, __VA_ARGS__) X(evr, __VA_ARGS__) X(null, __VA_ARGS__) X(source, __VA_ARGS__)
#define FAKE_FILTER_CALLS(f, X) X(f, FindPin) X(f, QueryFilterInfo) X(f, GetPages)
#define FAKE_STATISTICS_CALLS(f, X)                                                                        \
    X(f, get_FramesDroppedInRenderer) X(f, get_FramesDrawn) X(f, get_AvgFrameRate) X(f, get_Jitter)       \
    X(f, get_AvgSyncOffset) X(f, get_DevSyncOffset)
#define FAKE_MIXING_CALLS(f, X) X(f, SetRenderingMode) X(f, SetNumberOfStreams) X(f, SetAlphaBitmap)

// X(fake, method): every call whose result a test can set. "create.<name>"
// is World::create making that fake.
#define FAKE_CALLS(X)                                                                                      \
    X(create, graph) X(create, builder) X(create, grabber) X(create, dsound) X(create, vr)                 \
    X(create, vmr7) X(create, vmr9) X(create, evr) X(create, null) X(create, clock) X(create, mmdevices)   \
    /* the graph: building, control, events */                                                             \
    X(graph, AddFilter) X(graph, FindFilterByName) X(graph, AddSourceFilter) X(graph, RenderFile)         \
    X(graph, Run) X(graph, Pause) X(graph, Stop) X(graph, GetState)                                       \
    X(graph, GetEvent) X(graph, FreeEventParams) X(graph, SetNotifyWindow)                                \
    /* the graph: its video window */                                                                      \
    X(graph, put_Owner) X(graph, get_Owner) X(graph, put_WindowStyle) X(graph, SetWindowPosition)         \
    X(graph, SetWindowForeground) X(graph, put_Visible) X(graph, get_Visible)                             \
    X(graph, put_AutoShow) X(graph, get_AutoShow) X(graph, put_BackgroundPalette)                         \
    X(graph, get_BackgroundPalette) X(graph, put_BorderColor) X(graph, get_BorderColor)                   \
    X(graph, put_FullScreenMode) X(graph, get_FullScreenMode) X(graph, put_Height) X(graph, get_Height)   \
    X(graph, put_Left) X(graph, get_Left) X(graph, put_Top) X(graph, get_Top) X(graph, put_Width)         \
    X(graph, get_Width) X(graph, HideCursor) X(graph, IsCursorHidden)                                     \
    X(graph, GetMaxIdealImageSize) X(graph, GetMinIdealImageSize)                                         \
    /* the graph: position, video, audio, rate, seeking, stepping */                                       \
    X(graph, get_Duration) X(graph, get_CurrentPosition) X(graph, put_CurrentPosition)                    \
    X(graph, get_VideoWidth) X(graph, get_VideoHeight) X(graph, GetCurrentImage)                          \
    X(graph, put_Volume) X(graph, get_Volume) X(graph, put_Balance) X(graph, get_Balance)                 \
    X(graph, SyncUsingStreamOffset) X(graph, SetMaxGraphLatency)                                          \
    X(graph, put_Rate) X(graph, get_Rate) X(graph, SetRate) X(graph, GetRate) X(graph, GetCapabilities)   \
    X(graph, GetTimeFormat) X(graph, SetTimeFormat) X(graph, GetDuration) X(graph, GetPositions)          \
    X(graph, SetPositions) X(graph, Step) X(graph, CanStep) X(graph, CancelStep)                          \
    /* the filters */                                                                                      \
    FAKE_FILTERS(FAKE_FILTER_CALLS, X)                                                                     \
    X(grabber, SetMediaType) X(grabber, GetConnectedMediaType) X(grabber, SetBufferSamples)               \
    X(grabber, GetCurrentBuffer) X(dsound, SetErrorTolerance) X(dsound, GetErrorTolerance)                 \
    FAKE_STATISTICS_CALLS(vr, X) FAKE_STATISTICS_CALLS(vmr7, X) FAKE_STATISTICS_CALLS(vmr9, X)             \
    FAKE_STATISTICS_CALLS(evr, X) FAKE_MIXING_CALLS(vmr7, X) FAKE_MIXING_CALLS(vmr9, X)                    \
    X(evr, GetService) X(display, SetVideoWindow) X(display, SetVideoPosition)                            \
    /* the capture graph builder, clock and Core Audio */                                                  \
    X(builder, SetFiltergraph) X(builder, RenderStream) X(clock, SetClockDelta)                           \
    X(mmdevices, GetDefaultAudioEndpoint) X(device, Activate) X(endpoint, SetMasterVolumeLevelScalar)

#define FAKE_SCRIBBLE_QUIRK(f, X) X(f, GetPages_scribble, "GetPages.scribble")

// X(fake, switch, text): the behaviour switches, described where the fakes
// that consult them are declared; the text follows the fake's name.
#define FAKE_QUIRKS(X)                                                                                     \
    X(graph, AddSourceFilter_null, "AddSourceFilter.null")                                                \
    X(graph, Run_completes, "Run.completes")                                                              \
    X(graph, RenderFile_bypassGrabber, "RenderFile.bypassGrabber")                                        \
    X(graph, GetCurrentImage_fillFails, "GetCurrentImage.fillFails")                                      \
    X(graph, rate_ignored, "rate.ignored")                                                                \
    X(graph, SetTimeFormat_mediaTimeOnly, "SetTimeFormat.mediaTimeOnly")                                  \
    X(builder, RenderStream_bypassGrabber, "RenderStream.bypassGrabber")                                  \
    X(grabber, GetCurrentBuffer_short, "GetCurrentBuffer.short")                                          \
    X(grabber, GetConnectedMediaType_noformat, "GetConnectedMediaType.noformat")                          \
    X(source, EnumPins_unconnected, "EnumPins.unconnected")                                               \
    FAKE_FILTERS(FAKE_SCRIBBLE_QUIRK, X)

// X(fake): every fake by its name, for World::lacking.
#define FAKE_NAMES(X)                                                                                      \
    X(graph) X(builder) X(grabber) X(dsound) X(vr) X(vmr7) X(vmr9) X(evr) X(null) X(source) X(clock)     \
    X(mmdevices) X(device) X(endpoint) X(display)

namespace fakes {

#define FAKE_NAME_ENUM(fake) fake,
enum class Fake { FAKE_NAMES(FAKE_NAME_ENUM) Count };
#undef FAKE_NAME_ENUM

#define FAKE_CALL_ENUM(fake, method) fake##_##method,
enum class Call { FAKE_CALLS(FAKE_CALL_ENUM) Count };
#undef FAKE_CALL_ENUM

#define FAKE_QUIRK_ENUM(fake, name, text) fake##_##name,
enum class Quirk { FAKE_QUIRKS(FAKE_QUIRK_ENUM) Count };
#undef FAKE_QUIRK_ENUM

// "graph.put_CurrentPosition", "graph.rate.ignored", "vmr9".
const char* keyText(Fake fake);
const char* keyText(Call call);
const char* keyText(Quirk quirk);
// The key of that text; false when there is none.
bool keyNamed(const std::string& text, Call& call);
bool keyNamed(const std::string& text, Quirk& quirk);

std::ostream& operator<<(std::ostream& out, Call call);
std::ostream& operator<<(std::ostream& out, Quirk quirk);

} // namespace fakes
