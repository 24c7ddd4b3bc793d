// A probe record as plain values, in the order of its rigid body's target list, and the forms
// people read it in: a table (RecordView.cpp), a picture (SvgPlot.cpp) and JSON (JsonRecord.cpp).
//
// In JSON the id is bytes, not text: each byte is the character with the same code (U+0000 to
// U+00FF), so that every id, UTF-8 or not, goes through JSON and back unchanged. Documents are
// written in ASCII, every other character as \uXXXX.
#ifndef PROBETOOL_RECORD_VIEW_H
#define PROBETOOL_RECORD_VIEW_H

#include <nlohmann/json_fwd.hpp>
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

// A picture of the record, for people who check a probe's geometry: an SVG document of the
// targets seen from above (x, y) and from the side (x, z), side by side at one scale. In each view
// every target is one circle of class "target", as wide as the target's size, labelled with its
// index; a normal is an arrow from the target's centre along the normal's projection (a ring when
// it points along the line of sight); the default direction is a dashed arrow from the targets'
// centroid. A hover title on each target gives its values; the heading names the probe by its id,
// escaped as text; the legend names only what is drawn.
std::string plotSvg(const RecordView& record);

// The record in JSON: the "record" member of the document that show, check and checksum print
// with --json, and the reader that takes such a record back, as convert's input. Members keep the
// order they were added in, so the documents keep one order.
using Json = nlohmann::ordered_json;

// {"id", "targets": [{"size", "position": [x, y, z], "normal": [x, y, z] or null,
//  "angle": degrees or null}], "defaultDirection": [x, y, z], "maskThickness",
//  "storedChecksum"}
Json recordJson(const RecordView& record);

// The record of a JSON text: the value of its "record" member, or the whole text when it has no
// such member. Every member but a target's normal and angle is required, none other is allowed,
// and each value must fit the record's type: finite numbers, a mask thickness of 0 to 65535, a
// stored checksum of 0 to 4294967295, whole numbers however written (2, 2.0, 2e0). A member
// given twice is refused. A document whose "lost" member lists blocks (a salvaged image) is
// refused until they are filled in and the list emptied, unless lostAllowed. An error names the
// first value that does not fit, by its path inside the record: "" with the record in record, or
// why not ("targets[0].size: \"big\" is not a number").
std::string readJsonRecord(const std::string& text, RecordView& record, bool lostAllowed);

// The path of the first value of a that b does not give back ("id", "targets[2].normal[1]",
// "maskThickness"), or "" when b gives back every one; numbers false leaves the real values out,
// for a form that holds them to a resolution of its own.
std::string firstDifference(const RecordView& a, const RecordView& b, bool numbers);

// A file's name as JSON carries it: the text itself when it is valid UTF-8, escaped otherwise;
// "standard input" for "-".
Json nameJson(const std::string& name);

}  // namespace probetool

#endif
