/*
 * ombrix.dll - media playback and frame capture through DirectShow for
 * script hosts.
 *
 * Every export uses the C calling convention and an undecorated name.
 * Integers are 32-bit signed; window and device-context handles travel as
 * omb_handle, which is exactly a 32-bit int in the 32-bit build and stays
 * pointer-sized in the 64-bit build.
 *
 * Return codes: 0 is success, negative values are failures. -1 as a rule
 * means that no graph is open; the other codes are given per export.
 * Texts returned by the library are constants that the host must not free.
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

/* Window message (WM_APP + 0x197) posted for graph events; the worker window
   forwards it to the host with the event code in wParam and lParam. */
#define OMB_WM_GRAPHEVENT 0x8197

/* ---- Library frame ---------------------------------------------------- */

/* Returns exactly 1.0 (a probe that double results cross the boundary). */
OMBRIX_API double OMBRIX_CALL omb_t(void);
/* Returns the interface version, 101. */
OMBRIX_API int OMBRIX_CALL omb_Version(void);
/* Returns the build date, 20090917. */
OMBRIX_API int OMBRIX_CALL omb_BuildVersion(void);
/* CoInitialize(NULL) on the calling thread; returns 0. */
OMBRIX_API int OMBRIX_CALL omb_Init(void);
/* CoUninitialize() on the calling thread (call omb_Close first); returns 0. */
OMBRIX_API int OMBRIX_CALL omb_Exit(void);

/* ---- Open and transport ----------------------------------------------- */

/* Builds the graph for fileName (ANSI) in mode (an OpenMode). reserved is not
   read; vmrRenderingMode and vmrStreamCount configure the mixer in modes 2/3.
   0 ok; -1 already open (mode 4: EVR cannot be created); -2 mode outside 0..6
   (mode 4: EVR cannot be added); -4 file cannot be rendered / no source filter;
   -5 mode 2 and the source has no "Output" pin; -6 the file name cannot be
   converted (null in modes 1..6); -7 the filter graph manager or capture graph
   builder cannot be created. */
OMBRIX_API int OMBRIX_CALL omb_Open(const char *fileName, int mode, int reserved,
                                     int vmrRenderingMode, int vmrStreamCount);
/* Hides the video window and releases the whole graph. 0 ok; -1 not open. */
OMBRIX_API int OMBRIX_CALL omb_Close(void);

/* ---- Rate, seeking, frame stepping ------------------------------------ */

/* Asks the graph for the rate factor (1.0 normal speed), unchecked: a refused
   rate leaves the old one. 0 requested; -1 not open; -2 the graph has no
   IMediaPosition. */
OMBRIX_API int OMBRIX_CALL omb_SetSpeed(double rate);
/* As omb_SetSpeed with the rate in thousandths (1500 is 1.5). 0; -1; -2. */
OMBRIX_API int OMBRIX_CALL omb_SetSpeed2(int thousandths);
/* The current rate in thousandths, truncated toward zero; -1 not open; -2 no
   IMediaPosition, or the graph refused to report the rate. */
OMBRIX_API int OMBRIX_CALL omb_GetSpeed(void);

/* Reads one IMediaSeeking quantity: 0 capability mask; 1 time format (1 media
   time, 2 frames, 0 any other or unreadable); 2 duration / 1000 (in every
   format); 3 current and 4 stop position (a frame number in frame format,
   else / 1000); 5 rate in thousandths. Divisions truncate toward zero and
   the low 32 bits are returned. -1 not open; -2 query outside 0..5; -3 no
   IMediaSeeking, or the graph refused the read (queries 0, 2..5). A read
   that succeeds without writing gives 0. */
OMBRIX_API int OMBRIX_CALL omb_GetMediaSeeking(int query);
/* Runs one IMediaSeeking command: 0 use media time; 1 use frames; 2 set the
   current position to value (in the current format, unscaled; absolute,
   stop position unchanged); 3 set the rate to value thousandths. Returns the
   platform's result code (0 ok); -1 not open, or command 3 with value 0;
   -2 command outside 0..3; -3 no IMediaSeeking. */
OMBRIX_API int OMBRIX_CALL omb_SetMediaSeeking(int command, int value);

/* Steps frames frames (the 32 bits as an unsigned count); EC_STEP_COMPLETE
   (36) follows on the event route. The platform's result code; -1 not open;
   -2 the graph has no IVideoFrameStep. */
OMBRIX_API int OMBRIX_CALL omb_SetFrameStep(int frames);
/* Cancels a step under way. The platform's result code; -1; -2 as above. */
OMBRIX_API int OMBRIX_CALL omb_CanselFrameStep(void);
/* Whether the graph can step one frame (multiple 0) or several (otherwise):
   multiple itself when it can; -2 when it cannot (any answer but S_OK, or
   no IVideoFrameStep); -1 not open. */
OMBRIX_API int OMBRIX_CALL omb_CanFrameStep(int multiple);

/* ---- Property pages and self-test ------------------------------------- */

/* Shows the modal property frame of the graph's filter named name (UTF-16),
   captioned with that name and owned by owner; returns when it is closed.
   Pages that cannot be created are left out, and a filter with none left
   shows nothing. 0 done (also: no such filter, no property pages, a null
   name); -1 not open. */
OMBRIX_API int OMBRIX_CALL omb_FillterProp(omb_handle owner, const wchar_t *name);
/* Self-test: plays D:\root\selftest.3gp through the VMR-9 and the DirectSound
   Renderer in a graph of its own (never the Player's) while the message box
   "Block Execution" ("Block") is up; COM is initialised for the call and the
   caller's own initialisation is kept. Always 0. */
OMBRIX_API int OMBRIX_CALL omb_Test(void);

#ifdef __cplusplus
}
#endif

#endif /* OMBRIX_H */
