/* The library's version: macros for compile time, and functions under plain names that any host
 * can look up at run time. C and C++. */
#ifndef PROBE_VERSION_H
#define PROBE_VERSION_H

#include <stddef.h> /* wchar_t, in C */

#include "ProbeExport.h"

/* The version of these headers, for a host to check at compile time what it builds against; the
 * functions below, and probedata_version() of the C interface, report the version of the library
 * that it runs with. The build takes the project's version from here, and the version text its
 * date. PROBEDATA_VERSION_NUMBER compares as one number: MAJOR * 1000000 + MINOR * 10000 + BUILD. */
#define PROBEDATA_VERSION_MAJOR 1
#define PROBEDATA_VERSION_MINOR 1
#define PROBEDATA_VERSION_BUILD 1112
#define PROBEDATA_VERSION_NUMBER \
  (PROBEDATA_VERSION_MAJOR * 1000000L + PROBEDATA_VERSION_MINOR * 10000L + PROBEDATA_VERSION_BUILD)
#define PROBEDATA_BUILD_DATE "2010-02-08"

#ifdef __cplusplus
extern "C" {
#endif

/* "32-bit Edition Version MAJOR.MINOR Build BUILD DATE " from the macros above, with one blank
 * after the date (49 characters in all), in a static buffer: the same pointer on every call,
 * readable while the library is loaded. */
PROBEDATA_API const char* PROBEDATA_CALL GetDllVersion(void);
/* The same text in wide characters (UTF-16 on Windows). */
PROBEDATA_API const wchar_t* PROBEDATA_CALL GetDllVersionUnicode(void);
PROBEDATA_API int PROBEDATA_CALL GetDllVersionMajor(void);
PROBEDATA_API int PROBEDATA_CALL GetDllVersionMinor(void);
PROBEDATA_API int PROBEDATA_CALL GetDllBuildNumber(void);

#ifdef __cplusplus
}
#endif

#endif
