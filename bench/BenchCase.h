// How a case is written and registered. A case has a name and a prepare function. prepare builds
// the fixture, checks that the operation does what it should on it, and returns the operation: a
// callable that performs it once and returns whether it succeeded. prepare throws
// std::runtime_error when the fixture is wrong; the case is then reported as an error, never
// timed.
//
// Every case is registered twice: as a Google Benchmark, and as a profile run that performs the
// operation a fixed number of times for callgrind (see runProfile). A paired case times two
// operations by turns, for a ratio that a busy machine does not distort (addPairedCase).
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

// A ratio measured by turns: the numerator's and the denominator's operations run in chunks of
// about kChunkSeconds each, in the order N D D N, every chunk timed with the thread's CPU clock.
// A change of load in the machine then falls on both sides alike, and every repetition yields
// one ratio. The case reports the mean CPU time per call of each side as the counters
// "numerator_ns" and "denominator_ns"; its own time is that of the chunks.
constexpr double kChunkSeconds = 200e-6;
constexpr int kPairedRepetitions = 20;

double threadSeconds();

template <class Operation>
double timeChunk(Operation& operation, long calls, bool& ok) {
  const double start = threadSeconds();
  for (long i = 0; i < calls; ++i) ok = operation() && ok;
  return threadSeconds() - start;
}

// As many calls as take about kChunkSeconds.
template <class Operation>
long callsPerChunk(Operation& operation) {
  bool ok = true;
  for (long calls = 1;; calls *= 4) {
    const double seconds = timeChunk(operation, calls, ok);
    if (seconds >= kChunkSeconds / 4 || calls >= (1L << 24)) {
      const long fill = static_cast<long>(static_cast<double>(calls) * kChunkSeconds / seconds);
      return fill > 0 ? fill : 1;
    }
  }
}

template <class PrepareNumerator, class PrepareDenominator>
void addPairedCase(const std::string& name, PrepareNumerator prepareNumerator,
                   PrepareDenominator prepareDenominator) {
  benchmark::RegisterBenchmark(
      name.c_str(),
      [prepareNumerator, prepareDenominator](benchmark::State& state) {
        try {
          auto numerator = prepareNumerator();
          auto denominator = prepareDenominator();
          if (!numerator() || !denominator()) {
            state.SkipWithError("an operation failed on its first call");
            return;
          }
          const long numeratorCalls = callsPerChunk(numerator);
          const long denominatorCalls = callsPerChunk(denominator);
          double numeratorSeconds = 0.0;
          double denominatorSeconds = 0.0;
          bool ok = true;
          for (auto _ : state) {
            const double n1 = timeChunk(numerator, numeratorCalls, ok);
            const double d1 = timeChunk(denominator, denominatorCalls, ok);
            const double d2 = timeChunk(denominator, denominatorCalls, ok);
            const double n2 = timeChunk(numerator, numeratorCalls, ok);
            if (!ok) {
              state.SkipWithError("an operation failed while timed");
              break;
            }
            numeratorSeconds += n1 + n2;
            denominatorSeconds += d1 + d2;
            state.SetIterationTime(n1 + d1 + d2 + n2);
          }
          const double rounds = 2.0 * static_cast<double>(state.iterations());
          if (ok && rounds > 0) {
            state.counters["numerator_ns"] =
                numeratorSeconds / (rounds * static_cast<double>(numeratorCalls)) * 1e9;
            state.counters["denominator_ns"] =
                denominatorSeconds / (rounds * static_cast<double>(denominatorCalls)) * 1e9;
          }
        } catch (const std::exception& error) {
          state.SkipWithError(error.what());
        }
      })
      ->UseManualTime()
      ->Repetitions(kPairedRepetitions);
}

// Runs the named case's operation iterations times outside Google Benchmark, inside
// profiledLoop, which callgrind can isolate with --toggle-collect=bench::profiledLoop*. Returns
// false when there is no such case or the operation fails.
bool runProfile(const std::string& name, long iterations);
// Every registered case name, in registration order.
std::vector<std::string> profileNames();

// Every case and paired case (Cases.cpp).
void registerCases();

}  // namespace bench

#endif
