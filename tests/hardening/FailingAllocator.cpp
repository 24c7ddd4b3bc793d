#include "FailingAllocator.h"

#include <atomic>
#include <cstdint>
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

// Every block carries a header in front of it: a mark that it is ours, and how far the header
// reaches back to what malloc returned.
//
// Not on Windows. There a program's operator new replaces the program's own only: each DLL
// (libstdc++-6.dll, liblog4cplus.dll, probeoutside.dll) keeps the one it was linked with, and
// blocks cross between them. A string that a libstdc++-6.dll member grew is freed by the test's
// inline code, already while GoogleTest reads its flags before main; an appender the test made
// is deleted inside liblog4cplus.dll. So there the blocks are plain C library blocks, as the
// DLLs' are (all share msvcrt.dll's heap), from _aligned_malloc for the aligned forms as in
// libstdc++, and none is counted.
struct Header {
  std::uint32_t magic;
  std::uint32_t offset;
};
constexpr std::uint32_t kMark = 0x46414C31u;
constexpr std::size_t kHeaderRoom = alignof(std::max_align_t);
static_assert(sizeof(Header) <= kHeaderRoom, "the header fits in front of the block");

// true when this allocation is the one to fail.
bool failsNow() {
  if (!t_armed) return false;
  if (++t_count != t_failAt) return false;
  t_failed = true;
  return true;
}

void* allocate(std::size_t size, std::size_t alignment) {
  if (failsNow()) return nullptr;
#ifdef _WIN32
  if (size == 0) size = 1;
  return alignment != 0 ? _aligned_malloc(size, alignment) : std::malloc(size);
#else
  if (alignment < kHeaderRoom) alignment = kHeaderRoom;
  unsigned char* base = static_cast<unsigned char*>(std::malloc(size + alignment + alignment));
  if (base == nullptr) return nullptr;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(base) + sizeof(Header);
  const std::uintptr_t aligned = (start + alignment - 1) / alignment * alignment;
  unsigned char* block = reinterpret_cast<unsigned char*>(aligned);
  Header* header = reinterpret_cast<Header*>(block) - 1;
  header->magic = kMark;
  header->offset = static_cast<std::uint32_t>(block - base);
  ++g_live;
  return block;
#endif
}

void release(void* pointer, bool aligned = false) {
  if (pointer == nullptr) return;
#ifdef _WIN32
  if (aligned) {
    _aligned_free(pointer);
  } else {
    std::free(pointer);
  }
#else
  (void)aligned;
  unsigned char* block = static_cast<unsigned char*>(pointer);
  Header* header = reinterpret_cast<Header*>(block) - 1;
  if (header->magic != kMark) std::abort();  // not a block of ours
  --g_live;
  header->magic = 0;
  std::free(block - header->offset);
#endif
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

std::size_t counted() { return t_count; }
long liveBlocks() { return g_live.load(); }

Pause::Pause() : wasArmed_(t_armed) { t_armed = false; }
Pause::~Pause() { t_armed = wasArmed_; }

}  // namespace failing_alloc

void* operator new(std::size_t size) { return allocateOrThrow(size, 0); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, 0);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment,
                     const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* pointer) noexcept { release(pointer); }
void operator delete[](void* pointer) noexcept { release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { release(pointer); }
void operator delete(void* pointer, std::align_val_t) noexcept { release(pointer, true); }
void operator delete[](void* pointer, std::align_val_t) noexcept { release(pointer, true); }
void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept {
  release(pointer, true);
}
void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept {
  release(pointer, true);
}
void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
  release(pointer, true);
}
void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
  release(pointer, true);
}
