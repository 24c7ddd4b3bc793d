// Export macro of the outside stand-in library (probeoutside).
#ifndef PROBE_OUTSIDE_EXPORT_H
#define PROBE_OUTSIDE_EXPORT_H

#if defined(_WIN32)
#if defined(PROBEOUTSIDE_BUILDING)
#define PROBEOUTSIDE_API __declspec(dllexport)
#else
#define PROBEOUTSIDE_API __declspec(dllimport)
#endif
#else
#define PROBEOUTSIDE_API __attribute__((visibility("default")))
#endif

#endif
