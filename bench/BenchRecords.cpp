#include "BenchRecords.h"

#include <list>

#include "RigidBody.h"

namespace bench {

const std::vector<RecordShape>& recordShapes() {
  static const std::vector<RecordShape> shapes = {{0, false}, {4, false}, {16, true}};
  return shapes;
}

ProbeData makeRecord(const RecordShape& shape) {
  Rb::RigidBody body;
  body.setId("BENCH-PROBE-" + std::to_string(shape.targets));
  for (int i = 0; i < shape.targets; ++i) {
    body.insertTarget(i, (12345 + 7919 * i) / 1000.0, (-6421 + 3343 * i) / 1000.0,
                      (1733 - 977 * i) / 1000.0);
    body.setTargetSize(i, (130 + 15 * i) / 100.0);
    if (shape.full) {
      body.updateTargetNormal(i, 0.36, -0.48, 0.8);
      body.setAngleTarget(i, (3015 + 125 * i) / 100.0);
    }
  }
  ProbeData record;
  record.setRigidBody(body);
  record.setDefaultDir(0.0, 0.6, -0.8);
  record.setMaskThickness(3);
  record.setChecksum(0x1234);
  return record;
}

RecordValues valuesOf(const ProbeData& record) {
  RecordValues values;
  values.checksum = record.getChecksum();
  const Rb::RigidBody& body = record.getRigidBody();
  values.id = body.getId();
  values.count = body.getNbTargets();
  std::list<int> ids;
  body.getTargetsList(ids);
  for (const int id : ids) {
    TargetValues target;
    target.size = body.getTargetSize(id);
    body.getTargetPosition(id, target.position[0], target.position[1], target.position[2]);
    target.hasNormal = body.hasNormal(id);
    target.hasAngle = body.hasAngle(id);
    if (target.hasNormal) {
      body.getTargetNormal(id, target.normal[0], target.normal[1], target.normal[2]);
    }
    if (target.hasAngle) target.angle = body.getAngleTarget(id);
    values.targets.push_back(target);
  }
  record.getDefaultDir(values.direction[0], values.direction[1], values.direction[2]);
  values.thickness = record.getMaskThickness();
  return values;
}

namespace {

bool sameTriple(const double (&a)[3], const double (&b)[3]) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

bool sameTarget(const TargetValues& a, const TargetValues& b) {
  return a.size == b.size && sameTriple(a.position, b.position) && a.hasNormal == b.hasNormal &&
         a.hasAngle == b.hasAngle && (!a.hasNormal || sameTriple(a.normal, b.normal)) &&
         (!a.hasAngle || a.angle == b.angle);
}

}  // namespace

bool operator==(const RecordValues& a, const RecordValues& b) {
  if (a.checksum != b.checksum || a.id != b.id || a.count != b.count ||
      a.targets.size() != b.targets.size() || !sameTriple(a.direction, b.direction) ||
      a.thickness != b.thickness) {
    return false;
  }
  for (std::size_t i = 0; i < a.targets.size(); ++i) {
    if (!sameTarget(a.targets[i], b.targets[i])) return false;
  }
  return true;
}

}  // namespace bench
