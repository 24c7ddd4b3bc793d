/* probedata.dll in a host written in C, which holds no log4cplus::Initializer, as a host built with
 * another compiler cannot: it loads the DLL, reads the version text by its plain name, unloads it,
 * loads it again and ends with it loaded. Both ends tear down the log4cplus DLL that probedata.dll
 * brought in; the test fails by its timeout when either does not return. */
#include <stdio.h>
#include <windows.h>

typedef const char* (*VersionText)(void);

static HMODULE loadAndShow(void) {
  HMODULE dll = LoadLibraryW(L"probedata.dll");
  VersionText text = dll ? (VersionText)(void (*)(void))GetProcAddress(dll, "GetDllVersion") : NULL;
  if (!text) {
    fprintf(stderr, "no probedata.dll or no GetDllVersion in it, error %lu\n", GetLastError());
    return NULL;
  }
  printf("%s\n", text());
  return dll;
}

int main(void) {
  HMODULE dll = loadAndShow();
  if (!dll || !FreeLibrary(dll)) return 1;
  return loadAndShow() ? 0 : 1;
}
