// A host in Microsoft's ABI, as a program built with Microsoft's tools meets probedata.dll:
// compiled by clang for the -windows-msvc targets without a C run time or MinGW header (clang's
// own stddef.h and stdint.h are all the C header includes), linked by lld-link against an import
// library made from probedata.def, and run beside the DLLs. It fills and reads every struct of
// probedata_c.h, passes each kind of callback and checks what comes back on probe21.bin, so that
// a struct laid out otherwise than the library's compiler lays it out fails.
// Built again with stdcall as its default (-mrtd, 32-bit), it still links and runs: every
// function and function pointer of the header is PROBEDATA_CALL. Exit status 0: all checks hold.
#include "probedata_c.h"

// The kernel32 functions it calls, declared as Windows declares them.
typedef void* Handle;
typedef unsigned long Dword;
#define KERNEL32(type) __declspec(dllimport) type __stdcall
KERNEL32(Handle) GetStdHandle(Dword which);
KERNEL32(Handle) CreateFileA(const char*, Dword, Dword, void*, Dword, Dword, Handle);
KERNEL32(int) ReadFile(Handle file, void* bytes, Dword size, Dword* done, void* overlapped);
KERNEL32(int) WriteFile(Handle file, const void* bytes, Dword size, Dword* done, void* overlapped);
KERNEL32(int) CloseHandle(Handle file);
KERNEL32(__declspec(noreturn) void) ExitProcess(unsigned int status);
// What the compiler names itself: _fltused in a program that uses floating point, and memset,
// which clears a struct (in C's convention also where stdcall is the default).
int _fltused;
void* __cdecl memset(void* to, int byte, size_t length);
void* __cdecl memset(void* to, int byte, size_t length) {
  unsigned char* at = to;
  while (length-- > 0) *at++ = (unsigned char)byte;
  return to;
}

static int failures;

static void put(const char* text) {
  Dword length = 0, done;
  while (text[length] != '\0') ++length;
  WriteFile(GetStdHandle((Dword)-11), text, length, &done, NULL);  // standard output
}
// A failed check names its line, the condition, and the library's last reason.
static void check(int holds, const char* line, const char* what) {
  if (holds) return;
  ++failures;
  put("MsvcAbiHost.c:"), put(line), put(": failed: "), put(what);
  put(" (\""), put(probedata_last_error()), put("\")\n");
}
#define TEXT_(line) #line
#define TEXT(line) TEXT_(line)
#define CHECK(holds) check(holds, TEXT(__LINE__), #holds)
#define OK(call) check((call) == PROBEDATA_OK, TEXT(__LINE__), #call)

static int same(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}
static int same_bytes(const void* a, const void* b, size_t length) {
  const unsigned char *x = a, *y = b;
  while (length > 0 && *x == *y) --length, ++x, ++y;
  return length == 0;
}
static Dword read_file(const char* name, void* bytes, Dword size) {
  Dword done = 0;  // GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING
  Handle file = CreateFileA(name, 0x80000000ul, 1, NULL, 3, 0, NULL);
  if (file == (Handle)-1) return 0;
  ReadFile(file, bytes, size, &done, NULL);
  CloseHandle(file);
  return done;
}

// probe21.bin: where its items lie (the rigid body's is read member by member), and its targets.
static const uint32_t kOffsets[5] = {0, 8, 396, 404, 406};
// size, position, normal, angle, has_normal, has_angle
static const probedata_target kTargets[5] = {{3, {0, 0, 0}, {0, 0, 1}, 0, 1, 0},
                                             {2.5, {40, 0, 5}, {0.6, 0, 0.8}, 30, 1, 1},
                                             {2.5, {0, 30, 5}, {0, 0.6, 0.8}, 45, 1, 1},
                                             {2, {-25, -20, 12.5}, {0, 0, 0}, 0, 0, 0},
                                             {1.5, {20, -35, 2.25}, {0, 0, 0}, 15, 0, 1}};

// The report's structs, of the image and of a copy with one bit of target 0's size flipped.
// Items are fetched at the host's own stride, as a host of a later header with a larger item
// would. The info is compared whole: its members leave no padding on either width.
static probedata_record* check_report(unsigned char* image) {
  static const probedata_report_info kInfo = {sizeof kInfo, 428, 1, 1,      2, 1, 0x21,
                                              428,          5,   1, 0xC616, 1, 5};
  struct later_item {
    probedata_report_item item;
    unsigned char later[12];
  } items[5];
  probedata_report *report = NULL, *damaged = NULL;
  probedata_report_info info = {sizeof info, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  probedata_report_field field = {sizeof field, 0, 0, NULL};
  const probedata_report_item* rigid = &items[1].item;
  probedata_record* record = NULL;
  const char *damage = NULL, *broken = NULL;
  size_t i;
  CHECK(!probedata_inspect(image, 428, &report) && !probedata_report_get_info(report, &info));
  CHECK(same_bytes(&info, &kInfo, sizeof info));
  items[0].item.struct_size = sizeof items[0];
  OK(probedata_report_get_items(report, &items[0].item, 5));
  for (i = 0; i < 5; ++i) {
    const probedata_report_item* item = &items[i].item;
    CHECK(item->struct_size == sizeof items[0] && item->item == PROBEDATA_ITEM_VERSION + (int)i);
    CHECK(item->offset == kOffsets[i] && item->verdict == PROBEDATA_VERDICT_INTACT &&
          item->fault == PROBEDATA_FAULT_NONE);
  }
  CHECK(same(rigid->name, "rigid body") && same(rigid->detail, "5 targets, checksum 0xB0E0"));
  CHECK(rigid->length == 388 && rigid->has_checksum == 1 && rigid->in_record == 1);
  CHECK(rigid->stored_checksum == 0xB0E0 && rigid->computed_checksum == 0xB0E0);
  CHECK(rigid->field_count == 8 && rigid->unchecked[0] != '\0');
  CHECK(same(items[2].item.unchecked, "") && items[4].item.has_checksum == 0);
  OK(probedata_report_get_field(report, 1, 1, &field));
  CHECK(field.struct_size == sizeof field && field.offset == 10 && field.length == 22 &&
        same(field.name, "target 0: size, position, normal"));
  image[0x0C] ^= 1;
  OK(probedata_inspect(image, 428, &damaged));
  image[0x0C] ^= 1;
  OK(probedata_report_get_item(damaged, 1, &items[0].item));
  CHECK(items[0].item.verdict == PROBEDATA_VERDICT_DAMAGED && items[0].item.in_record == 0);
  CHECK(items[0].item.fault == PROBEDATA_FAULT_CHECKSUM);
  CHECK(items[0].item.stored_checksum == 0xB0E0 && items[0].item.computed_checksum == 0xB0E1);
  CHECK(!probedata_report_damage(report, &damage) && !probedata_report_damage(damaged, &broken));
  CHECK(same(damage, "") && same(broken, "rigid body checksum 0xB0E0 (computed 0xB0E1)"));
  OK(probedata_report_record(report, &record));
  probedata_report_free(report), probedata_report_free(damaged);
  return record;
}

// The sample's record, read target by target (each whole: a target has no padding and the
// library clears what it leaves unset); and a copy given the host's array of them.
static void check_record(const probedata_record* record) {
  probedata_record* copy = NULL;
  probedata_target target;
  char* id = NULL;
  size_t length = 0, count = 0, i;
  uint32_t stored = 1, checksum = 0;
  unsigned int thickness = 0;
  double direction[3] = {0, 0, 0};
  int equal = 0;
  CHECK(!probedata_record_get_id(record, &id, &length) && same(id, "DEMO-PROBE-01"));
  probedata_free(id);
  CHECK(!probedata_record_target_count(record, &count) && count == 5);
  for (i = 0; i < count; ++i)
    CHECK(!probedata_record_get_target(record, i, &target) &&
          same_bytes(&target, &kTargets[i], sizeof target));
  OK(probedata_record_get_default_direction(record, direction));
  CHECK(direction[0] == 0 && direction[1] == 0 && direction[2] == 1);
  CHECK(!probedata_record_get_mask_thickness(record, &thickness) && thickness == 2);
  CHECK(!probedata_record_get_stored_checksum(record, &stored) && stored == 0);
  CHECK(!probedata_record_checksum(record, &checksum) && checksum == 0x92BE);
  CHECK(!probedata_record_copy(record, &copy) && !probedata_record_set_targets(copy, NULL, 0));
  OK(probedata_record_set_targets(copy, kTargets, 5));
  CHECK(!probedata_record_equal(copy, record, &equal) && equal == 1);
  probedata_record_free(copy);
}

// A size the image holds only wrapped.
static void check_fit(void) {
  probedata_target target = kTargets[3];
  probedata_record* record = NULL;
  probedata_fit* fit = NULL;
  probedata_fit_problem problem = {sizeof problem, NULL, NULL, -1};
  size_t count = 0;
  target.size = 400;
  CHECK(!probedata_record_new(&record) && !probedata_record_set_targets(record, &target, 1));
  CHECK(!probedata_check_fit(record, &fit) && !probedata_fit_count(fit, &count) && count == 1);
  OK(probedata_fit_get(fit, 0, &problem));
  CHECK(problem.struct_size == sizeof problem && same(problem.path, "targets[0].size"));
  CHECK(same(problem.detail,
             "400 is out of range (-327.68 to 327.67): the image reads back -255.36"));
  CHECK(problem.refused == 0);
  probedata_fit_free(fit);
  probedata_record_free(record);
}

// The host's own device: its memory, what the log gave, and what the callbacks told, in order:
// "r1" all_read(1), "s1" saved(1), "e" error, "g" get_error asked.
struct device {
  probedata_coder* coder;
  unsigned char memory[428];
  uint32_t saved_at, saved_length;
  int log_lines;
  char said[16];
};
static void said(void* user, char what, int ok) {
  char* at = ((struct device*)user)->said;
  while (*at != '\0') ++at;
  at[0] = what, at[1] = ok < 0 ? '\0' : (char)('0' + ok), at[2] = '\0';
}
static void PROBEDATA_CALL on_checksum(void* user, int ok) { said(user, 'c', ok); }
static void PROBEDATA_CALL on_all(void* user, int ok) { said(user, 'r', ok); }
static void PROBEDATA_CALL on_saved(void* user, int ok) { said(user, 's', ok); }
static void PROBEDATA_CALL on_error(void* user) { said(user, 'e', -1); }
static void PROBEDATA_CALL on_log(void* user, int level, const char* message) {
  ((struct device*)user)->log_lines += level == PROBEDATA_LOG_TRACE && message[0] != '\0';
}
// Reads complete inside the request; saves are kept for the host to complete later.
static int PROBEDATA_CALL device_read(void* user, uint32_t offset, uint32_t length) {
  struct device* device = user;
  return probedata_coder_data_read(device->coder, 1, offset, length, device->memory + offset);
}
static int PROBEDATA_CALL device_save(void* user, uint32_t offset, uint32_t length,
                                      const unsigned char* data) {
  struct device* device = user;
  uint32_t i;
  for (i = 0; i < length && offset + i < sizeof device->memory; ++i)
    device->memory[offset + i] = data[i];
  device->saved_at = offset, device->saved_length = length;
  return 0;
}
static int PROBEDATA_CALL device_error(void* user) {
  said(user, 'g', -1);
  return PROBEDATA_HANDLER_TRANSFER_ERROR;
}

// A read and a save through the host's handler, the log on; a handler error while a save waits.
// Then the handler the simulated memory fills, called by the host itself.
static void check_devices(const unsigned char* image, const probedata_record* sample) {
  struct device host = {NULL, {0}, 0, 0, 0, {0}};
  probedata_data_handler handler = {sizeof handler, &host, device_read, device_save, device_error};
  const probedata_coder_callbacks callbacks = {sizeof callbacks, &host,    on_checksum,
                                               on_all,           on_saved, on_error};
  probedata_record* record = NULL;
  probedata_sim* sim = NULL;
  int equal = 0, level = -1;
  size_t i, delivered = 0;
  for (i = 0; i < sizeof host.memory; ++i) host.memory[i] = image[i];
  OK(probedata_coder_new(PROBEDATA_CODER_V1, &handler, &host.coder));
  OK(probedata_coder_set_callbacks(host.coder, &callbacks));
  OK(probedata_set_log(on_log, &host, PROBEDATA_LOG_TRACE));
  OK(probedata_coder_read_all(host.coder));
  OK(probedata_set_log(NULL, NULL, PROBEDATA_LOG_OFF));
  CHECK(!probedata_get_log_level(&level) && level == PROBEDATA_LOG_OFF && host.log_lines > 0);
  OK(probedata_coder_get_record(host.coder, &record));
  CHECK(!probedata_record_equal(record, sample, &equal) && equal == 1);
  memset(host.memory, 0, sizeof host.memory);
  CHECK(!probedata_coder_save(host.coder, record) && !probedata_coder_handler_error(host.coder));
  CHECK(host.saved_at == 0 && host.saved_length == 428);
  OK(probedata_coder_data_saved(host.coder, 1, 0, 428, host.memory));
  CHECK(same_bytes(host.memory, image, 428) && same(host.said, "r1ges1"));

  CHECK(!probedata_sim_new(428, 0, 1, &sim) && !probedata_sim_data_handler(sim, &handler));
  CHECK(handler.struct_size == sizeof handler && handler.user == (void*)sim);
  CHECK(handler.read_data(handler.user, 0, 8) == 0);
  CHECK(!probedata_sim_pump(sim, &delivered) && delivered == 1);
  probedata_record_free(record), probedata_sim_free(sim), probedata_coder_free(host.coder);
}

// The entry point: no C run time starts this program, and none ends it.
void __cdecl hostStart(void) {
  static unsigned char image[512];
  probedata_record* sample = NULL;
  CHECK(read_file("probe21.bin", image, sizeof image) == 428);
  sample = check_report(image);
  check_record(sample);
  check_fit();
  check_devices(image, sample);
  probedata_record_free(sample);
  put(failures == 0 ? "every check holds\n" : "FAILED\n");
  ExitProcess(failures != 0);
}
