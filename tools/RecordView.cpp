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

std::vector<std::string> compareRecords(const RecordView& expected, const RecordView& actual) {
  Comparison compare;
  compare.same("id", expected.id, actual.id, "\"");
  compare.same("target count", expected.targets.size(), actual.targets.size());
  const std::size_t count = std::min(expected.targets.size(), actual.targets.size());
  for (std::size_t i = 0; i < count; ++i) {
    const TargetRow& e = expected.targets[i];
    const TargetRow& a = actual.targets[i];
    const std::string name = "target " + std::to_string(i);
    compare.value(name + " size", e.size, a.size);
    compare.value(name + " x", e.x, a.x);
    compare.value(name + " y", e.y, a.y);
    compare.value(name + " z", e.z, a.z);
    compare.flag(name + " normal", e.hasNormal, a.hasNormal);
    if (e.hasNormal && a.hasNormal) {
      compare.value(name + " normal x", e.nx, a.nx);
      compare.value(name + " normal y", e.ny, a.ny);
      compare.value(name + " normal z", e.nz, a.nz);
    }
    compare.flag(name + " angle", e.hasAngle, a.hasAngle);
    if (e.hasAngle && a.hasAngle) compare.value(name + " angle", e.angle, a.angle);
  }
  compare.value("default direction x", expected.dirX, actual.dirX);
  compare.value("default direction y", expected.dirY, actual.dirY);
  compare.value("default direction z", expected.dirZ, actual.dirZ);
  compare.same("mask thickness", expected.maskThickness, actual.maskThickness);
  compare.same("stored checksum", expected.checksum, actual.checksum);
  return compare.differences_;
}

}  // namespace probetool
