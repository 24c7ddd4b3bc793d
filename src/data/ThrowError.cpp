#include "ThrowError.h"

#include <log4cplus/loglevel.h>

#include "Error.h"
#include "ProbeLogger.h"

namespace {

// The file's own name, without the directories the build put in front of it.
const char* baseName(const char* path) {
  const char* name = path;
  for (; *path != '\0'; ++path) name = *path == '/' || *path == '\\' ? path + 1 : name;
  return name;
}

}  // namespace

void throwProbeError(int line, const char* file, const std::string& message) {
  throw Error(line, baseName(file), message, &g_probeLogger, log4cplus::ERROR_LOG_LEVEL);
}
