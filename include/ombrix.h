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

#ifdef __cplusplus
}
#endif

#endif /* OMBRIX_H */
