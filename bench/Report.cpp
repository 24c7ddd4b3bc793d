#include "Report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "BenchCase.h"

namespace bench {

namespace {

const int kSizes[] = {0, 4, 16};

// A ratio of summed case times: the numerator's cases over the denominator's, per record size.
// Cases without a size suffix (the 428-byte copy) serve every size. A paired ratio instead
// divides two counters of one case that were measured side by side, repetition by repetition.
struct RatioDefinition {
  std::string title;
  std::vector<std::string> numerator;    // cases; for a paired ratio, the paired case
  std::vector<std::string> denominator;  // cases; empty for a paired ratio
  std::string bound;                     // "<=", ">=" or empty (informative)
  double target;
  std::vector<int> targetSizes;  // the sizes the target applies to
};

RatioDefinition paired(const char* title, const char* pairedCase, const char* bound, double target,
                       std::vector<int> targetSizes) {
  return RatioDefinition{title, {pairedCase}, {}, bound, target, std::move(targetSizes)};
}

RatioDefinition informative(const char* title, const char* numerator,
                            std::vector<std::string> denominator) {
  return RatioDefinition{title, {numerator}, std::move(denominator), "", 0.0, {}};
}

RatioDefinition informative(const char* title, const char* numerator, const char* denominator) {
  return informative(title, numerator, std::vector<std::string>{denominator});
}

// Paired ratios name one paired case; the others sum the median (or fastest) times of cases.
const std::vector<RatioDefinition>& ratioDefinitions() {
  static const std::vector<RatioDefinition> definitions = {
      paired("saveToString / stock xml_oarchive", "paired/saveToString_vs_xml_oarchive", "<=", 1.15,
             {0, 4, 16}),
      paired("loadFromString / stock xml_iarchive", "paired/loadFromString_vs_xml_iarchive",
             "<=", 1.15, {0, 4, 16}),
      paired("computeChecksum / (saveToString + CRC of its text)",
             "paired/computeChecksum_vs_saveToString_crc", "<=", 1.05, {0, 4, 16}),
      paired("loadFromString / convertFromString", "paired/loadFromString_vs_convertFromString",
             ">=", 20.0, {16}),
      informative("convertToString / memcpy of 428 bytes", "v1/convertToString", "floor/memcpy428"),
      informative("convertFromString / memcpy of 428 bytes", "v1/convertFromString",
                  "floor/memcpy428"),
      informative("PDSimuCoder readAll / loadFromString", "xml/PDSimuCoder_readAll",
                  "xml/loadFromString"),
      informative("PDSimuCoder save / (saveToString + loadFromString)", "xml/PDSimuCoder_save",
                  {"xml/saveToString", "xml/loadFromString"}),
  };
  return definitions;
}

const Results::Case* findSized(const Results& results, const std::string& name, int targets) {
  if (const Results::Case* sized = results.find(name + "/" + std::to_string(targets))) {
    return sized;
  }
  return results.find(name);
}

// The sum of the cases' statistic, or nan when one is missing.
template <class Statistic>
double sum(const Results& results, const std::vector<std::string>& names, int targets,
           Statistic statistic) {
  double total = 0.0;
  for (const std::string& name : names) {
    const Results::Case* found = findSized(results, name, targets);
    if (found == nullptr) return std::numeric_limits<double>::quiet_NaN();
    total += statistic(found->cpuNs);
  }
  return total;
}

// The median of the per-repetition ratios, and the ratio of the fastest values.
void pairedRatio(const Results& results, const RatioDefinition& definition, int targets,
                 RatioResult& ratio) {
  ratio.median = std::numeric_limits<double>::quiet_NaN();
  ratio.fastest = ratio.median;
  const Results::Case* found = findSized(results, definition.numerator[0], targets);
  if (found == nullptr) return;
  const auto numerator = found->counters.find("numerator_ns");
  const auto denominator = found->counters.find("denominator_ns");
  if (numerator == found->counters.end() || denominator == found->counters.end() ||
      numerator->second.size() != denominator->second.size()) {
    return;
  }
  std::vector<double> each;
  for (std::size_t i = 0; i < numerator->second.size(); ++i) {
    each.push_back(numerator->second[i] / denominator->second[i]);
  }
  ratio.median = median(each);
  ratio.lowerQuartile = quantile(each, 0.25);
  ratio.upperQuartile = quantile(each, 0.75);
  ratio.fastest = minimum(numerator->second) / minimum(denominator->second);
}

std::string formatTime(double ns) {
  char text[32];
  if (std::isnan(ns)) return "-";
  if (ns < 1000.0) {
    std::snprintf(text, sizeof text, "%.1f ns", ns);
  } else if (ns < 1e6) {
    std::snprintf(text, sizeof text, "%.2f us", ns / 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.2f ms", ns / 1e6);
  }
  return text;
}

std::string formatCount(double value) {
  char text[32];
  if (value == std::floor(value)) {
    std::snprintf(text, sizeof text, "%.0f", value);
  } else {
    std::snprintf(text, sizeof text, "%.2f", value);
  }
  return text;
}

std::string formatRatio(double value) {
  char text[32];
  if (std::isnan(value)) return "-";
  std::snprintf(text, sizeof text, value < 10.0 ? "%.3f" : "%.1f", value);
  return text;
}

// "xml/saveToString/16" -> "xml/saveToString"; names without a size stay whole.
std::string caseFamily(const std::string& name, int& targets) {
  const std::size_t slash = name.rfind('/');
  targets = -1;
  if (slash == std::string::npos) return name;
  const std::string tail = name.substr(slash + 1);
  if (tail.empty() || tail.find_first_not_of("0123456789") != std::string::npos) return name;
  targets = std::stoi(tail);
  return name.substr(0, slash);
}

void writeJsonString(std::ostream& out, const std::string& text) {
  out << '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') out << '\\';
    out << c;
  }
  out << '"';
}

void writeJsonNumber(std::ostream& out, double value) {
  if (std::isnan(value)) {
    out << "null";
  } else {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    out << text;
  }
}

}  // namespace

void Results::add(const benchmark::BenchmarkReporter::Run& run) {
  if (run.run_type != benchmark::BenchmarkReporter::Run::RT_Iteration) return;
  // The registered name, without the "/repeats:N" that a case's own repetition count adds.
  const std::string name = run.run_name.function_name;
  auto inserted = cases_.emplace(name, Case());
  if (inserted.second) order_.push_back(name);
  Case& entry = inserted.first->second;
  if (run.error_occurred) {
    entry.error = run.error_message;
    return;
  }
  // Per operation, in nanoseconds, whatever unit the run was reported in.
  const double perUnit = benchmark::GetTimeUnitMultiplier(run.time_unit);
  entry.cpuNs.push_back(run.GetAdjustedCPUTime() / perUnit * 1e9);
  for (const auto& counter : run.counters) {
    entry.counters[counter.first].push_back(counter.second.value);
  }
  const auto allocs = run.counters.find("allocs/op");
  if (allocs != run.counters.end()) entry.allocs = allocs->second.value;
  const auto bytes = run.counters.find("bytes/op");
  if (bytes != run.counters.end()) entry.bytes = bytes->second.value;
}

bool Results::failed(const std::string& name) const {
  const auto found = cases_.find(name);
  return found != cases_.end() && !found->second.error.empty();
}

std::vector<std::pair<std::string, std::string>> Results::failures() const {
  std::vector<std::pair<std::string, std::string>> all;
  for (const std::string& name : order_) {
    const Case& entry = cases_.at(name);
    if (!entry.error.empty()) all.emplace_back(name, entry.error);
  }
  return all;
}

const Results::Case* Results::find(const std::string& name) const {
  const auto found = cases_.find(name);
  if (found == cases_.end() || !found->second.error.empty() || found->second.cpuNs.empty()) {
    return nullptr;
  }
  return &found->second;
}

double median(std::vector<double> values) { return quantile(std::move(values), 0.5); }

double quantile(std::vector<double> values, double fraction) {
  if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
  std::sort(values.begin(), values.end());
  const double position = fraction * static_cast<double>(values.size() - 1);
  const std::size_t below = static_cast<std::size_t>(position);
  if (below + 1 >= values.size()) return values.back();
  const double weight = position - static_cast<double>(below);
  return values[below] * (1.0 - weight) + values[below + 1] * weight;
}

double minimum(const std::vector<double>& values) {
  if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
  return *std::min_element(values.begin(), values.end());
}

std::vector<RatioResult> computeRatios(const Results& results) {
  std::vector<RatioResult> ratios;
  for (const RatioDefinition& definition : ratioDefinitions()) {
    for (const int targets : kSizes) {
      const auto byMedian = [](const std::vector<double>& values) { return median(values); };
      const auto byMinimum = [](const std::vector<double>& values) { return minimum(values); };
      RatioResult ratio;
      ratio.lowerQuartile = std::numeric_limits<double>::quiet_NaN();
      ratio.upperQuartile = ratio.lowerQuartile;
      ratio.title = definition.title;
      ratio.targets = targets;
      if (definition.denominator.empty()) {
        pairedRatio(results, definition, targets, ratio);
      } else {
        ratio.median = sum(results, definition.numerator, targets, byMedian) /
                       sum(results, definition.denominator, targets, byMedian);
        ratio.fastest = sum(results, definition.numerator, targets, byMinimum) /
                        sum(results, definition.denominator, targets, byMinimum);
      }
      const bool applies = std::find(definition.targetSizes.begin(), definition.targetSizes.end(),
                                     targets) != definition.targetSizes.end();
      ratio.bound = applies ? definition.bound : "";
      ratio.target = applies ? definition.target : 0.0;
      // A ratio whose cases did not run (filtered out, or failed) is shown but not judged.
      ratio.measured = !std::isnan(ratio.median);
      ratio.met =
          !applies || !ratio.measured ||
          (ratio.bound == "<=" ? ratio.median <= ratio.target : ratio.median >= ratio.target);
      ratios.push_back(ratio);
    }
  }
  return ratios;
}

void printCaseTable(std::ostream& out, const Results& results) {
  out << "\nCPU time per operation: the median of the repetitions, and in brackets the fastest;\n"
      << "allocations per operation\n\n"
      << "| case | 0 targets | 4 targets | 16 targets | allocs/op (0 / 4 / 16) |\n"
      << "|---|---:|---:|---:|---:|\n";
  // Cases print in the order they were registered, whatever order the interleaved runs took.
  std::vector<std::string> families;
  for (const std::string& name : profileNames()) {
    int targets = 0;
    const std::string family = caseFamily(name, targets);
    if (std::find(families.begin(), families.end(), family) == families.end()) {
      families.push_back(family);
    }
  }
  for (const std::string& family : families) {
    std::string times;
    std::string allocs;
    bool ran = false;
    for (const int targets : kSizes) {
      const Results::Case* found = findSized(results, family, targets);
      const bool failed =
          results.failed(family + "/" + std::to_string(targets)) || results.failed(family);
      ran = ran || found != nullptr || failed;
      const std::string missing = failed ? "error" : "-";
      times +=
          ' ' +
          (found ? formatTime(median(found->cpuNs)) + " (" + formatTime(minimum(found->cpuNs)) + ")"
                 : missing) +
          " |";
      allocs += (allocs.empty() ? "" : " / ") + (found ? formatCount(found->allocs) : missing);
    }
    if (ran) out << "| " << family << " |" << times << ' ' << allocs << " |\n";
  }
  for (const auto& failure : results.failures()) {
    out << "\n" << failure.first << ": " << failure.second;
  }
}

void printRatioTable(std::ostream& out, const std::vector<RatioResult>& ratios) {
  out << "\nRatios of CPU time. Paired: the median and quartiles of the per-repetition ratios, "
         "and\n"
      << "the ratio of the fastest values. Others: the ratio of the medians and of the fastest.\n\n"
      << "| ratio | targets | median | quartiles | fastest | target | |\n"
      << "|---|---:|---:|---:|---:|---:|---|\n";
  int missed = 0;
  for (const RatioResult& ratio : ratios) {
    const bool hasTarget = !ratio.bound.empty();
    if (!ratio.met) ++missed;
    const std::string quartiles =
        std::isnan(ratio.lowerQuartile)
            ? std::string("-")
            : formatRatio(ratio.lowerQuartile) + " - " + formatRatio(ratio.upperQuartile);
    out << "| " << ratio.title << " | " << ratio.targets << " | " << formatRatio(ratio.median)
        << " | " << quartiles << " | " << formatRatio(ratio.fastest) << " | "
        << (hasTarget ? ratio.bound + " " + formatRatio(ratio.target) : std::string()) << " | "
        << (!hasTarget        ? ""
            : !ratio.measured ? "not run"
            : ratio.met       ? "met"
                              : "MISSED")
        << " |\n";
  }
  out << '\n'
      << (missed == 0 ? std::string("Every target is met.")
                      : std::to_string(missed) + " target(s) missed.")
      << '\n';
}

SummaryReporter::SummaryReporter(Results& results)
    : benchmark::ConsoleReporter(OO_Tabular), results_(results) {}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
  std::vector<Run> shown;
  for (const Run& run : runs) {
    results_.add(run);
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    const bool medianRow = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (single || medianRow || run.error_occurred) shown.push_back(run);
  }
  if (!shown.empty()) benchmark::ConsoleReporter::ReportRuns(shown);
}

void SummaryReporter::Finalize() {
  benchmark::ConsoleReporter::Finalize();
  std::ostream& out = GetOutputStream();
  printCaseTable(out, results_);
  printRatioTable(out, computeRatios(results_));
  out.flush();
}

RatioJsonReporter::RatioJsonReporter(const Results& results) : results_(results) {}

// Closes the benchmarks array that JSONReporter opened, then adds the ratios.
void RatioJsonReporter::Finalize() {
  std::ostream& out = GetOutputStream();
  out << "\n  ],\n  \"ratios\": [";
  bool first = true;
  for (const RatioResult& ratio : computeRatios(results_)) {
    out << (first ? "\n" : ",\n") << "    {\"ratio\": ";
    first = false;
    writeJsonString(out, ratio.title);
    out << ", \"targets\": " << ratio.targets << ", \"median\": ";
    writeJsonNumber(out, ratio.median);
    out << ", \"fastest\": ";
    writeJsonNumber(out, ratio.fastest);
    out << ", \"lower_quartile\": ";
    writeJsonNumber(out, ratio.lowerQuartile);
    out << ", \"upper_quartile\": ";
    writeJsonNumber(out, ratio.upperQuartile);
    if (!ratio.bound.empty()) {
      out << ", \"bound\": ";
      writeJsonString(out, ratio.bound);
      out << ", \"target\": ";
      writeJsonNumber(out, ratio.target);
      out << ", \"met\": " << (!ratio.measured ? "null" : ratio.met ? "true" : "false");
    }
    out << '}';
  }
  out << "\n  ]\n}\n";
  out.flush();
}

}  // namespace bench
