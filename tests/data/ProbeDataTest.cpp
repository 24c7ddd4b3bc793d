#include <gtest/gtest.h>

#include "ProbeData.h"
#include "RigidBodies.h"

namespace {

TEST(ProbeDataTest, NewRecordHoldsDefaults) {
  ProbeData record;
  double x = 1, y = 1, z = 1;
  record.getDefaultDir(x, y, z);
  EXPECT_EQ(0.0, x);
  EXPECT_EQ(0.0, y);
  EXPECT_EQ(0.0, z);
  EXPECT_EQ(0, record.getMaskThickness());
  EXPECT_EQ(0u, record.getChecksum());
  EXPECT_NO_THROW(record.getRigidBody());
  EXPECT_EQ(0, record.getRigidBody().getNbTargets());
  EXPECT_EQ("", record.getRigidBody().getId());
  EXPECT_TRUE(record.getPRigidBody());
}

TEST(ProbeDataTest, SettersStoreValuesAndLeaveTheChecksumAlone) {
  ProbeData record;
  record.setChecksum(0xDEADBEEF);
  record.setDefaultDir(1.5, -2.5, 3.5);
  record.setMaskThickness(65535);
  Rb::RigidBody body = makeBody("B", {target(1, 2, 3, 4)});
  record.setRigidBody(body);
  double x, y, z;
  record.getDefaultDir(x, y, z);
  EXPECT_EQ(1.5, x);
  EXPECT_EQ(-2.5, y);
  EXPECT_EQ(3.5, z);
  EXPECT_EQ(65535, record.getMaskThickness());
  EXPECT_EQ(0xDEADBEEFu, record.getChecksum());
  EXPECT_TRUE(sameBody(body, record.getRigidBody()));
}

TEST(ProbeDataTest, SetRigidBodyCopiesTheArgument) {
  ProbeData record;
  Rb::RigidBody body = makeBody("A", {target(1, 0, 0, 0)});
  record.setRigidBody(body);
  body.setId("changed");
  body.insertTarget(7, 1, 1, 1);
  EXPECT_EQ("A", record.getRigidBody().getId());
  EXPECT_EQ(1, record.getRigidBody().getNbTargets());
}

// Copy construction and assignment must both give the target a body of its own.
enum class CopyKind { Construct, Assign };

class ProbeDataCopyTest : public ::testing::TestWithParam<CopyKind> {
 protected:
  ProbeData copyOf(const ProbeData& source) {
    if (GetParam() == CopyKind::Construct) return ProbeData(source);
    ProbeData target;
    target = source;
    return target;
  }
};

TEST_P(ProbeDataCopyTest, CopyIsDeepInBothDirections) {
  ProbeData source = makeRecord(makeBody("S", {target(1, 1, 2, 3, 0, 0, 1, 45)}), 0, 0, 1, 7, 99);
  ProbeData copy = copyOf(source);
  EXPECT_TRUE(sameRecord(source, copy));
  EXPECT_NE(source.getPRigidBody().get(), copy.getPRigidBody().get());

  copy.getPRigidBody()->setId("copy");
  Rb::RigidBody other = makeBody("other", {});
  source.setRigidBody(other);
  EXPECT_EQ("copy", copy.getRigidBody().getId());
  EXPECT_EQ(1, copy.getRigidBody().getNbTargets());
  EXPECT_EQ("other", source.getRigidBody().getId());
}

INSTANTIATE_TEST_SUITE_P(BothWays, ProbeDataCopyTest,
                         ::testing::Values(CopyKind::Construct, CopyKind::Assign));

TEST(ProbeDataTest, HandleTakenBeforeAssignmentKeepsTheOldBody) {
  ProbeData record = makeRecord(makeBody("old", {target(1, 0, 0, 0)}));
  boost::shared_ptr<Rb::RigidBody> handle = record.getPRigidBody();
  record = makeRecord(makeBody("new", {}));
  EXPECT_EQ("old", handle->getId());
  EXPECT_EQ(1, handle->getNbTargets());
  EXPECT_EQ("new", record.getRigidBody().getId());
  EXPECT_NE(handle.get(), record.getPRigidBody().get());
}

TEST(ProbeDataTest, HandleOutlivesTheRecordAndChangesReachIt) {
  boost::shared_ptr<Rb::RigidBody> handle;
  {
    ProbeData record;
    handle = record.getPRigidBody();
    handle->setId("through handle");
    EXPECT_EQ("through handle", record.getRigidBody().getId());
  }
  EXPECT_EQ("through handle", handle->getId());
  EXPECT_EQ(1, handle.use_count());
}

TEST(ProbeDataTest, SelfAssignmentKeepsEverything) {
  ProbeData record = makeRecord(makeBody("self", {target(2, 1, 1, 1)}), 1, 2, 3, 4, 5);
  const ProbeData before(record);
  ProbeData& alias = record;
  record = alias;
  EXPECT_TRUE(sameRecord(before, record));
}

}  // namespace
