/* The C interface of the probe library, for hosts that cannot use its C++ classes: programs in C,
 * scripts through a foreign-function interface, and Windows hosts built with another compiler.
 * It is C99, lives in the same shared library as the C++ interface, and is its own
 * documentation. In brief:
 *
 *   probedata_record* record = NULL;
 *   probedata_coder* coder = NULL;
 *   if (probedata_record_new(&record) != PROBEDATA_OK ||
 *       probedata_coder_new(PROBEDATA_CODER_V1, NULL, &coder) != PROBEDATA_OK ||
 *       probedata_coder_from_image(coder, image, length, record) != PROBEDATA_OK)
 *     fprintf(stderr, "%s\n", probedata_last_error());  // "rigid body checksum 0xB0E0 ..."
 *
 * Names. Every name starts with probedata_ (PROBEDATA_ for macros and constants).
 *
 * ABI. A function once released keeps its name and signature; every function and every function
 * pointer is PROBEDATA_CALL (__cdecl on 32-bit Windows, whatever the host's default). A struct
 * that crosses the boundary begins with struct_size, which the host sets to sizeof the struct it
 * was compiled with: the library reads or fills only the members that fit in that size, so a
 * struct can grow at its end, and refuses a size smaller than this first release's. Targets,
 * passed in arrays, have a fixed layout instead. PROBEDATA_VERSION_MAJOR, _MINOR, _BUILD and
 * _NUMBER (ProbeVersion.h, included here) give the headers' version, probedata_version() the
 * library's.
 *
 * Status. Every call that can fail returns a probedata_status; PROBEDATA_OK is 0. Every call
 * that returns a status sets the reason that probedata_last_error() gives on the same thread:
 * what happened and what to do, or "" after PROBEDATA_OK. No C++ exception ever leaves the
 * library. A null handle or pointer, an index out of range, a count or length no host can mean,
 * or a struct_size below the first release's is PROBEDATA_ERROR_ARGUMENT, never a crash.
 *
 * Memory. The library frees what it returns: handles with their own probedata_..._free, bytes
 * and texts returned through char** or unsigned char** with probedata_free(), so a host built
 * against another C run time is safe. Texts inside a struct filled from a handle belong to the
 * handle and live until it is freed. The library never frees what the host passes in and keeps
 * no pointer to it unless a function says so.
 *
 * Threads. Calls on different handles may run at once on different threads. Calls on one handle
 * must not overlap: the requests made to one coder, the completions delivered to it and the
 * callbacks it makes run one at a time (a completion may come on any thread, and inside the
 * request that caused it). probedata_last_error() and the log's recursion guard are per thread.
 *
 * Bytes and texts are passed with their length; texts need no NUL, and those the library returns
 * have one after their length. Ids are bytes as the record holds them. Paths are NUL-terminated:
 * UTF-8 on Windows (converted to the system's wide names), bytes as given elsewhere.
 */
#ifndef PROBEDATA_C_H
#define PROBEDATA_C_H

#include <stddef.h>
#include <stdint.h>

#include "ProbeExport.h"
#include "ProbeVersion.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- Status, reason, memory, version ---------------------------------------------------------- */

typedef enum probedata_status {
  PROBEDATA_OK = 0,
  PROBEDATA_ERROR_ARGUMENT = 1, /* a null handle or pointer, a value, index or size out of range */
  PROBEDATA_ERROR_STATE = 2,    /* refused in the present state: no handler, a transfer pending, no
                                   completion awaited */
  PROBEDATA_ERROR_DECODE = 3,   /* bytes or a text that do not decode into a record */
  PROBEDATA_ERROR_ENCODE = 4,   /* a record that the form asked for cannot hold */
  PROBEDATA_ERROR_IO = 5,       /* a file that cannot be opened, read, written or replaced */
  PROBEDATA_ERROR_MEMORY = 6,   /* memory ran out */
  PROBEDATA_ERROR_INTERNAL = 7  /* anything else the library met */
} probedata_status;

/* The reason of the last call on this thread that returned a status; "" after PROBEDATA_OK. Valid
 * until the next such call on this thread. */
PROBEDATA_API const char* PROBEDATA_CALL probedata_last_error(void);
/* The system's error number (errno) behind the last PROBEDATA_ERROR_IO on this thread, or 0 when
 * the last call that returned a status gave none. */
PROBEDATA_API int PROBEDATA_CALL probedata_last_system_error(void);
/* "ok", "argument", "state", "decode", "encode", "io", "memory", "internal"; "unknown" else. */
PROBEDATA_API const char* PROBEDATA_CALL probedata_status_name(probedata_status status);
/* Frees bytes and texts the library returned; NULL is ignored. */
PROBEDATA_API void PROBEDATA_CALL probedata_free(void* memory);

/* The library's version text ("32-bit Edition Version 1.1 Build 1112 ..."), static, and the
 * numbers of the library loaded, which a host compares with the PROBEDATA_VERSION_ macros of the
 * headers it was built with; any pointer may be NULL. */
PROBEDATA_API const char* PROBEDATA_CALL probedata_version_text(void);
PROBEDATA_API void PROBEDATA_CALL probedata_version(int* major, int* minor, int* build);

/* --- The log ---------------------------------------------------------------------------------- */

/* The levels of the library's log lines, and OFF for none. */
enum {
  PROBEDATA_LOG_TRACE = 0,
  PROBEDATA_LOG_DEBUG = 1,
  PROBEDATA_LOG_INFO = 2,
  PROBEDATA_LOG_WARN = 3,
  PROBEDATA_LOG_ERROR = 4,
  PROBEDATA_LOG_FATAL = 5,
  PROBEDATA_LOG_OFF = 6
};

/* Receives each log line of level and above with user, on the thread that logs, one line at a
 * time. A line holds at most 1000 bytes of what the library logs, then how long it was. From
 * inside, the function may call any function here, probedata_set_log included (to stop the log
 * or change the level, from the next line on); the lines logged during its own call are not
 * passed to it. */
typedef void(PROBEDATA_CALL* probedata_log_function)(void* user, int level, const char* message);

/* The library logs through one log4cplus logger, "Probe". Through this interface it is quiet until
 * a host asks: nothing reaches the standard streams. function NULL stops the lines (level is
 * still kept and checked). A level finer than the logger's own lowers the logger's level, so that
 * the lines are made; the logger is otherwise left as a C++ host of the same process set it.
 * PROBEDATA_ERROR_ARGUMENT for a level that is none of PROBEDATA_LOG_. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_set_log(probedata_log_function function,
                                                                void* user, int level);
/* The level last set (PROBEDATA_LOG_OFF before any). */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_get_log_level(int* level);

/* --- The probe record ------------------------------------------------------------------------- */

typedef struct probedata_record probedata_record;

/* A target of the record's rigid body. normal and angle hold values only when has_normal and
 * has_angle are not 0. A fixed layout of 72 bytes without padding, for every compiler and width;
 * it never grows. */
typedef struct probedata_target {
  double size;
  double position[3];
  double normal[3];
  double angle;
  int32_t has_normal;
  int32_t has_angle;
} probedata_target;

/* Compile-time checks of that layout in the host's own compiler. */
#define PROBEDATA_LAYOUT_CHECK_(name, holds) typedef char probedata_layout_##name[(holds) ? 1 : -1]
PROBEDATA_LAYOUT_CHECK_(target_size, sizeof(probedata_target) == 72);
PROBEDATA_LAYOUT_CHECK_(target_normal, offsetof(probedata_target, normal) == 32);
PROBEDATA_LAYOUT_CHECK_(target_angle, offsetof(probedata_target, angle) == 56);
PROBEDATA_LAYOUT_CHECK_(target_flags, offsetof(probedata_target, has_normal) == 64 &&
                                          offsetof(probedata_target, has_angle) == 68);

/* A new record: no targets, empty id, default direction (0, 0, 0), mask thickness 0, stored
 * checksum 0. Free it with probedata_record_free. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_record_new(probedata_record** record);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_record_copy(const probedata_record* source,
                                                                    probedata_record** copy);
PROBEDATA_API void PROBEDATA_CALL probedata_record_free(probedata_record* record);
/* *equal is 1 when the two hold the same id, targets in the same order (values compared as
 * numbers, NaN equal to NaN; normal and angle only where present), default direction, mask
 * thickness and stored checksum; else 0. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_record_equal(const probedata_record* a,
                                                                     const probedata_record* b,
                                                                     int* equal);

/* The rigid body's id: *id is a new text of *length bytes (probedata_free). */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_get_id(const probedata_record* record, char** id, size_t* length);
/* Any bytes; an id that holds a NUL byte is kept, but no XML text, file or image takes it. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_record_set_id(probedata_record* record,
                                                                      const char* id,
                                                                      size_t length);
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_target_count(const probedata_record* record, size_t* count);
/* The target at index, in the order of the record's target list. */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_get_target(const probedata_record* record, size_t index, probedata_target* target);
/* Replaces every target with count targets (targets may be NULL when count is 0), numbered 0 to
 * count-1 as every stored form numbers them. A count above INT_MAX is PROBEDATA_ERROR_ARGUMENT. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_record_set_targets(
    probedata_record* record, const probedata_target* targets, size_t count);
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_get_default_direction(const probedata_record* record, double direction[3]);
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_set_default_direction(probedata_record* record, const double direction[3]);
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_get_mask_thickness(const probedata_record* record, unsigned int* thickness);
/* 0 to 65535; a larger value is PROBEDATA_ERROR_ARGUMENT. */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_set_mask_thickness(probedata_record* record, unsigned int thickness);
/* The stored checksum, an ordinary value of the record: nothing computes or compares it. */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_get_stored_checksum(const probedata_record* record, uint32_t* checksum);
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_set_stored_checksum(probedata_record* record, uint32_t checksum);
/* The record checksum: CRC-16/ARC of the record's XML text; 0 when the record has no XML text (a
 * value that is not a finite number). */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_checksum(const probedata_record* record, uint32_t* checksum);

/* --- XML text and files ----------------------------------------------------------------------- */

/* The record's XML text, as every release writes it: *text is new (probedata_free).
 * PROBEDATA_ERROR_ENCODE for a value that is not a finite number, or an id holding a NUL byte. */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_to_xml(const probedata_record* record, char** text, size_t* length);
/* Reads an XML text into record; a UTF-8 byte-order mark before it is skipped, and reading stops
 * at a NUL. PROBEDATA_ERROR_DECODE when it does not read whole, saying why and where; the record
 * then keeps what was read before the failing element (the stored checksum, then the rigid body,
 * then the default direction). */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_record_load_xml(probedata_record* record,
                                                                        const char* text,
                                                                        size_t length);
/* Replaces the file at path whole with the XML text, as a careful program writes: a temporary file
 * beside it, synced, renamed over it, so that a failure leaves the old file as it was (written in
 * place instead where a rename would lose something: a file with other hard links, another user's
 * file, a directory that takes no new file, a device). binary 0 ends lines as the system's text
 * files do (CR LF on Windows). PROBEDATA_ERROR_ENCODE as for probedata_record_to_xml, with the
 * file untouched; PROBEDATA_ERROR_IO with the system's reason. */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_record_save_file(const probedata_record* record, const char* path, int binary);
/* probedata_record_load_xml of the file's bytes. PROBEDATA_ERROR_IO, with the record untouched,
 * when the file cannot be read; PROBEDATA_ERROR_DECODE when its text does not read. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_record_load_file(probedata_record* record,
                                                                         const char* path);

/* --- The image report ------------------------------------------------------------------------- */

/* Items of the version-1 image, in image order; PROBEDATA_ITEM_ALL is the whole image. */
enum {
  PROBEDATA_ITEM_ALL = 0,
  PROBEDATA_ITEM_VERSION = 1,
  PROBEDATA_ITEM_RIGID_BODY = 2,
  PROBEDATA_ITEM_DEFAULT_DIRECTION = 3,
  PROBEDATA_ITEM_MASK_THICKNESS = 4,
  PROBEDATA_ITEM_DATA_CHECK = 5
};
/* An item's verdict, and what is wrong with a damaged one (see probedata_verdict_name,
 * probedata_fault_name; a later release may add values at the end). */
enum {
  PROBEDATA_VERDICT_INTACT = 0,
  PROBEDATA_VERDICT_DAMAGED = 1,
  PROBEDATA_VERDICT_ABSENT = 2,
  PROBEDATA_VERDICT_MISSING = 3
};
enum {
  PROBEDATA_FAULT_NONE = 0,
  PROBEDATA_FAULT_UNKNOWN_VERSION = 1, /* version block: a version no device writes */
  PROBEDATA_FAULT_DAMAGED_MAGIC = 2,   /* version block: the magic with one byte changed */
  PROBEDATA_FAULT_CUT_SHORT = 3,       /* the image ends inside the item */
  PROBEDATA_FAULT_OVERRUN = 4,         /* the item's count or flags describe more than it holds */
  PROBEDATA_FAULT_CHECKSUM = 5,        /* the item's checksum is not the sum of its fields */
  PROBEDATA_FAULT_BLANK_MEMORY = 6,    /* version block: every byte is 0x00 */
  PROBEDATA_FAULT_ERASED_MEMORY = 7,   /* version block: every byte is 0xFF */
  PROBEDATA_FAULT_DAMAGED_VERSION = 8  /* version block: blocks read intact only in another
                                          version */
};

typedef struct probedata_report probedata_report;

typedef struct probedata_report_info {
  size_t struct_size; /* set by the host: sizeof(probedata_report_info) */
  size_t size;        /* of the bytes inspected */
  int has_magic;      /* they start with the magic "QMVB" */
  int has_version;    /* major, minor, version and image_length are set */
  unsigned int major; /* the version the items are judged in */
  unsigned int minor;
  uint32_t version;      /* major << 4 | minor */
  uint32_t image_length; /* of an image of that version */
  uint32_t target_count; /* as the rigid body block states it */
  int has_data_checksum;
  uint32_t data_checksum; /* CRC-16 of the rigid body to mask thickness blocks as they stand */
  int intact;             /* no item damaged and the image as long as its version needs */
  size_t item_count;
} probedata_report_info;

typedef struct probedata_report_item {
  size_t struct_size; /* set by the host: sizeof(probedata_report_item) */
  int item;           /* PROBEDATA_ITEM_... */
  const char* name;   /* "version", "rigid body", "default direction", ... */
  uint32_t offset;    /* where the image's version puts it */
  uint32_t length;
  int verdict;      /* PROBEDATA_VERDICT_... */
  int fault;        /* PROBEDATA_FAULT_... */
  int has_checksum; /* the item carries a checksum: the value stored, and the sum computed */
  uint32_t stored_checksum;
  uint32_t computed_checksum;
  int in_record;         /* its values are in the report's record (probedata_report_record) */
  const char* detail;    /* what it holds or what is wrong with it; unprintable bytes as \xNN */
  const char* unchecked; /* what of it no checksum covers; "" when a checksum covers it all */
  size_t field_count;
} probedata_report_item;

/* A field, or a target record, inside an item ("target 1: size, position, normal"). */
typedef struct probedata_report_field {
  size_t struct_size; /* set by the host: sizeof(probedata_report_field) */
  uint32_t offset;    /* in the image */
  uint32_t length;
  const char* name;
} probedata_report_field;

/* Which block of an image held as bytes is damaged: every item's place, verdict, checksums and
 * detail, and the record its intact items give. Free it with probedata_report_free. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_inspect(const unsigned char* image,
                                                                size_t length,
                                                                probedata_report** report);
PROBEDATA_API void PROBEDATA_CALL probedata_report_free(probedata_report* report);
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_report_get_info(const probedata_report* report, probedata_report_info* info);
/* Items in image order, index 0 the version item. probedata_report_get_items fills the first
 * count items into an array of structs of items[0].struct_size bytes each (count at most
 * item_count). */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_report_get_item(
    const probedata_report* report, size_t index, probedata_report_item* item);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_report_get_items(
    const probedata_report* report, probedata_report_item* items, size_t count);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_report_get_field(
    const probedata_report* report, size_t item, size_t field, probedata_report_field* out);
/* What is wrong in one line ("rigid body checksum 0xB0E0 (computed 0xB0E1)"); "" when intact.
 * The text belongs to the report. */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_report_damage(const probedata_report* report, const char** text);
/* A new record holding the intact items' values (probedata_record_free). */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_report_record(const probedata_report* report, probedata_record** record);
/* "intact", "damaged", "absent", "missing"; "none", "unknownVersion", "damagedMagic", "cutShort",
 * "overrun", "checksumMismatch", "blankMemory", "erasedMemory", "damagedVersion"; "unknown" for
 * any other value, where a host listing them all stops. Static texts. */
PROBEDATA_API const char* PROBEDATA_CALL probedata_verdict_name(int verdict);
PROBEDATA_API const char* PROBEDATA_CALL probedata_fault_name(int fault);
/* An item's name as reports give it: "version", "rigid body", "default direction", "mask
 * thickness", "data check"; "image" for PROBEDATA_ITEM_ALL; "unknown" for any other value. */
PROBEDATA_API const char* PROBEDATA_CALL probedata_item_name(int item);
/* A packed image version as messages name it: "2.1" for 0x21 (*text new, probedata_free). */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_image_version_name(uint32_t version,
                                                                           char** text,
                                                                           size_t* length);

/* --- What an image cannot hold ---------------------------------------------------------------- */

typedef struct probedata_fit probedata_fit;

typedef struct probedata_fit_problem {
  size_t struct_size; /* set by the host: sizeof(probedata_fit_problem) */
  const char* path;   /* the value's place: "targets[2].size", "defaultDirection[0]", "id", ... */
  const char* detail; /* why, with the field's limit */
  int refused;        /* the image is refused for it; else it is written and reads back otherwise */
} probedata_fit_problem;

/* Every value of record that a version 2.1 image cannot hold as it is, in record order; none
 * when the image gives the record back to its resolution. Free it with probedata_fit_free. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_check_fit(const probedata_record* record,
                                                                  probedata_fit** fit);
PROBEDATA_API void PROBEDATA_CALL probedata_fit_free(probedata_fit* fit);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_fit_count(const probedata_fit* fit,
                                                                  size_t* count);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_fit_get(const probedata_fit* fit,
                                                                size_t index,
                                                                probedata_fit_problem* problem);

/* --- Device coders ---------------------------------------------------------------------------- */

typedef struct probedata_coder probedata_coder;

/* The version-1 coder keeps the record as the 428-byte image; the simulation coder keeps its XML
 * text in the device memory. */
typedef enum probedata_coder_kind {
  PROBEDATA_CODER_V1 = 1,
  PROBEDATA_CODER_SIMULATION = 2
} probedata_coder_kind;

/* What get_error answers: the handler's error is a transfer error, or none. */
enum { PROBEDATA_HANDLER_NO_ERROR = 0, PROBEDATA_HANDLER_TRANSFER_ERROR = 1 };

/* The host's access to the device memory. A request returns at once with 0 when the handler took
 * it, anything else when it did not (the request then fails as a transfer would); the host later
 * delivers its completion with probedata_coder_data_read or probedata_coder_data_saved, possibly
 * before the request returns. save_data's bytes are valid during the call only: copy them.
 * get_error may be NULL; it is asked when the host reports an error. From inside, a function may
 * deliver the completion of the request it was given, and call any function on other handles and
 * the coder's own getters; it must not free the coder. */
typedef struct probedata_data_handler {
  size_t struct_size; /* set by the host: sizeof(probedata_data_handler) */
  void* user;
  int(PROBEDATA_CALL* read_data)(void* user, uint32_t offset, uint32_t length);
  int(PROBEDATA_CALL* save_data)(void* user, uint32_t offset, uint32_t length,
                                 const unsigned char* data);
  int(PROBEDATA_CALL* get_error)(void* user);
} probedata_data_handler;

/* What a coder reports, each with user; a NULL member is not called. Every accepted request ends
 * in exactly one result: checksum_read ends a checksum read and a version read (and a read_all
 * whose version read failed), all_read a whole read, saved a save; ok 0 is a failure, whose kind
 * probedata_coder_get_error tells. error is called when the host reports a handler error
 * (probedata_coder_handler_error), and before the failed result of a read the coder could not
 * request (the handler did not take it, or a save started meanwhile refuses the read that a
 * version read was to be followed by); a failed completion, a decode failure and a record that
 * cannot be coded are told by the result alone. From inside, a callback may make the next
 * request, read the coder's record, versions and error, cancel, and call any function on other
 * handles; probedata_coder_free from inside takes effect when the call that made the callback
 * returns. */
typedef struct probedata_coder_callbacks {
  size_t struct_size; /* set by the host: sizeof(probedata_coder_callbacks) */
  void* user;
  void(PROBEDATA_CALL* checksum_read)(void* user, int ok);
  void(PROBEDATA_CALL* all_read)(void* user, int ok);
  void(PROBEDATA_CALL* saved)(void* user, int ok);
  void(PROBEDATA_CALL* error)(void* user);
} probedata_coder_callbacks;

/* A coder over the host's handler (copied; NULL: none, and requests are refused), with a default
 * record. Free it with probedata_coder_free when no transfer is pending, or after
 * probedata_coder_cancel. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_new(
    probedata_coder_kind kind, const probedata_data_handler* handler, probedata_coder** coder);
PROBEDATA_API void PROBEDATA_CALL probedata_coder_free(probedata_coder* coder);
/* Copied; NULL clears them. The ones set when a report is made receive it. */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_coder_set_callbacks(probedata_coder* coder, const probedata_coder_callbacks* callbacks);

/* Requests: each returns at once, the result arrives through the callbacks. PROBEDATA_ERROR_STATE,
 * with nothing changed, without a handler or while a transfer that forbids it is pending (the
 * version-1 coder takes one read and one save at a time). */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_read_version(probedata_coder* coder);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_read_all(probedata_coder* coder);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_read_checksum(probedata_coder* coder);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_save(probedata_coder* coder,
                                                                   const probedata_record* record);

/* Completions, from the host. A completion names its request by offset and length (the whole-text
 * read of the simulation coder, length 0xFFFFFFFF, is completed with the text's length); ok 0 is
 * a failed transfer, whose data is not read; else data holds length bytes, read during the call
 * only. PROBEDATA_ERROR_STATE, with nothing changed, when the coder awaits no such completion;
 * PROBEDATA_ERROR_ARGUMENT for data NULL with length above 0 and ok not 0.
 * A version-1 read that finds memory holding no image (every byte 0x00, as never written, or
 * 0xFF, as erased) fails as a decode failure: its result has ok 0, probedata_coder_get_error gives
 * PROBEDATA_CODER_ERROR_DECODE, and the record stays as it was; an empty probe, by contrast, reads
 * with ok 1 and a record without targets. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_data_read(probedata_coder* coder,
                                                                        int ok, uint32_t offset,
                                                                        uint32_t length,
                                                                        const unsigned char* data);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_data_saved(probedata_coder* coder,
                                                                         int ok, uint32_t offset,
                                                                         uint32_t length,
                                                                         const unsigned char* data);
/* The handler met an error, which its get_error tells: the coder records a transfer error and
 * calls error; pending transfers still end with their own completions. PROBEDATA_ERROR_STATE when
 * no transfer is pending. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_handler_error(probedata_coder* coder);
/* Ends every pending transfer of the coder as failed, as a completion with ok 0 would (a transfer
 * error, each with its failed result); completions the host delivers for them later are
 * PROBEDATA_ERROR_STATE. Then the coder may be freed. PROBEDATA_ERROR_STATE when none is pending.
 */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_cancel(probedata_coder* coder);

/* The record last read or saved, as a new record (probedata_record_free). */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_coder_get_record(const probedata_coder* coder, probedata_record** record);
/* The input version (of the image last read or saved; PROBEDATA_NO_VERSION when none) and the
 * output version (in which the next save writes); either pointer may be NULL. */
#define PROBEDATA_NO_VERSION 0xFFFFFFFFu
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_coder_get_versions(const probedata_coder* coder, uint32_t* input, uint32_t* output);
/* Only the version the coder writes whole, its own: 0x21 for the version-1 coder, 0x10 for the
 * simulation coder; any other is PROBEDATA_ERROR_ARGUMENT. (A version-1 read sets the output
 * version to the version it read, so that a save writes back what the device holds.) */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_coder_set_output_version(probedata_coder* coder, unsigned int version);
/* The kind of the most recent failure, never reset by a success. */
enum {
  PROBEDATA_CODER_ERROR_NONE = 0,
  PROBEDATA_CODER_ERROR_DECODE = 2,  /* bytes from the device that do not decode, or no image */
  PROBEDATA_CODER_ERROR_CODE = 3,    /* a record that cannot be coded for a save */
  PROBEDATA_CODER_ERROR_TRANSFER = 4 /* a transfer that failed, was refused or cancelled */
};
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_coder_get_error(const probedata_coder* coder, int* error);

/* The length of a version-1 image of a version devices write: 428 for 0x21 and 0x20, 328 for the
 * cut image 0x01; 0 for any other. */
PROBEDATA_API size_t PROBEDATA_CALL probedata_image_length(uint32_t version);
/* Version-1 coder only. The record as an image in the coder's versions (a new coder writes
 * version 2.1): *image is new (probedata_free); PROBEDATA_ERROR_ENCODE with every value that is
 * refused, or for an id holding a NUL byte. */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_coder_to_image(const probedata_coder* coder, const probedata_record* record,
                         unsigned char** image, size_t* length);
/* Decodes an image into record and sets the coder's input version from it. PROBEDATA_ERROR_DECODE
 * with what the image report finds damaged, memory holding no image (blank or erased) among it;
 * record then keeps the items decoded before the failing one (all of it for memory without an
 * image). */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_from_image(probedata_coder* coder,
                                                                         const unsigned char* image,
                                                                         size_t length,
                                                                         probedata_record* record);
/* The data checksum of record: for the version-1 coder the CRC-16 of its image's rigid body to
 * mask thickness blocks, for the simulation coder that of its XML text. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_coder_data_checksum(
    const probedata_coder* coder, const probedata_record* record, uint32_t* checksum);

/* --- The simulated device memory -------------------------------------------------------------- */

typedef struct probedata_sim probedata_sim;

/* A zero-filled memory of size bytes (at most 0xFFFFFFFF, as offsets are 32-bit). text_storage not
 * 0: it holds a text, as a simulated probe keeps a record's XML (a read of offset 0 and length
 * 0xFFFFFFFF gives the text, a save at 0 replaces it). queued not 0: completions wait for
 * probedata_sim_pump; else they come at once, inside the request. Free it with probedata_sim_free;
 * either of a memory and its bound coder may be freed first. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_sim_new(size_t size, int text_storage,
                                                                int queued, probedata_sim** sim);
PROBEDATA_API void PROBEDATA_CALL probedata_sim_free(probedata_sim* sim);
/* A data handler over this memory, for probedata_coder_new; its user is the memory. */
PROBEDATA_API probedata_status PROBEDATA_CALL
probedata_sim_data_handler(probedata_sim* sim, probedata_data_handler* handler);
/* The coder that receives the memory's completions, as if the host delivered them (NULL: none). */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_sim_bind(probedata_sim* sim,
                                                                 probedata_coder* coder);
/* Delivers the queued completions, and those they cause; *delivered may be NULL. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_sim_pump(probedata_sim* sim,
                                                                 size_t* delivered);
/* Replaces the memory's content, and its size, with length bytes. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_sim_load(probedata_sim* sim,
                                                                 const unsigned char* bytes,
                                                                 size_t length);
/* *bytes is new (probedata_free). */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_sim_contents(const probedata_sim* sim,
                                                                     unsigned char** bytes,
                                                                     size_t* length);
/* Faults a real device shows: the next read or save fails; a stored byte is XORed with mask. */
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_sim_fail_next_read(probedata_sim* sim);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_sim_fail_next_save(probedata_sim* sim);
PROBEDATA_API probedata_status PROBEDATA_CALL probedata_sim_corrupt_byte(probedata_sim* sim,
                                                                         size_t offset,
                                                                         unsigned int mask);

#ifdef __cplusplus
}
#endif

#endif
