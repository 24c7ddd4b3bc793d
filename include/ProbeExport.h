// Export macro of the probe library (probedata). Everything not marked stays hidden.
#ifndef PROBE_EXPORT_H
#define PROBE_EXPORT_H

#if defined(_WIN32)
#if defined(PROBEDATA_BUILDING)
#define PROBEDATA_API __declspec(dllexport)
#else
#define PROBEDATA_API __declspec(dllimport)
#endif
#else
#define PROBEDATA_API __attribute__((visibility("default")))
#endif

#endif
