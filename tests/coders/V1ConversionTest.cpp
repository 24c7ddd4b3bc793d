#include <gtest/gtest.h>

#include <log4cplus/loglevel.h>

#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "Crc16.h"
#include "ErrorMatchers.h"
#include "GoldenV1.h"
#include "RigidBodies.h"
#include "V1CoderAccess.h"

namespace {

const std::string kEmptyBodyImage(reinterpret_cast<const char*>(golden::kEmptyBodyImage.bytes),
                                  sizeof golden::kEmptyBodyImage.bytes);

TEST(V1ConversionTest, RecordSurvivesTheStringImage) {
  ProbeData source = sampleRecord(16, true);
  Rb::RigidBody body = source.getRigidBody();
  body.setId("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  source.setRigidBody(body);
  source.setChecksum(0x12345);

  V1CoderAccess writer;
  std::string image;
  ASSERT_TRUE(writer.convertToString(source, image));
  ASSERT_EQ(428u, image.size());
  EXPECT_EQ(std::string("QMVB\x02\x00\x01\x00", 8), image.substr(0, 8));

  V1CoderAccess reader;
  ProbeData back;
  ASSERT_TRUE(reader.convertFromString(image + "ignored tail", back));
  EXPECT_EQ(0x21u, reader.getInputVersion());
  EXPECT_EQ(33u, reader.getOutputVersion());
  body.setId("ABCDEFGHIJKLMNOPQRST");
  source.setRigidBody(body);
  source.setChecksum(0x2345);
  EXPECT_TRUE(sameRecord(source, back, 1e-9));
}

TEST(V1ConversionTest, GoldenImageBothWays) {
  V1CoderAccess coder;
  const ProbeData record = makeRecord(makeBody("P1", {}), 0, 0, 1, 2, 0x1234);
  std::string image;
  ASSERT_TRUE(coder.convertToString(record, image));
  EXPECT_EQ(kEmptyBodyImage, image);
  ProbeData back = sampleRecord(3, true);
  ASSERT_TRUE(coder.convertFromString(image, back));
  EXPECT_TRUE(sameRecord(record, back, 1e-12));
}

TEST(V1ConversionTest, ShortStringsAreRefusedWithTheirReason) {
  struct Case {
    std::string image;
    const char* logged;
  } const cases[] = {
      {kEmptyBodyImage.substr(0, 9), "ProbeDataV1Coder::convertFromString could not read version"},
      {kEmptyBodyImage.substr(0, 10),
       "ProbeDataV1Coder::convertFromString too short 10 where needed is 428"},
      {kEmptyBodyImage.substr(0, 427),
       "ProbeDataV1Coder::convertFromString too short 427 where needed is 428"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logged);
    LogCapture log;
    V1CoderAccess coder;
    ProbeData record = sampleRecord(2, true);
    EXPECT_FALSE(coder.convertFromString(c.image, record));
    EXPECT_EQ(std::vector<std::string>{c.logged}, log.messages(log4cplus::ERROR_LOG_LEVEL));
    EXPECT_TRUE(sameRecord(sampleRecord(2, true), record));
  }
}

// Without the magic the image is version 1.0: old rigid body layout, nothing after it.
TEST(V1ConversionTest, ImageWithoutMagicIsVersionOneZero) {
  V1CoderAccess coder;
  ProbeData record = sampleRecord(2, true);
  EXPECT_TRUE(coder.convertFromString(std::string(428, '\0'), record));
  EXPECT_EQ(0x10u, coder.getInputVersion());
  EXPECT_EQ(0, record.getRigidBody().getNbTargets());
  EXPECT_EQ(3, record.getMaskThickness());
}

// No log line of its own; the rigid body decoded before the failing item stays.
TEST(V1ConversionTest, BadDefaultDirectionFailsAfterTheRigidBody) {
  std::string image;
  V1CoderAccess coder;
  ASSERT_TRUE(coder.convertToString(sampleRecord(4, false), image));
  image[396] = static_cast<char>(image[396] ^ 0x01);
  ProbeData record;
  LogCapture log;
  EXPECT_FALSE(coder.convertFromString(image, record));
  EXPECT_EQ("setDefaultDirFromRaw error", log.messages(log4cplus::ERROR_LOG_LEVEL).back());
  EXPECT_FALSE(log.hasPrefix(log4cplus::ERROR_LOG_LEVEL, "ProbeDataV1Coder::"));
  EXPECT_EQ(4, record.getRigidBody().getNbTargets());
}

TEST(V1ConversionTest, ShortOutputVersionStillGivesAZeroedFullImage) {
  V1CoderAccess coder;
  coder.setOutputVersion(0x20);
  std::string image;
  ASSERT_TRUE(coder.convertToString(sampleRecord(2, true), image));
  ASSERT_EQ(428u, image.size());
  EXPECT_EQ(std::string(32, '\0'), image.substr(396));
}

// The cut image of input version 1 cannot hold the rigid body block the writer produces.
TEST(V1ConversionTest, CutImageVersionIsRefused) {
  V1CoderAccess coder;
  coder.setInputVersion(1);
  LogCapture log;
  std::string image = "untouched";
  EXPECT_FALSE(coder.convertToString(sampleRecord(1, false), image));
  EXPECT_EQ("untouched", image);
  EXPECT_TRUE(log.has(log4cplus::ERROR_LOG_LEVEL, "ProbeDataV1Coder::convertToString"));
  EXPECT_PROBE_ERROR(coder.computeDataCheksum(sampleRecord(1, false)), "setRigidBodyToRaw error");
}

TEST(V1ConversionTest, DataChecksumCoversTargetsDirectionAndThickness) {
  V1CoderAccess coder;
  LogCapture log;
  EXPECT_EQ(0u, coder.computeDataCheksum(ProbeData()));  // CRC of 398 zero bytes
  EXPECT_TRUE(log.has(log4cplus::DEBUG_LOG_LEVEL, "checksum result 0"));

  const ProbeData base = sampleRecord(3, true);
  const unsigned int reference = coder.computeDataCheksum(base);
  std::string image;
  ASSERT_TRUE(coder.convertToString(base, image));
  EXPECT_EQ(crc16Arc(image.data() + 8, 398), reference);

  ProbeData other = base;
  Rb::RigidBody body = other.getRigidBody();
  body.setId("another id");
  other.setRigidBody(body);
  other.setChecksum(99);
  EXPECT_EQ(reference, coder.computeDataCheksum(other));

  ProbeData moved = base;
  moved.setMaskThickness(4);
  EXPECT_NE(reference, coder.computeDataCheksum(moved));
  moved = base;
  moved.setDefaultDir(0.126, -0.5, 0.75);
  EXPECT_NE(reference, coder.computeDataCheksum(moved));
  moved = base;
  body = moved.getRigidBody();
  body.setTargetSize(1, body.getTargetSize(1) + 0.01);
  moved.setRigidBody(body);
  EXPECT_NE(reference, coder.computeDataCheksum(moved));

  coder.setOutputVersion(0x20);  // the output version plays no part
  EXPECT_EQ(reference, coder.computeDataCheksum(base));
}

}  // namespace
