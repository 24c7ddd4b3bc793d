// The library's one logger, the log4cplus logger named "Probe". It exists while the library is
// loaded. The library never configures log4cplus: appenders, layouts and the logger's level are
// the host's to set.
//
// A host that sets nothing sees "log4cplus:ERROR No appenders could be found for logger
// (Probe)" on the first line the library logs (a checksum logs one at DEBUG). One line gives the
// logger somewhere to write, or silences it:
//
//   #include <log4cplus/consoleappender.h>
//   log4cplus::Logger::getInstance("Probe").addAppender(
//       log4cplus::SharedAppenderPtr(new log4cplus::ConsoleAppender(true)));  // to stderr
//
//   log4cplus::Logger::getInstance("Probe").setLogLevel(log4cplus::OFF_LOG_LEVEL);  // silent
#ifndef PROBE_LOGGER_H
#define PROBE_LOGGER_H

#include <log4cplus/logger.h>

#include "ProbeExport.h"

extern PROBEDATA_API log4cplus::Logger g_probeLogger;

#endif
