#include <gtest/gtest.h>

#include <vector>

#include "CapturingAppender.h"
#include "ErrorMatchers.h"
#include "GoldenV1.h"
#include "V1CoderAccess.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Item = ProbeDataV1Coder::StreamItems;

TEST(V1LayoutTest, NewCoderVersionsAndConstants) {
  V1CoderAccess coder;
  EXPECT_EQ(0xFFFFFFFFu, coder.getInputVersion());
  EXPECT_EQ(33u, coder.getOutputVersion());
  EXPECT_EQ(33, ProbeDataV1Coder::getClassVersion());
  EXPECT_EQ(ProbeDataCoder::NoError, coder.getError());
}

// Lengths and offsets per input version: the cut image of version 1 is the only other layout.
TEST(V1LayoutTest, LengthsAndOffsetsFollowTheInputVersion) {
  struct Case {
    unsigned int inputVersion;
    unsigned int lengths[7];  // AllItems .. DataCheckItem, then the value 6
    unsigned int offsets[7];
  } const cases[] = {
      {0xFFFFFFFFu, {428, 8, 388, 8, 2, 22, 0}, {0, 0, 8, 396, 404, 406, 0}},
      {0x21, {428, 8, 388, 8, 2, 22, 0}, {0, 0, 8, 396, 404, 406, 0}},
      {0x10, {428, 8, 388, 8, 2, 22, 0}, {0, 0, 8, 396, 404, 406, 0}},
      {0x20, {428, 8, 388, 8, 2, 22, 0}, {0, 0, 8, 396, 404, 406, 0}},
      {1, {328, 8, 320, 0, 0, 0, 0}, {0, 0, 8, 328, 328, 328, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inputVersion);
    V1CoderAccess coder;
    coder.setInputVersion(c.inputVersion);
    for (int item = 0; item < 7; ++item) {
      SCOPED_TRACE(item);
      EXPECT_EQ(c.lengths[item], coder.getLength(static_cast<Item>(item)));
      EXPECT_EQ(c.offsets[item], coder.getOffset(static_cast<Item>(item)));
    }
  }
}

TEST(V1LayoutTest, VersionBlockDecodesToPackedVersion) {
  struct Case {
    Bytes block;
    unsigned int version;
  } const cases[] = {
      {bytesOf(golden::kVersion21), 0x21},
      {{'Q', 'M', 'V', 'B', 0, 0, 1, 0}, 1},
      {{'Q', 'M', 'V', 'B', 2, 0, 0, 0}, 0x20},
      {{'Q', 'M', 'V', 'B', 1, 0, 0x1F, 0}, 0x1F},        // minor above 15 is not masked
      {{'Q', 'M', 'V', 'B', 0x34, 0x12, 0, 0}, 0x12340},  // wide major kept in 32 bits
      {Bytes(8, 0), 0x10},                                // no magic: version 1.0
      {{'q', 'M', 'V', 'B', 2, 0, 1, 0}, 0x10},
  };
  for (const Case& c : cases) {
    V1CoderAccess coder;
    Bytes block = c.block;
    coder.setVersionFromRaw(block.data(), block.size());
    EXPECT_EQ(c.version, coder.getInputVersion());
    EXPECT_EQ(33u, coder.getOutputVersion());
  }
}

// A block shorter than 8 bytes is refused whole, even without the magic.
TEST(V1LayoutTest, ShortVersionBlockFailsAndKeepsTheVersion) {
  for (std::size_t size = 0; size < 8; ++size) {
    SCOPED_TRACE(size);
    V1CoderAccess coder;
    Bytes block(golden::kVersion21, golden::kVersion21 + size);
    EXPECT_PROBE_ERROR(coder.setVersionFromRaw(block.data(), block.size()),
                       "setVersionFromRaw error");
    EXPECT_EQ(0xFFFFFFFFu, coder.getInputVersion());
  }
}

TEST(V1LayoutTest, VersionBlockEncodesTheOutputVersion) {
  V1CoderAccess coder;
  coder.setInputVersion(0x10);
  EXPECT_EQ(bytesOf(golden::kVersion21), coder.encode(ProbeData(), ProbeDataV1Coder::VersionItem, 8));
  coder.setOutputVersion(0x20);
  EXPECT_EQ((Bytes{'Q', 'M', 'V', 'B', 2, 0, 0, 0}),
            coder.encode(ProbeData(), ProbeDataV1Coder::VersionItem, 8));
  Bytes shortBlock(7, 0xAA);
  EXPECT_PROBE_ERROR(coder.setVersionToRaw(shortBlock.data(), shortBlock.size()),
                     "setVersionToRaw error");
}

TEST(V1LayoutTest, OutputVersionAcceptsUpTo33) {
  V1CoderAccess coder;
  coder.setOutputVersion(0);
  EXPECT_EQ(0u, coder.getOutputVersion());
  coder.setOutputVersion(33);
  EXPECT_PROBE_ERROR(coder.setOutputVersion(34),
                     "ProbeDataCoder::setOutputVersion() unhandled version : 34");
  EXPECT_EQ(33u, coder.getOutputVersion());
}

}  // namespace
