#include "Admin.h"

#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "Error.h"

namespace admin {

bool exist(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

unsigned long getFileSize(const std::string& path) {
  struct stat info;
  const bool found = ::stat(path.c_str(), &info) == 0;
  const int error = errno;
  if (!found || (info.st_mode & S_IFMT) != S_IFREG) {
    static log4cplus::Logger logger = log4cplus::Logger::getInstance("Admin");
    const std::string reason = found ? "not a regular file" : std::strerror(error);
    throw Error(__LINE__, "Admin.cpp", "admin::getFileSize(" + path + ") " + reason, &logger,
                log4cplus::ERROR_LOG_LEVEL);
  }
  return static_cast<unsigned long>(info.st_size);
}

}  // namespace admin
