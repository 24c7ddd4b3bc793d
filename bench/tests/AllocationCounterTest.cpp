// The replaced operator new must count what the shared libraries allocate, not only what the
// benchmark binary does: a build that hid the replacement would report zero for every library
// call and still look plausible.
#include <benchmark/benchmark.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>

#include "AllocationCounter.h"
#include "ProbeData.h"

namespace bench {
namespace {

TEST(AllocationCounterTest, CountsTheLibrarysAllocations) {
  const AllocationTally before = allocationTally();
  // The record's constructor allocates its rigid body inside libprobedata.
  std::unique_ptr<ProbeData> record(new ProbeData);
  const AllocationTally after = allocationTally();
  // The record itself, its body and the body's shared count.
  EXPECT_GE(after.count - before.count, 3u);
  EXPECT_GE(after.bytes - before.bytes, sizeof(ProbeData));
}

TEST(AllocationCounterTest, CountsEveryFormOfNew) {
  struct alignas(64) Line {
    char bytes[64];
  };
  const AllocationTally before = allocationTally();
  // Each pointer escapes, or the compiler may drop a new and its delete together.
  int* single = new int(1);
  benchmark::DoNotOptimize(single);
  char* array = new char[10];
  benchmark::DoNotOptimize(array);
  int* nothrow = new (std::nothrow) int(2);
  benchmark::DoNotOptimize(nothrow);
  Line* line = new Line;
  benchmark::DoNotOptimize(line);
  const AllocationTally after = allocationTally();
  EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(line) % 64);
  delete single;
  delete[] array;
  delete nothrow;
  delete line;
  EXPECT_EQ(4u, after.count - before.count);
  EXPECT_EQ(sizeof(int) + 10 + sizeof(int) + 64, after.bytes - before.bytes);
}

}  // namespace
}  // namespace bench
