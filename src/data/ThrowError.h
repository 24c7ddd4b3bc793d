// Every Error the library throws is built the same way: the source line and file of the throw,
// the message, the module logger and the level ERROR.
#ifndef PROBE_THROW_ERROR_H
#define PROBE_THROW_ERROR_H

#include <string>

[[noreturn]] void throwProbeError(int line, const char* file, const std::string& message);

#define PROBE_THROW(message) throwProbeError(__LINE__, __FILE__, (message))

#endif
