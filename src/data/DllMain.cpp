// Load and unload entry point of the Windows library. The module logger is a static object, so
// the runtime constructs and destroys it around this function; nothing else happens here.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
