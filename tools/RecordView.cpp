#include "RecordView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <list>

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

Precision Precision::exact() { return Precision{0, 0, 0, 0, 0, true, 0, true, 0xFFFFFFFFu}; }

// Half of each field's stored unit (0.001 for positions and the default direction, 0.01 for
// the rest), with a little room for the binary fractions of decimal values.
Precision Precision::image21() {
  return Precision{0.0005 + 1e-9, 0.005 + 1e-9, 0.005 + 1e-9, 0.005 + 1e-9, 0.0005 + 1e-9,
                   true,          20,           true,         0xFFFFu};
}

Precision Precision::image20() {
  return Precision{
      0.005 + 1e-9, 0.005 + 1e-9, 0.005 + 1e-9, 0.005 + 1e-9, 0.005 + 1e-9, false, 0, false, 0};
}

namespace {

class Comparison {
 public:
  void value(const std::string& what, double expected, double actual, double tolerance) {
    if (std::fabs(expected - actual) <= tolerance) return;
    char text[160];
    std::snprintf(text, sizeof text, "%s: %.9g against %.9g", what.c_str(), expected, actual);
    differences_.push_back(text);
  }

  void flag(const std::string& what, bool expected, bool actual) {
    if (expected == actual) return;
    differences_.push_back(what +
                           (expected ? ": present against absent" : ": absent against present"));
  }

  void text(const std::string& what, const std::string& expected, const std::string& actual) {
    if (expected == actual) return;
    differences_.push_back(what + ": \"" + expected + "\" against \"" + actual + "\"");
  }

  void number(const std::string& what, unsigned int expected, unsigned int actual) {
    if (expected == actual) return;
    differences_.push_back(what + ": " + std::to_string(expected) + " against " +
                           std::to_string(actual));
  }

  std::vector<std::string> result() const { return differences_; }

 private:
  std::vector<std::string> differences_;
};

std::string keptId(const std::string& id, const Precision& precision) {
  std::string kept = precision.idLength == 0 ? id : id.substr(0, precision.idLength);
  std::string result;
  for (char c : kept) {
    if (c != '\0') result += c;
  }
  return result;
}

}  // namespace

std::vector<std::string> compareRecords(const RecordView& expected, const RecordView& actual,
                                        const Precision& precision) {
  Comparison compare;
  if (precision.keepsId) {
    compare.text("id", keptId(expected.id, precision), keptId(actual.id, precision));
  }
  compare.number("target count", static_cast<unsigned int>(expected.targets.size()),
                 static_cast<unsigned int>(actual.targets.size()));
  const std::size_t count = std::min(expected.targets.size(), actual.targets.size());
  for (std::size_t i = 0; i < count; ++i) {
    const TargetRow& e = expected.targets[i];
    const TargetRow& a = actual.targets[i];
    const std::string name = "target " + std::to_string(i);
    compare.value(name + " size", e.size, a.size, precision.size);
    compare.value(name + " x", e.x, a.x, precision.position);
    compare.value(name + " y", e.y, a.y, precision.position);
    compare.value(name + " z", e.z, a.z, precision.position);
    compare.flag(name + " normal", e.hasNormal, a.hasNormal);
    if (e.hasNormal && a.hasNormal) {
      compare.value(name + " normal x", e.nx, a.nx, precision.normal);
      compare.value(name + " normal y", e.ny, a.ny, precision.normal);
      compare.value(name + " normal z", e.nz, a.nz, precision.normal);
    }
    compare.flag(name + " angle", e.hasAngle, a.hasAngle);
    if (e.hasAngle && a.hasAngle) compare.value(name + " angle", e.angle, a.angle, precision.angle);
  }
  compare.value("default direction x", expected.dirX, actual.dirX, precision.defaultDir);
  compare.value("default direction y", expected.dirY, actual.dirY, precision.defaultDir);
  compare.value("default direction z", expected.dirZ, actual.dirZ, precision.defaultDir);
  if (precision.keepsMaskThickness) {
    compare.number("mask thickness", expected.maskThickness, actual.maskThickness);
  }
  compare.number("stored checksum", expected.checksum & precision.checksumMask,
                 actual.checksum & precision.checksumMask);
  return compare.result();
}

}  // namespace probetool
