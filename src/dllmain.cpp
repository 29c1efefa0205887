// The DLL's entry point does nothing at attach or detach: COM belongs to the
// host's threads, and the Player is made at its first use and lives as long
// as the process (its graph goes with omb_Close).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
