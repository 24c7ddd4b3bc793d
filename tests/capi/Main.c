// Runs the C interface's tests: those named after the golden files' folder, or all but "quiet",
// which runs alone, as a host that configures nothing.
#include <stdio.h>
#include <string.h>

#include "CapiTest.h"

static int failures = 0;
static const char* golden = ".";

void capi_fail(const char* file, int line, const char* what) {
  fprintf(stderr, "%s:%d: failed: %s\n", file, line, what);
  ++failures;
}

void capi_expect(const char* file, int line, const char* call, probedata_status got,
                 probedata_status status, const char* reason) {
  const char* said = probedata_last_error();
  if (got != status || strstr(said, reason) == NULL || (status == PROBEDATA_OK && *said)) {
    fprintf(stderr, "%s:%d: %s\n  gave %s \"%s\"\n  not %s \"%s\"\n", file, line, call,
            probedata_status_name(got), said, probedata_status_name(status), reason);
    ++failures;
  }
}

const char* capi_golden_dir(void) { return golden; }

size_t capi_golden(const char* name, unsigned char* bytes, size_t size) {
  char path[4096];
  size_t length = 0;
  FILE* file;
  snprintf(path, sizeof path, "%s/%s", golden, name);
  if ((file = fopen(path, "rb")) != NULL) {
    length = fread(bytes, 1, size, file);
    fclose(file);
  }
  if (length == 0) capi_fail(__FILE__, __LINE__, path);
  return length;
}

probedata_record* capi_sample(void) {
  // size, position, normal, angle, has_normal, has_angle
  static const probedata_target targets[2] = {{3.0, {1, 2, 3}, {0, 0, 0}, 0, 0, 0},
                                              {2.5, {40, 0, 5}, {0.6, 0, 0.8}, 30, 1, 1}};
  static const double up[3] = {0, 0, 1};
  probedata_record* record = NULL;
  OK(probedata_record_new(&record));
  OK(probedata_record_set_id(record, "CAPI-01", 7));
  OK(probedata_record_set_targets(record, targets, 2));
  OK(probedata_record_set_default_direction(record, up));
  OK(probedata_record_set_mask_thickness(record, 2));
  return record;
}

#define CAPI_ENTRY(name) {#name, test_##name},
static const struct {
  const char* name;
  void (*run)(void);
} kTests[] = {CAPI_TESTS(CAPI_ENTRY)};

int main(int argc, char** argv) {
  size_t i;
  int j, ran = 0;
  if (argc > 1) golden = argv[1];
  for (i = 0; i < sizeof kTests / sizeof kTests[0]; ++i) {
    int wanted = argc <= 2 && strcmp(kTests[i].name, "quiet") != 0;
    for (j = 2; j < argc; ++j) wanted = wanted || strcmp(argv[j], kTests[i].name) == 0;
    if (wanted) kTests[i].run(), ++ran;
  }
  if (ran == 0) fprintf(stderr, "no such test\n");
  return ran == 0 || failures != 0;
}
