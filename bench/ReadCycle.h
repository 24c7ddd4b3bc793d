// The version-1 read cycle, built twice into modules of their own: once over the library's
// objects as they ship, once over objects compiled with every log4cplus logging macro compiled
// out. Each module hides all its symbols but its entry point, so both live in one benchmark
// binary and are measured side by side. Plain C types only cross the module boundary.
#ifndef PROBE_BENCH_READ_CYCLE_H
#define PROBE_BENCH_READ_CYCLE_H

#include <cstddef>

extern "C" {

struct ReadCycleApi {
  // A synchronous device holding image, with a bound version-1 coder; null on failure.
  void* (*create)(const unsigned char* image, std::size_t size);
  // One read as a host starts it on a coder that knows no image version yet: readAll reads the
  // version block, chains the whole-image read, decodes it and reports onAllRed. 1 when the
  // report was onAllRed(true), else 0.
  int (*readCold)(void* cycle);
  // Copies the held record's image into image (size bytes); 1 on success.
  int (*heldImage)(void* cycle, unsigned char* image, std::size_t size);
  void (*destroy)(void* cycle);
};

// The library as it ships: the TRACE lines are compiled in and tested against the logger's level.
const ReadCycleApi* probeBenchReadCycleLogged();
// The same sources with LOG4CPLUS_DISABLE_TRACE and the other levels: no logging code at all.
const ReadCycleApi* probeBenchReadCycleCompiledOut();
// The first module's objects once more, linked at other addresses (CodeShift.cpp).
const ReadCycleApi* probeBenchReadCycleMoved();
}

#endif
