// Records every event logged to the logger it is attached to: level, message, file and line.
#ifndef PROBE_TEST_CAPTURING_APPENDER_H
#define PROBE_TEST_CAPTURING_APPENDER_H

#include <log4cplus/appender.h>
#include <log4cplus/logger.h>

#include <string>
#include <vector>

struct LoggedEvent {
  int level;
  std::string message;
  std::string file;
  int line;
};

class CapturingAppender : public log4cplus::Appender {
 public:
  CapturingAppender();
  ~CapturingAppender() override;

  void close() override;
  const std::vector<LoggedEvent>& events() const { return events_; }
  void clear() { events_.clear(); }

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent& event) override;

 private:
  std::vector<LoggedEvent> events_;
};

// Attaches a CapturingAppender to the "Probe" logger for the life of the object, at TRACE unless
// told otherwise, and restores the logger's level and appenders afterwards.
class LogCapture {
 public:
  explicit LogCapture(int level = log4cplus::TRACE_LOG_LEVEL);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  const std::vector<LoggedEvent>& events() const { return appender_->events(); }
  void clear() { appender_->clear(); }
  // Messages logged at exactly this level, in order.
  std::vector<std::string> messages(int level) const;
  // True when some event at this level has exactly this message.
  bool has(int level, const std::string& message) const;
  // True when some event at this level begins with this text.
  bool hasPrefix(int level, const std::string& prefix) const;

 private:
  log4cplus::Logger logger_;
  int previousLevel_;
  log4cplus::helpers::SharedObjectPtr<CapturingAppender> appender_;
};

#endif
