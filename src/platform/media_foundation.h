// Media Foundation, bound at run time: the library loads and runs on systems
// without it, and imports nothing from it.
#pragma once
#include <windows.h>

namespace ombrix::platform {

// The library whose presence mode 4 needs; a test may point it elsewhere.
extern const char* mediaFoundationLibrary;

// True when the Media Foundation library can be loaded.
bool mediaFoundationPresent();

// MFGetService, resolved from the library on first use. E_NOINTERFACE when
// the library or the function is missing.
HRESULT getService(IUnknown* object, REFGUID service, REFIID iid, void** out);

} // namespace ombrix::platform
