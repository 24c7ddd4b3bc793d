#include "LogSetup.h"

#include <log4cplus/consoleappender.h>
#include <log4cplus/layout.h>
#include <log4cplus/loglevel.h>
#include <log4cplus/nullappender.h>
#include <log4cplus/spi/loggingevent.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>

namespace probetool {

namespace {

const char kLoggerName[] = "Probe";

}  // namespace

bool parseLogLevel(const std::string& text, int& level) {
  std::string upper = text;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  static const struct {
    const char* name;
    int level;
  } kLevels[] = {{"TRACE", log4cplus::TRACE_LOG_LEVEL}, {"DEBUG", log4cplus::DEBUG_LOG_LEVEL},
                 {"INFO", log4cplus::INFO_LOG_LEVEL},   {"WARN", log4cplus::WARN_LOG_LEVEL},
                 {"ERROR", log4cplus::ERROR_LOG_LEVEL}, {"FATAL", log4cplus::FATAL_LOG_LEVEL},
                 {"OFF", log4cplus::OFF_LOG_LEVEL}};
  for (const auto& known : kLevels) {
    if (upper == known.name) {
      level = known.level;
      return true;
    }
  }
  return false;
}

void configureLogging(bool toStderr, int level) {
  log4cplus::Logger::getRoot().addAppender(
      log4cplus::SharedAppenderPtr(new log4cplus::NullAppender));
  log4cplus::Logger logger = log4cplus::Logger::getInstance(kLoggerName);
  logger.setLogLevel(std::min(toStderr ? level : log4cplus::ERROR_LOG_LEVEL,
                              static_cast<int>(log4cplus::ERROR_LOG_LEVEL)));
  if (!toStderr || level == log4cplus::OFF_LOG_LEVEL) return;
  log4cplus::SharedAppenderPtr console(new log4cplus::ConsoleAppender(true, true));
  console->setThreshold(level);
  console->setLayout(std::unique_ptr<log4cplus::Layout>(
      new log4cplus::PatternLayout("probetool: log %-5p %m [%b:%L]%n")));
  logger.addAppender(console);
}

class ErrorCapture::Appender : public log4cplus::Appender {
 public:
  ~Appender() override { destructorImpl(); }
  void close() override { closed = true; }

  std::vector<std::string> messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent& event) override {
    if (event.getLogLevel() < log4cplus::ERROR_LOG_LEVEL) return;
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(event.getMessage());
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
};

ErrorCapture::ErrorCapture()
    : logger_(log4cplus::Logger::getInstance(kLoggerName)), appender_(new Appender) {
  logger_.addAppender(log4cplus::SharedAppenderPtr(appender_.get()));
}

ErrorCapture::~ErrorCapture() {
  logger_.removeAppender(log4cplus::SharedAppenderPtr(appender_.get()));
}

std::vector<std::string> ErrorCapture::messages() const { return appender_->messages(); }

}  // namespace probetool
