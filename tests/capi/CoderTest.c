// The coders through a data handler of the host's own and through the simulated memory: which
// completions they take, what each failure reports, and what a callback may do from inside.
#include <string.h>

#include "CapiTest.h"

// A host's handler that takes each request and keeps the last one, and what the callbacks
// reported, in order: "r1" all_read(1), "c0" checksum_read(0), "s1" saved(1), "e" error.
struct host {
  uint32_t offset, length;
  int requests, refuse;
  char said[32];
  probedata_coder* coder;
  void (*inside)(struct host*, char what);  // a callback's own work, from inside
};

static int PROBEDATA_CALL host_read(void* user, uint32_t offset, uint32_t length) {
  struct host* h = user;
  h->offset = offset, h->length = length, ++h->requests;
  return h->refuse;
}
static int PROBEDATA_CALL host_save(void* user, uint32_t offset, uint32_t length,
                                    const unsigned char* data) {
  return (void)data, host_read(user, offset, length);
}
static int PROBEDATA_CALL host_error(void* user) {
  return (void)user, PROBEDATA_HANDLER_TRANSFER_ERROR;
}

static void said(struct host* h, char what, int ok) {
  const size_t at = strlen(h->said);
  if (at + 3 < sizeof h->said) h->said[at] = what, h->said[at + 1] = ok < 0 ? '\0' : "01"[ok];
  if (h->inside != NULL) h->inside(h, what);
}
static void PROBEDATA_CALL on_checksum(void* user, int ok) { said(user, 'c', ok); }
static void PROBEDATA_CALL on_all(void* user, int ok) { said(user, 'r', ok); }
static void PROBEDATA_CALL on_saved(void* user, int ok) { said(user, 's', ok); }
static void PROBEDATA_CALL on_error(void* user) { said(user, 'e', -1); }

// A coder of kind over h's handler, or the memory's when sim is given, reporting into h.
static probedata_coder* coder_for(struct host* h, probedata_coder_kind kind, probedata_sim* sim) {
  probedata_data_handler handler = {sizeof handler, NULL, host_read, host_save, host_error};
  const probedata_coder_callbacks callbacks = {sizeof callbacks, h,        on_checksum,
                                               on_all,           on_saved, on_error};
  memset(h, 0, sizeof *h);
  handler.user = h;
  if (sim != NULL) OK(probedata_sim_data_handler(sim, &handler));
  OK(probedata_coder_new(kind, &handler, &h->coder));
  OK(probedata_coder_set_callbacks(h->coder, &callbacks));
  if (sim != NULL) OK(probedata_sim_bind(sim, h->coder));
  return h->coder;
}

void test_completions_must_be_awaited(void) {
  unsigned char image[512];
  struct host h;
  probedata_coder* coder = coder_for(&h, PROBEDATA_CODER_V1, NULL);
  uint32_t input = 0;
  int error = -1;
  capi_golden("probe21.bin", image, sizeof image);
  OK(probedata_coder_read_all(coder));
  CHECK(h.offset == 0 && h.length == 8);
  EXPECT(probedata_coder_read_all(coder), STATE, "a read is pending: wait for its result");
  // Completions of no request, or of another one, change nothing.
  EXPECT(probedata_coder_data_saved(coder, 1, 0, 8, image), STATE, "awaits no save of 8 bytes");
  EXPECT(probedata_coder_data_read(coder, 1, 0, 428, image), STATE,
         "awaits no read of 428 bytes at offset 0: it awaits a read of 8 bytes at offset 0");
  EXPECT(probedata_coder_data_read(coder, 0, 4, 8, image), STATE, "awaits no read");
  EXPECT(probedata_coder_data_read(coder, 1, 0, 8, NULL), ARGUMENT, "data is NULL");
  CHECK(h.said[0] == '\0' && h.requests == 1);
  // A handler error is told, and the transfer still ends with its completion.
  OK(probedata_coder_handler_error(coder));
  OK(probedata_coder_get_error(coder, &error));
  CHECK(!strcmp(h.said, "e") && error == PROBEDATA_CODER_ERROR_TRANSFER);
  OK(probedata_coder_data_read(coder, 1, 0, 8, image));
  CHECK(h.offset == 0 && h.length == 428);
  OK(probedata_coder_data_read(coder, 1, 0, 428, image));
  EXPECT(probedata_coder_data_read(coder, 1, 0, 428, image), STATE, "nothing is pending");
  OK(probedata_coder_get_versions(coder, &input, NULL));
  CHECK(input == 0x21 && !strcmp(h.said, "er1"));
  probedata_coder_free(coder);
}

// From inside: the coder frees itself in a checksum_read ('f'), or makes the next request at once
// in a saved and, in the all_read that ends it, reads the record and frees itself ('n').
static void free_coder(struct host* h, char what) {
  if (what == 'c') probedata_coder_free(h->coder);  // goes when the call returns
}
static void next_request(struct host* h, char what) {
  probedata_record* record = NULL;
  if (what == 's') OK(probedata_coder_read_all(h->coder));
  if (what != 'r') return;
  OK(probedata_coder_get_record(h->coder, &record));
  probedata_record_free(record);
  probedata_coder_free(h->coder);
}

// Scenarios as steps: s save, r read_all, c read_checksum, v read_version, C cancel, p pump, R
// and S fail the memory's next read or save, X the host's handler refuses, 0 and F fill the
// memory with 0x00 or 0xFF, k the record read is the one saved, x the callbacks are cleared, f
// and n a callback's own work from inside (above). Each ends in what the callbacks said and the
// coder's error (-1: the coder is gone). Memory 0 is the host's handler, any other size the
// simulated memory's; text: the simulation coder over a memory that keeps a text.
void test_transfers(void) {
  static const struct {
    int memory, queued, text;
    const char *steps, *said;
    int error;
  } kCases[] = {
      {428, 0, 0, "sr", "s1r1", PROBEDATA_CODER_ERROR_NONE},
      // A failed completion is told by its result alone; a read not taken, error first.
      {428, 0, 0, "Rr", "c0", PROBEDATA_CODER_ERROR_TRANSFER},
      {428, 0, 0, "Ss", "s0", PROBEDATA_CODER_ERROR_TRANSFER},
      {100, 0, 0, "s", "s0", PROBEDATA_CODER_ERROR_TRANSFER},  // does not fit the memory
      {0, 0, 0, "Xr", "er0", PROBEDATA_CODER_ERROR_TRANSFER},
      // Memory holding no image is a decode failure, not an empty probe, and the record stays.
      {428, 0, 0, "r", "c0", PROBEDATA_CODER_ERROR_DECODE},
      {428, 0, 0, "Fr", "c0", PROBEDATA_CODER_ERROR_DECODE},
      {428, 0, 0, "s0rk", "s1r0", PROBEDATA_CODER_ERROR_DECODE},
      {428, 0, 0, "xFr", "", PROBEDATA_CODER_ERROR_DECODE},  // told without callbacks too
      // Cancel ends what is pending as failed; the memory's late completions are dropped.
      {428, 1, 0, "csCp", "c0s0", PROBEDATA_CODER_ERROR_TRANSFER},
      {428, 1, 0, "vfCp", "c0", -1},
      // Callbacks that call back in, over either coder.
      {428, 0, 0, "ns", "s1r1", -1},
      {0, 0, 1, "ns", "s1r1", -1},
  };
  static unsigned char fill[428];
  probedata_coder* coder = NULL;
  probedata_record* kept = capi_sample();
  size_t i, at;
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    struct host h;
    probedata_sim* sim = NULL;
    probedata_record *record = capi_sample(), *read = NULL;
    int equal = 1, error = -1;
    if (kCases[i].memory || kCases[i].text) {
      OK(probedata_sim_new((size_t)kCases[i].memory, kCases[i].text, kCases[i].queued, &sim));
    }
    coder_for(&h, kCases[i].text ? PROBEDATA_CODER_SIMULATION : PROBEDATA_CODER_V1, sim);
    for (at = 0; kCases[i].steps[at] != '\0'; ++at) {
      const char step = kCases[i].steps[at];
      if (step == '0' || step == 'F') memset(fill, step == 'F' ? 0xFF : 0, sizeof fill);
      if (step == '0' || step == 'F') OK(probedata_sim_load(sim, fill, sizeof fill));
      if (step == 's') OK(probedata_coder_save(h.coder, record));
      if (step == 'r') OK(probedata_coder_read_all(h.coder));
      if (step == 'c') OK(probedata_coder_read_checksum(h.coder));
      if (step == 'v') OK(probedata_coder_read_version(h.coder));
      if (step == 'C') OK(probedata_coder_cancel(h.coder));
      if (step == 'x') OK(probedata_coder_set_callbacks(h.coder, NULL));
      if (step == 'p') OK(probedata_sim_pump(sim, NULL));
      if (step == 'R') OK(probedata_sim_fail_next_read(sim));
      if (step == 'S') OK(probedata_sim_fail_next_save(sim));
      if (step == 'k') OK(probedata_coder_get_record(h.coder, &read));
      if (step == 'k') OK(probedata_record_equal(record, read, &equal));
      h.refuse |= step == 'X';
      if (step == 'f' || step == 'n') h.inside = step == 'f' ? free_coder : next_request;
    }
    if (h.inside == NULL) OK(probedata_coder_get_error(h.coder, &error));
    if (strcmp(h.said, kCases[i].said) != 0 || !equal || error != kCases[i].error) {
      capi_fail(__FILE__, __LINE__, kCases[i].steps);
    }
    if (h.inside == NULL) probedata_coder_free(h.coder);
    probedata_record_free(read), probedata_sim_free(sim), probedata_record_free(record);
  }
  // The image conversion says so too.
  OK(probedata_coder_new(PROBEDATA_CODER_V1, NULL, &coder));
  memset(fill, 0, sizeof fill);
  EXPECT(probedata_coder_from_image(coder, fill, sizeof fill, kept), DECODE, "blank memory");
  memset(fill, 0xFF, sizeof fill);
  EXPECT(probedata_coder_from_image(coder, fill, sizeof fill, kept), DECODE, "erased memory");
  probedata_coder_free(coder), probedata_record_free(kept);
}

void test_versions_a_coder_writes(void) {
  static const struct {
    probedata_coder_kind kind;
    unsigned int version;
    size_t length;  // of the image a device of that version holds
    probedata_status status;
  } kCases[] = {
      {PROBEDATA_CODER_V1, 0x21, 428, PROBEDATA_OK},
      {PROBEDATA_CODER_V1, 0x20, 428, PROBEDATA_ERROR_ARGUMENT},
      {PROBEDATA_CODER_V1, 0x01, 328, PROBEDATA_ERROR_ARGUMENT},
      {PROBEDATA_CODER_V1, 0x10, 0, PROBEDATA_ERROR_ARGUMENT},
      {PROBEDATA_CODER_SIMULATION, 0x10, 0, PROBEDATA_OK},
      {PROBEDATA_CODER_SIMULATION, 0x21, 428, PROBEDATA_ERROR_ARGUMENT},
  };
  size_t i;
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    probedata_coder* coder = NULL;
    uint32_t output = 0;
    OK(probedata_coder_new(kCases[i].kind, NULL, &coder));
    capi_expect(__FILE__, __LINE__, "probedata_coder_set_output_version",
                probedata_coder_set_output_version(coder, kCases[i].version), kCases[i].status, "");
    CHECK(probedata_image_length(kCases[i].version) == kCases[i].length);
    OK(probedata_coder_get_versions(coder, NULL, &output));
    CHECK((output == kCases[i].version) == (kCases[i].status == PROBEDATA_OK));
    probedata_coder_free(coder);
  }
}
