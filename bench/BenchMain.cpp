// The probe library's benchmark suite: every case of Cases.cpp on records of 0, 4 and 16
// targets, as Google Benchmark runs named "CASE/TARGETS", each with its allocations per call as
// the counter "allocs/op" and its fastest repetition as the aggregate "min". A case's ratios go
// into the JSON context as "ratio CASE"; `make bench` runs the suite with repetitions and prints
// its tables with bench/tables.py.
//
// The "Probe" logger is at OFF throughout, as hosts run in production.
#include <benchmark/benchmark.h>
#include <log4cplus/initializer.h>
#include <log4cplus/loglevel.h>
#include <log4cplus/version.h>

#include <algorithm>
#include <boost/version.hpp>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <vector>

#include "Bench.h"
#include "ProbeLogger.h"

namespace {

// The calls of operator new made by this thread. The replacement below is exported by the
// program, so the shared libraries it loads (the probe library, libstdc++, Boost.Serialization,
// log4cplus) allocate through it too; the other forms of new in libstdc++ call this one.
thread_local std::uint64_t t_allocations = 0;

// Allocations are counted over this many calls after the first and reported per call, outside
// the timed loop.
constexpr int kCountedCalls = 8;

void measure(benchmark::State& state, const bench::Case& benchCase) {
  try {
    bench::Fixture fixture(static_cast<int>(state.range(0)));
    const bench::Operation operation = benchCase.prepare(fixture);
    if (!operation()) {
      state.SkipWithError("the operation fails");
      return;
    }
    const std::uint64_t before = t_allocations;
    for (int i = 0; i < kCountedCalls; ++i) operation();
    state.counters["allocs/op"] = static_cast<double>(t_allocations - before) / kCountedCalls;
    if (!fixture.label.empty()) state.SetLabel(fixture.label);
    for (auto _ : state) {
      if (!operation()) {
        state.SkipWithError("the operation fails while timed");
        break;
      }
    }
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

// The aggregate "min" of a case's repetitions, on which its ratios are judged.
double fastest(const std::vector<double>& repetitions) {
  return *std::min_element(repetitions.begin(), repetitions.end());
}

}  // namespace

void* operator new(std::size_t size) {
  ++t_allocations;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

int main(int argc, char** argv) {
  log4cplus::Initializer initializer;
  g_probeLogger.setLogLevel(log4cplus::OFF_LOG_LEVEL);
  const std::uint64_t before = t_allocations;
  const auto record = std::make_unique<ProbeData>();
  if (t_allocations - before < 2) {
    std::cerr << "probe_bench: the library's allocations are not counted\n";
    return 1;
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("compiler", __VERSION__);
  benchmark::AddCustomContext("boost", BOOST_LIB_VERSION);
  benchmark::AddCustomContext("log4cplus", LOG4CPLUS_VERSION_STR);
  for (const bench::Case& benchCase : bench::cases()) {
    benchmark::RegisterBenchmark(benchCase.name, measure, benchCase)
        ->Arg(0)
        ->Arg(4)
        ->Arg(16)
        ->ComputeStatistics("min", fastest);
    if (benchCase.ratio) {
      benchmark::AddCustomContext(std::string("ratio ") + benchCase.name, benchCase.ratio);
    }
  }
  // The images the Python run inspects (bench/from_python.py), written where it is told to look.
  if (const char* images = std::getenv("PROBE_BENCH_IMAGES")) {
    for (const int targets : {0, 4, 16}) {
      std::ofstream(std::string(images) + "/" + std::to_string(targets) + ".bin", std::ios::binary)
          << bench::Fixture(targets).image;
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
