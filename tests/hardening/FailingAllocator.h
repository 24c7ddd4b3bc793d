// A global operator new that can be told to fail: once armed with n, the n-th allocation made
// on the arming thread throws std::bad_alloc (the nothrow forms return null), and every other
// allocation succeeds. It also counts the blocks alive, which is how a sweep finds leaks. Linked
// into the allocation-failure suite only: the replacement is global and must not reach other
// suites.
#ifndef PROBE_TEST_FAILING_ALLOCATOR_H
#define PROBE_TEST_FAILING_ALLOCATOR_H

#include <cstddef>

namespace failing_alloc {

// Starts counting this thread's allocations; the n-th (1-based) fails.
void arm(std::size_t n);
// Stops counting; true when the failure was injected.
bool disarm();
// Blocks allocated by operator new and not freed yet, on every thread.
long liveBlocks();
// Whether the replacement reaches every allocation of the process. Not on Windows, where each
// DLL keeps its own operator new (FailingAllocator.cpp says more): there only the allocations
// made by the test program's own code can fail, and liveBlocks() counts nothing.
#ifdef _WIN32
constexpr bool kWholeProcess = false;
#else
constexpr bool kWholeProcess = true;
#endif

// Suspends counting on this thread for its lifetime (bookkeeping of the test itself).
class Pause {
 public:
  Pause();
  ~Pause();
  Pause(const Pause&) = delete;
  Pause& operator=(const Pause&) = delete;

 private:
  bool wasArmed_;
};

}  // namespace failing_alloc

#endif
