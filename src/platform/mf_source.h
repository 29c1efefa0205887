// A source filter of the library's own that reads a file through Media
// Foundation's source reader, for the files DirectShow cannot open. It is
// created directly, never registered, and offers an uncompressed video pin
// (RGB32 or RGB24) and a 16-bit PCM audio pin, each with its own streaming
// thread, and seeking in media time on both.
#pragma once
#include <windows.h>
#include <dshow.h>

#include "platform/com.h"

struct IMFSourceReader;

namespace ombrix::platform {

// The filter over a reader. Pins: the first is named "Output" (the video
// pin, or the audio pin of a file without video), the other "Audio". Fails
// (and takes nothing from the reader) when neither stream can be read.
HRESULT createMediaFoundationSource(IMFSourceReader* reader, ComPtr<IBaseFilter>& out);

// The same for a file, through sourceReaderFactory, called on a thread of
// its own: a reader that has not answered within readerOpenWait ms (Wine's
// was seen never to return from a truncated MP4) is left to finish there,
// and the open fails with VFW_E_TIMEOUT instead of hanging the host.
HRESULT createMediaFoundationSource(const wchar_t* path, ComPtr<IBaseFilter>& out);
extern DWORD readerOpenWait;

} // namespace ombrix::platform
