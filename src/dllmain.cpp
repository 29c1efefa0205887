// The DLL is the export layer over the core library; its entry point does
// nothing at attach or detach (COM and the Player are the host's business).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
