#include <gtest/gtest.h>

#include <vector>

#include "ErrorMatchers.h"
#include "GoldenV1.h"
#include "RigidBodies.h"
#include "V1CoderAccess.h"

namespace {

using Bytes = std::vector<unsigned char>;

const ProbeData& emptyBodyRecord() {
  static const ProbeData record = makeRecord(makeBody("P1", {}), 0, 0, 1, 2, 0x1234);
  return record;
}

Bytes emptyBodyImage() { return bytesOf(golden::kEmptyBodyImage.bytes); }

// Any input version but the cut one gives the same image.
TEST(V1DispatchTest, WholeImageMatchesTheGoldenImage) {
  for (unsigned int inputVersion : {0xFFFFFFFFu, 0x10u, 0x21u}) {
    SCOPED_TRACE(inputVersion);
    V1CoderAccess coder;
    coder.setInputVersion(inputVersion);
    EXPECT_EQ(emptyBodyImage(), coder.encode(emptyBodyRecord(), ProbeDataV1Coder::AllItems, 428));
    Bytes bare(428, 0);
    coder.setToRaw(emptyBodyRecord(), ProbeDataV1Coder::AllItems, bare.data());
    EXPECT_EQ(emptyBodyImage(), bare);
  }
}

// Up to version 2.0 the image ends with the rigid body block, in both directions.
TEST(V1DispatchTest, ShortVersionsStopAfterTheRigidBody) {
  V1CoderAccess coder;
  coder.setOutputVersion(0x20);
  Bytes image(428, 0xAA);
  coder.setToRaw(emptyBodyRecord(), ProbeDataV1Coder::AllItems, image.data(), image.size());
  EXPECT_EQ((Bytes{'Q', 'M', 'V', 'B', 2, 0, 0, 0}), Bytes(image.begin(), image.begin() + 8));
  EXPECT_EQ(Bytes(388, 0), Bytes(image.begin() + 8, image.begin() + 396));
  EXPECT_EQ(Bytes(32, 0xAA), Bytes(image.begin() + 396, image.end()));

  // A 2.0 image: the old layout of the golden block, then items that must not be read.
  Bytes old(428, 0xEE);
  std::copy(image.begin(), image.begin() + 8, old.begin());
  std::copy(std::begin(golden::kOldOneTargetBlock), std::end(golden::kOldOneTargetBlock),
            old.begin() + 8);
  ProbeData record = sampleRecord(2, false);
  coder.setFromRaw(record, ProbeDataV1Coder::AllItems, old.data(), old.size());
  EXPECT_EQ(0x20u, coder.getInputVersion());
  EXPECT_EQ(1, record.getRigidBody().getNbTargets());
  EXPECT_EQ("SAMPLE-2", record.getRigidBody().getId());
  EXPECT_EQ(3, record.getMaskThickness());
  EXPECT_EQ(0x1234u, record.getChecksum());
}

// The cut image's 320-byte slot cannot take the 388-byte block the writer produces.
TEST(V1DispatchTest, CutImageIsReadButNotWritten) {
  V1CoderAccess coder;
  coder.setInputVersion(1);
  Bytes image(328, 0xAA);
  EXPECT_PROBE_ERROR(
      coder.setToRaw(emptyBodyRecord(), ProbeDataV1Coder::AllItems, image.data(), image.size()),
      "setRigidBodyToRaw error");
  EXPECT_EQ(Bytes(320, 0xAA), Bytes(image.begin() + 8, image.end()));

  Bytes cut(328, 0);
  cut[0] = 'Q', cut[1] = 'M', cut[2] = 'V', cut[3] = 'B', cut[6] = 1;
  ProbeData record = sampleRecord(2, false);
  coder.setFromRaw(record, ProbeDataV1Coder::AllItems, cut.data(), cut.size());
  EXPECT_EQ(1u, coder.getInputVersion());
  EXPECT_EQ(0, record.getRigidBody().getNbTargets());
}

TEST(V1DispatchTest, ItemsAboveFiveAreIgnored) {
  V1CoderAccess coder;
  const auto six = static_cast<ProbeDataV1Coder::StreamItems>(6);
  ProbeData record = sampleRecord(1, false);
  EXPECT_NO_THROW(coder.setFromRaw(record, six, nullptr, 0));
  EXPECT_NO_THROW(coder.setToRaw(record, six, nullptr));
  EXPECT_TRUE(sameRecord(sampleRecord(1, false), record));
}

// A failing item leaves the items before it decoded.
TEST(V1DispatchTest, FailingItemKeepsEarlierItems) {
  V1CoderAccess coder;
  Bytes image = bytesOf(golden::kEmptyBodyImage.bytes);
  image[396] ^= 1;  // default direction checksum no longer matches
  ProbeData record = sampleRecord(2, false);
  EXPECT_PROBE_ERROR(
      coder.setFromRaw(record, ProbeDataV1Coder::AllItems, image.data(), image.size()),
      "setDefaultDirFromRaw error");
  EXPECT_EQ(0, record.getRigidBody().getNbTargets());
  EXPECT_EQ(3, record.getMaskThickness());
}

}  // namespace
