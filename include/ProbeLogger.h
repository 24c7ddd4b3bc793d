// The library's one logger, the log4cplus logger named "Probe". It exists while the library is
// loaded. The library never configures log4cplus: appenders, layouts and the logger's level are
// the host's to set.
#ifndef PROBE_LOGGER_H
#define PROBE_LOGGER_H

#include <log4cplus/logger.h>

#include "ProbeExport.h"

extern PROBEDATA_API log4cplus::Logger g_probeLogger;

#endif
