// Counts the calls of the global operator new made by this thread. The benchmark binary replaces
// the global allocation functions (AllocationCounter.cpp), so every allocation is counted: the
// binary's own, the probe library's and those of the shared libraries it calls (libstdc++,
// Boost.Serialization, log4cplus).
#ifndef PROBE_BENCH_ALLOCATION_COUNTER_H
#define PROBE_BENCH_ALLOCATION_COUNTER_H

#include <cstdint>

namespace bench {

struct AllocationTally {
  std::uint64_t count;  // calls of any operator new or new[]
  std::uint64_t bytes;  // bytes asked for by those calls
};

// Allocations of the calling thread since it started.
AllocationTally allocationTally();

}  // namespace bench

#endif
