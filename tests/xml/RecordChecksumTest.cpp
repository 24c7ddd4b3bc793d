#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>

#include <limits>
#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "Crc16.h"
#include "GoldenXml.h"
#include "ProbeData.h"
#include "RigidBodies.h"

namespace {

// The published check value of CRC-16/ARC.
TEST(RecordChecksumTest, CrcGivesTheCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(0xBB3Du, crc16Arc(check.data(), check.size()));
  EXPECT_EQ(0u, crc16Arc(check.data(), 0));
}

TEST(RecordChecksumTest, IsTheCrcOfTheTextAndLogsIt) {
  LogCapture capture;
  EXPECT_EQ(kGoldenP1Checksum, goldenP1Record().computeChecksum());
  EXPECT_EQ(std::vector<std::string>{"PDSimuCoder::checksum result 46532"},
            capture.messages(log4cplus::DEBUG_LOG_LEVEL));
}

// The text holds the stored checksum, so storing the computed value changes the next one.
TEST(RecordChecksumTest, DependsOnTheStoredChecksum) {
  ProbeData record = goldenP1Record();
  const unsigned int first = record.computeChecksum();
  record.setChecksum(first);
  const unsigned int second = record.computeChecksum();
  EXPECT_NE(first, second);
  record.setChecksum(0);
  EXPECT_EQ(first, record.computeChecksum());
}

// The text stores no target ids.
TEST(RecordChecksumTest, IgnoresTargetIds) {
  const ProbeData renumbered = makeRecord(
      makeBody("P1", {target(1.5, 1, -2, 0.0625, 0, 0, 1, 45), target(0.1, 10.5, 0, -3.25)}, 40,
               -7),
      0, 0, 1, 2, 0);
  EXPECT_EQ(kGoldenP1Checksum, renumbered.computeChecksum());
}

TEST(RecordChecksumTest, IsZeroWhenTheTextCannotBeWritten) {
  const ProbeData record = makeRecord(
      makeBody("N", {target(std::numeric_limits<double>::quiet_NaN(), 0, 0, 0)}), 0, 0, 1);
  LogCapture capture;
  EXPECT_EQ(0u, record.computeChecksum());
  EXPECT_TRUE(capture.messages(log4cplus::DEBUG_LOG_LEVEL).empty());
  EXPECT_EQ(std::vector<std::string>{"could not code to stream "},
            capture.messages(log4cplus::ERROR_LOG_LEVEL));
}

}  // namespace
