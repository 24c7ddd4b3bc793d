// A probe record as plain values, in the order of its rigid body's target list: what the table,
// the plot and the record comparisons work on.
#ifndef PROBETOOL_RECORD_VIEW_H
#define PROBETOOL_RECORD_VIEW_H

#include <cstddef>
#include <string>
#include <vector>

class ProbeData;

namespace probetool {

struct TargetRow {
  double size = 0;
  double x = 0, y = 0, z = 0;
  bool hasNormal = false;
  double nx = 0, ny = 0, nz = 0;
  bool hasAngle = false;
  double angle = 0;
};

struct RecordView {
  std::string id;
  std::vector<TargetRow> targets;
  double dirX = 0, dirY = 0, dirZ = 0;
  unsigned int maskThickness = 0;
  unsigned int checksum = 0;
};

RecordView viewRecord(const ProbeData& record);

// How closely a stored form gives a record back: half a stored unit per value, and which of
// the record's other fields it holds at all.
struct Precision {
  double position, size, normal, angle, defaultDir;
  bool keepsId;          // the id, cut to idLength characters, zero characters dropped
  std::size_t idLength;  // 0: the whole id
  bool keepsMaskThickness;
  unsigned int checksumMask;  // the bits of the stored checksum it keeps; 0: none

  static Precision exact();    // XML
  static Precision image21();  // a version 2.1 image
  static Precision image20();  // the rigid body block of older images, nothing else
};

// One line per difference ("target 2 x: 25.4 against 25.5"); empty when the records agree.
std::vector<std::string> compareRecords(const RecordView& expected, const RecordView& actual,
                                        const Precision& precision);

}  // namespace probetool

#endif
