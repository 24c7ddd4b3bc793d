/* A host written in C: it saves a probe record into a simulated device memory through a
 * version-1 coder, reads it back with a second coder, and prints what it read. With an image
 * file as its argument it reads that image instead and, when the image is damaged, says which
 * block, from the image report.
 *
 *   probe_host [IMAGE]
 *
 * The device memory holds its completions until the host's loop delivers them (pd_sim_pump), as
 * a real device's completions arrive later through the host's own data handler. Exit status 0:
 * the record came back (or the image was read whole). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probedata_c.h"

/* What the coders report, as the callbacks record it. */
struct outcome {
  int saved, read, errors;
};

static void on_saved(void* user, int ok) { ((struct outcome*)user)->saved = ok ? 1 : -1; }
static void on_all_read(void* user, int ok) { ((struct outcome*)user)->read = ok ? 1 : -1; }
static void on_checksum_read(void* user, int ok) { ((struct outcome*)user)->read = ok ? 1 : -1; }
static void on_error(void* user) { ((struct outcome*)user)->errors++; }

static int check(pd_status status, const char* what) {
  if (status != PD_OK) fprintf(stderr, "probe_host: %s: %s\n", what, pd_last_error());
  return status == PD_OK;
}

/* A coder over the memory, bound to it, reporting into outcome. */
static pd_coder* coder_over(pd_sim* memory, struct outcome* outcome) {
  pd_data_handler handler;
  pd_coder_callbacks callbacks;
  pd_coder* coder = NULL;
  callbacks.user = outcome;
  callbacks.checksum_read = on_checksum_read;
  callbacks.all_read = on_all_read;
  callbacks.saved = on_saved;
  callbacks.error = on_error;
  if (!check(pd_sim_data_handler(memory, &handler), "handler") ||
      !check(pd_coder_new(PD_CODER_V1, &handler, &coder), "coder") ||
      !check(pd_coder_set_callbacks(coder, &callbacks), "callbacks") ||
      !check(pd_sim_bind(memory, coder), "bind")) {
    pd_coder_free(coder);
    return NULL;
  }
  return coder;
}

static void print_record(const pd_record* record) {
  char* id = NULL;
  size_t length = 0, count = 0, i;
  uint32_t stored = 0, checksum = 0;
  pd_record_get_id(record, &id, &length);
  pd_record_target_count(record, &count);
  pd_record_get_stored_checksum(record, &stored);
  pd_record_checksum(record, &checksum);
  printf("probe %s, %u targets, stored checksum 0x%04X, record checksum 0x%04X\n", id,
         (unsigned)count, (unsigned)stored, (unsigned)checksum);
  pd_free(id);
  for (i = 0; i < count; ++i) {
    pd_target t;
    pd_record_get_target(record, i, &t);
    printf("  target %u: size %g at (%g, %g, %g)%s%s\n", (unsigned)i, t.size, t.position[0],
           t.position[1], t.position[2], t.has_normal ? ", normal" : "",
           t.has_angle ? ", angle" : "");
  }
}

/* The sample record: three targets, the second with a normal and an angle. */
static pd_record* sample(void) {
  static const pd_target targets[3] = {{3.0, {0, 0, 0}, 0, {0, 0, 0}, 0, 0},
                                       {2.5, {40, 0, 5}, 1, {0.6, 0, 0.8}, 1, 30},
                                       {2.0, {-25, -20, 12.5}, 0, {0, 0, 0}, 0, 0}};
  static const double up[3] = {0, 0, 1};
  pd_record* record = NULL;
  if (!check(pd_record_new(&record), "record")) return NULL;
  pd_record_set_id(record, "C-HOST-01", 9);
  pd_record_set_targets(record, targets, 3);
  pd_record_set_default_direction(record, up);
  pd_record_set_mask_thickness(record, 2);
  return record;
}

/* Reads the image file into memory; on damage prints the report's account. */
static int load_image(pd_sim* memory, const char* path) {
  static unsigned char image[1 << 16];
  size_t length;
  pd_report* report = NULL;
  pd_report_info info;
  const char* damage = "";
  FILE* file = fopen(path, "rb");
  if (file == NULL) {
    perror(path);
    return 0;
  }
  length = fread(image, 1, sizeof image, file);
  fclose(file);
  if (!check(pd_inspect(image, length, &report), "inspect")) return 0;
  pd_report_get_info(report, &info);
  pd_report_damage(report, &damage);
  if (!info.intact) printf("%s: damaged: %s\n", path, damage);
  pd_report_free(report);
  return check(pd_sim_load(memory, image, length), "load");
}

int main(int argc, char** argv) {
  struct outcome writing = {0, 0, 0}, reading = {0, 0, 0};
  pd_sim* memory = NULL;
  pd_coder *writer = NULL, *reader = NULL;
  pd_record *record = sample(), *back = NULL;
  char *sent = NULL, *got = NULL;
  size_t sent_length = 0, got_length = 0;
  int ok;

  /* Failures come back as statuses with their reason: the library need not log. */
  pd_set_log(NULL, NULL, 60000);
  ok = record != NULL && check(pd_sim_new(pd_image_length(0x21), 0, 1, &memory), "memory");
  if (ok && argc > 1) {
    ok = load_image(memory, argv[1]);
  } else if (ok) {
    writer = coder_over(memory, &writing);
    ok = writer != NULL && check(pd_coder_save(writer, record), "save");
    pd_sim_pump(memory, NULL);
    ok = ok && writing.saved == 1;
    printf("saved: %s\n", writing.saved == 1 ? "ok" : "FAILED");
  }
  reader = ok ? coder_over(memory, &reading) : NULL;
  ok = reader != NULL && check(pd_coder_read_all(reader), "read");
  pd_sim_pump(memory, NULL);
  ok = ok && reading.read == 1 && check(pd_coder_get_record(reader, &back), "record");
  printf("read: %s\n", ok ? "ok" : "FAILED");
  if (ok) print_record(back);
  if (ok && argc < 2) {
    /* The record came back when its XML text, which holds every value, is the same. */
    ok = check(pd_record_to_xml(record, &sent, &sent_length), "xml") &&
         check(pd_record_to_xml(back, &got, &got_length), "xml") && sent_length == got_length &&
         memcmp(sent, got, sent_length) == 0;
    printf("the record came back: %s\n", ok ? "yes" : "NO");
  }
  pd_free(sent);
  pd_free(got);
  pd_record_free(back);
  pd_record_free(record);
  pd_sim_bind(memory, NULL);
  pd_coder_free(reader);
  pd_coder_free(writer);
  pd_sim_free(memory);
  return ok ? 0 : 1;
}
