// The classes the library creates, one line each: X(name, the id's fields),
// for the id ids::CLSID_<name>. ids.h declares them and ids.cpp defines them
// from this list; code that needs every class walks it too.
#pragma once

// clang-format off
#define OMBRIX_CLASS_IDS(X)                                                                                \
    /* {E436EBB3-524F-11CE-9F53-0020AF0BA770} */                                                           \
    X(FilterGraph, 0xE436EBB3, 0x524F, 0x11CE, 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70)             \
    /* {BF87B6E1-8C27-11D0-B3F0-00AA003761C5} */                                                           \
    X(CaptureGraphBuilder2, 0xBF87B6E1, 0x8C27, 0x11D0, 0xB3, 0xF0, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5)    \
    /* {C1F400A0-3F08-11D3-9F0B-006008039E37} */                                                           \
    X(SampleGrabber, 0xC1F400A0, 0x3F08, 0x11D3, 0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37)           \
    /* {79376820-07D0-11CF-A24D-0020AFD79767} */                                                           \
    X(DSoundRender, 0x79376820, 0x07D0, 0x11CF, 0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67)            \
    /* {70E102B0-5556-11CE-97C0-00AA0055595A} */                                                           \
    X(VideoRenderer, 0x70E102B0, 0x5556, 0x11CE, 0x97, 0xC0, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A)           \
    /* {B87BEB7B-8D29-423F-AE4D-6582C10175AC} */                                                           \
    X(VideoMixingRenderer, 0xB87BEB7B, 0x8D29, 0x423F, 0xAE, 0x4D, 0x65, 0x82, 0xC1, 0x01, 0x75, 0xAC)     \
    /* {51B4ABF3-748F-4E3B-A276-C828330E926A} */                                                           \
    X(VideoMixingRenderer9, 0x51B4ABF3, 0x748F, 0x4E3B, 0xA2, 0x76, 0xC8, 0x28, 0x33, 0x0E, 0x92, 0x6A)    \
    /* {FA10746C-9B63-4B6C-BC49-FC300EA5F256} */                                                           \
    X(EnhancedVideoRenderer, 0xFA10746C, 0x9B63, 0x4B6C, 0xBC, 0x49, 0xFC, 0x30, 0x0E, 0xA5, 0xF2, 0x56)   \
    /* {C1F400A4-3F08-11D3-9F0B-006008039E37} */                                                           \
    X(NullRenderer, 0xC1F400A4, 0x3F08, 0x11D3, 0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37)            \
    /* The System Reference Clock: {E436EBB1-524F-11CE-9F53-0020AF0BA770} */                               \
    X(SystemClock, 0xE436EBB1, 0x524F, 0x11CE, 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70)             \
    /* Core Audio's device enumerator: {BCDE0395-E52F-467C-8E3D-C4579291692E} */                           \
    X(MMDeviceEnumerator, 0xBCDE0395, 0xE52F, 0x467C, 0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E)
// clang-format on
