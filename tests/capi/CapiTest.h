// The C interface's own tests, in C99 as its hosts are. A failed check prints where and why, and
// the program's exit status says whether any failed; nothing is printed when all hold.
#ifndef PROBEDATA_CAPI_TEST_H
#define PROBEDATA_CAPI_TEST_H

#include "probedata_c.h"

void capi_fail(const char* file, int line, const char* what);
// status is expected, and the reason holds reason ("" after PROBEDATA_OK).
void capi_expect(const char* file, int line, const char* call, probedata_status got,
                 probedata_status status, const char* reason);

#define CHECK(condition) ((condition) ? (void)0 : capi_fail(__FILE__, __LINE__, #condition))
// EXPECT(call, ARGUMENT, "reason"): the call fails with PROBEDATA_ERROR_ARGUMENT.
#define EXPECT(call, status, reason) \
  capi_expect(__FILE__, __LINE__, #call, (call), PROBEDATA_ERROR_##status, reason)
#define OK(call) capi_expect(__FILE__, __LINE__, #call, (call), PROBEDATA_OK, "")

// The folder of tests/data, and the bytes of a file there.
const char* capi_golden_dir(void);
size_t capi_golden(const char* name, unsigned char* bytes, size_t size);
// A record of two targets, the second with a normal and an angle, id "CAPI-01".
probedata_record* capi_sample(void);

// Every test, each a function of no arguments.
// clang-format off
#define CAPI_TESTS(X)                                                                       \
  X(misuse) X(struct_sizes) X(version) X(record_equality) X(encoders_refuse_nul_in_id)     \
  X(texts_and_files) X(completions_must_be_awaited) X(transfers)                           \
  X(versions_a_coder_writes) X(log) X(threads_keep_their_own_reason) X(quiet)
// clang-format on
#define CAPI_DECLARE(name) void test_##name(void);
CAPI_TESTS(CAPI_DECLARE)

#endif
