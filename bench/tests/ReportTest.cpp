// The benchmark suite's own arithmetic: which repetitions count, how ratios are formed and
// judged, the JSON that closes the benchmark file, and the allocation counting.
#include <benchmark/benchmark.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "AllocationCounter.h"
#include "ProbeData.h"
#include "Report.h"

namespace bench {
namespace {

using BenchRun = benchmark::BenchmarkReporter::Run;

// A repetition of name that took ns nanoseconds of CPU time, of which numerator and denominator
// when both are given.
BenchRun run(const std::string& name, double ns, double numerator = 0, double denominator = 0) {
  BenchRun result;
  result.run_name.function_name = name;
  result.run_type = BenchRun::RT_Iteration;
  result.time_unit = benchmark::kNanosecond;
  result.iterations = 1000;
  result.cpu_accumulated_time = ns * 1e-9 * 1000;
  if (denominator > 0) {
    result.counters["numerator_ns"] = benchmark::Counter(numerator);
    result.counters["denominator_ns"] = benchmark::Counter(denominator);
  }
  return result;
}

TEST(BenchReportTest, RatiosAreJudgedOnTheirMedians) {
  EXPECT_DOUBLE_EQ(2.5, median({4.0, 1.0, 3.0, 2.0}));
  EXPECT_DOUBLE_EQ(1.75, quantile({4.0, 1.0, 3.0, 2.0}, 0.25));
  EXPECT_TRUE(std::isnan(median({})));
  Results results;
  // Per-repetition ratios 1.04, 1.06, 1.10 and 105 / 99: the median lies just above 1.06.
  for (const double numerator : {104.0, 106.0, 110.0}) {
    results.add(run("paired/computeChecksum_vs_saveToString_crc/4", 0, numerator, 100));
  }
  results.add(run("paired/computeChecksum_vs_saveToString_crc/4", 0, 105, 99));
  results.add(run("paired/loadFromString_vs_convertFromString/16", 0, 1900, 100));
  results.add(run("xml/PDSimuCoder_save/0", 30));
  results.add(run("xml/saveToString/0", 5));
  results.add(run("xml/loadFromString/0", 10));
  BenchRun failed = run("v1/readAll/4", 1);
  failed.error_occurred = true;
  failed.error_message = "the first read fails";
  results.add(failed);
  EXPECT_TRUE(results.failed("v1/readAll/4"));
  std::ostringstream table;
  for (const RatioResult& ratio : computeRatios(results)) {
    table << ratio.title << " " << ratio.targets << ": " << ratio.median << " " << ratio.bound
          << (ratio.met ? " met" : " missed") << (ratio.measured ? "" : " not run") << "\n";
  }
  for (const char* line : {"CRC of its text) 4: 1.0603 <= missed\n",
                           "loadFromString / convertFromString 16: 19 >= missed\n",
                           "loadFromString / convertFromString 4: nan  met not run\n",
                           "PDSimuCoder save / (saveToString + loadFromString) 0: 2  met\n"}) {
    EXPECT_NE(std::string::npos, table.str().find(line)) << line;
  }

  RatioJsonReporter reporter(results);
  std::ostringstream json;
  reporter.SetOutputStream(&json);
  reporter.Finalize();
  EXPECT_EQ(0u, json.str().find("\n  ],\n  \"ratios\": [\n"));
  EXPECT_NE(std::string::npos, json.str().find("\"median\": null"));
  EXPECT_EQ(std::string::npos, json.str().find("nan"));
}

// The replaced operator new counts what the shared library allocates, not only the program: a
// build that hid the replacement would report zero for every library call.
TEST(BenchReportTest, CountsTheLibrarysAllocations) {
  const AllocationTally before = allocationTally();
  std::unique_ptr<ProbeData> record(new ProbeData);
  const AllocationTally after = allocationTally();
  EXPECT_GE(after.count - before.count, 3u);  // the record, its body, the body's shared count
  EXPECT_GE(after.bytes - before.bytes, sizeof(ProbeData));
}

}  // namespace
}  // namespace bench
