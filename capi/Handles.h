// What the C interface's handles hold, and the one way every C function runs: the body's
// exceptions become a status and a reason that probedata_last_error gives, so none leaves the
// library.
#ifndef PROBEDATA_CAPI_HANDLES_H
#define PROBEDATA_CAPI_HANDLES_H

#include <boost/shared_ptr.hpp>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ProbeData.h"
#include "ProbeDataV1Coder.h"
#include "ProbeImageReport.h"
#include "SimDeviceMemory.h"
#include "probedata_c.h"

namespace capi {

// A handle that a callback may free while the library is inside a call on it: the free waits
// until the outermost such call returns (see Busy).
struct Lifetime {
  unsigned int depth = 0;
  bool doomed = false;
};

// Marks a handle busy for a scope; the last one out deletes a handle freed meanwhile.
template <class Handle>
class Busy {
 public:
  explicit Busy(Handle* handle) : handle_(handle) { ++handle_->life.depth; }
  ~Busy() {
    if (--handle_->life.depth == 0 && handle_->life.doomed) delete handle_;
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  Handle* handle_;
};

// Frees a handle now, or when the call that is inside it returns.
template <class Handle>
void release(Handle* handle) {
  if (handle == nullptr) return;
  if (handle->life.depth == 0) {
    delete handle;
  } else {
    handle->life.doomed = true;
  }
}

}  // namespace capi

struct probedata_record {
  ProbeData record;
};

struct probedata_report {
  ProbeImageReport report;
  std::string damage;
};

struct probedata_fit {
  std::vector<ImageFitProblem> problems;
};

// A transfer the coder requested and the host has yet to complete.
struct probedata_transfer {
  bool save;
  uint32_t offset;
  uint32_t length;
  unsigned long serial;
};

struct probedata_coder;

// Routes the completions of a simulated memory bound to a coder through the checks the host's
// completions go through.
class CoderCompletions : public DataHandlerCB {
 public:
  explicit CoderCompletions(probedata_coder* owner) : owner_(owner) {}
  void onDataRed(bool ok, unsigned long offset, unsigned long length, unsigned char* data) override;
  void onDataSaved(bool ok, unsigned long offset, unsigned long length,
                   unsigned char* data) override;
  void onError() override;

 private:
  probedata_coder* owner_;
};

struct probedata_coder {
  explicit probedata_coder(probedata_coder_kind k) : kind(k), completions(this) {}
  ~probedata_coder();
  probedata_coder_kind kind;
  std::unique_ptr<ProbeDataCoder> coder;
  ProbeDataV1Coder* v1 = nullptr;  // the coder when kind is PROBEDATA_CODER_V1
  bool hasHandler = false;
  std::deque<probedata_transfer> pending;  // in the order requested
  unsigned long serial = 0;
  bool noImage = false;  // the last read found memory holding no image
  CoderCompletions completions;
  probedata_sim* handlerSim = nullptr;  // the memory it reads through, which it keeps alive
  probedata_sim* boundSim = nullptr;    // the memory that delivers to it
  capi::Lifetime life;
};

struct probedata_sim {
  boost::shared_ptr<probesim::SimDeviceMemory> memory;
  std::atomic<int> refs{1};  // the host's, and one for each coder that reads through it
  probedata_coder* bound = nullptr;
  capi::Lifetime life;
};

namespace capi {

// A failure with its status and the reason for probedata_last_error.
struct Failure {
  probedata_status status;
  std::string reason;
  bool mistake;  // a caller's mistake, whose reason is told after the C function's name
  int system;    // the system's error number behind it, or 0
};

[[noreturn]] void fail(probedata_status status, const std::string& reason);
// PROBEDATA_ERROR_IO with the system's error number and its text after the reason.
[[noreturn]] void failIo(const std::string& reason, int system);
// A caller's mistake: PROBEDATA_ERROR_ARGUMENT, the reason after the function's name.
[[noreturn]] void mistake(const std::string& reason);
[[noreturn]] void missing(const char* name);
[[noreturn]] void unbounded(std::size_t count, const char* name);
// A mistake unless pointer is set: "probedata_record_get_id: id is NULL". Inline, as the
// checks of every call are.
inline void need(const void* pointer, const char* name) {
  if (pointer == nullptr) missing(name);
}
// A mistake for a length or count of elements of size bytes that no object can have.
inline void bounded(std::size_t count, std::size_t size, const char* name) {
  if (count > static_cast<std::size_t>(PTRDIFF_MAX) / size) unbounded(count, name);
}

// The status of the exception being handled, its reason kept for probedata_last_error.
probedata_status reportException(const char* function) noexcept;
// Clears the reason after a call that succeeded, and makes the log quiet on first use.
void succeeded() noexcept;

// Runs body: PROBEDATA_OK, or the status of what it throws.
template <class Body>
probedata_status run(const char* function, Body&& body) noexcept {
  try {
    body();
    succeeded();
    return PROBEDATA_OK;
  } catch (...) {
    return reportException(function);
  }
}

// A copy of bytes in the library's own memory, freed with probedata_free, with a NUL after them.
void* copyOut(const std::string& bytes);

template <class Byte>
void copyOut(const std::string& bytes, Byte** out, std::size_t* length) {
  need(out, "the output pointer");
  need(length, "length");
  *out = static_cast<Byte*>(copyOut(bytes));
  *length = bytes.size();
}

// A struct that crosses the boundary: its struct_size, at least the first release's.
template <class Struct>
std::size_t structSize(const Struct* given, std::size_t firstRelease, const char* name) {
  need(given, name);
  if (given->struct_size < firstRelease) {
    mistake(std::string(name) + "->struct_size is " + std::to_string(given->struct_size) +
            ", less than the " + std::to_string(firstRelease) +
            " bytes of the first release: set it to sizeof the struct");
  }
  return given->struct_size;
}

// Fills the members of the host's struct that fit in its struct_size.
template <class Struct>
void fill(Struct* out, Struct value, std::size_t firstRelease, const char* name) {
  value.struct_size = structSize(out, firstRelease, name);
  std::memcpy(out, &value, std::min(value.struct_size, sizeof value));
}

// The host's struct as this release knows it; members a smaller struct lacks are zero.
template <class Struct>
Struct taken(const Struct* given, std::size_t firstRelease, const char* name) {
  Struct copy{};
  std::memcpy(&copy, given, std::min(structSize(given, firstRelease, name), sizeof copy));
  return copy;
}

// The int a host passed for an enum, read from its bytes: a C host may pass any int, which C++
// must not read as the enum.
template <class Enum>
int passed(const Enum* value) {
  static_assert(sizeof(Enum) == sizeof(int), "the C enums are ints");
  int result;
  std::memcpy(&result, value, sizeof result);
  return result;
}

// The end of a struct's member, for the first-release sizes.
#define PROBEDATA_END_OF(type, member) (offsetof(type, member) + sizeof(type::member))

// A text the host passes: without a UTF-8 byte-order mark before it, up to its first NUL.
std::string textOf(const char* text, std::size_t length);
// A path the host passes: UTF-8 on Windows, bytes elsewhere.
std::filesystem::path pathOf(const char* path);
// A path as a reason names it.
std::string shown(const char* path);
// ENCODE for a record whose id holds a NUL byte, which no stored form keeps.
void refuseNulInId(const ProbeData& record);
// A reason of the XML reader in the host's words.
std::string xmlReason(const std::string& reason);

}  // namespace capi

#endif
