// The library's version: macros for compile time, and functions under plain names that any
// host can look up at run time.
#ifndef PROBE_VERSION_H
#define PROBE_VERSION_H

#include <wchar.h>

#include "ProbeExport.h"

// The version of these headers, for a host to check at compile time what it builds against;
// the functions below report the version of the library that it runs with. The build takes the
// project's version from here, and the version text its date.
#define PROBEDATA_VERSION_MAJOR 1
#define PROBEDATA_VERSION_MINOR 1
#define PROBEDATA_VERSION_BUILD 1112
#define PROBEDATA_BUILD_DATE "2010-02-08"

extern "C" {

// "32-bit Edition Version MAJOR.MINOR Build BUILD DATE " from the macros above, with one blank
// after the date (49 characters in all), in a static buffer: the same pointer on every call,
// readable while the library is loaded.
PROBEDATA_API const char* GetDllVersion();
// The same text in wide characters (UTF-16 on Windows).
PROBEDATA_API const wchar_t* GetDllVersionUnicode();
PROBEDATA_API int GetDllVersionMajor();
PROBEDATA_API int GetDllVersionMinor();
PROBEDATA_API int GetDllBuildNumber();
}

#endif
