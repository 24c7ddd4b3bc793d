// The benchmark suite's cases: one table (Cases.cpp), each case run on records of 0, 4 and 16
// targets (BenchMain.cpp). A case prepares its operation on a fixture, checks once that it does
// what it should, and returns it; the operation performs one call and returns whether it
// succeeded.
#ifndef PROBE_BENCH_BENCH_H
#define PROBE_BENCH_BENCH_H

#include <functional>
#include <string>
#include <vector>

#include "ProbeData.h"

namespace bench {

struct Fixture {
  explicit Fixture(int targets);
  ProbeData record;
  std::string image;  // its version-1 image, as convertToString writes it
  std::string text;   // its XML text, as saveToString writes it
  std::string label;  // what a case adds to its name in the tables
};

using Operation = std::function<bool()>;

struct Case {
  const char* name;
  // Throws std::runtime_error when the operation does not do what it should on the fixture.
  // The fixture outlives the operation.
  Operation (*prepare)(Fixture& fixture);
  // Ratios of this case's time over other cases', at each record size, separated by "; ": each
  // "DENOMINATOR", or with its target, "DENOMINATOR <= 1.05" or "DENOMINATOR >= 20".
  const char* ratio = nullptr;
};

// The table, in the order the tables list it.
const std::vector<Case>& cases();

}  // namespace bench

#endif
