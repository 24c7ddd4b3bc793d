// The arithmetic and output of the report: which repetitions count, how ratios are formed and
// judged, and the JSON that closes the benchmark file.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "Report.h"

namespace bench {
namespace {

using BenchRun = benchmark::BenchmarkReporter::Run;

// A repetition of name whose operation took ns nanoseconds of CPU time.
BenchRun repetition(const std::string& name, double ns,
                    benchmark::TimeUnit unit = benchmark::kNanosecond) {
  BenchRun run;
  run.run_name.function_name = name;
  run.run_type = BenchRun::RT_Iteration;
  run.time_unit = unit;
  run.iterations = 1000;
  run.cpu_accumulated_time = ns * 1e-9 * 1000;
  return run;
}

BenchRun pairedRepetition(const std::string& name, double numeratorNs, double denominatorNs) {
  BenchRun run = repetition(name, numeratorNs + denominatorNs);
  run.counters["numerator_ns"] = benchmark::Counter(numeratorNs);
  run.counters["denominator_ns"] = benchmark::Counter(denominatorNs);
  return run;
}

const RatioResult& ratioOf(const std::vector<RatioResult>& ratios, const std::string& prefix,
                           int targets) {
  for (const RatioResult& ratio : ratios) {
    if (ratio.title.compare(0, prefix.size(), prefix) == 0 && ratio.targets == targets) {
      return ratio;
    }
  }
  throw std::runtime_error("no ratio " + prefix);
}

TEST(QuantileTest, InterpolatesBetweenSortedNeighbours) {
  EXPECT_DOUBLE_EQ(2.0, median({3.0, 1.0, 2.0}));
  EXPECT_DOUBLE_EQ(2.5, median({4.0, 1.0, 3.0, 2.0}));
  EXPECT_DOUBLE_EQ(1.75, quantile({4.0, 1.0, 3.0, 2.0}, 0.25));
  EXPECT_DOUBLE_EQ(4.0, quantile({4.0, 1.0, 3.0, 2.0}, 1.0));
  EXPECT_DOUBLE_EQ(7.0, median({7.0}));
  EXPECT_TRUE(std::isnan(median({})));
  EXPECT_TRUE(std::isnan(minimum({})));
}

TEST(ResultsTest, KeepsRepetitionsInNanosecondsAndSkipsAggregates) {
  Results results;
  results.add(repetition("xml/saveToString/16", 60000.0));
  results.add(repetition("xml/saveToString/16", 62000.0, benchmark::kMicrosecond));
  BenchRun aggregate = repetition("xml/saveToString/16", 1.0);
  aggregate.run_type = BenchRun::RT_Aggregate;
  aggregate.aggregate_name = "median";
  results.add(aggregate);
  BenchRun counted = repetition("xml/saveToString/16", 61000.0);
  counted.counters["allocs/op"] = benchmark::Counter(34);
  results.add(counted);

  const Results::Case* found = results.find("xml/saveToString/16");
  ASSERT_NE(nullptr, found);
  ASSERT_EQ(3u, found->cpuNs.size());
  EXPECT_NEAR(60000.0, found->cpuNs[0], 1e-6);
  EXPECT_NEAR(62000.0, found->cpuNs[1], 1e-6);
  EXPECT_DOUBLE_EQ(34.0, found->allocs);
  EXPECT_EQ(nullptr, results.find("xml/saveToString/4"));
}

TEST(ResultsTest, AFailedCaseIsListedAndNeverFound) {
  Results results;
  BenchRun failed = repetition("v1/readAll/4", 1.0);
  failed.error_occurred = true;
  failed.error_message = "the first read fails";
  results.add(failed);
  EXPECT_EQ(nullptr, results.find("v1/readAll/4"));
  EXPECT_TRUE(results.failed("v1/readAll/4"));
  ASSERT_EQ(1u, results.failures().size());
  EXPECT_EQ("the first read fails", results.failures()[0].second);
}

TEST(RatioTest, APairedRatioIsTheMedianOfItsRepetitions) {
  Results results;
  // Per-repetition ratios 1.02, 1.04, 1.10 and 101 / 99: the median lies just above 1.03.
  results.add(pairedRepetition("paired/v1_read_log_off_vs_compiled_out/4", 102.0, 100.0));
  results.add(pairedRepetition("paired/v1_read_log_off_vs_compiled_out/4", 104.0, 100.0));
  results.add(pairedRepetition("paired/v1_read_log_off_vs_compiled_out/4", 110.0, 100.0));
  results.add(pairedRepetition("paired/v1_read_log_off_vs_compiled_out/4", 101.0, 99.0));

  const RatioResult& ratio = ratioOf(computeRatios(results), "v1 read cycle", 4);
  EXPECT_NEAR((101.0 / 99.0 + 1.04) / 2, ratio.median, 1e-12);
  EXPECT_NEAR(101.0 / 99.0, ratio.fastest, 1e-9);
  EXPECT_LT(ratio.lowerQuartile, ratio.median);
  EXPECT_GT(ratio.upperQuartile, ratio.median);
  EXPECT_EQ("<=", ratio.bound);
  EXPECT_TRUE(ratio.measured);
  EXPECT_FALSE(ratio.met);  // 1.0302 > 1.03
}

TEST(RatioTest, ALowerBoundAppliesOnlyToTheSizeItIsSetFor) {
  Results results;
  for (const int targets : {4, 16}) {
    results.add(pairedRepetition(
        "paired/loadFromString_vs_convertFromString/" + std::to_string(targets), 1900.0, 100.0));
  }
  const std::vector<RatioResult> ratios = computeRatios(results);
  const RatioResult& sixteen = ratioOf(ratios, "loadFromString / convertFromString", 16);
  EXPECT_EQ(">=", sixteen.bound);
  EXPECT_FALSE(sixteen.met);  // 19 < 20
  const RatioResult& four = ratioOf(ratios, "loadFromString / convertFromString", 4);
  EXPECT_TRUE(four.bound.empty());
  EXPECT_TRUE(four.met);
}

TEST(RatioTest, SumsTheDenominatorsAndLetsASizelessCaseServeEverySize) {
  Results results;
  results.add(repetition("xml/PDSimuCoder_save/0", 30.0));
  results.add(repetition("xml/saveToString/0", 5.0));
  results.add(repetition("xml/loadFromString/0", 10.0));
  results.add(repetition("v1/convertToString/16", 1500.0));
  results.add(repetition("floor/memcpy428", 15.0));

  const std::vector<RatioResult> ratios = computeRatios(results);
  EXPECT_DOUBLE_EQ(2.0, ratioOf(ratios, "PDSimuCoder save", 0).median);
  EXPECT_NEAR(100.0, ratioOf(ratios, "convertToString / memcpy", 16).median, 1e-9);
}

TEST(RatioTest, ARatioWhoseCasesDidNotRunIsShownButNotMissed) {
  Results results;
  const RatioResult& ratio = ratioOf(computeRatios(results), "saveToString / stock", 0);
  EXPECT_FALSE(ratio.measured);
  EXPECT_TRUE(ratio.met);

  std::ostringstream table;
  printRatioTable(table, computeRatios(results));
  EXPECT_NE(std::string::npos, table.str().find("not run"));
  EXPECT_NE(std::string::npos, table.str().find("Every target is met."));
}

TEST(RatioJsonReporterTest, ClosesTheBenchmarksAndAddsTheRatios) {
  Results results;
  results.add(pairedRepetition("paired/saveToString_vs_xml_oarchive/16", 70.0, 100.0));
  RatioJsonReporter reporter(results);
  std::ostringstream out;
  reporter.SetOutputStream(&out);
  reporter.Finalize();

  const std::string json = out.str();
  EXPECT_EQ(0u, json.find("\n  ],\n  \"ratios\": [\n"));
  EXPECT_NE(std::string::npos,
            json.find("{\"ratio\": \"saveToString / stock xml_oarchive\", \"targets\": 16, "
                      "\"median\": 0.7, "));
  EXPECT_NE(std::string::npos, json.find("\"met\": true}"));
  // A ratio that did not run is null, not a number JSON cannot hold.
  EXPECT_NE(std::string::npos, json.find("\"median\": null"));
  EXPECT_NE(std::string::npos, json.find("\"met\": null}"));
  EXPECT_EQ(std::string::npos, json.find("nan"));
  const std::string end = "\n  ]\n}\n";
  ASSERT_GE(json.size(), end.size());
  EXPECT_EQ(end, json.substr(json.size() - end.size()));
}

}  // namespace
}  // namespace bench
