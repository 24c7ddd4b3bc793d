// A probe record as plain values, in the order of its rigid body's target list: what the table,
// the plot and the record comparisons work on.
#ifndef PROBETOOL_RECORD_VIEW_H
#define PROBETOOL_RECORD_VIEW_H

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
// The record of a view; its targets get the ids 0 to n-1, as a loaded XML file's do.
ProbeData makeRecord(const RecordView& view);

// How a difference names its value: in words ("target 2 x"), or by its path in the record's JSON
// ("targets[2].position[0]").
enum class FieldNames { Words, Json };

// One line per difference ("target 2 x: 25.4 against 25.5"); empty when the records agree.
// Real values agree to within a hundredth, as the stored forms round them; what a stored form
// cannot hold (a value beyond its field, an id or checksum it cuts) is a difference.
std::vector<std::string> compareRecords(const RecordView& expected, const RecordView& actual,
                                        FieldNames names = FieldNames::Words);

}  // namespace probetool

#endif
