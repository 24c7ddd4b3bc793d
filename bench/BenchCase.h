// How a case is written and registered. A case has a name and a prepare function. prepare builds
// the fixture, checks that the operation does what it should on it, and returns the operation: a
// callable that performs it once and returns whether it succeeded. prepare throws
// std::runtime_error when the fixture is wrong; the case is then reported as an error, never
// timed.
//
// Every case is registered twice: as a Google Benchmark, and as a profile run that performs the
// operation a fixed number of times for callgrind (see runProfile).
#ifndef PROBE_BENCH_BENCH_CASE_H
#define PROBE_BENCH_BENCH_CASE_H

#include <benchmark/benchmark.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "AllocationCounter.h"

namespace bench {

// Allocations are counted over this many calls after a first, warming call, and reported per
// call: the timed loop is left without any bookkeeping of its own.
constexpr int kCountedCalls = 8;

void registerProfile(const std::string& name, std::function<std::function<bool()>()> prepareErased);

template <class Prepare>
void addCase(const std::string& name, Prepare prepare) {
  benchmark::RegisterBenchmark(name.c_str(), [prepare](benchmark::State& state) {
    try {
      auto operation = prepare();
      if (!operation()) {
        state.SkipWithError("the operation failed on its first call");
        return;
      }
      const AllocationTally before = allocationTally();
      for (int i = 0; i < kCountedCalls; ++i) operation();
      const AllocationTally after = allocationTally();
      for (auto _ : state) {
        if (!operation()) {
          state.SkipWithError("the operation failed while timed");
          break;
        }
      }
      state.counters["allocs/op"] = static_cast<double>(after.count - before.count) / kCountedCalls;
      state.counters["bytes/op"] = static_cast<double>(after.bytes - before.bytes) / kCountedCalls;
    } catch (const std::exception& error) {
      state.SkipWithError(error.what());
    }
  });
  registerProfile(name, [prepare]() -> std::function<bool()> { return prepare(); });
}

// Runs the named case's operation iterations times outside Google Benchmark, inside
// profiledLoop, which callgrind can isolate with --toggle-collect=bench::profiledLoop*. Returns
// false when there is no such case or the operation fails.
bool runProfile(const std::string& name, long iterations);
// Every registered case name, in registration order.
std::vector<std::string> profileNames();

// The cases, registered in the order the report lists them.
void registerImageCases();
void registerXmlCases();
void registerCycleCases();

}  // namespace bench

#endif
