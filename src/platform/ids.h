// Class and interface identifiers the library passes to the platform,
// spelled out once from their documented values.
#pragma once
#include <windows.h>

#include "platform/class_ids.h"

namespace ombrix::ids {

// The classes (class_ids.h).
#define OMBRIX_DECLARE_CLASS_ID(name, ...) extern const CLSID CLSID_##name;
OMBRIX_CLASS_IDS(OMBRIX_DECLARE_CLASS_ID)
#undef OMBRIX_DECLARE_CLASS_ID

// Interfaces.
extern const IID IID_IGraphBuilder;
extern const IID IID_IBaseFilter;
extern const IID IID_ICaptureGraphBuilder2;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEventEx;
extern const IID IID_IVideoWindow;
extern const IID IID_ISampleGrabber;
extern const IID IID_IVMRFilterConfig;
extern const IID IID_IVMRFilterConfig9;
extern const IID IID_IMFVideoDisplayControl;
extern const IID IID_IMediaPosition;
extern const IID IID_IBasicVideo;

// Video presentation: the mixing renderers' alpha bitmap and the renderers'
// quality statistics.
extern const IID IID_IVMRMixerBitmap;
extern const IID IID_IVMRMixerBitmap9;
extern const IID IID_IQualProp;

// Audio and clock: stream volume, clock slaving, stream synchronisation and
// the clock's adjustment.
extern const IID IID_IBasicAudio;
extern const IID IID_IAMClockSlave;
extern const IID IID_IAMGraphStreams;
extern const IID IID_IAMClockAdjust;
extern const IID IID_IMediaFilter;

// Core Audio: the device enumerator and the default output device's endpoint volume.
extern const IID IID_IMMDeviceEnumerator;
extern const IID IID_IAudioEndpointVolume;

// Media types and services.
extern const GUID MEDIATYPE_Video;
extern const GUID MEDIASUBTYPE_RGB24;
extern const GUID FORMAT_VideoInfo;
extern const GUID MR_VIDEO_RENDER_SERVICE;

// What the Media Foundation source offers: RGB32 besides RGB24, 16-bit PCM
// audio, and the memory allocator it falls back on.
extern const GUID MEDIATYPE_Audio;
extern const GUID MEDIASUBTYPE_RGB32;
extern const GUID MEDIASUBTYPE_PCM;
extern const GUID FORMAT_WaveFormatEx;
extern const CLSID CLSID_MemoryAllocator;

// Rate, seeking, frame stepping and property pages.
extern const IID IID_IMediaSeeking;
extern const IID IID_IVideoFrameStep;
extern const IID IID_ISpecifyPropertyPages;
extern const IID IID_IPropertyPage;
extern const GUID TIME_FORMAT_MEDIA_TIME;
extern const GUID TIME_FORMAT_FRAME;

} // namespace ombrix::ids
