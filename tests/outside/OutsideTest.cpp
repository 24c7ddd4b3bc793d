#include <gtest/gtest.h>

#include <cstdio>
#include <list>
#include <string>
#include <vector>

#include "Admin.h"
#include "CapturingAppender.h"
#include "DeviceHandler.h"
#include "Error.h"
#include "ErrorMatchers.h"
#include "ProbeLogger.h"
#include "RigidBodies.h"
#include "RigidBody.h"

namespace {

TEST(ErrorTest, ReportsThroughTheLoggerAtItsLevelAndCarriesItsFields) {
  LogCapture capture;
  Error error(42, "Some.cpp", "Something failed", &g_probeLogger, log4cplus::ERROR_LOG_LEVEL);
  EXPECT_STREQ("Something failed", error.what());
  EXPECT_EQ("Something failed", error.getMessage());
  EXPECT_EQ("Some.cpp", error.getFile());
  EXPECT_EQ(42, error.getLine());
  EXPECT_EQ(log4cplus::ERROR_LOG_LEVEL, error.getLevel());
  ASSERT_EQ(1u, capture.events().size());
  EXPECT_EQ(log4cplus::ERROR_LOG_LEVEL, capture.events()[0].level);
  EXPECT_EQ("Something failed", capture.events()[0].message);
  EXPECT_EQ("Some.cpp", capture.events()[0].file);
  EXPECT_EQ(42, capture.events()[0].line);
}

TEST(ErrorTest, LevelBelowTheLoggersIsNotReportedAndNullLoggerIsAccepted) {
  LogCapture capture(log4cplus::ERROR_LOG_LEVEL);
  Error quiet(1, "f", "quiet", &g_probeLogger, log4cplus::WARN_LOG_LEVEL);
  Error unlogged(1, "f", "unlogged", nullptr, log4cplus::ERROR_LOG_LEVEL);
  EXPECT_TRUE(capture.events().empty());
  Error copy(unlogged);
  EXPECT_EQ("unlogged", copy.getMessage());
}

TEST(RigidBodyTest, ListsIdsInInsertionOrder) {
  Rb::RigidBody body;
  for (int id : {5, 9, 12, 0}) body.insertTarget(id, id, 0, 0);
  std::list<int> ids;
  body.getTargetsList(ids);
  EXPECT_EQ((std::list<int>{5, 9, 12, 0}), ids);
  EXPECT_EQ(4, body.getNbTargets());
}

TEST(RigidBodyTest, NewTargetHasNoNormalNoAngleAndTakesThem) {
  Rb::RigidBody body;
  body.insertTarget(3, 1, 2, 3);
  EXPECT_FALSE(body.hasNormal(3));
  EXPECT_FALSE(body.hasAngle(3));
  body.setTargetSize(3, 2.5);
  body.updateTargetNormal(3, 0, 0, 1);
  body.setAngleTarget(3, 45);
  EXPECT_TRUE(body.hasNormal(3));
  EXPECT_TRUE(body.hasAngle(3));
  EXPECT_EQ(2.5, body.getTargetSize(3));
  EXPECT_EQ(45, body.getAngleTarget(3));
  double x, y, z;
  body.getTargetPosition(3, x, y, z);
  EXPECT_EQ(3.0, z);
  body.getTargetNormal(3, x, y, z);
  EXPECT_EQ(1.0, z);
}

TEST(RigidBodyTest, ClearTargetsKeepsTheId) {
  Rb::RigidBody body = makeBody("keep", {target(1, 0, 0, 0), target(1, 1, 1, 1)});
  body.clearTargets();
  EXPECT_EQ(0, body.getNbTargets());
  EXPECT_EQ("keep", body.getId());
}

TEST(RigidBodyTest, CopiesAreIndependent) {
  Rb::RigidBody body = makeBody("a", {target(1, 0, 0, 0)});
  Rb::RigidBody copy(body);
  Rb::RigidBody assigned;
  assigned = body;
  body.setId("b");
  body.setTargetSize(0, 9);
  EXPECT_EQ("a", copy.getId());
  EXPECT_EQ(1.0, copy.getTargetSize(0));
  EXPECT_EQ("a", assigned.getId());
  EXPECT_EQ(1.0, assigned.getTargetSize(0));
}

// Every operation on an id that names no target throws a clear Error.
TEST(RigidBodyTest, UnknownIdsThrowError) {
  Rb::RigidBody body = makeBody("a", {target(1, 0, 0, 0)});
  double x, y, z;
  EXPECT_PROBE_ERROR(body.hasNormal(4), "RigidBody::hasNormal no target with id 4");
  EXPECT_PROBE_ERROR(body.hasAngle(4), "RigidBody::hasAngle no target with id 4");
  EXPECT_PROBE_ERROR(body.getTargetSize(4), "RigidBody::getTargetSize no target with id 4");
  EXPECT_PROBE_ERROR(body.getAngleTarget(4), "RigidBody::getAngleTarget no target with id 4");
  EXPECT_PROBE_ERROR(body.getTargetPosition(4, x, y, z),
                     "RigidBody::getTargetPosition no target with id 4");
  EXPECT_PROBE_ERROR(body.getTargetNormal(4, x, y, z),
                     "RigidBody::getTargetNormal no target with id 4");
  EXPECT_PROBE_ERROR(body.setTargetSize(4, 1), "RigidBody::setTargetSize no target with id 4");
  EXPECT_PROBE_ERROR(body.updateTargetNormal(4, 0, 0, 1),
                     "RigidBody::updateTargetNormal no target with id 4");
  EXPECT_PROBE_ERROR(body.setAngleTarget(4, 1), "RigidBody::setAngleTarget no target with id 4");
  EXPECT_PROBE_ERROR(body.getTargetNormal(0, x, y, z),
                     "RigidBody::getTargetNormal target 0 has no normal");
  EXPECT_PROBE_ERROR(body.getAngleTarget(0), "RigidBody::getAngleTarget target 0 has no angle");
  EXPECT_PROBE_ERROR(body.insertTarget(0, 1, 1, 1), "RigidBody::insertTarget id 0 already used");
  EXPECT_EQ(1, body.getNbTargets());
}

class AdminTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "probe_admin_test_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::remove(path_.c_str());
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(AdminTest, ExistAndSizeOfARealFile) {
  EXPECT_FALSE(admin::exist(path_));
  std::FILE* file = std::fopen(path_.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  std::fwrite("12345", 1, 5, file);
  std::fclose(file);
  EXPECT_TRUE(admin::exist(path_));
  EXPECT_EQ(5ul, admin::getFileSize(path_));
}

TEST_F(AdminTest, SizeOfAMissingFileOrADirectoryThrows) {
  EXPECT_THROW(admin::getFileSize(path_), Error);
  EXPECT_TRUE(admin::exist(::testing::TempDir()));
  EXPECT_THROW(admin::getFileSize(::testing::TempDir()), Error);
}

class Device : public DeviceHandler {
 public:
  void findDevice() override {}
  void initDevice() override {}
  void resetDevice() override {}
  void testDevice() override {}
  bool isInitialized() const override { return true; }
  bool isDeviceAvailable() const override { return true; }
  void createUIHandler() override {}
  void createDataHandler() override {}
  void deleteDataHandler() override {}
  void clearHdw() override {}
  void startDevice() override {}
  void stopDevice() override {}
  void suspendDevice() override {}
  void resumeDevice() override {}
};

TEST(DeviceHandlerTest, CopiesAndDestructionBalance) {
  const int before = DeviceHandler::getInstanceCount();
  {
    Device device;
    Device copy(device);
    Device assigned;
    assigned = copy;
    EXPECT_EQ(before + 3, DeviceHandler::getInstanceCount());
  }
  EXPECT_EQ(before, DeviceHandler::getInstanceCount());
}

}  // namespace
