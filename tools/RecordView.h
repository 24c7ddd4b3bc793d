// A probe record as plain values, in the order of its rigid body's target list: what the table,
// the plot and the JSON form work on.
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

// The record's fields, then its targets as an aligned table; the id escaped.
std::string formatRecordTable(const RecordView& record);

// A picture of the probe as an SVG document: its targets seen from above (x, y) and from the
// side (x, z), side by side at one scale. In each view every target is one circle of class
// "target", as wide as the target's size, labelled with its index; a normal is an arrow from the
// target's centre along the normal's projection (a ring when it points along the line of
// sight); the default direction is a dashed arrow from the targets' centroid. A hover title on
// each target gives its values.
std::string plotSvg(const RecordView& record);

// Text fit for an XML document: the five special characters escaped, bytes above 0x7F as
// character references, other control characters dropped.
std::string xmlEscape(const std::string& text);

}  // namespace probetool

#endif
