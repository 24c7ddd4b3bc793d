// The host system's administration helpers for files.
#ifndef PROBE_OUTSIDE_ADMIN_H
#define PROBE_OUTSIDE_ADMIN_H

#include <string>

#include "OutsideExport.h"

namespace admin {

// True when something exists at path.
PROBEOUTSIDE_API bool exist(const std::string& path);
// The size of the regular file at path in bytes; throws Error when it cannot be had (no such
// file, not a regular file).
PROBEOUTSIDE_API unsigned long getFileSize(const std::string& path);

}  // namespace admin

#endif
