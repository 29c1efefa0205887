// Media Foundation, bound at run time: the library loads and runs on systems
// without it, and imports nothing from it.
#pragma once
#include <windows.h>

struct IMFSourceReader;
struct IMFMediaType;

namespace ombrix::platform {

// The library whose presence mode 4 needs; a test may point it elsewhere.
extern const char* mediaFoundationLibrary;

// True when the Media Foundation library can be loaded.
bool mediaFoundationPresent();

// MFGetService, resolved from the library on first use. E_NOINTERFACE when
// the library or the function is missing.
HRESULT getService(IUnknown* object, REFGUID service, REFIID iid, void** out);

// A source reader for a file, with video processing on (so that it converts
// any video to RGB32). Media Foundation is started on the first call and
// stays started for the process, as a loaded library would. E_NOINTERFACE
// where Media Foundation or its reader cannot be loaded.
using SourceReaderFactory = HRESULT (*)(const wchar_t* path, IMFSourceReader** out);
HRESULT openSourceReader(const wchar_t* path, IMFSourceReader** out);
// What the Media Foundation source opens files with; tests put their own
// reader here.
extern SourceReaderFactory sourceReaderFactory;

// MFCreateMediaType, bound as openSourceReader's functions are.
HRESULT createMediaType(IMFMediaType** out);

} // namespace ombrix::platform
