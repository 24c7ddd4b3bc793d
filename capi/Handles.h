// What the C interface's handles hold, and the one way every C function runs: the body's
// exceptions become a status and a reason that pd_last_error gives, so none leaves the library.
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

struct pd_record {
  ProbeData record;
};

struct pd_report {
  ProbeImageReport report;
  std::string damage;
};

struct pd_fit {
  std::vector<ImageFitProblem> problems;
};

struct pd_coder {
  pd_coder_kind kind;
  std::unique_ptr<ProbeDataCoder> coder;
  ProbeDataV1Coder* v1;  // the coder when kind is PD_CODER_V1, else null
};

struct pd_sim {
  boost::shared_ptr<probesim::SimDeviceMemory> memory;
};

namespace capi {

// A failure with its status; the reason is the library's words, or a caller's mistake, which
// the reason names after the C function ("pd_record_get_id: id is NULL").
struct Failure {
  pd_status status;
  std::string reason;
  bool mistake;
};

[[noreturn]] void fail(pd_status status, const std::string& reason);
// A caller's mistake: PD_ERROR_ARGUMENT, the reason after the function's name.
[[noreturn]] void mistake(const std::string& reason);
// A mistake unless pointer is set: "pd_record_get_id: id is NULL".
void need(const void* pointer, const char* name);

// The status of the exception being handled, its reason kept for pd_last_error; function names
// the C function in a caller's mistake.
pd_status reportException(const char* function) noexcept;

// Runs body: PD_OK, or the status of what it throws.
template <class Body>
pd_status run(const char* function, Body&& body) noexcept {
  try {
    body();
    return PD_OK;
  } catch (...) {
    return reportException(function);
  }
}

// The caller's bytes as the string the C++ interface takes: a copy into this thread's own buffer,
// which keeps its room from call to call, so that a call costs no allocation.
const std::string& asString(const void* bytes, std::size_t length);

// A copy of bytes in the library's own memory, freed with pd_free, with a NUL after them.
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
