// The tool is the host, so it configures log4cplus: the library's "Probe" logger goes to
// standard error at the level asked for, and the tool listens to the library's ERROR lines
// itself to tell which check of a decode failed.
#ifndef PROBETOOL_LOG_SETUP_H
#define PROBETOOL_LOG_SETUP_H

#include <log4cplus/appender.h>
#include <log4cplus/logger.h>

#include <string>
#include <vector>

namespace probetool {

// TRACE, DEBUG, INFO, WARN, ERROR, FATAL or OFF, in any case.
bool parseLogLevel(const std::string& text, int& level);

// Gives the root logger a null appender, so log4cplus never complains of none. With toStderr,
// the "Probe" logger also writes every line at level or above to standard error. The logger
// itself stays enabled for ERROR in any case, for ErrorCapture.
void configureLogging(bool toStderr, int level);

// Collects the messages the library logs at ERROR or above while it lives.
class ErrorCapture {
 public:
  ErrorCapture();
  ~ErrorCapture();
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  std::vector<std::string> messages() const;

 private:
  class Appender;

  log4cplus::Logger logger_;
  log4cplus::helpers::SharedObjectPtr<Appender> appender_;
};

}  // namespace probetool

#endif
