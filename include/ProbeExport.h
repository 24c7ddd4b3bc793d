/* The export and calling-convention macros of the probe library (probedata), for C and C++. */
#ifndef PROBE_EXPORT_H
#define PROBE_EXPORT_H

/* PROBEDATA_API marks what the library exports; everything else stays hidden. A Windows host that
 * links the library statically defines PROBEDATA_STATIC. */
#if defined(PROBEDATA_STATIC)
#define PROBEDATA_API
#elif defined(_WIN32)
#if defined(PROBEDATA_BUILDING)
#define PROBEDATA_API __declspec(dllexport)
#else
#define PROBEDATA_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define PROBEDATA_API __attribute__((visibility("default")))
#else
#define PROBEDATA_API
#endif

/* The calling convention of every C function and function pointer: __cdecl on 32-bit Windows, so
 * that a host compiled with another default (/Gz, -mrtd) still calls them rightly; the one
 * convention there is elsewhere. */
#if defined(_WIN32) && !defined(_WIN64)
#define PROBEDATA_CALL __cdecl
#else
#define PROBEDATA_CALL
#endif

#endif
