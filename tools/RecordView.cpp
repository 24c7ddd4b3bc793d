#include "RecordView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <list>
#include <sstream>

#include "ProbeData.h"

namespace probetool {

RecordView viewRecord(const ProbeData& record) {
  RecordView view;
  const Rb::RigidBody& body = record.getRigidBody();
  view.id = body.getId();
  std::list<int> ids;
  body.getTargetsList(ids);
  for (int id : ids) {
    TargetRow row;
    row.size = body.getTargetSize(id);
    body.getTargetPosition(id, row.x, row.y, row.z);
    row.hasNormal = body.hasNormal(id);
    if (row.hasNormal) body.getTargetNormal(id, row.nx, row.ny, row.nz);
    row.hasAngle = body.hasAngle(id);
    if (row.hasAngle) row.angle = body.getAngleTarget(id);
    view.targets.push_back(row);
  }
  record.getDefaultDir(view.dirX, view.dirY, view.dirZ);
  view.maskThickness = record.getMaskThickness();
  view.checksum = record.getChecksum();
  return view;
}

ProbeData makeRecord(const RecordView& view) {
  Rb::RigidBody body;
  body.setId(view.id);
  int id = 0;
  for (const TargetRow& row : view.targets) {
    body.insertTarget(id, row.x, row.y, row.z);
    body.setTargetSize(id, row.size);
    if (row.hasNormal) body.updateTargetNormal(id, row.nx, row.ny, row.nz);
    if (row.hasAngle) body.setAngleTarget(id, row.angle);
    ++id;
  }
  ProbeData record;
  record.setRigidBody(body);
  record.setDefaultDir(view.dirX, view.dirY, view.dirZ);
  record.setMaskThickness(static_cast<unsigned short>(view.maskThickness));
  record.setChecksum(view.checksum);
  return record;
}

namespace {

constexpr double kTolerance = 0.01;

class Comparison {
 public:
  void value(const std::string& what, double expected, double actual) {
    if (std::fabs(expected - actual) <= kTolerance) return;
    char text[160];
    std::snprintf(text, sizeof text, "%s: %.9g against %.9g", what.c_str(), expected, actual);
    differences_.push_back(text);
  }

  void flag(const std::string& what, bool expected, bool actual) {
    if (expected == actual) return;
    differences_.push_back(what +
                           (expected ? ": present against absent" : ": absent against present"));
  }

  template <class T>
  void same(const std::string& what, const T& expected, const T& actual, const char* quote = "") {
    if (expected == actual) return;
    std::ostringstream text;
    text << what << ": " << quote << expected << quote << " against " << quote << actual << quote;
    differences_.push_back(text.str());
  }

  std::vector<std::string> differences_;
};

}  // namespace

std::vector<std::string> compareRecords(const RecordView& expected, const RecordView& actual,
                                        FieldNames names) {
  // A value's name: "target 2 x" or "targets[2].position[0]".
  auto name = [names](const std::string& words, const std::string& path) {
    return names == FieldNames::Json ? path : words;
  };
  Comparison compare;
  compare.same("id", expected.id, actual.id, "\"");
  compare.same(name("target count", "targets (count)"), expected.targets.size(),
               actual.targets.size());
  const std::size_t count = std::min(expected.targets.size(), actual.targets.size());
  for (std::size_t i = 0; i < count; ++i) {
    const TargetRow& e = expected.targets[i];
    const TargetRow& a = actual.targets[i];
    const std::string t = "target " + std::to_string(i), p = "targets[" + std::to_string(i) + "]";
    compare.value(name(t + " size", p + ".size"), e.size, a.size);
    compare.value(name(t + " x", p + ".position[0]"), e.x, a.x);
    compare.value(name(t + " y", p + ".position[1]"), e.y, a.y);
    compare.value(name(t + " z", p + ".position[2]"), e.z, a.z);
    compare.flag(name(t + " normal", p + ".normal"), e.hasNormal, a.hasNormal);
    if (e.hasNormal && a.hasNormal) {
      compare.value(name(t + " normal x", p + ".normal[0]"), e.nx, a.nx);
      compare.value(name(t + " normal y", p + ".normal[1]"), e.ny, a.ny);
      compare.value(name(t + " normal z", p + ".normal[2]"), e.nz, a.nz);
    }
    compare.flag(name(t + " angle", p + ".angle"), e.hasAngle, a.hasAngle);
    if (e.hasAngle && a.hasAngle) compare.value(name(t + " angle", p + ".angle"), e.angle, a.angle);
  }
  compare.value(name("default direction x", "defaultDirection[0]"), expected.dirX, actual.dirX);
  compare.value(name("default direction y", "defaultDirection[1]"), expected.dirY, actual.dirY);
  compare.value(name("default direction z", "defaultDirection[2]"), expected.dirZ, actual.dirZ);
  compare.same(name("mask thickness", "maskThickness"), expected.maskThickness,
               actual.maskThickness);
  compare.same(name("stored checksum", "storedChecksum"), expected.checksum, actual.checksum);
  return compare.differences_;
}

}  // namespace probetool
