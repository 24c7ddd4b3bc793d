// Faults of the host around the library: an appender that throws while the library logs a
// failure. The string functions promise never to throw, whatever the host's logging does.
#include <gtest/gtest.h>
#include <log4cplus/appender.h>
#include <log4cplus/logger.h>

#include <limits>
#include <stdexcept>
#include <string>

#include "RigidBodies.h"
#include "Utils.h"

namespace {

class ThrowingAppender : public log4cplus::Appender {
 public:
  ~ThrowingAppender() override { destructorImpl(); }
  void close() override {}

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent&) override {
    throw std::runtime_error("host appender failed");
  }
};

class HostFaultsTest : public ::testing::Test {
 protected:
  HostFaultsTest() : logger_(log4cplus::Logger::getInstance("Probe")) {
    logger_.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
    logger_.addAppender(appender_);
  }
  ~HostFaultsTest() override {
    logger_.removeAppender(appender_);
    logger_.setLogLevel(log4cplus::NOT_SET_LOG_LEVEL);
  }

 private:
  log4cplus::Logger logger_;
  log4cplus::SharedAppenderPtr appender_{new ThrowingAppender};
};

TEST_F(HostFaultsTest, StringFunctionsFailQuietlyWhenTheirLogLineThrows) {
  ProbeData unwritable = sampleRecord(1, false);
  unwritable.setDefaultDir(std::numeric_limits<double>::quiet_NaN(), 0, 0);
  std::string text = "earlier";
  bool ok = true;
  EXPECT_NO_THROW(ok = saveToString(text, unwritable));
  EXPECT_FALSE(ok);
  EXPECT_EQ("", text);

  ProbeData record = sampleRecord(2, true);
  EXPECT_NO_THROW(ok = loadFromString("not a document", record));
  EXPECT_FALSE(ok);
  EXPECT_TRUE(sameRecord(sampleRecord(2, true), record));
}

}  // namespace
