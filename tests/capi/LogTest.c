// The log as a host sees it, and the reason of each thread its own.
#include <pthread.h>
#include <string.h>

#include "CapiTest.h"

struct lines {
  int count, levels, longest, stop_inside;
};

// Keeps what it is given; from inside, makes a call that logs, whose line does not come back
// here, and may stop the log.
static void PROBEDATA_CALL keep(void* user, int level, const char* message) {
  struct lines* lines = user;
  probedata_record* record = NULL;
  uint32_t checksum = 0;
  ++lines->count, lines->levels |= 1 << level;
  if ((int)strlen(message) > lines->longest) lines->longest = (int)strlen(message);
  OK(probedata_record_new(&record));
  OK(probedata_record_checksum(record, &checksum));
  probedata_record_free(record);
  if (lines->stop_inside) OK(probedata_set_log(NULL, NULL, PROBEDATA_LOG_WARN));
}

void test_log(void) {
  static char big[5000];
  struct lines lines = {0, 0, 0, 0};
  probedata_record* record = capi_sample();
  uint32_t checksum = 0;
  int level = -1;
  OK(probedata_set_log(keep, &lines, PROBEDATA_LOG_DEBUG));
  OK(probedata_get_log_level(&level));
  OK(probedata_record_checksum(record, &checksum));
  CHECK(level == PROBEDATA_LOG_DEBUG && lines.count == 1 &&
        lines.levels == 1 << PROBEDATA_LOG_DEBUG);
  // A long text that fails to load gives one bounded line.
  memset(big, 'a', sizeof big - 1), big[0] = '<';
  EXPECT(probedata_record_load_xml(record, big, sizeof big - 1), DECODE, "line 1, column 5000");
  CHECK(lines.count == 2 && lines.longest < 1100 && lines.levels & 1 << PROBEDATA_LOG_ERROR);
  // Stopped from inside the log function, it stops there.
  lines.stop_inside = 1;
  OK(probedata_record_checksum(record, &checksum));
  OK(probedata_record_checksum(record, &checksum));
  OK(probedata_get_log_level(&level));
  CHECK(lines.count == 3 && level == PROBEDATA_LOG_WARN);
  OK(probedata_set_log(NULL, NULL, PROBEDATA_LOG_OFF));
  probedata_record_free(record);
}

// A host that asks for nothing: the run of this test prints nothing at all.
void test_quiet(void) {
  probedata_record* record = capi_sample();
  uint32_t checksum = 0;
  OK(probedata_record_checksum(record, &checksum));
  EXPECT(probedata_record_load_xml(record, "<x", 2), DECODE, "line 1");
  probedata_record_free(record);
}

// A thread starts with no reason, and its failure leaves the reason of the thread that made it.
static void* fail_in_thread(void* unused) {
  CHECK(*probedata_last_error() == '\0');
  EXPECT(probedata_record_load_xml(NULL, "", 0), ARGUMENT, "load_xml: record is NULL");
  return unused;
}

void test_threads_keep_their_own_reason(void) {
  pthread_t thread;
  EXPECT(probedata_record_set_mask_thickness(NULL, 1), ARGUMENT, "thickness: record is NULL");
  CHECK(pthread_create(&thread, NULL, fail_in_thread, NULL) == 0 &&
        pthread_join(thread, NULL) == 0);
  CHECK(strstr(probedata_last_error(), "set_mask_thickness: record is NULL") != NULL);
}
