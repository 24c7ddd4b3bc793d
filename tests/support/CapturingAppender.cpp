#include "CapturingAppender.h"

#include <log4cplus/spi/loggingevent.h>

CapturingAppender::CapturingAppender() = default;

CapturingAppender::~CapturingAppender() { destructorImpl(); }

void CapturingAppender::close() { closed = true; }

void CapturingAppender::append(const log4cplus::spi::InternalLoggingEvent& event) {
  events_.push_back(
      LoggedEvent{event.getLogLevel(), event.getMessage(), event.getFile(), event.getLine()});
}

LogCapture::LogCapture(int level)
    : logger_(log4cplus::Logger::getInstance("Probe")),
      previousLevel_(logger_.getLogLevel()),
      appender_(new CapturingAppender) {
  logger_.setLogLevel(level);
  logger_.addAppender(log4cplus::SharedAppenderPtr(appender_.get()));
}

LogCapture::~LogCapture() {
  logger_.removeAppender(log4cplus::SharedAppenderPtr(appender_.get()));
  logger_.setLogLevel(previousLevel_);
}

std::vector<std::string> LogCapture::messages(int level) const {
  std::vector<std::string> result;
  for (const LoggedEvent& event : events()) {
    if (event.level == level) result.push_back(event.message);
  }
  return result;
}

bool LogCapture::has(int level, const std::string& message) const {
  for (const LoggedEvent& event : events()) {
    if (event.level == level && event.message == message) return true;
  }
  return false;
}

bool LogCapture::hasPrefix(int level, const std::string& prefix) const {
  for (const LoggedEvent& event : events()) {
    if (event.level == level && event.message.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}
