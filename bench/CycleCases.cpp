// What the coder's TRACE lines cost when the "Probe" logger is above TRACE: the same read cycle
// from the module built as the library ships and from the module with logging compiled out.
//
// Each variant is a case of its own, for the table. The target is judged on a paired case that
// runs both variants by turns, in chunks of kChunkCycles cycles ordered A B B A, and times every
// chunk with the thread's CPU clock: a change of load in the machine then falls on both variants
// alike, and each repetition yields one ratio.
#include <time.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "BenchCase.h"
#include "BenchRecords.h"
#include "ProbeDataV1Coder.h"
#include "ReadCycle.h"

namespace bench {

namespace {

constexpr int kPairedRepetitions = 30;
constexpr int kChunkCycles = 512;

std::string imageOf(const ProbeData& record) {
  ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  std::string image;
  if (!coder.convertToString(record, image)) throw std::runtime_error("no image");
  return image;
}

// A module's device and coder over the record's image, checked by one read.
std::shared_ptr<void> makeCycle(const ReadCycleApi* api, const std::string& image) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(image.data());
  std::shared_ptr<void> cycle(api->create(bytes, image.size()), api->destroy);
  if (!cycle) throw std::runtime_error("the module cannot build its device");
  if (api->readCold(cycle.get()) != 1) throw std::runtime_error("the first read fails");
  std::string held(image.size(), '\0');
  if (api->heldImage(cycle.get(), reinterpret_cast<unsigned char*>(&held[0]), held.size()) != 1 ||
      held != image) {
    throw std::runtime_error("the module's coder holds another record");
  }
  return cycle;
}

double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Seconds of CPU time for kChunkCycles cycles, or a negative value when a cycle fails.
double timeChunk(const ReadCycleApi* api, void* cycle) {
  const double start = threadSeconds();
  int ok = 1;
  for (int i = 0; i < kChunkCycles; ++i) ok &= api->readCold(cycle);
  const double elapsed = threadSeconds() - start;
  return ok == 1 ? elapsed : -1.0;
}

void addSingleCase(const std::string& variant, const ReadCycleApi* api, const RecordShape& shape) {
  addCase("cycle/v1_read_" + variant + "/" + std::to_string(shape.targets), [api, shape] {
    const std::shared_ptr<void> cycle = makeCycle(api, imageOf(makeRecord(shape)));
    return [api, cycle] { return api->readCold(cycle.get()) == 1; };
  });
}

void addPairedCase(const RecordShape& shape) {
  const std::string name = "cycle/v1_read_paired/" + std::to_string(shape.targets);
  benchmark::RegisterBenchmark(name.c_str(),
                               [shape](benchmark::State& state) {
                                 const ReadCycleApi* logged = probeBenchReadCycleLogged();
                                 const ReadCycleApi* quiet = probeBenchReadCycleCompiledOut();
                                 std::shared_ptr<void> loggedCycle;
                                 std::shared_ptr<void> quietCycle;
                                 try {
                                   const std::string image = imageOf(makeRecord(shape));
                                   loggedCycle = makeCycle(logged, image);
                                   quietCycle = makeCycle(quiet, image);
                                 } catch (const std::exception& error) {
                                   state.SkipWithError(error.what());
                                   return;
                                 }
                                 double loggedSeconds = 0.0;
                                 double quietSeconds = 0.0;
                                 for (auto _ : state) {
                                   const double a1 = timeChunk(logged, loggedCycle.get());
                                   const double b1 = timeChunk(quiet, quietCycle.get());
                                   const double b2 = timeChunk(quiet, quietCycle.get());
                                   const double a2 = timeChunk(logged, loggedCycle.get());
                                   if (a1 < 0 || b1 < 0 || b2 < 0 || a2 < 0) {
                                     state.SkipWithError("a read cycle failed while timed");
                                     break;
                                   }
                                   loggedSeconds += a1 + a2;
                                   quietSeconds += b1 + b2;
                                   state.SetIterationTime(a1 + b1 + b2 + a2);
                                 }
                                 const double cycles =
                                     2.0 * kChunkCycles * static_cast<double>(state.iterations());
                                 if (cycles > 0) {
                                   state.counters["log_off_ns"] = loggedSeconds / cycles * 1e9;
                                   state.counters["compiled_out_ns"] = quietSeconds / cycles * 1e9;
                                 }
                               })
      ->UseManualTime()
      ->Repetitions(kPairedRepetitions);
}

}  // namespace

void registerCycleCases() {
  for (const RecordShape& shape : recordShapes()) {
    addSingleCase("log_off", probeBenchReadCycleLogged(), shape);
    addSingleCase("compiled_out", probeBenchReadCycleCompiledOut(), shape);
  }
  for (const RecordShape& shape : recordShapes()) addPairedCase(shape);
}

}  // namespace bench
