#include <gtest/gtest.h>

#include <string>

#include "GoldenXml.h"
#include "ProbeData.h"
#include "RigidBodies.h"
#include "Utils.h"

namespace {

ProbeData goldenP1Record() {
  return makeRecord(makeBody("P1", {target(1.5, 1, -2, 0.0625, 0, 0, 1, 45),
                                    target(0.1, 10.5, 0, -3.25)}),
                    0, 0, 1, 2, 0);
}

TEST(XmlStringTest, WritesTheGoldenText) {
  std::string text;
  ASSERT_TRUE(saveToString(text, goldenP1Record()));
  EXPECT_EQ(std::string(kGoldenP1), text);
  EXPECT_EQ(1117u, text.size());
  EXPECT_EQ(kGoldenP1Checksum, goldenP1Record().computeChecksum());
}

TEST(XmlStringTest, ReadsTheGoldenTextBack) {
  ProbeData record;
  ASSERT_TRUE(loadFromString(kGoldenP1, record));
  EXPECT_TRUE(sameRecord(goldenP1Record(), record));
}

}  // namespace
