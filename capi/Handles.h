// What the C interface's handles hold, and the one way every C function runs: the body's
// exceptions become a status and a reason that probedata_last_error gives, so none leaves the
// library.
#ifndef PROBEDATA_CAPI_HANDLES_H
#define PROBEDATA_CAPI_HANDLES_H

#include <boost/shared_ptr.hpp>

#include <memory>
#include <string>
#include <vector>

#include "ProbeData.h"
#include "ProbeDataV1Coder.h"
#include "ProbeImageReport.h"
#include "SimDeviceMemory.h"
#include "probedata_c.h"

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

struct probedata_coder {
  probedata_coder_kind kind;
  std::unique_ptr<ProbeDataCoder> coder;
  ProbeDataV1Coder* v1;  // the coder when kind is PROBEDATA_CODER_V1, else null
};

struct probedata_sim {
  boost::shared_ptr<probesim::SimDeviceMemory> memory;
};

namespace capi {

// A failure with its status; the reason is the library's words, or a caller's mistake, which
// the reason names after the C function ("probedata_record_get_id: id is NULL").
struct Failure {
  probedata_status status;
  std::string reason;
  bool mistake;
};

[[noreturn]] void fail(probedata_status status, const std::string& reason);
// A caller's mistake: PROBEDATA_ERROR_ARGUMENT, the reason after the function's name.
[[noreturn]] void mistake(const std::string& reason);
// A mistake unless pointer is set: "probedata_record_get_id: id is NULL".
void need(const void* pointer, const char* name);

// The status of the exception being handled, its reason kept for probedata_last_error; function
// names the C function in a caller's mistake.
probedata_status reportException(const char* function) noexcept;

// Runs body: PROBEDATA_OK, or the status of what it throws.
template <class Body>
probedata_status run(const char* function, Body&& body) noexcept {
  try {
    body();
    return PROBEDATA_OK;
  } catch (...) {
    return reportException(function);
  }
}

// The caller's bytes as the string the C++ interface takes: a copy into this thread's own buffer,
// which keeps its room from call to call, so that a call costs no allocation.
const std::string& asString(const void* bytes, std::size_t length);

// A copy of bytes in the library's own memory, freed with probedata_free, with a NUL after them.
void* copyOut(const std::string& bytes);

template <class Byte>
void copyOut(const std::string& bytes, Byte** out, std::size_t* length) {
  need(out, "the output pointer");
  need(length, "length");
  *out = static_cast<Byte*>(copyOut(bytes));
  *length = bytes.size();
}

}  // namespace capi

#endif
