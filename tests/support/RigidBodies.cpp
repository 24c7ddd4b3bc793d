#include "RigidBodies.h"

#include <cmath>
#include <list>
#include <sstream>
#include <vector>

TargetSpec target(double size, double x, double y, double z) {
  TargetSpec result;
  result.size = size;
  result.x = x;
  result.y = y;
  result.z = z;
  return result;
}

TargetSpec target(double size, double x, double y, double z, double nx, double ny, double nz,
                  double angle) {
  return withAngle(withNormal(target(size, x, y, z), nx, ny, nz), angle);
}

TargetSpec withNormal(TargetSpec target, double nx, double ny, double nz) {
  target.hasNormal = true;
  target.nx = nx;
  target.ny = ny;
  target.nz = nz;
  return target;
}

TargetSpec withAngle(TargetSpec target, double angle) {
  target.hasAngle = true;
  target.angle = angle;
  return target;
}

Rb::RigidBody makeBody(const std::string& id, std::initializer_list<TargetSpec> targets,
                       int firstId, int idStep) {
  Rb::RigidBody body;
  body.setId(id);
  int targetId = firstId;
  for (const TargetSpec& target : targets) {
    body.insertTarget(targetId, target.x, target.y, target.z);
    body.setTargetSize(targetId, target.size);
    if (target.hasNormal) body.updateTargetNormal(targetId, target.nx, target.ny, target.nz);
    if (target.hasAngle) body.setAngleTarget(targetId, target.angle);
    targetId += idStep;
  }
  return body;
}

ProbeData makeRecord(const Rb::RigidBody& body, double dx, double dy, double dz,
                     unsigned short maskThickness, unsigned int checksum) {
  ProbeData record;
  Rb::RigidBody copy(body);
  record.setRigidBody(copy);
  record.setDefaultDir(dx, dy, dz);
  record.setMaskThickness(maskThickness);
  record.setChecksum(checksum);
  return record;
}

ProbeData sampleRecord(int count, bool full) {
  Rb::RigidBody body;
  body.setId("SAMPLE-" + std::to_string(count));
  for (int i = 0; i < count; ++i) {
    body.insertTarget(i, 10.125 * i - 40.5, 3.25 * i, -1.5 + 0.75 * i);
    body.setTargetSize(i, 1.5 + 0.25 * i);
    if (full) {
      body.updateTargetNormal(i, 0.5, -0.25, 0.75);
      body.setAngleTarget(i, 15.5 + i);
    }
  }
  return makeRecord(body, 0.125, -0.5, 0.75, 3, 0x1234);
}

namespace {

bool near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

}  // namespace

::testing::AssertionResult sameBody(const Rb::RigidBody& expected, const Rb::RigidBody& actual,
                                    double tolerance) {
  if (expected.getId() != actual.getId()) {
    return ::testing::AssertionFailure()
           << "id '" << expected.getId() << "' != '" << actual.getId() << "'";
  }
  if (expected.getNbTargets() != actual.getNbTargets()) {
    return ::testing::AssertionFailure() << "target count " << expected.getNbTargets()
                                         << " != " << actual.getNbTargets();
  }
  std::list<int> expectedIds, actualIds;
  expected.getTargetsList(expectedIds);
  actual.getTargetsList(actualIds);
  std::vector<int> e(expectedIds.begin(), expectedIds.end());
  std::vector<int> a(actualIds.begin(), actualIds.end());
  for (std::size_t i = 0; i < e.size(); ++i) {
    std::ostringstream where;
    where << "target #" << i << ": ";
    double ex, ey, ez, ax, ay, az;
    expected.getTargetPosition(e[i], ex, ey, ez);
    actual.getTargetPosition(a[i], ax, ay, az);
    if (!near(ex, ax, tolerance) || !near(ey, ay, tolerance) || !near(ez, az, tolerance)) {
      return ::testing::AssertionFailure() << where.str() << "position (" << ex << ", " << ey
                                           << ", " << ez << ") != (" << ax << ", " << ay << ", "
                                           << az << ")";
    }
    if (!near(expected.getTargetSize(e[i]), actual.getTargetSize(a[i]), tolerance)) {
      return ::testing::AssertionFailure() << where.str() << "size "
                                           << expected.getTargetSize(e[i]) << " != "
                                           << actual.getTargetSize(a[i]);
    }
    if (expected.hasNormal(e[i]) != actual.hasNormal(a[i])) {
      return ::testing::AssertionFailure() << where.str() << "normal presence differs";
    }
    if (expected.hasNormal(e[i])) {
      expected.getTargetNormal(e[i], ex, ey, ez);
      actual.getTargetNormal(a[i], ax, ay, az);
      if (!near(ex, ax, tolerance) || !near(ey, ay, tolerance) || !near(ez, az, tolerance)) {
        return ::testing::AssertionFailure() << where.str() << "normal (" << ex << ", " << ey
                                             << ", " << ez << ") != (" << ax << ", " << ay
                                             << ", " << az << ")";
      }
    }
    if (expected.hasAngle(e[i]) != actual.hasAngle(a[i])) {
      return ::testing::AssertionFailure() << where.str() << "angle presence differs";
    }
    if (expected.hasAngle(e[i]) &&
        !near(expected.getAngleTarget(e[i]), actual.getAngleTarget(a[i]), tolerance)) {
      return ::testing::AssertionFailure() << where.str() << "angle "
                                           << expected.getAngleTarget(e[i]) << " != "
                                           << actual.getAngleTarget(a[i]);
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameRecord(const ProbeData& expected, const ProbeData& actual,
                                      double tolerance) {
  ::testing::AssertionResult bodies =
      sameBody(expected.getRigidBody(), actual.getRigidBody(), tolerance);
  if (!bodies) return bodies;
  double ex, ey, ez, ax, ay, az;
  expected.getDefaultDir(ex, ey, ez);
  actual.getDefaultDir(ax, ay, az);
  if (!near(ex, ax, tolerance) || !near(ey, ay, tolerance) || !near(ez, az, tolerance)) {
    return ::testing::AssertionFailure() << "default direction (" << ex << ", " << ey << ", "
                                         << ez << ") != (" << ax << ", " << ay << ", " << az
                                         << ")";
  }
  if (expected.getMaskThickness() != actual.getMaskThickness()) {
    return ::testing::AssertionFailure() << "mask thickness " << expected.getMaskThickness()
                                         << " != " << actual.getMaskThickness();
  }
  if (expected.getChecksum() != actual.getChecksum()) {
    return ::testing::AssertionFailure() << "checksum " << expected.getChecksum()
                                         << " != " << actual.getChecksum();
  }
  return ::testing::AssertionSuccess();
}
