#include "FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>
#ifdef _WIN32
#include <malloc.h>
#endif

namespace {

thread_local bool t_armed = false;
thread_local std::size_t t_failAt = 0;
thread_local std::size_t t_count = 0;
thread_local bool t_failed = false;
std::atomic<long> g_live{0};

// true when this allocation is the one to fail.
bool failsNow() {
  if (!t_armed) return false;
  if (++t_count != t_failAt) return false;
  t_failed = true;
  return true;
}

// Plain C library blocks. On Windows a program's operator new replaces the program's own only:
// each DLL (libstdc++-6.dll, liblog4cplus.dll, probeoutside.dll) keeps the one it was linked
// with, and blocks cross between them, so the blocks must be what the DLLs' are (all share
// msvcrt.dll's heap), and the aligned forms come from _aligned_malloc as in libstdc++.
void* allocate(std::size_t size, std::size_t alignment) {
  if (failsNow()) return nullptr;
  void* block = nullptr;
#ifdef _WIN32
  block = alignment != 0 ? _aligned_malloc(size + 1, alignment) : std::malloc(size + 1);
#else
  if (alignment == 0) {
    block = std::malloc(size + 1);
  } else if (posix_memalign(&block, alignment, size + 1) != 0) {
    block = nullptr;
  }
#endif
  if (block != nullptr) ++g_live;
  return block;
}

void release(void* pointer, bool aligned) {
  if (pointer == nullptr) return;
  --g_live;
#ifdef _WIN32
  if (aligned) return _aligned_free(pointer);
#endif
  (void)aligned;
  std::free(pointer);
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
  void* block = allocate(size, alignment);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

namespace failing_alloc {

void arm(std::size_t n) {
  t_failAt = n;
  t_count = 0;
  t_failed = false;
  t_armed = true;
}

bool disarm() {
  t_armed = false;
  return t_failed;
}

long liveBlocks() { return g_live.load(); }

Pause::Pause() : wasArmed_(t_armed) { t_armed = false; }
Pause::~Pause() { t_armed = wasArmed_; }

}  // namespace failing_alloc

// The other forms (arrays, nothrow) call these in the C++ library.
void* operator new(std::size_t size) { return allocateOrThrow(size, 0); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* pointer) noexcept { release(pointer, false); }
void operator delete(void* pointer, std::size_t) noexcept { release(pointer, false); }
void operator delete(void* pointer, std::align_val_t) noexcept { release(pointer, true); }
