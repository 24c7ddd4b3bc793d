// The entry point of a read-cycle module; PROBE_BENCH_CYCLE_ENTRY names it. No exception leaves
// the module.
#include <cstring>
#include <string>

#include "CoderHarness.h"
#include "ReadCycle.h"

namespace {

void* create(const unsigned char* image, std::size_t size) {
  try {
    return new bench::V1Harness(std::string(reinterpret_cast<const char*>(image), size),
                                probesim::SimDeviceMemory::Storage::Image);
  } catch (...) {
    return nullptr;
  }
}

int readCold(void* cycle) {
  bench::V1Harness& host = *static_cast<bench::V1Harness*>(cycle);
  try {
    host.coder().forgetVersion();
    return host.readAll() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int heldImage(void* cycle, unsigned char* image, std::size_t size) {
  bench::V1Harness& host = *static_cast<bench::V1Harness*>(cycle);
  try {
    std::string held;
    if (!host.coder().convertToString(host.coder().getProbeData(), held) || held.size() != size) {
      return 0;
    }
    std::memcpy(image, held.data(), size);
    return 1;
  } catch (...) {
    return 0;
  }
}

void destroy(void* cycle) { delete static_cast<bench::V1Harness*>(cycle); }

const ReadCycleApi kApi = {create, readCold, heldImage, destroy};

}  // namespace

extern "C" __attribute__((visibility("default"))) const ReadCycleApi* PROBE_BENCH_CYCLE_ENTRY() {
  return &kApi;
}
