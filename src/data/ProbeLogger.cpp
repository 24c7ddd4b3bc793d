#include "ProbeLogger.h"

// Constructed during the library's static initialisation, destroyed at unload. No other static
// object of the library logs while it is being constructed.
log4cplus::Logger g_probeLogger = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("Probe"));
