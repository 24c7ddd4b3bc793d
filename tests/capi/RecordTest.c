// The record, its texts and files, and the structs that cross the boundary.
#include <stdio.h>
#include <string.h>

#include "CapiTest.h"

void test_struct_sizes(void) {
  // A report item as a host built against a later header sees it: one member more.
  struct later_item {
    probedata_report_item item;
    int later;
  } items[5];
  unsigned char image[512];
  probedata_report* report = NULL;
  probedata_report_info info;
  OK(probedata_inspect(image, capi_golden("probe21.bin", image, sizeof image), &report));
  info.struct_size = sizeof info - 1;
  EXPECT(probedata_report_get_info(report, &info), ARGUMENT, "less than the");
  info.struct_size = sizeof info;
  OK(probedata_report_get_info(report, &info));
  CHECK(info.struct_size == sizeof info && info.item_count == 5 && info.version == 0x21);
  // The library fills what it knows, at the host's stride, and no more.
  memset(items, 0x5A, sizeof items);
  items[0].item.struct_size = sizeof items[0];
  OK(probedata_report_get_items(report, &items[0].item, 5));
  CHECK(items[4].item.struct_size == sizeof items[0] && items[4].item.offset == 406);
  CHECK(!strcmp(items[1].item.name, "rigid body") && items[1].item.stored_checksum == 0xB0E0);
  CHECK(items[0].later == 0x5A5A5A5A && items[4].later == 0x5A5A5A5A);
  probedata_report_free(report);
}

void test_version(void) {
  int major = 0, minor = 0, build = 0;
  probedata_version(&major, &minor, &build);
  CHECK(major == PROBEDATA_VERSION_MAJOR && minor == PROBEDATA_VERSION_MINOR &&
        build == PROBEDATA_VERSION_BUILD);
  CHECK(PROBEDATA_VERSION_NUMBER == major * 1000000L + minor * 10000L + build);
  CHECK(strstr(probedata_version_text(), "Version 1.1 Build 1112") != NULL);
}

void test_record_equality(void) {
  static const double away[3] = {0, 1, 0};
  probedata_record *a = capi_sample(), *b = NULL;
  probedata_target t[2];
  int equal = 0, change;
  OK(probedata_record_copy(a, &b));
  OK(probedata_record_equal(a, b, &equal));
  CHECK(equal == 1);
  // Each change of one value makes them differ.
  for (change = 0; change < 8; ++change) {
    probedata_record_free(b);
    OK(probedata_record_copy(a, &b));
    OK(probedata_record_get_target(b, 0, &t[0]));
    OK(probedata_record_get_target(b, 1, &t[1]));
    t[1].normal[2] += change == 0, t[1].has_angle = change != 1, t[1].position[0] += change == 2;
    t[0].size += change == 3;
    OK(probedata_record_set_targets(b, t, change == 4 ? 1 : 2));
    if (change == 5) OK(probedata_record_set_id(b, "CAPI-02", 7));
    if (change == 6) OK(probedata_record_set_default_direction(b, away));
    if (change == 7) OK(probedata_record_set_stored_checksum(b, 1));
    OK(probedata_record_equal(a, b, &equal));
    if (equal != 0) capi_fail(__FILE__, __LINE__, "a change left the records equal");
  }
  probedata_record_free(a), probedata_record_free(b);
}

void test_encoders_refuse_nul_in_id(void) {
  probedata_record* record = capi_sample();
  probedata_coder* coder = NULL;
  char* text = NULL;
  unsigned char* image = NULL;
  size_t length = 0;
  OK(probedata_record_set_id(record, "a\0b", 3));
  OK(probedata_record_get_id(record, &text, &length));
  CHECK(length == 3 && memcmp(text, "a\0b", 4) == 0);
  probedata_free(text);
  OK(probedata_coder_new(PROBEDATA_CODER_V1, NULL, &coder));
  EXPECT(probedata_record_to_xml(record, &text, &length), ENCODE, "NUL byte at 1");
  EXPECT(probedata_record_save_file(record, "capi-nul.xml", 1), ENCODE, "NUL byte at 1");
  EXPECT(probedata_coder_to_image(coder, record, &image, &length), ENCODE, "NUL byte at 1");
  EXPECT(probedata_coder_save(coder, record), ENCODE, "NUL byte at 1");
  CHECK(remove("capi-nul.xml") != 0);
  probedata_coder_free(coder), probedata_record_free(record);
}

void test_texts_and_files(void) {
  static char text[8192], path[4096];
  const char* unicode = "capi-M\xC3\xBCnchen.xml";
  probedata_record *record = capi_sample(), *back = NULL;
  char* xml = NULL;
  size_t length = 0;
  int equal = 0;
  FILE* file = fopen("capi-long.xml", "wb");
  OK(probedata_record_new(&back));
  OK(probedata_record_to_xml(record, &xml, &length));
  // A byte-order mark before the text, as editors on Windows save it, is skipped.
  memcpy(text, "\xEF\xBB\xBF", 3), memcpy(text + 3, xml, length + 1);
  OK(probedata_record_load_xml(back, text, length + 3));
  OK(probedata_record_equal(record, back, &equal));
  // A longer file is replaced whole: nothing of its tail is left.
  memset(text, 'x', sizeof text);
  if (file != NULL) fwrite(text, 1, sizeof text, file), fclose(file);
  OK(probedata_record_save_file(record, "capi-long.xml", 1));
  file = fopen("capi-long.xml", "rb");
  CHECK(file != NULL && fread(text, 1, sizeof text, file) == length && equal);
  if (file != NULL) fclose(file);
  CHECK(memcmp(text, xml, length) == 0);
  // A name outside ASCII is UTF-8, on Windows too, and reads back.
  OK(probedata_record_save_file(record, unicode, 1));
  OK(probedata_record_load_file(back, unicode));
#if defined(_WIN32)
  file = _wfopen(L"capi-M\u00fcnchen.xml", L"rb");
  CHECK(file != NULL);
  if (file != NULL) fclose(file);
#endif
  // The status follows what failed: the file, or its text.
  EXPECT(probedata_record_load_file(back, "capi-missing.xml"), IO, "cannot read \"capi-missing");
  CHECK(probedata_last_system_error() != 0);
  EXPECT(probedata_record_load_file(back, "."), IO, "cannot read \".\"");
  EXPECT(probedata_record_save_file(record, "capi-no-folder/p.xml", 1), IO,
         "cannot write \"capi-no-folder/p.xml\": ");
  snprintf(path, sizeof path, "%s/broken.xml", capi_golden_dir());
  EXPECT(probedata_record_load_file(back, path), DECODE,
         "the text is not a probe record's XML at line 35, column 12");
  EXPECT(probedata_record_load_xml(back, "<x/>", 4), DECODE, "(unrecognized XML syntax)");
  probedata_free(xml), probedata_record_free(back), probedata_record_free(record);
  remove("capi-long.xml"), remove(unicode);
}
