// A probe record as plain values, in the order of its rigid body's target list: what the table,
// the plot and the JSON form work on.
#ifndef PROBETOOL_RECORD_VIEW_H
#define PROBETOOL_RECORD_VIEW_H

#include <string>
#include <vector>

class ProbeData;

namespace probetool {

struct TargetRow {
  double size = 0, x = 0, y = 0, z = 0;
  bool hasNormal = false;
  double nx = 0, ny = 0, nz = 0;
  bool hasAngle = false;
  double angle = 0;
};

struct RecordView {
  std::string id;
  std::vector<TargetRow> targets;
  double dirX = 0, dirY = 0, dirZ = 0;
  unsigned int maskThickness = 0, checksum = 0;
};

RecordView viewRecord(const ProbeData& record);
// The record of a view; its targets get the ids 0 to n-1, as a loaded XML file's do.
ProbeData makeRecord(const RecordView& view);

// The record's fields, then its targets as an aligned table; the id escaped.
std::string formatRecordTable(const RecordView& record);

}  // namespace probetool

#endif
