// The records every case measures, and their values as plain data for the stock-archive floors.
#ifndef PROBE_BENCH_BENCH_RECORDS_H
#define PROBE_BENCH_BENCH_RECORDS_H

#include <string>
#include <vector>

#include "ProbeData.h"

namespace bench {

// The record sizes measured: an empty body, four plain targets, and sixteen targets with
// normals and angles, which fill the version-1 rigid body block to its last byte.
struct RecordShape {
  int targets;
  bool full;
};
const std::vector<RecordShape>& recordShapes();

// A record of shape's targets. Every value is a whole number of the unit the version-1 image
// stores it in (thousandths for positions, hundredths for sizes, normals and angles), so the
// record survives every stored form unchanged; as doubles most need all 17 digits in the XML.
ProbeData makeRecord(const RecordShape& shape);

// A record's values in document order, as the stock archives write and read them.
struct TargetValues {
  double size = 0.0;
  double position[3] = {0.0, 0.0, 0.0};
  bool hasNormal = false;
  bool hasAngle = false;
  double normal[3] = {0.0, 0.0, 0.0};
  double angle = 0.0;
};

struct RecordValues {
  unsigned int checksum = 0;
  std::string id;
  int count = 0;
  std::vector<TargetValues> targets;
  double direction[3] = {0.0, 0.0, 0.0};
  unsigned short thickness = 0;
};

RecordValues valuesOf(const ProbeData& record);
bool operator==(const RecordValues& a, const RecordValues& b);
inline bool operator!=(const RecordValues& a, const RecordValues& b) { return !(a == b); }

}  // namespace bench

#endif
