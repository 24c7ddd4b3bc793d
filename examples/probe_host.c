/* A host written in C: it saves a probe record into a simulated device memory through a
 * version-1 coder, reads it back with a second coder, and prints what it read. With an image
 * file as its argument it reads that image instead and, when the image is damaged, says which
 * block, from the image report.
 *
 *   probe_host [IMAGE]
 *
 * The device memory holds its completions until the host's loop delivers them (probedata_sim_pump),
 * as a real device's completions arrive later through the host's own data handler. Exit status 0:
 * the record came back (or the image was read whole). */
#include <stdio.h>
#include <stdlib.h>

#include "probedata_c.h"

/* What the coders report, as the callbacks record it. */
struct outcome {
  int saved, read, errors;
};

static void PROBEDATA_CALL on_saved(void* user, int ok) {
  ((struct outcome*)user)->saved = ok ? 1 : -1;
}
static void PROBEDATA_CALL on_read(void* user, int ok) {
  ((struct outcome*)user)->read = ok ? 1 : -1;
}
static void PROBEDATA_CALL on_error(void* user) { ((struct outcome*)user)->errors++; }

static int check(probedata_status status, const char* what) {
  if (status != PROBEDATA_OK) fprintf(stderr, "probe_host: %s: %s\n", what, probedata_last_error());
  return status == PROBEDATA_OK;
}

/* A coder over the memory, bound to it, reporting into outcome. */
static probedata_coder* coder_over(probedata_sim* memory, struct outcome* outcome) {
  probedata_data_handler handler;
  probedata_coder_callbacks callbacks;
  probedata_coder* coder = NULL;
  handler.struct_size = sizeof handler;
  callbacks.struct_size = sizeof callbacks;
  callbacks.user = outcome;
  callbacks.checksum_read = on_read;
  callbacks.all_read = on_read;
  callbacks.saved = on_saved;
  callbacks.error = on_error;
  if (!check(probedata_sim_data_handler(memory, &handler), "handler") ||
      !check(probedata_coder_new(PROBEDATA_CODER_V1, &handler, &coder), "coder") ||
      !check(probedata_coder_set_callbacks(coder, &callbacks), "callbacks") ||
      !check(probedata_sim_bind(memory, coder), "bind")) {
    probedata_coder_free(coder);
    return NULL;
  }
  return coder;
}

static void print_record(const probedata_record* record) {
  char* id = NULL;
  size_t length = 0, count = 0, i;
  uint32_t stored = 0, checksum = 0;
  probedata_record_get_id(record, &id, &length);
  probedata_record_target_count(record, &count);
  probedata_record_get_stored_checksum(record, &stored);
  probedata_record_checksum(record, &checksum);
  printf("probe %s, %u targets, stored checksum 0x%04X, record checksum 0x%04X\n", id,
         (unsigned)count, (unsigned)stored, (unsigned)checksum);
  probedata_free(id);
  for (i = 0; i < count; ++i) {
    probedata_target t;
    probedata_record_get_target(record, i, &t);
    printf("  target %u: size %g at (%g, %g, %g)%s%s\n", (unsigned)i, t.size, t.position[0],
           t.position[1], t.position[2], t.has_normal ? ", normal" : "",
           t.has_angle ? ", angle" : "");
  }
}

/* The sample record: three targets, the second with a normal and an angle. */
static probedata_record* sample(void) {
  /* size, position, normal, angle, has_normal, has_angle */
  static const probedata_target targets[3] = {{3.0, {0, 0, 0}, {0, 0, 0}, 0, 0, 0},
                                              {2.5, {40, 0, 5}, {0.6, 0, 0.8}, 30, 1, 1},
                                              {2.0, {-25, -20, 12.5}, {0, 0, 0}, 0, 0, 0}};
  static const double up[3] = {0, 0, 1};
  probedata_record* record = NULL;
  if (!check(probedata_record_new(&record), "record")) return NULL;
  probedata_record_set_id(record, "C-HOST-01", 9);
  probedata_record_set_targets(record, targets, 3);
  probedata_record_set_default_direction(record, up);
  probedata_record_set_mask_thickness(record, 2);
  return record;
}

/* Reads the image file into memory; on damage prints the report's account. */
static int load_image(probedata_sim* memory, const char* path) {
  static unsigned char image[1 << 16];
  size_t length;
  probedata_report* report = NULL;
  probedata_report_info info;
  const char* damage = "";
  info.struct_size = sizeof info;
  FILE* file = fopen(path, "rb");
  if (file == NULL) {
    perror(path);
    return 0;
  }
  length = fread(image, 1, sizeof image, file);
  fclose(file);
  if (!check(probedata_inspect(image, length, &report), "inspect")) return 0;
  probedata_report_get_info(report, &info);
  probedata_report_damage(report, &damage);
  if (!info.intact) printf("%s: damaged: %s\n", path, damage);
  probedata_report_free(report);
  return check(probedata_sim_load(memory, image, length), "load");
}

int main(int argc, char** argv) {
  struct outcome writing = {0, 0, 0}, reading = {0, 0, 0};
  probedata_sim* memory = NULL;
  probedata_coder *writer = NULL, *reader = NULL;
  probedata_record *record = sample(), *back = NULL;
  int ok, equal = 0;

  /* Failures come back as statuses with their reason; the library logs nothing unless asked. */
  ok = record != NULL &&
       check(probedata_sim_new(probedata_image_length(0x21), 0, 1, &memory), "memory");
  if (ok && argc > 1) {
    ok = load_image(memory, argv[1]);
  } else if (ok) {
    writer = coder_over(memory, &writing);
    ok = writer != NULL && check(probedata_coder_save(writer, record), "save");
    probedata_sim_pump(memory, NULL);
    ok = ok && writing.saved == 1;
    printf("saved: %s\n", writing.saved == 1 ? "ok" : "FAILED");
  }
  reader = ok ? coder_over(memory, &reading) : NULL;
  ok = reader != NULL && check(probedata_coder_read_all(reader), "read");
  probedata_sim_pump(memory, NULL);
  ok = ok && reading.read == 1 && check(probedata_coder_get_record(reader, &back), "record");
  printf("read: %s\n", ok ? "ok" : "FAILED");
  if (ok) print_record(back);
  if (ok && argc < 2) {
    ok = check(probedata_record_equal(record, back, &equal), "compare") && equal;
    printf("the record came back: %s\n", ok ? "yes" : "NO");
  }
  probedata_record_free(back);
  probedata_record_free(record);
  probedata_sim_bind(memory, NULL);
  probedata_coder_free(reader);
  probedata_coder_free(writer);
  probedata_sim_free(memory);
  return ok ? 0 : 1;
}
