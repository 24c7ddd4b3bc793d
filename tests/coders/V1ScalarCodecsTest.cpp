#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ErrorMatchers.h"
#include "GoldenV1.h"
#include "RigidBodies.h"
#include "V1CoderAccess.h"

namespace {

using Bytes = std::vector<unsigned char>;

class V1ScalarCodecsTest : public ::testing::Test {
 protected:
  static ProbeData withDefaultDir(double x, double y, double z) {
    ProbeData record;
    record.setDefaultDir(x, y, z);
    return record;
  }
  static ProbeData withId(const std::string& id, unsigned int checksum) {
    return makeRecord(makeBody(id, {}), 0, 0, 0, 0, checksum);
  }

  V1CoderAccess coder;
};

TEST_F(V1ScalarCodecsTest, DefaultDirectionInThousandthsWithItsSum) {
  EXPECT_EQ(bytesOf(golden::kDefaultDir),
            coder.encode(withDefaultDir(0.001, -0.002, 1.0), ProbeDataV1Coder::DefaultDirItem, 8));
  Bytes block = bytesOf(golden::kDefaultDir);
  ProbeData record;
  coder.setDefaultDirFromRaw(record, block.data(), block.size());
  EXPECT_TRUE(sameRecord(withDefaultDir(0.001, -0.002, 1.0), record, 1e-12));

  // 40.0 keeps the low 16 bits of 40000 and still sums right.
  block = coder.encode(withDefaultDir(40.0, 0, 0), ProbeDataV1Coder::DefaultDirItem, 8);
  coder.setDefaultDirFromRaw(record, block.data(), block.size());
  EXPECT_TRUE(sameRecord(withDefaultDir(-25.536, 0, 0), record, 1e-12));
}

TEST_F(V1ScalarCodecsTest, ChangedDefaultDirectionByteFailsAndKeepsTheRecord) {
  for (std::size_t offset = 0; offset < 8; ++offset) {
    SCOPED_TRACE(offset);
    Bytes block = bytesOf(golden::kDefaultDir);
    block[offset] ^= 0x10;
    ProbeData record = withDefaultDir(7, 8, 9);
    EXPECT_PROBE_ERROR(coder.setDefaultDirFromRaw(record, block.data(), block.size()),
                       "setDefaultDirFromRaw error");
    EXPECT_TRUE(sameRecord(withDefaultDir(7, 8, 9), record));
  }
}

TEST_F(V1ScalarCodecsTest, MaskThicknessIsAPlainU16) {
  ProbeData record;
  record.setMaskThickness(4660);
  EXPECT_EQ(bytesOf(golden::kMaskThickness),
            coder.encode(record, ProbeDataV1Coder::MaskThicknessItem, 2));
  Bytes block{0xFF, 0xFF};
  coder.setMaskThicknessFromRaw(record, block.data(), block.size());
  EXPECT_EQ(65535, record.getMaskThickness());
}

TEST_F(V1ScalarCodecsTest, DataCheckIdIsCutOrFilledToTwentyBytes) {
  struct Case {
    std::string id;
    std::string stored;
  } const cases[] = {
      {"ABCDEFGHIJKLMNOPQRSTUVWXY", "ABCDEFGHIJKLMNOPQRST"},
      {"abc", std::string("abc") + std::string(17, '\0')},
      {"", std::string(20, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const Bytes block = coder.encode(withId(c.id, 0x12345), ProbeDataV1Coder::DataCheckItem, 22);
    EXPECT_EQ(c.stored, std::string(block.begin(), block.begin() + 20));
    EXPECT_EQ(0x45, block[20]);
    EXPECT_EQ(0x23, block[21]);
  }
}

// Every zero byte of the id field is dropped; targets, direction and thickness stay.
TEST_F(V1ScalarCodecsTest, DataCheckReadSetsIdAndChecksumOnly) {
  Bytes block(22, 0);
  block[0] = 0x41;
  block[1] = 0x42;
  block[3] = 0x43;
  block[4] = 0x44;
  block[20] = 0x45;
  block[21] = 0x23;
  ProbeData record = sampleRecord(3, true);
  coder.setDataCheckFromRaw(record, block.data(), block.size());
  EXPECT_EQ("ABCD", record.getRigidBody().getId());
  EXPECT_EQ(0x2345u, record.getChecksum());
  ProbeData expected = sampleRecord(3, true);
  Rb::RigidBody body = expected.getRigidBody();
  body.setId("ABCD");
  expected.setRigidBody(body);
  expected.setChecksum(0x2345);
  EXPECT_TRUE(sameRecord(expected, record));
}

// Given one byte less than its item, every codec fails with its own message and changes
// neither the record nor a byte outside what it was given.
TEST_F(V1ScalarCodecsTest, ShortBuffersFailWithTheCodecsOwnError) {
  using Item = ProbeDataV1Coder::StreamItems;
  struct Case {
    Item item;
    std::size_t size;
    const char* readError;
    const char* writeError;
  } const cases[] = {
      {ProbeDataV1Coder::VersionItem, 8, "setVersionFromRaw error", "setVersionToRaw error"},
      {ProbeDataV1Coder::RigidBodyItem, 20, "setRigidBodyFromRaw error",
       "setRigidBodyToRaw error"},
      {ProbeDataV1Coder::DefaultDirItem, 8, "setDefaultDirFromRaw error",
       "setDefaultDirToRaw error"},
      {ProbeDataV1Coder::MaskThicknessItem, 2, "setMaskThicknessFromRaw error",
       "setMaskThicknessToRaw error"},
      {ProbeDataV1Coder::DataCheckItem, 22, "setDataCheckFromRaw error",
       "setDataCheckToRaw error"},
  };
  const ProbeData source = makeRecord(makeBody("RB", {target(1.5, 1.0, -2.0, 0.0625)}), 1, 2, 3,
                                      4, 5);
  coder.setInputVersion(0x21);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.readError);
    Bytes full = coder.encode(source, c.item, c.item == ProbeDataV1Coder::RigidBodyItem ? 388 : c.size);
    Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(c.size - 1));
    ProbeData record = sampleRecord(2, false);
    EXPECT_PROBE_ERROR(coder.setFromRaw(record, c.item, cut.data(), cut.size()), c.readError);
    EXPECT_TRUE(sameRecord(sampleRecord(2, false), record));
    Bytes out(c.size - 1, 0xAA);
    EXPECT_PROBE_ERROR(coder.setToRaw(source, c.item, out.data(), out.size()), c.writeError);
    EXPECT_EQ(Bytes(c.size - 1, 0xAA), out);
  }
}

}  // namespace
