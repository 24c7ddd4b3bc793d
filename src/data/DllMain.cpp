// Load and unload entry point of the Windows library. The module logger is a static object, so
// the runtime constructs and destroys it around this function; nothing else happens here.
// C linkage: the runtime's start-up code calls it by this plain name.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
