// Every function given what a careless host gives it: a NULL where a pointer is needed, an index
// past the end, a size no host can mean, a struct_size of 0. Each returns its status with a
// reason that names what was wrong, and nothing crashes.
#include <stdint.h>
#include <string.h>

#include "CapiTest.h"

void test_misuse(void) {
  probedata_record *r = capi_sample(), *out = NULL;
  probedata_report* rep = NULL;
  probedata_fit* fit = NULL;
  probedata_coder *c = NULL, *sc = NULL;
  probedata_sim* s = NULL;
  probedata_target t;
  probedata_report_info info = {0};
  probedata_report_item items[2];
  probedata_report_field field;
  probedata_fit_problem problem;
  probedata_data_handler small = {0};
  probedata_coder_callbacks callbacks = {0};
  unsigned char image[8] = "QMVB";
  char* text = NULL;
  size_t n = 0;
  uint32_t u = 0;
  unsigned int thickness = 0;
  int i = 0;
  double d[3] = {0, 0, 0};
  items[0].struct_size = sizeof items[0], field.struct_size = sizeof field;
  problem.struct_size = sizeof problem;
  OK(probedata_inspect(image, sizeof image, &rep));
  OK(probedata_check_fit(r, &fit));
  OK(probedata_coder_new(PROBEDATA_CODER_V1, NULL, &c));
  OK(probedata_coder_new(PROBEDATA_CODER_SIMULATION, NULL, &sc));
  OK(probedata_sim_new(428, 0, 0, &s));

  // Names, version and log.
  CHECK(!strcmp(probedata_status_name((probedata_status)99), "unknown"));
  CHECK(!strcmp(probedata_verdict_name(4), "unknown") &&
        !strcmp(probedata_fault_name(-1), "unknown"));
  CHECK(!strcmp(probedata_item_name(6), "unknown") &&
        !strcmp(probedata_item_name(2), "rigid body"));
  probedata_version(NULL, NULL, NULL);
  probedata_free(NULL);
  EXPECT(probedata_set_log(NULL, NULL, -7), ARGUMENT, "level -7 is none of");
  EXPECT(probedata_set_log(NULL, NULL, 12345), ARGUMENT, "level 12345");
  EXPECT(probedata_get_log_level(NULL), ARGUMENT, "probedata_get_log_level: level is NULL");
  EXPECT(probedata_image_version_name(0x21, NULL, &n), ARGUMENT, "output pointer is NULL");

  // The record, its texts and files.
  EXPECT(probedata_record_new(NULL), ARGUMENT, "probedata_record_new: record is NULL");
  EXPECT(probedata_record_copy(NULL, &out), ARGUMENT, "source is NULL");
  EXPECT(probedata_record_copy(r, NULL), ARGUMENT, "copy is NULL");
  EXPECT(probedata_record_equal(r, NULL, &i), ARGUMENT, "b is NULL");
  EXPECT(probedata_record_equal(r, r, NULL), ARGUMENT, "equal is NULL");
  EXPECT(probedata_record_get_id(NULL, &text, &n), ARGUMENT, "record is NULL");
  EXPECT(probedata_record_get_id(r, &text, NULL), ARGUMENT, "length is NULL");
  EXPECT(probedata_record_set_id(r, NULL, 3), ARGUMENT, "id is NULL");
  EXPECT(probedata_record_set_id(r, "x", SIZE_MAX), ARGUMENT, "more than any object can hold");
  EXPECT(probedata_record_target_count(r, NULL), ARGUMENT, "count is NULL");
  EXPECT(probedata_record_get_target(r, 2, &t), ARGUMENT, "index 2 is past the record's 2");
  EXPECT(probedata_record_get_target(r, 0, NULL), ARGUMENT, "target is NULL");
  EXPECT(probedata_record_set_targets(r, NULL, 1), ARGUMENT, "targets is NULL");
  EXPECT(probedata_record_set_targets(r, &t, SIZE_MAX / 16), ARGUMENT, "count");
  EXPECT(probedata_record_get_default_direction(r, NULL), ARGUMENT, "direction is NULL");
  EXPECT(probedata_record_set_default_direction(NULL, d), ARGUMENT, "record is NULL");
  EXPECT(probedata_record_get_mask_thickness(NULL, &thickness), ARGUMENT, "record is NULL");
  EXPECT(probedata_record_set_mask_thickness(r, 65536), ARGUMENT, "65536 is out of range (0 to");
  EXPECT(probedata_record_get_stored_checksum(r, NULL), ARGUMENT, "checksum is NULL");
  EXPECT(probedata_record_set_stored_checksum(NULL, 1), ARGUMENT, "record is NULL");
  EXPECT(probedata_record_checksum(r, NULL), ARGUMENT, "checksum is NULL");
  EXPECT(probedata_record_to_xml(r, NULL, &n), ARGUMENT, "text is NULL");
  EXPECT(probedata_record_load_xml(r, NULL, 4), ARGUMENT, "text is NULL");
  EXPECT(probedata_record_load_xml(r, "<x/>", SIZE_MAX), ARGUMENT, "length");
  EXPECT(probedata_record_save_file(r, NULL, 1), ARGUMENT, "path is NULL");
  EXPECT(probedata_record_load_file(NULL, "x.xml"), ARGUMENT, "record is NULL");

  // The report and the fit check.
  EXPECT(probedata_inspect(NULL, 1, &rep), ARGUMENT, "image is NULL");
  EXPECT(probedata_inspect(image, SIZE_MAX, &rep), ARGUMENT, "length");
  EXPECT(probedata_inspect(image, 1, NULL), ARGUMENT, "report is NULL");
  EXPECT(probedata_report_get_info(rep, NULL), ARGUMENT, "info is NULL");
  EXPECT(probedata_report_get_info(rep, &info), ARGUMENT, "info->struct_size is 0, less than");
  EXPECT(probedata_report_get_item(NULL, 0, items), ARGUMENT, "report is NULL");
  EXPECT(probedata_report_get_item(rep, 9, items), ARGUMENT, "item 9 is past the report's");
  EXPECT(probedata_report_get_items(rep, items, 99), ARGUMENT, "item 98 is past");
  EXPECT(probedata_report_get_items(rep, NULL, 1), ARGUMENT, "items is NULL");
  EXPECT(probedata_report_get_field(rep, 0, 9, &field), ARGUMENT, "field 9 is past the item's");
  EXPECT(probedata_report_damage(rep, NULL), ARGUMENT, "text is NULL");
  EXPECT(probedata_report_record(NULL, &out), ARGUMENT, "report is NULL");
  EXPECT(probedata_check_fit(NULL, &fit), ARGUMENT, "record is NULL");
  EXPECT(probedata_fit_count(fit, NULL), ARGUMENT, "count is NULL");
  EXPECT(probedata_fit_get(fit, 0, &problem), ARGUMENT, "problem 0 is past the 0 problems");
  problem.struct_size = 1;
  EXPECT(probedata_fit_get(fit, 0, &problem), ARGUMENT, "problem->struct_size is 1");

  // Coders.
  EXPECT(probedata_coder_new((probedata_coder_kind)7, NULL, &c), ARGUMENT, "7 is no coder kind");
  EXPECT(probedata_coder_new(PROBEDATA_CODER_V1, NULL, NULL), ARGUMENT, "coder is NULL");
  EXPECT(probedata_coder_new(PROBEDATA_CODER_V1, &small, &c), ARGUMENT, "handler->struct_size");
  EXPECT(probedata_coder_set_callbacks(NULL, NULL), ARGUMENT, "coder is NULL");
  EXPECT(probedata_coder_set_callbacks(c, &callbacks), ARGUMENT, "callbacks->struct_size is 0");
  EXPECT(probedata_coder_read_version(NULL), ARGUMENT, "coder is NULL");
  EXPECT(probedata_coder_read_all(c), STATE, "no data handler: create the coder with one");
  EXPECT(probedata_coder_save(c, NULL), ARGUMENT, "record is NULL");
  EXPECT(probedata_coder_save(c, r), STATE, "no data handler");
  EXPECT(probedata_coder_data_read(NULL, 1, 0, 8, image), ARGUMENT, "coder is NULL");
  EXPECT(probedata_coder_handler_error(c), STATE, "no transfer is pending");
  EXPECT(probedata_coder_cancel(c), STATE, "no transfer is pending");
  EXPECT(probedata_coder_get_record(c, NULL), ARGUMENT, "record is NULL");
  EXPECT(probedata_coder_get_versions(NULL, &u, &u), ARGUMENT, "coder is NULL");
  EXPECT(probedata_coder_get_error(c, NULL), ARGUMENT, "error is NULL");
  EXPECT(probedata_coder_set_output_version(c, 0x15), ARGUMENT,
         "its own version only, 2.1, not 1.5");
  EXPECT(probedata_coder_to_image(sc, r, (unsigned char**)&text, &n), ARGUMENT,
         "the simulation coder keeps no version-1 image");
  EXPECT(probedata_coder_to_image(c, r, NULL, &n), ARGUMENT, "image is NULL");
  EXPECT(probedata_coder_from_image(c, NULL, 8, r), ARGUMENT, "image is NULL");
  EXPECT(probedata_coder_from_image(c, image, SIZE_MAX, r), ARGUMENT, "length");
  EXPECT(probedata_coder_data_checksum(c, NULL, &u), ARGUMENT, "record is NULL");

  // The simulated memory.
  if (SIZE_MAX > 0xFFFFFFFFu)  // on 32-bit, SIZE_MAX is a size the memory may have
    EXPECT(probedata_sim_new(SIZE_MAX, 0, 0, &s), ARGUMENT, "more than 32-bit offsets reach");
  EXPECT(probedata_sim_new(8, 0, 0, NULL), ARGUMENT, "sim is NULL");
  EXPECT(probedata_sim_data_handler(s, &small), ARGUMENT, "handler->struct_size is 0");
  EXPECT(probedata_sim_bind(NULL, c), ARGUMENT, "sim is NULL");
  EXPECT(probedata_sim_pump(NULL, &n), ARGUMENT, "sim is NULL");
  EXPECT(probedata_sim_load(s, NULL, 1), ARGUMENT, "bytes is NULL");
  EXPECT(probedata_sim_contents(s, NULL, &n), ARGUMENT, "output pointer is NULL");
  EXPECT(probedata_sim_fail_next_read(NULL), ARGUMENT, "sim is NULL");
  EXPECT(probedata_sim_fail_next_save(NULL), ARGUMENT, "sim is NULL");
  EXPECT(probedata_sim_corrupt_byte(s, 428, 1), ARGUMENT, "offset 428 is past the memory's 428");
  EXPECT(probedata_sim_corrupt_byte(s, 0, 256), ARGUMENT, "mask 256 is more than a byte");

  // Handles of NULL are freed as nothing; a call that succeeds clears the reason.
  probedata_record_free(NULL), probedata_report_free(NULL), probedata_fit_free(NULL);
  probedata_coder_free(NULL), probedata_sim_free(NULL);
  OK(probedata_record_target_count(r, &n));
  probedata_fit_free(fit), probedata_report_free(rep), probedata_coder_free(sc);
  probedata_coder_free(c), probedata_sim_free(s), probedata_record_free(r);
}
