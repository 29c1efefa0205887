/*
 * ombrix.dll - media playback and frame capture through DirectShow for
 * script hosts.
 *
 * Every export uses the C calling convention and an undecorated name.
 * Integers are 32-bit signed; window and device-context handles travel as
 * omb_handle, which is exactly a 32-bit int in the 32-bit build and stays
 * pointer-sized in the 64-bit build.
 *
 * Floating point: both builds compute in IEEE double arithmetic, so a time,
 * rate or volume converts to the same integer in either, whatever precision
 * the host's x87 unit is set to (the 32-bit build computes in SSE2 registers
 * and so needs a processor with SSE2; it still returns doubles in st(0), and
 * expects only the 4-byte stack alignment a 32-bit caller guarantees).
 * omb_Open and omb_Test give the calling thread its floating-point control
 * word back as they found it, even where a renderer's Direct3D device
 * changed it.
 *
 * Return codes: 0 is success, negative values are failures, named by
 * OmbCode below. OMB_E_NOT_OPEN (-1) as a rule means that no graph is open;
 * the other codes are listed per export. Texts returned by the library are
 * constants that the host must not free.
 *
 * Arguments are checked at the door: after the export's state tests (no
 * file open, the wrong mode, no Sample Grabber), each of which answers its
 * own code whatever the arguments, and before any platform call.
 * OMB_E_REFUSED (-8), where an export lists it, means an argument was
 * refused (a handle that is not a window or not a device context, a
 * rectangle whose size is negative or whose far edge does not fit 32 bits,
 * a time or rate that is not a finite number, a text longer than the
 * platform takes). Window arguments may be null where the export says what
 * null does.
 */
#ifndef OMBRIX_H
#define OMBRIX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(OMBRIX_BUILD) || defined(OMBRIX_STATIC)
#define OMBRIX_API
#else
#define OMBRIX_API __declspec(dllimport)
#endif
#define OMBRIX_CALL __cdecl
/* No C++ exception leaves an export: to C++ callers they are noexcept. */
#ifdef __cplusplus
#define OMBRIX_NOEXCEPT noexcept
#else
#define OMBRIX_NOEXCEPT
#endif

/* A window handle (HWND) or device-context handle (HDC). */
typedef intptr_t omb_handle;

/* Renderer configuration chosen by omb_Open's mode argument. */
typedef enum OpenMode {
    OpenMode_DefaultRenderers = 0, /* the graph chooses every renderer (RenderFile) */
    OpenMode_VideoRenderer = 1,    /* legacy Video Renderer + DirectSound Renderer */
    OpenMode_Vmr7 = 2,             /* Video Mixing Renderer 7 + DirectSound Renderer */
    OpenMode_Vmr9 = 3,             /* Video Mixing Renderer 9 + DirectSound Renderer */
    OpenMode_Evr = 4,              /* Enhanced Video Renderer + DirectSound Renderer */
    OpenMode_AudioOnly = 5,        /* DirectSound Renderer only */
    OpenMode_NullVideo = 6         /* Null Renderer swallows the video + DirectSound Renderer */
} OpenMode;

/* Where omb_Open looks for a reader of the file (omb_SetSourcePolicy). */
typedef enum OmbSourcePolicy {
    OMB_SOURCE_DIRECTSHOW = 0,       /* DirectShow's own source filters only */
    OMB_SOURCE_DIRECTSHOW_THEN_MF = 1, /* DirectShow, then the Media Foundation source (at load) */
    OMB_SOURCE_MF_FIRST = 2          /* the Media Foundation source, then DirectShow */
} OmbSourcePolicy;

/* Window message (WM_APP + 0x197) posted for graph events; the worker window
   forwards it to the host with the event code in wParam and lParam. */
#define OMB_WM_GRAPHEVENT 0x8197

/* Players (see "Players" below): how many there are, and the graph-event
   message of player n (0 to OMB_PLAYERS - 1). Player 0's is
   OMB_WM_GRAPHEVENT itself; player n's graph posts, and the worker forwards,
   OMB_WM_GRAPHEVENT + n, with the same wParam and lParam as player 0's. */
#define OMB_PLAYERS 8
#define OMB_WM_PLAYEREVENT(n) (OMB_WM_GRAPHEVENT + (n))

/* Return codes. 0 is success; each failure has a name, and the comment of
   every export lists the names it can return. A value can carry several
   meanings, told apart by the export that returns it; the values never
   change. Exports that pass on the platform's result may also return a
   negative HRESULT, which is not named here. */
typedef enum OmbCode {
    OMB_OK = 0,                       /* success */
    OMB_E_NOT_OPEN = -1,              /* no file is open (no graph exists) */
    OMB_E_REFUSED = -8,               /* an argument was refused at the door; nothing was done */
    OMB_E_NO_SUCH_PLAYER = -9,        /* omb_SelectPlayer: no player has that number (the current one stays) */
    OMB_E_ALREADY_OPEN = -1,          /* omb_Open: a file is open already */
    OMB_E_EVR_NOT_CREATED = -1,       /* omb_Open mode 4: the Enhanced Video Renderer cannot be created */
    OMB_E_BAD_MODE = -2,              /* the mode is outside the ones the export knows (nothing was done) */
    OMB_E_EVR_NOT_ADDED = -2,         /* omb_Open mode 4: the Enhanced Video Renderer cannot join the graph */
    OMB_E_CANNOT_RENDER = -4,         /* omb_Open: the file cannot be rendered, or no source filter reads it */
    OMB_E_NO_OUTPUT_PIN = -5,         /* omb_Open mode 2: the source filter has no "Output" pin */
    OMB_E_BAD_FILE_NAME = -6,         /* omb_Open: the file name is null, empty, too long, or not valid in its encoding */
    OMB_E_NO_GRAPH_OBJECTS = -7,      /* omb_Open: the filter graph manager or capture graph builder cannot be created */
    OMB_E_NO_MEDIA_FOUNDATION = -2,   /* mode 4: MF.DLL cannot be loaded */
    OMB_E_NO_DISPLAY_CONTROL = -3,    /* mode 4: the EVR's display control cannot be obtained */
    OMB_E_NO_STATE = -3,              /* the graph cannot report its state */
    OMB_E_NO_EVENT = -1,              /* no file is open, or no graph event is waiting */
    OMB_E_NO_EVENT_INTERFACE = -3,    /* omb_SetEvHWND: the graph offers no IMediaEventEx */
    OMB_E_BAD_SELECTOR = -2,          /* the selector, kind, query or command is outside the known ones (the graph is not asked) */
    OMB_E_NO_VIDEO_WINDOW = -3,       /* the graph has no video window (IVideoWindow) */
    OMB_E_NO_ANSWER = -3,             /* the renderer offers no such interface, or its call failed or wrote nothing */
    OMB_E_NO_IMAGE = -2,              /* the open mode's renderer cannot give its current image (modes 4-6) */
    OMB_E_EMPTY_IMAGE = -3,           /* the renderer's image size is below 1 */
    OMB_E_NOT_DRAWN = -4,             /* no scan line was drawn */
    OMB_E_BAD_IMAGE = -5,             /* the image is not an uncompressed DIB that fits the size given */
    OMB_E_NO_MEMORY = -6,             /* out of memory (omb_VMRMixImage: E_OUTOFMEMORY) */
    OMB_E_NO_GRABBER = -2,            /* no Sample Grabber in the graph (no omb_Open since omb_UseCaptureVideoEx(1)) */
    OMB_E_NOT_CONNECTED = -3,         /* the Sample Grabber is not connected to a video stream */
    OMB_E_NO_FRAME = -5,              /* the Sample Grabber has buffered no frame yet */
    OMB_E_NOT_MIXING_MODE = -2,       /* the open mode has no mixing renderer (modes other than 2 and 3) */
    OMB_E_NO_MIXER_BITMAP = -3,       /* the renderer offers no mixer bitmap */
    OMB_E_INVALIDARG = -4,            /* the renderer answered E_INVALIDARG */
    OMB_E_POINTER = -5,               /* the renderer answered E_POINTER */
    OMB_E_FAIL = -7,                  /* the renderer answered E_FAIL */
    OMB_E_NO_RENDERER = -2,           /* the open mode holds no video renderer of the library's own (modes 0, 5, 6) */
    OMB_E_NO_POSITION = -2,           /* the graph has no IMediaPosition, or it refused the read (nothing was requested) */
    OMB_E_NO_INFO = -2,               /* other kind, no answer, or a time that does not fit an int */
    OMB_E_NO_SEEKING = -3,            /* the graph has no IMediaSeeking, or it refused the read */
    OMB_E_ZERO_RATE = -1,             /* omb_SetMediaSeeking command 3: a rate of 0 is refused */
    OMB_E_NO_FRAME_STEP = -2,         /* the graph has no IVideoFrameStep, or it cannot step */
    OMB_E_NO_CLASS = -1,              /* omb_CreateThread: the worker's window class is not registered */
    OMB_E_ALREADY_STARTED = -2,       /* omb_CreateThread: the worker runs already */
    OMB_E_NO_WORKER = -3,             /* omb_CreateThread: the thread or its window could not be made within 5 s */
    OMB_E_NO_AUDIO = -2,              /* the graph has no audio control (IBasicAudio), or it gave no value */
    OMB_E_NO_AUDIO_RENDERER = -4,     /* no DirectSound Renderer of the library's own (mode 0) */
    OMB_E_NO_CLOCK_SLAVE = -2,        /* the DirectSound Renderer gives no IAMClockSlave */
    OMB_E_NOT_ACCEPTED = -3,          /* the platform did not answer S_OK */
    OMB_E_NO_GRAPH_STREAMS = -3,      /* the graph has no IAMGraphStreams */
    OMB_E_NO_CLOCK = -2,              /* the System Reference Clock cannot be created or has no IAMClockAdjust */
    OMB_E_NO_MIXER = -1,              /* SetMasterVolume: no winmm mixer */
    OMB_E_NO_MIXER_CAPS = -2,         /* SetMasterVolume: the mixer gives no capabilities */
    OMB_E_NO_SPEAKERS = -3,           /* SetMasterVolume: the mixer has no speakers line */
    OMB_E_NO_VOLUME_CONTROL = -4,     /* SetMasterVolume: the speakers line has no volume control */
    OMB_E_VALUE_REFUSED = -5,         /* SetMasterVolume: the mixer refused the value */
    OMB_E_NO_DEVICE_ENUMERATOR = -1,  /* SetMasterVolumeVista: no Core Audio device enumerator */
    OMB_E_NO_OUTPUT_DEVICE = -2,      /* SetMasterVolumeVista: no default output device */
    OMB_E_NO_ENDPOINT_VOLUME = -3,    /* SetMasterVolumeVista: the device has no endpoint volume */
    OMB_E_LEVEL_REFUSED = -4          /* SetMasterVolumeVista: the level was refused (as outside 0..100) */
} OmbCode;

/* ---- Players ---------------------------------------------------------- */

/* The library holds OMB_PLAYERS independent players. Every other export that
   works on a player (open, transport, video, capture, mixing, statistics,
   position, rate, seeking, stepping, volume, clock, property pages) acts on
   the current one, which is player 0 until the host selects another: a host
   that never selects gets one player, exactly as if there were no others.
   Per player: its graph and open mode, the Sample Grabber flag
   (omb_UseCaptureVideoEx) and grabbed type, its event window and event
   interface, its held interfaces and frame buffer, renderer statistics.
   Process-wide: COM (omb_Init, omb_Exit), the worker thread and its window
   (omb_CreateThread: one worker repeats and forwards for every player), the
   text encoding (omb_UseUTF8), the event texts, the filter list, the
   version text, the master volume.
   Player n's graph events carry OMB_WM_PLAYEREVENT(n) (above), both from its
   graph to the window of omb_SetEvHWND and from the worker to hostWindow.
   Closing one player never touches another's graph, repeat or events.

   Threads: the selection belongs to the calling thread. Each host thread
   has its own current player, player 0 until that thread selects another,
   so two threads may drive two players at once, each after selecting its
   own; one player must be used by one thread at a time. While the library
   waits and handles the messages sent to the thread (omb_Close and omb_Stop
   waiting for the worker, the box of omb_Test, the frame of omb_FillterProp),
   a window procedure of the host may call any export and select another
   player: when the wait ends, the thread's selection is the one it had
   before the call. */

/* Makes player n (0 to OMB_PLAYERS - 1) the current one of the calling
   thread. 0 ok; OMB_E_NO_SUCH_PLAYER for any other n (the current player
   stays). */
OMBRIX_API int OMBRIX_CALL omb_SelectPlayer(int n) OMBRIX_NOEXCEPT;
/* The number of the calling thread's current player (0 until it selects). */
OMBRIX_API int OMBRIX_CALL omb_GetPlayer(void) OMBRIX_NOEXCEPT;
/* How many players there are: OMB_PLAYERS. */
OMBRIX_API int OMBRIX_CALL omb_GetPlayerCount(void) OMBRIX_NOEXCEPT;

/* ---- Library frame ---------------------------------------------------- */

/* Returns exactly 1.0 (a probe that double results cross the boundary). */
OMBRIX_API double OMBRIX_CALL omb_t(void) OMBRIX_NOEXCEPT;
/* Returns the interface version, 101. */
OMBRIX_API int OMBRIX_CALL omb_Version(void) OMBRIX_NOEXCEPT;
/* Returns the build date, 20090917. */
OMBRIX_API int OMBRIX_CALL omb_BuildVersion(void) OMBRIX_NOEXCEPT;
/* CoInitialize(NULL) on the calling thread; returns 0. */
OMBRIX_API int OMBRIX_CALL omb_Init(void) OMBRIX_NOEXCEPT;
/* Closes every player whose graph the calling thread opened, as omb_Close
   does, then CoUninitialize() on the calling thread; returns 0. Once it
   returns, no restart or graph event of the worker reaches those graphs;
   references the worker still held (a call of its that outlived
   omb_Close's wait) are neither called nor released when they come back.
   Those players then answer OMB_E_NOT_OPEN; players that other threads
   opened, the selections and the worker window stay, and omb_Init makes
   the thread ready to open again. */
OMBRIX_API int OMBRIX_CALL omb_Exit(void) OMBRIX_NOEXCEPT;

/* ---- Open and transport ----------------------------------------------- */

/* Builds the graph for fileName in mode (an OpenMode). fileName is in the
   process's ANSI code page, or UTF-8 after omb_UseUTF8(1). reserved is not
   read; vmrRenderingMode and vmrStreamCount configure the mixer in modes 2/3.
   0 ok; OMB_E_ALREADY_OPEN; OMB_E_BAD_MODE (outside 0..6);
   OMB_E_EVR_NOT_CREATED, OMB_E_EVR_NOT_ADDED (mode 4); OMB_E_CANNOT_RENDER;
   OMB_E_NO_OUTPUT_PIN (mode 2); OMB_E_BAD_FILE_NAME (null or empty;
   longer than 32767 UTF-16 units once converted, where a character outside
   the Basic Multilingual Plane counts two, as in omb_OpenW; or not valid in
   its encoding: not UTF-8 after omb_UseUTF8(1), else a byte sequence the
   ANSI code page does not define, such as a double-byte lead byte without a
   valid trail byte; in every mode, after the open and mode tests and before
   a graph is made; nothing is replaced or cut silently; mode 0 once passed
   a null name on to the graph, and every mode an empty one, and both answer
   this code since those paths were closed); OMB_E_NO_GRAPH_OBJECTS. A name
   with characters the ANSI code page cannot hold reaches this call already
   changed by the host's own conversion and is not found
   (OMB_E_CANNOT_RENDER): use omb_UseUTF8 or omb_OpenW. */
OMBRIX_API int OMBRIX_CALL omb_Open(const char *fileName, int mode, int reserved,
                                     int vmrRenderingMode, int vmrStreamCount) OMBRIX_NOEXCEPT;
/* omb_Open with a UTF-16 file name, taken as it is (its length counted in
   wchar_t units); the same codes. */
OMBRIX_API int OMBRIX_CALL omb_OpenW(const wchar_t *fileName, int mode, int reserved,
                                      int vmrRenderingMode, int vmrStreamCount) OMBRIX_NOEXCEPT;
/* How the text arguments the library converts (omb_Open's file name) are
   encoded, for every player: flag non-zero UTF-8, 0 the process's ANSI code
   page (the setting at load). Returns 0. */
OMBRIX_API int OMBRIX_CALL omb_UseUTF8(int flag) OMBRIX_NOEXCEPT;
/* How the current player's next omb_Open (and omb_OpenW) finds a reader for
   the file (an OmbSourcePolicy):
   OMB_SOURCE_DIRECTSHOW: DirectShow's own source filters only, as before
   1.2.0: a file they cannot render answers OMB_E_CANNOT_RENDER. Set it to
   keep that behaviour exactly.
   OMB_SOURCE_DIRECTSHOW_THEN_MF (every player's setting at load): DirectShow
   first. Where it cannot render the file (OMB_E_CANNOT_RENDER; in modes 1-6
   also a source whose streams reach no renderer), the file is opened again
   through the library's own source filter, which reads it with Media
   Foundation: MP4, M4A, M4V, MOV and 3GP on a Windows without codec packs.
   The same mode, renderers and Sample Grabber are used, and every export
   then behaves as on a DirectShow source. The filter offers uncompressed
   video (RGB32 or RGB24) and 16-bit PCM audio, and seeks in media time.
   Where Media Foundation is absent or cannot read the file either, the
   DirectShow result stands. A reader that has not opened the file within
   20 s counts as one that cannot read it: the open goes on without it.
   OMB_SOURCE_MF_FIRST: the Media Foundation source first, DirectShow where
   it cannot read the file.
   0 ok; OMB_E_REFUSED for any other value (the setting stays). */
OMBRIX_API int OMBRIX_CALL omb_SetSourcePolicy(int policy) OMBRIX_NOEXCEPT;
/* What reads the current player's open file: 0 a DirectShow source filter,
   1 the library's Media Foundation source; OMB_E_NOT_OPEN. */
OMBRIX_API int OMBRIX_CALL omb_GetSource(void) OMBRIX_NOEXCEPT;
/* Places the video in window at (left, top) with the given size (modes 0-3:
   a child window; mode 4: the EVR's display rectangle) and runs the graph.
   window may be null (no owner). 0 ok; OMB_E_NOT_OPEN;
   OMB_E_NO_MEDIA_FOUNDATION, OMB_E_NO_DISPLAY_CONTROL (mode 4);
   OMB_E_REFUSED for a window that is not one, a negative width or height, or
   left + width or top + height outside 32 bits (modes 0-4; modes 5 and 6 do
   no window work and take any window arguments). */
OMBRIX_API int OMBRIX_CALL omb_Play(omb_handle window, int left, int top, int width, int height) OMBRIX_NOEXCEPT;
/* Runs the graph again without touching the window. 0 ok; OMB_E_NOT_OPEN. */
OMBRIX_API int OMBRIX_CALL omb_Play2(void) OMBRIX_NOEXCEPT;
/* Stops the graph. 0 ok; OMB_E_NOT_OPEN. The worker restarts nothing from
   here on (omb_Play and omb_Play2 allow it again) and a restart under way is
   waited for (at most 5 s); a graph that messages handled during that wait
   closed or replaced is left alone. When a restart is still inside the
   graph after the wait, the worker stops it as soon as that call returns
   (the graph would not take a stop before), and omb_Stop returns 0 at once. */
OMBRIX_API int OMBRIX_CALL omb_Stop(void) OMBRIX_NOEXCEPT;
/* The graph's state: 0 stopped, 1 paused, 2 running; OMB_E_NOT_OPEN;
   OMB_E_NO_STATE when the graph cannot tell it. A transition still under
   way after 10 s answers with the state the graph is moving to (the wait is
   bounded so that a filter that never finishes cannot hang the host). */
OMBRIX_API int OMBRIX_CALL omb_GetState(void) OMBRIX_NOEXCEPT;
/* Makes the graph post OMB_WM_GRAPHEVENT (lParam 0) to window for each event;
   a second call replaces the first; null turns the messages off. Given the
   worker window (omb_CreateThread), the messages carry a number of the
   graph's instead of 0, so that the worker acts only on the graph that
   posted them: a message still queued from a closed graph touches nothing,
   and the worker takes events only from a graph that sends them to it. 0 ok;
   OMB_E_NOT_OPEN when no graph exists; OMB_E_REFUSED when window is not a
   window; OMB_E_NO_EVENT_INTERFACE when the graph has no event interface. */
OMBRIX_API int OMBRIX_CALL omb_SetEvHWND(omb_handle window) OMBRIX_NOEXCEPT;
/* Takes the next graph event and returns its code (1 = end of the media);
   0 when omb_SetEvHWND was never called; OMB_E_NO_EVENT. */
OMBRIX_API int OMBRIX_CALL omb_GetStopped(void) OMBRIX_NOEXCEPT;
/* Hides the video window and releases the whole graph. 0 ok; OMB_E_NOT_OPEN.
   It waits (at most 5 s) for the worker to finish with the graph; when that
   runs out, it makes no further call on the graph (the platform's graph
   would make it wait for the worker's call), releases its own references
   and returns: the worker stops the graph when its call returns, and its
   last references are released at the next omb_Open, omb_Close or omb_Exit
   of that player. */
OMBRIX_API int OMBRIX_CALL omb_Close(void) OMBRIX_NOEXCEPT;

/* ---- Video window ----------------------------------------------------- */

/* Places the video window again as a child of owner at (left, top) with the
   given size, without starting the graph. In this order: OMB_E_NOT_OPEN;
   0 in modes 4-6, where nothing is done and the arguments are not judged;
   OMB_E_REFUSED as for omb_Play (modes 0-3); OMB_E_NO_VIDEO_WINDOW; 0 done. */
OMBRIX_API int OMBRIX_CALL omb_Resize(omb_handle owner, int left, int top, int width, int height) OMBRIX_NOEXCEPT;
/* selector 1 switches full screen on, 0 off (0 whatever the renderer says);
   2 asks: -1 full screen, 0 not (or no answer); any other selector 0.
   OMB_E_NOT_OPEN; OMB_E_NO_VIDEO_WINDOW. */
OMBRIX_API int OMBRIX_CALL omb_FullScreen(int selector) OMBRIX_NOEXCEPT;
/* selector 0 hides the cursor over the video, 1 shows it (0 done); 2 asks:
   -1 hidden, 0 shown, OMB_E_NO_ANSWER; any other selector 0. Modes 4-6: 0,
   nothing done. OMB_E_NOT_OPEN; OMB_E_NO_VIDEO_WINDOW. */
OMBRIX_API int OMBRIX_CALL omb_SetHideCursor(int selector) OMBRIX_NOEXCEPT;
/* The native video size: selector 0 width, 1 height, whatever the window's
   size. OMB_E_NOT_OPEN; OMB_E_BAD_SELECTOR; OMB_E_NO_ANSWER (also: no video
   renderer). */
OMBRIX_API int OMBRIX_CALL omb_GetVideoSize(int selector) OMBRIX_NOEXCEPT;
/* Reads one video-window property: 0 AutoShow, 1 BackgroundPalette (OATRUE
   -1 / OAFALSE 0), 2/3/4 border colour red/green/blue (0..255), 6 full-screen
   mode, 7 height, 8 left, 9 owner window, 10 top, 11 visible, 12 width,
   13/14 maximum ideal image width/height, 15/16 minimum ideal width/height,
   17 cursor hidden. OMB_E_NOT_OPEN; OMB_E_BAD_SELECTOR (5, negative or above
   17); OMB_E_NO_VIDEO_WINDOW; OMB_E_NO_ANSWER. */
OMBRIX_API int OMBRIX_CALL omb_GetVideoWindow(int selector) OMBRIX_NOEXCEPT;
/* Writes one video-window property with value unchanged: 0 AutoShow,
   1 BackgroundPalette, 2 border colour (0x00BBGGRR, see SetColorRef),
   4 full-screen mode, 5 height, 6 left, 7 owner window, 8 top, 9 visible,
   10 width, 11 SetWindowForeground. The numbering differs from the reading
   selectors (height is read with 7 and written with 5). Returns the
   platform's result (0 accepted, a negative HRESULT refused); OMB_E_NOT_OPEN;
   OMB_E_BAD_SELECTOR (3, negative or above 11); OMB_E_NO_VIDEO_WINDOW;
   OMB_E_REFUSED for selector 7 with a value that is neither 0 nor a window. */
OMBRIX_API int OMBRIX_CALL omb_SetVideoWindow(int selector, int value) OMBRIX_NOEXCEPT;

/* ---- Frame capture ---------------------------------------------------- */

/* flag non-zero: the next omb_Open inserts a Sample Grabber (24-bit RGB);
   0: it does not. Kept across omb_Close. Always 0. */
OMBRIX_API int OMBRIX_CALL omb_UseCaptureVideoEx(int flag) OMBRIX_NOEXCEPT;
/* Switches the Sample Grabber's frame buffering on (flag non-zero) or off.
   Call it with 1 after omb_Open and before omb_CaptureVideoEx. 0 done;
   OMB_E_NO_GRABBER. */
OMBRIX_API int OMBRIX_CALL omb_SetCaptureBufferSamples(int flag) OMBRIX_NOEXCEPT;
/* Draws the renderer's current image into dc, stretched to the rectangle,
   with the raster operation rop (e.g. SRCCOPY). Pauses the graph first and
   leaves it paused (resume with omb_Play2). 0 drawn; OMB_E_NOT_OPEN;
   OMB_E_REFUSED when dc is not a device context, or x + width or y + height
   is outside 32 bits (nothing is paused); then, paused: OMB_E_NO_IMAGE;
   OMB_E_EMPTY_IMAGE; OMB_E_BAD_IMAGE (the image is not an uncompressed DIB
   whose colour table and pixels lie within the size given); OMB_E_NO_MEMORY;
   OMB_E_NOT_DRAWN. */
OMBRIX_API int OMBRIX_CALL omb_CaptureVideo(omb_handle dc, int x, int y, int width, int height, int rop) OMBRIX_NOEXCEPT;
/* Copies the last frame the Sample Grabber buffered into dc at (x, y),
   unscaled; width and height select the part of the frame from its origin
   (the lower-left corner of a bottom-up frame) and are limited to the frame.
   The graph runs on; the frame is drawn as the grabber's connected type,
   read at every call, describes it. 0 drawn; OMB_E_NOT_OPEN, then
   OMB_E_NO_GRABBER, whatever the arguments; OMB_E_REFUSED when dc is not a
   device context, or x + width or y + height (a positive width or height)
   is outside 32 bits; OMB_E_NOT_CONNECTED (also: the type gives no frame
   that can be drawn); OMB_E_NO_MEMORY; OMB_E_NO_FRAME (see
   omb_SetCaptureBufferSamples); OMB_E_NOT_DRAWN. */
OMBRIX_API int OMBRIX_CALL omb_CaptureVideoEx(omb_handle dc, int x, int y, int width, int height) OMBRIX_NOEXCEPT;
/* GetDC(window): a device context for the host to draw into (0 on failure,
   and for a value that is neither 0 nor a window; 0 gives the screen's).
   The host releases it. */
OMBRIX_API omb_handle OMBRIX_CALL GetHWNDtoHDC(omb_handle window) OMBRIX_NOEXCEPT;

/* ---- Image mixing ----------------------------------------------------- */

/* Lays the bitmap selected into dc over the video (mode 2 VMR-7, mode 3
   VMR-9): the source rectangle in pixels, the destination in 0.0..1.0 of the
   video's width and height, alpha 0.0 (transparent) to 1.0 (opaque); with
   useColorKey exactly 1 the colour (low 8 bits of each component) shows the
   video through. The next call replaces the bitmap; alpha 0.0 hides it.
   0 done; OMB_E_NOT_OPEN, then OMB_E_NOT_MIXING_MODE, whatever the
   arguments; OMB_E_REFUSED when dc is neither 0 nor a device context;
   OMB_E_NO_MIXER_BITMAP; OMB_E_INVALIDARG; OMB_E_POINTER; OMB_E_NO_MEMORY
   (E_OUTOFMEMORY); OMB_E_FAIL; any other failure as the platform's negative
   HRESULT. The float arguments are passed on bit for bit. */
OMBRIX_API int OMBRIX_CALL omb_VMRMixImage(omb_handle dc, int srcLeft, int srcTop, int srcRight, int srcBottom,
                                            float alpha, float destLeft, float destTop, float destRight,
                                            float destBottom, int useColorKey, int keyRed, int keyGreen,
                                            int keyBlue) OMBRIX_NOEXCEPT;
/* Packs a colour 0x00BBGGRR from the low 8 bits of each component. */
OMBRIX_API int OMBRIX_CALL SetColorRef(int red, int green, int blue) OMBRIX_NOEXCEPT;

/* ---- Renderer statistics ---------------------------------------------- */

/* The video renderer's quality statistics, as the renderer reports them, in
   modes 1-4: frames dropped and drawn since streaming started, the average
   frame rate in hundredths of a frame per second, jitter, average sync
   offset (may be negative) and its deviation in milliseconds. OMB_E_NOT_OPEN;
   OMB_E_NO_RENDERER (modes 0, 5, 6); OMB_E_NO_ANSWER (no IQualProp, or no
   answer). */
OMBRIX_API int OMBRIX_CALL omb_GetFramesDroppedInRenderer(void) OMBRIX_NOEXCEPT;
OMBRIX_API int OMBRIX_CALL omb_GetFramesDrawn(void) OMBRIX_NOEXCEPT;
OMBRIX_API int OMBRIX_CALL omb_GetAvgFrameRate(void) OMBRIX_NOEXCEPT;
OMBRIX_API int OMBRIX_CALL omb_GetJitter(void) OMBRIX_NOEXCEPT;
OMBRIX_API int OMBRIX_CALL omb_GetAvgSyncOffset(void) OMBRIX_NOEXCEPT;
OMBRIX_API int OMBRIX_CALL omb_GetDevSyncOffset(void) OMBRIX_NOEXCEPT;

/* ---- Position and duration -------------------------------------------- */

/* Duration in seconds; -1.0 not open or the graph cannot tell it. */
OMBRIX_API double OMBRIX_CALL omb_GetAllPlayTime(void) OMBRIX_NOEXCEPT;
/* Current position in seconds; -1.0 not open or the graph cannot tell it. */
OMBRIX_API double OMBRIX_CALL omb_GetNowPlayTime(void) OMBRIX_NOEXCEPT;
/* Requests the position in seconds. 0 requested; OMB_E_NOT_OPEN;
   OMB_E_NO_POSITION; OMB_E_REFUSED when seconds is not a finite number or its
   magnitude reaches 9.2e11 (beyond the platform's 64-bit count of 100 ns). */
OMBRIX_API int OMBRIX_CALL omb_SetSeek(double seconds) OMBRIX_NOEXCEPT;
/* Requests the position in hundredths of a second. 0 requested;
   OMB_E_NOT_OPEN; OMB_E_NO_POSITION. */
OMBRIX_API int OMBRIX_CALL omb_SetSeek2(int hundredths) OMBRIX_NOEXCEPT;
/* kind 0 video width, 1 video height (pixels), 2 duration, 3 position
   (hundredths, truncated). OMB_E_NOT_OPEN; OMB_E_NO_INFO (other kind, no
   answer, or a time that is not a number or does not fit an int in
   hundredths). */
OMBRIX_API int OMBRIX_CALL omb_Info(int kind) OMBRIX_NOEXCEPT;

/* ---- Graph event text ------------------------------------------------- */

/* A constant code page 932 (Shift_JIS) text describing a graph event code;
   never null, never to be freed. */
OMBRIX_API const char *OMBRIX_CALL omb_GetMediaEvStr(int code) OMBRIX_NOEXCEPT;

/* ---- Worker thread ---------------------------------------------------- */

/* Starts (once per process) a thread with the hidden window "OMBRIX" (class
   "omb01"): given to omb_SetEvHWND, it restarts the media at every end and,
   with forward 1, sends OMB_WM_GRAPHEVENT (wParam = lParam = code) to
   hostWindow. Returns the window handle; OMB_E_NO_CLASS;
   OMB_E_ALREADY_STARTED; OMB_E_NO_WORKER; OMB_E_REFUSED when hostWindow is
   neither 0 nor a window (nothing is started). */
OMBRIX_API int OMBRIX_CALL omb_CreateThread(omb_handle hostWindow, int forward) OMBRIX_NOEXCEPT;
/* The worker window, or 0 before omb_CreateThread made it. */
OMBRIX_API omb_handle OMBRIX_CALL omb_GetThreadHWND(void) OMBRIX_NOEXCEPT;
/* ---- Audio and clock -------------------------------------------------- */

/* Sets the stereo balance, then the volume, in hundredths of a decibel,
   unchanged (the platform takes balance -10000..10000 and volume -10000..0
   and ignores what it refuses). 0 the calls were made, accepted or not;
   OMB_E_NOT_OPEN; OMB_E_NO_AUDIO. */
OMBRIX_API int OMBRIX_CALL omb_SetVolume(int balance, int volume) OMBRIX_NOEXCEPT;
/* which 0: the balance; 1: the volume. Returns the value; OMB_E_NOT_OPEN;
   OMB_E_BAD_SELECTOR; OMB_E_NO_AUDIO (both -2, not told apart from a value
   of -2). */
OMBRIX_API int OMBRIX_CALL omb_GetVolume(int which) OMBRIX_NOEXCEPT;
/* The DirectSound Renderer's clock-slave error tolerance in milliseconds.
   OMB_E_NOT_OPEN; OMB_E_NO_AUDIO_RENDERER (mode 0); OMB_E_NO_CLOCK_SLAVE;
   OMB_E_NOT_ACCEPTED (the read did not answer S_OK). */
OMBRIX_API int OMBRIX_CALL omb_GetAudioClockSlave(void) OMBRIX_NOEXCEPT;
/* Sets that tolerance (the platform takes 1..1000 ms). 0 ok; OMB_E_NOT_OPEN;
   OMB_E_NO_AUDIO_RENDERER; OMB_E_NO_CLOCK_SLAVE; OMB_E_NOT_ACCEPTED. */
OMBRIX_API int OMBRIX_CALL omb_SetAudioClockSlave(int tolerance) OMBRIX_NOEXCEPT;
/* mode 0: stream offsets off (latency unused); mode 1: offsets on and the
   maximum graph latency set to latency microseconds (x10 in 32 bits). Returns
   the platform's result (mode 0: of the offsets call; mode 1: of the latency
   call), 0 on success; OMB_E_NOT_OPEN; OMB_E_NO_GRAPH_STREAMS (whatever the
   mode); OMB_E_BAD_MODE (any other mode, nothing set). */
OMBRIX_API int OMBRIX_CALL omb_SetGraphStreams(int mode, int latency) OMBRIX_NOEXCEPT;
/* Adjusts a System Reference Clock made for this call by delta microseconds
   (x10 in 32 bits). Returns the platform's result, 0 on success;
   OMB_E_NOT_OPEN; OMB_E_NO_CLOCK. */
OMBRIX_API int OMBRIX_CALL omb_SetClockDelta(int delta) OMBRIX_NOEXCEPT;
/* Master volume in percent through the first winmm mixer (not clamped).
   0 ok; OMB_E_NO_MIXER; OMB_E_NO_MIXER_CAPS; OMB_E_NO_SPEAKERS;
   OMB_E_NO_VOLUME_CONTROL; OMB_E_VALUE_REFUSED. No file needs to be open. */
OMBRIX_API int OMBRIX_CALL SetMasterVolume(unsigned int percent) OMBRIX_NOEXCEPT;
/* Master volume in percent through Core Audio (percent / 100.0 as the
   scalar level). 0 ok; OMB_E_NO_DEVICE_ENUMERATOR; OMB_E_NO_OUTPUT_DEVICE;
   OMB_E_NO_ENDPOINT_VOLUME; OMB_E_LEVEL_REFUSED. */
OMBRIX_API int OMBRIX_CALL SetMasterVolumeVista(int percent) OMBRIX_NOEXCEPT;

/* ---- System utilities ------------------------------------------------- */

/* The number of registered DirectShow filters (0 when the category key
   cannot be opened). */
OMBRIX_API int OMBRIX_CALL GetDSFilterNum(void) OMBRIX_NOEXCEPT;
#ifndef OMBRIX_STATIC
/* GetDSFilterNum under its second export name: the same entry point. */
OMBRIX_API int OMBRIX_CALL GetDSFilterNameNext(void) OMBRIX_NOEXCEPT;
#endif
/* Appends to the terminated ANSI text the registry path (relative to
   HKEY_CLASSES_ROOT) of filter index's key: 54 characters of category path
   and the key's name. The host sizes the buffer. Appends nothing when the
   index names no filter (a negative index is not looked up); does nothing
   with a null text. Returns 0. */
OMBRIX_API int OMBRIX_CALL GPS(char *text, int index) OMBRIX_NOEXCEPT;
/* Writes filter index's "FriendlyName" (ANSI, up to 1000 bytes with its
   terminator) into name. Writes nothing when there is no such filter or
   value, name is null or index is negative. Returns 0. */
OMBRIX_API int OMBRIX_CALL GetDSFilterName(int index, char *name) OMBRIX_NOEXCEPT;
/* A constant ASCII text naming the running Windows version, e.g.
   "Windows 7"; 6.2 is "Windows 8", 6.3 "Windows 8.1", other NT versions
   without a text of their own "Windows NT/2000/XP", and a failed version
   query "OS Unknown". */
OMBRIX_API const char *OMBRIX_CALL GetOSVersion(void) OMBRIX_NOEXCEPT;
/* ---- Rate, seeking, frame stepping ------------------------------------ */

/* Asks the graph for the rate factor (1.0 normal speed), unchecked: a refused
   rate leaves the old one. 0 requested; OMB_E_NOT_OPEN; OMB_E_NO_POSITION;
   OMB_E_REFUSED when rate is NaN or infinite. */
OMBRIX_API int OMBRIX_CALL omb_SetSpeed(double rate) OMBRIX_NOEXCEPT;
/* As omb_SetSpeed with the rate in thousandths (1500 is 1.5). 0;
   OMB_E_NOT_OPEN; OMB_E_NO_POSITION. */
OMBRIX_API int OMBRIX_CALL omb_SetSpeed2(int thousandths) OMBRIX_NOEXCEPT;
/* The current rate in thousandths, truncated toward zero; OMB_E_NOT_OPEN;
   OMB_E_NO_POSITION (also: the graph refused to report the rate). */
OMBRIX_API int OMBRIX_CALL omb_GetSpeed(void) OMBRIX_NOEXCEPT;

/* Reads one IMediaSeeking quantity: 0 capability mask; 1 time format (1 media
   time, 2 frames, 0 any other or unreadable); 2 duration / 1000 (in every
   format); 3 current and 4 stop position (a frame number in frame format,
   else / 1000); 5 rate in thousandths. Divisions truncate toward zero and
   the low 32 bits are returned. OMB_E_NOT_OPEN; OMB_E_BAD_SELECTOR (outside
   0..5); OMB_E_NO_SEEKING (queries 0, 2..5). A read that succeeds without
   writing gives 0. */
OMBRIX_API int OMBRIX_CALL omb_GetMediaSeeking(int query) OMBRIX_NOEXCEPT;
/* Runs one IMediaSeeking command: 0 use media time; 1 use frames; 2 set the
   current position to value (in the current format, unscaled; absolute,
   stop position unchanged); 3 set the rate to value thousandths. Returns the
   platform's result code (0 ok); OMB_E_NOT_OPEN; OMB_E_ZERO_RATE;
   OMB_E_BAD_SELECTOR (outside 0..3); OMB_E_NO_SEEKING. */
OMBRIX_API int OMBRIX_CALL omb_SetMediaSeeking(int command, int value) OMBRIX_NOEXCEPT;

/* Steps frames frames (the 32 bits as an unsigned count); EC_STEP_COMPLETE
   (36) follows on the event route. The platform's result code;
   OMB_E_NOT_OPEN; OMB_E_NO_FRAME_STEP. */
OMBRIX_API int OMBRIX_CALL omb_SetFrameStep(int frames) OMBRIX_NOEXCEPT;
/* Cancels a step under way. The platform's result code; OMB_E_NOT_OPEN;
   OMB_E_NO_FRAME_STEP. */
OMBRIX_API int OMBRIX_CALL omb_CanselFrameStep(void) OMBRIX_NOEXCEPT;
/* Whether the graph can step one frame (multiple 0) or several (otherwise):
   multiple itself when it can; OMB_E_NO_FRAME_STEP when it cannot (any
   answer but S_OK, or no IVideoFrameStep); OMB_E_NOT_OPEN. */
OMBRIX_API int OMBRIX_CALL omb_CanFrameStep(int multiple) OMBRIX_NOEXCEPT;

/* ---- Property pages and self-test ------------------------------------- */

/* Shows the modal property frame of the graph's filter named name (UTF-16),
   captioned with that name and owned by owner; returns when it is closed.
   Pages that cannot be created are left out, and a filter with none left
   shows nothing. 0 done (also: no such filter, no property pages, a null
   name); OMB_E_NOT_OPEN; OMB_E_REFUSED when owner is neither 0 nor a window,
   or name is longer than the 127 characters a filter's name can have (read
   no further). */
OMBRIX_API int OMBRIX_CALL omb_FillterProp(omb_handle owner, const wchar_t *name) OMBRIX_NOEXCEPT;
/* Self-test: plays D:\root\selftest.3gp through the VMR-9 and the DirectSound
   Renderer in a graph of its own (never the Player's) while the message box
   "Block Execution" ("Block") is up; COM is initialised for the call and the
   caller's own initialisation is kept. The box, and the host's messages it
   handles, run under the caller's floating-point control word, which the
   caller has back after the call. Always 0. */
OMBRIX_API int OMBRIX_CALL omb_Test(void) OMBRIX_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* OMBRIX_H */
