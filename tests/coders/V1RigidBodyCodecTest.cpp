#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ErrorMatchers.h"
#include "GoldenV1.h"
#include "RigidBodies.h"
#include "V1CoderAccess.h"

namespace {

using Bytes = std::vector<unsigned char>;

class V1RigidBodyCodecTest : public ::testing::Test {
 protected:
  V1RigidBodyCodecTest() { coder.setInputVersion(0x21); }

  Bytes write(const ProbeData& record) {
    return coder.encode(record, ProbeDataV1Coder::RigidBodyItem, 388);
  }
  // Reads a block of exactly its own size, so any read past it is an overrun.
  ProbeData read(Bytes block, const ProbeData& start = ProbeData()) {
    ProbeData record = start;
    coder.setRigidBodyFromRaw(record, block.data(), block.size());
    return record;
  }
  // Re-sums the 388-byte block of the first count bare targets after a field was changed.
  static void fixChecksum(Bytes& block, int count) {
    std::uint32_t sum = 0;
    for (int t = 0; t < count; ++t) {
      const std::size_t at = 2 + 16 * static_cast<std::size_t>(t);
      sum += static_cast<std::uint32_t>(block[at + 2] | block[at + 3] << 8);
      for (std::size_t f = 4; f < 16; f += 4) {
        sum += static_cast<std::uint32_t>(block[at + f] | block[at + f + 1] << 8);
      }
    }
    const std::size_t at = 2 + 16 * static_cast<std::size_t>(count);
    block[at] = static_cast<unsigned char>(sum);
    block[at + 1] = static_cast<unsigned char>(sum >> 8);
  }

  V1CoderAccess coder;
  const ProbeData oneTarget = makeRecord(makeBody("RB", {target(1.5, 1.0, -2.0, 0.0625)}));
};

TEST_F(V1RigidBodyCodecTest, OneTargetMatchesTheGoldenBlockBothWays) {
  EXPECT_EQ(bytesOf(golden::kOneTargetBlock), write(oneTarget));
  const ProbeData back = read(bytesOf(golden::kOneTargetBlock), makeRecord(makeBody("RB", {})));
  EXPECT_TRUE(sameBody(makeBody("RB", {target(1.5, 1.0, -2.0, 0.063)}), back.getRigidBody(),
                       1e-9));
}

TEST_F(V1RigidBodyCodecTest, EmptyBodyIsAllZeroAndKeepsTheId) {
  EXPECT_EQ(Bytes(388, 0), write(makeRecord(makeBody("keep", {}))));
  const ProbeData back = read(Bytes(388, 0), oneTarget);
  EXPECT_EQ("RB", back.getRigidBody().getId());
  EXPECT_EQ(0, back.getRigidBody().getNbTargets());
}

// Values beyond 16 bits keep their low bits; the checksum covers the same bits on both sides.
TEST_F(V1RigidBodyCodecTest, SizesRoundAndWrapAsStored) {
  struct Case {
    double size;
    unsigned char low, high;
    double readBack;
  } const cases[] = {
      {0.125, 13, 0, 0.13}, {-0.125, 0xF4, 0xFF, -0.12}, {400, 0x40, 0x9C, -255.36}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const Bytes block = write(makeRecord(makeBody("S", {target(c.size, 0, 0, 0)})));
    EXPECT_EQ(c.low, block[4]);
    EXPECT_EQ(c.high, block[5]);
    EXPECT_NEAR(c.readBack, read(block).getRigidBody().getTargetSize(0), 1e-9);
  }
}

TEST_F(V1RigidBodyCodecTest, TargetsAreRenumberedInListOrder) {
  const Rb::RigidBody body = makeBody(
      "ids", {target(1, 1, 0, 0), target(2, 2, 0, 0, 0.5, 0, -0.5, 45), target(3, 3, 0, 0)}, 5,
      4);  // ids 5, 9, 13
  const ProbeData back = read(write(makeRecord(body)), makeRecord(makeBody("ids", {})));
  std::list<int> ids;
  back.getRigidBody().getTargetsList(ids);
  EXPECT_EQ((std::list<int>{0, 1, 2}), ids);
  EXPECT_TRUE(sameBody(body, back.getRigidBody(), 1e-9));
}

// Sixteen full targets or 24 bare ones fill the block exactly; one more is refused before a
// byte of the caller's buffer is written.
TEST_F(V1RigidBodyCodecTest, BodiesThatDoNotFitAreRefusedUntouched) {
  const Bytes full = write(sampleRecord(16, true));
  EXPECT_NE(0, full[386] | full[387]);  // the checksum, no fill
  EXPECT_TRUE(sameBody(sampleRecord(16, true).getRigidBody(),
                       read(full, makeRecord(makeBody("SAMPLE-16", {}))).getRigidBody(), 1e-9));
  EXPECT_NO_THROW(write(sampleRecord(24, false)));

  for (const ProbeData& record : {sampleRecord(17, true), sampleRecord(25, false)}) {
    Bytes buffer(388, 0xAA);
    EXPECT_PROBE_ERROR(coder.setRigidBodyToRaw(record, buffer.data(), buffer.size()),
                       "setRigidBodyToRaw error");
    EXPECT_EQ(Bytes(388, 0xAA), buffer);
  }
  Bytes shortBuffer(387, 0xAA);
  EXPECT_PROBE_ERROR(coder.setRigidBodyToRaw(oneTarget, shortBuffer.data(), shortBuffer.size()),
                     "setRigidBodyToRaw error");
  EXPECT_EQ(Bytes(387, 0xAA), shortBuffer);
}

TEST_F(V1RigidBodyCodecTest, UnstorableValuesAreRefused) {
  Bytes buffer(388, 0xAA);
  EXPECT_PROBE_ERROR(coder.setRigidBodyToRaw(makeRecord(makeBody("N", {target(1, 3e6, 0, 0)})),
                                             buffer.data(), buffer.size()),
                     "setRigidBodyToRaw error");
  EXPECT_EQ(Bytes(388, 0xAA), buffer);
}

// Corrupt one byte, optionally re-sum, and expect the checksum to catch exactly what it covers.
TEST_F(V1RigidBodyCodecTest, ChecksumCatchesChangedFields) {
  struct Case {
    const char* field;
    std::size_t offset;
    bool refix;
    bool accepted;
  } const cases[] = {
      {"size", 4, false, false},          {"size, re-summed", 4, true, true},
      {"x low byte", 6, false, false},    {"x upper bytes", 8, false, true},
      {"z top byte", 17, false, true},    {"checksum", 18, false, false},
      {"flag 0x01 is absent", 2, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    Bytes block = bytesOf(golden::kOneTargetBlock);
    block[c.offset] = c.offset == 2 ? 0x01 : static_cast<unsigned char>(block[c.offset] ^ 0x5A);
    if (c.refix) fixChecksum(block, 1);
    ProbeData record = sampleRecord(2, true);
    if (c.accepted) {
      EXPECT_NO_THROW(coder.setRigidBodyFromRaw(record, block.data(), block.size()));
      EXPECT_EQ(1, record.getRigidBody().getNbTargets());
    } else {
      EXPECT_PROBE_ERROR(coder.setRigidBodyFromRaw(record, block.data(), block.size()),
                         "setRigidBodyFromRaw error");
      EXPECT_TRUE(sameRecord(sampleRecord(2, true), record));
    }
  }
}

// A count or flags that describe more bytes than the block was given fail instead of reading on.
TEST_F(V1RigidBodyCodecTest, CountsBeyondTheBlockFail) {
  Bytes block(388, 0);
  block[0] = 24;  // 24 bare zero targets, checksum 0: exactly fits
  EXPECT_EQ(24, read(block).getRigidBody().getNbTargets());
  block[0] = 25;
  EXPECT_PROBE_ERROR(read(block), "setRigidBodyFromRaw error");
  block[0] = 0xFF;
  block[1] = 0xFF;
  EXPECT_PROBE_ERROR(read(block), "setRigidBodyFromRaw error");
  // The golden block cut anywhere before its checksum.
  for (std::size_t size : {0, 1, 2, 10, 19}) {
    EXPECT_PROBE_ERROR(read(Bytes(golden::kOneTargetBlock, golden::kOneTargetBlock + size)),
                       "setRigidBodyFromRaw error");
  }
}

TEST_F(V1RigidBodyCodecTest, OldLayoutCarriesHundredthsAndTheDefaultDirection) {
  coder.setInputVersion(0x20);
  const ProbeData back = read(bytesOf(golden::kOldOneTargetBlock));
  EXPECT_TRUE(sameBody(makeBody("", {withAngle(target(1.5, 1.0, -2.0, 0.06), 10.0)}),
                       back.getRigidBody(), 1e-9));
  double x, y, z;
  back.getDefaultDir(x, y, z);
  EXPECT_NEAR(1.0, z, 1e-12);
  // The same bytes read as the current layout are something else entirely.
  coder.setInputVersion(0x21);
  EXPECT_PROBE_ERROR(read(bytesOf(golden::kOldOneTargetBlock)), "setRigidBodyFromRaw error");
}

TEST_F(V1RigidBodyCodecTest, OldLayoutCountTextIsParsedLikeAtoi) {
  coder.setInputVersion(1);
  struct Case {
    const char text[13];
    int count;
  } const cases[] = {{"Point#:3\0\0\0", 3}, {"Point#:\0\0\0\0", 0}, {"ANYTHIN 12ab", 12},
                     {"Point#:-0", 0},     {"Point#:x7", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    Bytes block(320, 0);  // zero records: flags absent, checksum 0
    std::memcpy(block.data(), c.text, 12);
    EXPECT_EQ(c.count, read(block).getRigidBody().getNbTargets());
  }
}

}  // namespace
