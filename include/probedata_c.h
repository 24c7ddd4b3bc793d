/* The C interface of the probe library: the probe record, its XML text and files, its version-1
 * image and the image report, the device coders with a host's own data handler, and the
 * simulated device memory, for hosts that cannot use the C++ classes: programs in C, scripts
 * through a foreign-function interface, and Windows hosts built with another compiler than the
 * library's. It is C99 and lives in the same shared library as the C++ interface.
 *
 * Names. Every name starts with probedata_ (PROBEDATA_ for constants). A function once released
 * keeps its signature, and a struct here keeps its layout.
 *
 * Status. Every call that can fail returns a probedata_status; PROBEDATA_OK is 0. After a call that
 * fails, probedata_last_error() gives the library's reason on the same thread. No C++ exception
 * ever leaves the library through this interface. A null handle, a null out-pointer or an index out
 * of range is PROBEDATA_ERROR_ARGUMENT, never a crash.
 *
 * Memory. The library allocates what it returns and frees it itself: handles with their own
 * probedata_..._free function, bytes and texts returned through char** or unsigned char** with
 * probedata_free(). Text pointers inside a struct filled from a handle (probedata_report_item, ...)
 * belong to that handle and stay valid until it is freed. The library never frees what the host
 * passes in, and keeps no pointer to it unless a function says so. So a host built against another
 * C run time than the library's is safe.
 *
 * Threads. Calls on different handles may run at once on different threads. Calls on one handle
 * must not overlap; in particular the requests made to one coder, the completions the host
 * delivers to it and the callbacks it makes must not overlap (a callback may make the next
 * request on the same thread). A completion may be delivered on any thread, and inside the
 * request that caused it. probedata_last_error() is kept per thread.
 *
 * Bytes and texts are passed with their length; texts need no terminating NUL, and those the
 * library returns have one after their length. An id or a file name is bytes as the record or
 * the system holds them; the library does not interpret their encoding.
 */
#ifndef PROBEDATA_C_H
#define PROBEDATA_C_H

#include <stddef.h>
#include <stdint.h>

#include "ProbeExport.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- Status, reason, memory, version ---------------------------------------------------------- */

typedef enum probedata_status {
  PROBEDATA_OK = 0,
  PROBEDATA_ERROR_ARGUMENT = 1, /* a null handle or pointer, an index or a value out of range */
  PROBEDATA_ERROR_STATE = 2,  /* refused: no data handler, a transfer pending, an unknown version */
  PROBEDATA_ERROR_DECODE = 3, /* bytes or a text that do not decode into a record */
  PROBEDATA_ERROR_ENCODE = 4, /* a record that the form asked for cannot hold */
  PROBEDATA_ERROR_IO = 5,     /* a file that cannot be opened, read, written or closed */
  PROBEDATA_ERROR_MEMORY = 6, /* memory ran out */
  PROBEDATA_ERROR_INTERNAL = 7 /* anything else the library met */
} probedata_status;

/* The reason for the last call on this thread that failed, as the library words it; "" when no
 * call has failed. Valid until the next call on this thread. */
PROBEDATA_API const char* probedata_last_error(void);
/* "ok", "argument", "state", "decode", "encode", "io", "memory", "internal"; "unknown" else. */
PROBEDATA_API const char* probedata_status_name(probedata_status status);
/* Frees bytes and texts the library returned; NULL is ignored. */
PROBEDATA_API void probedata_free(void* memory);

/* The library's version text ("32-bit Edition Version 1.1 Build 1112 ..."), static, and its
 * numbers; any pointer may be NULL. */
PROBEDATA_API const char* probedata_version_text(void);
PROBEDATA_API void probedata_version(int* major, int* minor, int* build);

/* The library logs through one logger. function receives each line at level and above with
 * user, on the thread that logs; NULL stops that. level is a log4cplus level: 0 TRACE, 10000
 * DEBUG, 30000 WARN, 40000 ERROR, 60000 OFF (nothing is logged). A host that calls nothing here
 * and configures no logging otherwise gets log4cplus's complaint that no appender is set. */
typedef void (*probedata_log_function)(void* user, int level, const char* message);
PROBEDATA_API probedata_status probedata_set_log(probedata_log_function function, void* user,
                                                 int level);

/* --- The probe record ------------------------------------------------------------------------- */

typedef struct probedata_record probedata_record;

/* A target of the record's rigid body. normal and angle hold values only when has_normal and
 * has_angle are not 0. */
typedef struct probedata_target {
  double size;
  double position[3];
  int has_normal;
  double normal[3];
  int has_angle;
  double angle;
} probedata_target;

/* A new record: no targets, empty id, default direction (0, 0, 0), mask thickness 0, stored
 * checksum 0. Free it with probedata_record_free. */
PROBEDATA_API probedata_status probedata_record_new(probedata_record** record);
PROBEDATA_API probedata_status probedata_record_copy(const probedata_record* source,
                                                     probedata_record** copy);
PROBEDATA_API void probedata_record_free(probedata_record* record);

/* The rigid body's id: *id is a new text of *length bytes (probedata_free). */
PROBEDATA_API probedata_status probedata_record_get_id(const probedata_record* record, char** id,
                                                       size_t* length);
PROBEDATA_API probedata_status probedata_record_set_id(probedata_record* record, const char* id,
                                                       size_t length);
PROBEDATA_API probedata_status probedata_record_target_count(const probedata_record* record,
                                                             size_t* count);
/* The target at index, in the order of the record's target list. */
PROBEDATA_API probedata_status probedata_record_get_target(const probedata_record* record,
                                                           size_t index, probedata_target* target);
/* Replaces every target with count targets (targets may be NULL when count is 0), numbered 0 to
 * count-1 as every stored form numbers them. */
PROBEDATA_API probedata_status probedata_record_set_targets(probedata_record* record,
                                                            const probedata_target* targets,
                                                            size_t count);
PROBEDATA_API probedata_status
probedata_record_get_default_direction(const probedata_record* record, double direction[3]);
PROBEDATA_API probedata_status probedata_record_set_default_direction(probedata_record* record,
                                                                      const double direction[3]);
PROBEDATA_API probedata_status probedata_record_get_mask_thickness(const probedata_record* record,
                                                                   unsigned int* thickness);
/* 0 to 65535; a larger value is PROBEDATA_ERROR_ARGUMENT. */
PROBEDATA_API probedata_status probedata_record_set_mask_thickness(probedata_record* record,
                                                                   unsigned int thickness);
/* The stored checksum, an ordinary value of the record: nothing computes or compares it. */
PROBEDATA_API probedata_status probedata_record_get_stored_checksum(const probedata_record* record,
                                                                    uint32_t* checksum);
PROBEDATA_API probedata_status probedata_record_set_stored_checksum(probedata_record* record,
                                                                    uint32_t checksum);
/* The record checksum: CRC-16/ARC of the record's XML text; 0 when the record has no XML text
 * (a value that is not a finite number). */
PROBEDATA_API probedata_status probedata_record_checksum(const probedata_record* record,
                                                         uint32_t* checksum);

/* --- XML text and files ----------------------------------------------------------------------- */

/* The record's XML text, as every release writes it: *text is new (probedata_free).
 * PROBEDATA_ERROR_ENCODE for a record holding a value that is not a finite number. */
PROBEDATA_API probedata_status probedata_record_to_xml(const probedata_record* record, char** text,
                                                       size_t* length);
/* Reads an XML text into record; reading stops at a NUL. PROBEDATA_ERROR_DECODE when it does not
 * read whole, with the reason and where; the record then keeps what was read before the failing
 * element (the stored checksum, then the rigid body, then the default direction). */
PROBEDATA_API probedata_status probedata_record_load_xml(probedata_record* record, const char* text,
                                                         size_t length);
/* Writes the XML text into the file at path (a NUL-terminated name), from its first byte; an
 * existing longer file keeps its tail. binary 0 opens it in the run time's text mode. */
PROBEDATA_API probedata_status probedata_record_save_file(const probedata_record* record,
                                                          const char* path, int binary);
PROBEDATA_API probedata_status probedata_record_load_file(probedata_record* record,
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
 * probedata_fault_name). */
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
  PROBEDATA_FAULT_DAMAGED_VERSION =
      8 /* version block: the blocks read intact only in another version */
};

typedef struct probedata_report probedata_report;

typedef struct probedata_report_info {
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
  int item;         /* PROBEDATA_ITEM_... */
  const char* name; /* "version", "rigid body", "default direction", ... */
  uint32_t offset;  /* where the image's version puts it */
  uint32_t length;
  int verdict;      /* PROBEDATA_VERDICT_... */
  int fault;        /* PROBEDATA_FAULT_... */
  int has_checksum; /* the item carries a checksum: the value stored, and the sum computed */
  uint32_t stored_checksum;
  uint32_t computed_checksum;
  int in_record;      /* its values are in the report's record (probedata_report_record) */
  const char* detail; /* what it holds or what is wrong with it; bytes that do not print as \xNN */
  const char* unchecked; /* what of it no checksum covers; "" when a checksum covers it all */
  size_t field_count;
} probedata_report_item;

/* A field, or a target record, inside an item ("target 1: size, position, normal"). */
typedef struct probedata_report_field {
  uint32_t offset; /* in the image */
  uint32_t length;
  const char* name;
} probedata_report_field;

/* Which block of an image held as bytes is damaged: every item's place, verdict, checksums and
 * detail, and the record its intact items give. Free it with probedata_report_free. */
PROBEDATA_API probedata_status probedata_inspect(const unsigned char* image, size_t length,
                                                 probedata_report** report);
PROBEDATA_API void probedata_report_free(probedata_report* report);
PROBEDATA_API probedata_status probedata_report_get_info(const probedata_report* report,
                                                         probedata_report_info* info);
/* Items in image order, index 0 the version item; probedata_report_get_items fills items[0] to
 * items[count - 1] with the first count items in one call (count at most item_count). */
PROBEDATA_API probedata_status probedata_report_get_item(const probedata_report* report,
                                                         size_t index, probedata_report_item* item);
PROBEDATA_API probedata_status probedata_report_get_items(const probedata_report* report,
                                                          probedata_report_item* items,
                                                          size_t count);
PROBEDATA_API probedata_status probedata_report_get_field(const probedata_report* report,
                                                          size_t item, size_t field,
                                                          probedata_report_field* out);
/* What is wrong in one line ("rigid body checksum 0xB0E0 (computed 0xB0E1)"); "" when intact.
 * The text belongs to the report. */
PROBEDATA_API probedata_status probedata_report_damage(const probedata_report* report,
                                                       const char** text);
/* A new record holding the intact items' values (probedata_record_free). */
PROBEDATA_API probedata_status probedata_report_record(const probedata_report* report,
                                                       probedata_record** record);
/* "intact", "damaged", "absent", "missing"; "none", "unknownVersion", "damagedMagic", "cutShort",
 * "overrun", "checksumMismatch", "blankMemory", "erasedMemory", "damagedVersion"; "unknown" for
 * any other value. Static texts. */
PROBEDATA_API const char* probedata_verdict_name(int verdict);
PROBEDATA_API const char* probedata_fault_name(int fault);

/* --- What an image cannot hold ---------------------------------------------------------------- */

typedef struct probedata_fit probedata_fit;

typedef struct probedata_fit_problem {
  const char* path;   /* the value's place: "targets[2].size", "defaultDirection[0]", "id", ... */
  const char* detail; /* why, with the field's limit */
  int refused;        /* the image is refused for it; else it is written and reads back otherwise */
} probedata_fit_problem;

/* Every value of record that a version 2.1 image cannot hold as it is, in record order; none
 * when the image gives the record back to its resolution. Free it with probedata_fit_free. */
PROBEDATA_API probedata_status probedata_check_fit(const probedata_record* record,
                                                   probedata_fit** fit);
PROBEDATA_API void probedata_fit_free(probedata_fit* fit);
PROBEDATA_API probedata_status probedata_fit_count(const probedata_fit* fit, size_t* count);
PROBEDATA_API probedata_status probedata_fit_get(const probedata_fit* fit, size_t index,
                                                 probedata_fit_problem* problem);

/* --- Device coders ---------------------------------------------------------------------------- */

typedef struct probedata_coder probedata_coder;

/* The version-1 coder keeps the record as the 428-byte image; the simulation coder keeps its XML
 * text in the device memory. */
typedef enum probedata_coder_kind {
  PROBEDATA_CODER_V1 = 1,
  PROBEDATA_CODER_SIMULATION = 2
} probedata_coder_kind;

/* The host's access to the device memory. A request returns at once; the host later delivers its
 * completion with probedata_coder_data_read or probedata_coder_data_saved (possibly before the
 * request returns). Each function returns 0 when it took the request and anything else when the
 * request failed at once: a read then fails as a transfer error (reported, or for
 * probedata_coder_read_version returned as PROBEDATA_ERROR_STATE). save_data's bytes are valid
 * during the call only: copy them. get_error may be NULL; it is asked when the host reports an
 * error, and 1 means a transfer error. */
typedef struct probedata_data_handler {
  void* user;
  int (*read_data)(void* user, uint32_t offset, uint32_t length);
  int (*save_data)(void* user, uint32_t offset, uint32_t length, const unsigned char* data);
  int (*get_error)(void* user);
} probedata_data_handler;

/* What a coder reports, each with user; a NULL member is not called. checksum_read ends a
 * checksum read or a version read (and a failed version read of probedata_coder_read_all), all_read
 * a whole read, saved a save; error comes before a failure's result and on the handler's error. */
typedef struct probedata_coder_callbacks {
  void* user;
  void (*checksum_read)(void* user, int ok);
  void (*all_read)(void* user, int ok);
  void (*saved)(void* user, int ok);
  void (*error)(void* user);
} probedata_coder_callbacks;

/* A coder over the host's handler (copied; NULL: none, and requests are refused), with a default
 * record. The coder must not be freed while a transfer of its own is pending. */
PROBEDATA_API probedata_status probedata_coder_new(probedata_coder_kind kind,
                                                   const probedata_data_handler* handler,
                                                   probedata_coder** coder);
PROBEDATA_API void probedata_coder_free(probedata_coder* coder);
/* Copied; NULL clears them. The ones set when a report is made receive it. */
PROBEDATA_API probedata_status
probedata_coder_set_callbacks(probedata_coder* coder, const probedata_coder_callbacks* callbacks);

/* Requests: each returns at once, the result arrives through the callbacks. PROBEDATA_ERROR_STATE,
 * with nothing changed, without a handler or while a transfer that forbids it is pending. */
PROBEDATA_API probedata_status probedata_coder_read_version(probedata_coder* coder);
PROBEDATA_API probedata_status probedata_coder_read_all(probedata_coder* coder);
PROBEDATA_API probedata_status probedata_coder_read_checksum(probedata_coder* coder);
PROBEDATA_API probedata_status probedata_coder_save(probedata_coder* coder,
                                                    const probedata_record* record);

/* Completions, from the host: ok is 0 for a failed transfer; data holds length bytes (read
 * during the call only). PROBEDATA_ERROR_STATE when the coder awaits no such completion. */
PROBEDATA_API probedata_status probedata_coder_data_read(probedata_coder* coder, int ok,
                                                         uint32_t offset, uint32_t length,
                                                         const unsigned char* data);
PROBEDATA_API probedata_status probedata_coder_data_saved(probedata_coder* coder, int ok,
                                                          uint32_t offset, uint32_t length,
                                                          const unsigned char* data);
PROBEDATA_API probedata_status probedata_coder_handler_error(probedata_coder* coder);

/* The record last read or saved, as a new record (probedata_record_free). */
PROBEDATA_API probedata_status probedata_coder_get_record(const probedata_coder* coder,
                                                          probedata_record** record);
/* The input version (of the image last read or saved; 0xFFFFFFFF when none) and the output
 * version (in which the next save writes); either pointer may be NULL. */
PROBEDATA_API probedata_status probedata_coder_get_versions(const probedata_coder* coder,
                                                            uint32_t* input, uint32_t* output);
/* Up to the coder's own version (0x21, or 0x10 for the simulation coder); PROBEDATA_ERROR_STATE
 * above. */
PROBEDATA_API probedata_status probedata_coder_set_output_version(probedata_coder* coder,
                                                                  unsigned int version);
/* The kind of the most recent failure: 0 none, 2 decode, 3 code, 4 transfer. */
PROBEDATA_API probedata_status probedata_coder_get_error(const probedata_coder* coder, int* error);

/* The length of a version-1 image of an input version: 428, or 328 for version 0x01. */
PROBEDATA_API size_t probedata_image_length(uint32_t version);
/* Version-1 coder only. The record as an image in the coder's versions (a new coder writes
 * version 2.1): *image is new (probedata_free); PROBEDATA_ERROR_ENCODE with every value that is
 * refused. */
PROBEDATA_API probedata_status probedata_coder_to_image(const probedata_coder* coder,
                                                        const probedata_record* record,
                                                        unsigned char** image, size_t* length);
/* Decodes an image into record and sets the coder's input version from it. PROBEDATA_ERROR_DECODE
 * with what the image report finds damaged; record then keeps the items decoded before the failing
 * one. */
PROBEDATA_API probedata_status probedata_coder_from_image(probedata_coder* coder,
                                                          const unsigned char* image, size_t length,
                                                          probedata_record* record);
/* The data checksum of record: for the version-1 coder the CRC-16 of its image's rigid body to
 * mask thickness blocks, for the simulation coder that of its XML text. */
PROBEDATA_API probedata_status probedata_coder_data_checksum(const probedata_coder* coder,
                                                             const probedata_record* record,
                                                             uint32_t* checksum);

/* --- The simulated device memory -------------------------------------------------------------- */

typedef struct probedata_sim probedata_sim;

/* A zero-filled memory of size bytes. text_storage not 0: it holds a text, as a simulated probe
 * keeps a record's XML (a whole read of offset 0 and length 0xFFFFFFFF gives the text, a save at
 * 0 replaces it). queued not 0: completions wait for probedata_sim_pump; else they come at once,
 * inside the request. Free it with probedata_sim_free, after the coders bound to it. */
PROBEDATA_API probedata_status probedata_sim_new(size_t size, int text_storage, int queued,
                                                 probedata_sim** sim);
PROBEDATA_API void probedata_sim_free(probedata_sim* sim);
/* A data handler over this memory, for probedata_coder_new; its user is the memory. */
PROBEDATA_API probedata_status probedata_sim_data_handler(probedata_sim* sim,
                                                          probedata_data_handler* handler);
/* The coder that receives the memory's completions (NULL: none); keep it alive while bound. */
PROBEDATA_API probedata_status probedata_sim_bind(probedata_sim* sim, probedata_coder* coder);
/* Delivers the queued completions, and those they cause; *delivered may be NULL. */
PROBEDATA_API probedata_status probedata_sim_pump(probedata_sim* sim, size_t* delivered);
PROBEDATA_API probedata_status probedata_sim_load(probedata_sim* sim, const unsigned char* bytes,
                                                  size_t length);
/* *bytes is new (probedata_free). */
PROBEDATA_API probedata_status probedata_sim_contents(const probedata_sim* sim,
                                                      unsigned char** bytes, size_t* length);
/* Faults a real device shows: the next read or save fails; a stored byte is XORed with mask. */
PROBEDATA_API probedata_status probedata_sim_fail_next_read(probedata_sim* sim);
PROBEDATA_API probedata_status probedata_sim_fail_next_save(probedata_sim* sim);
PROBEDATA_API probedata_status probedata_sim_corrupt_byte(probedata_sim* sim, size_t offset,
                                                          unsigned int mask);

#ifdef __cplusplus
}
#endif

#endif
