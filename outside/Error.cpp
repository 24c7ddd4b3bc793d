#include "Error.h"

#include <log4cplus/logger.h>

Error::Error(int line, const std::string& file, const std::string& message,
             log4cplus::Logger* logger, int level)
    : line_(line), file_(file), message_(message), level_(level) {
  if (logger != nullptr && logger->isEnabledFor(level)) {
    logger->forcedLog(level, message_, file_.c_str(), line_);
  }
}

const char* Error::what() const noexcept { return message_.c_str(); }
const std::string& Error::getMessage() const { return message_; }
const std::string& Error::getFile() const { return file_; }
int Error::getLine() const { return line_; }
int Error::getLevel() const { return level_; }
