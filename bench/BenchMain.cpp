// The probe library's benchmark suite; `make bench` builds and runs it.
//
//   probe_bench [Google Benchmark flags]
//       Runs the cases, prints the median of each and then two tables: every case by record size
//       with its allocations per operation, and the ratios the targets are set on. With
//       --benchmark_out=FILE the JSON file holds every repetition and the ratios.
//   probe_bench --list_cases
//   probe_bench --profile=CASE [--profile_iterations=N]
//       Runs one case's operation N times (default 1000) without Google Benchmark, for
//       valgrind --tool=callgrind --toggle-collect='bench::profiledLoop*'.
//
// The "Probe" logger is at OFF throughout, as a host runs in production, with a null appender at
// the root so that log4cplus never complains of a missing appender.
#include <benchmark/benchmark.h>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>
#include <log4cplus/nullappender.h>
#include <log4cplus/version.h>

#include <boost/version.hpp>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "BenchCase.h"
#include "Report.h"

namespace {

bool startsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  log4cplus::Initializer initializer;
  log4cplus::Logger::getRoot().addAppender(
      log4cplus::SharedAppenderPtr(new log4cplus::NullAppender));
  log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("Probe")).setLogLevel(log4cplus::OFF_LOG_LEVEL);

  bench::registerCases();

  std::string profile;
  long iterations = 1000;
  bool writesFile = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--list_cases") == 0) {
      for (const std::string& name : bench::profileNames()) std::cout << name << '\n';
      return 0;
    }
    if (startsWith(argv[i], "--profile=")) profile = argv[i] + std::strlen("--profile=");
    if (startsWith(argv[i], "--profile_iterations=")) {
      iterations = std::atol(argv[i] + std::strlen("--profile_iterations="));
    }
    if (startsWith(argv[i], "--benchmark_out=")) writesFile = true;
  }
  if (!profile.empty()) return bench::runProfile(profile, iterations) ? 0 : 1;

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("compiler", __VERSION__);
  benchmark::AddCustomContext("boost", BOOST_LIB_VERSION);
  benchmark::AddCustomContext("log4cplus", LOG4CPLUS_VERSION_STR);
  benchmark::AddCustomContext("probe_logger", "OFF");

  bench::Results results;
  bench::SummaryReporter display(results);
  bench::RatioJsonReporter file(results);
  benchmark::RunSpecifiedBenchmarks(&display, writesFile ? &file : nullptr);
  benchmark::Shutdown();
  return results.failures().empty() ? 0 : 1;
}
