// Every Error the library throws is built the same way: the source line and file of the throw,
// the message, the module logger and the level ERROR.
#ifndef PROBE_THROW_ERROR_H
#define PROBE_THROW_ERROR_H

#include <string>

[[noreturn]] void throwProbeError(int line, const char* file, const std::string& message);

#define PROBE_THROW(message) throwProbeError(__LINE__, __FILE__, (message))

// Runs body and turns whatever it throws into an Error with message, thrown from the caller's
// line: a codec's catch-all, so that its caller sees one message whatever went wrong inside.
template <class Body>
void runOrThrow(int line, const char* file, const char* message, Body&& body) {
  try {
    body();
  } catch (...) {
    throwProbeError(line, file, message);
  }
}

#define PROBE_GUARDED(message, ...) runOrThrow(__LINE__, __FILE__, (message), __VA_ARGS__)

#endif
