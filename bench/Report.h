// What `make bench` prints and writes besides Google Benchmark's own lines: a table of every case
// by record size with its allocations per operation, and the ratios that the targets are set on,
// computed from the runs of this one process.
#ifndef PROBE_BENCH_REPORT_H
#define PROBE_BENCH_REPORT_H

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// The repetitions of every case, by name ("xml/saveToString/16").
class Results {
 public:
  void add(const benchmark::BenchmarkReporter::Run& run);

  struct Case {
    std::vector<double> cpuNs;  // CPU time per operation, one value per repetition
    std::map<std::string, std::vector<double>> counters;  // each counter, one value per repetition
    double allocs = 0.0;
    double bytes = 0.0;
    std::string error;
  };

  // null when the case did not run or failed.
  const Case* find(const std::string& name) const;
  bool failed(const std::string& name) const;
  // Name and message of every failed case, in the order they were reported.
  std::vector<std::pair<std::string, std::string>> failures() const;

 private:
  std::map<std::string, Case> cases_;
  std::vector<std::string> order_;
};

double median(std::vector<double> values);
// The value below which the given fraction of values lie, interpolated between neighbours.
double quantile(std::vector<double> values, double fraction);
double minimum(const std::vector<double>& values);

struct RatioResult {
  std::string title;
  int targets;
  double median;         // of the medians of numerator and denominator
  double fastest;        // of their fastest repetitions
  double lowerQuartile;  // of the per-repetition ratios of a paired case; nan otherwise
  double upperQuartile;
  std::string bound;  // "<=", ">=" or empty when no target applies
  double target;
  bool measured;  // false when a case of the ratio did not run
  bool met;
};

std::vector<RatioResult> computeRatios(const Results& results);

void printCaseTable(std::ostream& out, const Results& results);
void printRatioTable(std::ostream& out, const std::vector<RatioResult>& ratios);

// Google Benchmark's console lines, but only the median of each case's repetitions, then the
// tables above.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  explicit SummaryReporter(Results& results);
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  Results& results_;
};

// Google Benchmark's JSON file with a "ratios" array after the benchmarks.
class RatioJsonReporter : public benchmark::JSONReporter {
 public:
  explicit RatioJsonReporter(const Results& results);
  void Finalize() override;

 private:
  const Results& results_;
};

}  // namespace bench

#endif
