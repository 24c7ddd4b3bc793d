// The probe record as an XML document, in a string or a file. Every function reports success as
// its result and logs each failure through the "Probe" logger at ERROR. Each has a second form
// whose last argument receives, on failure, the reason: the message logged, or for
// loadFromString why and where the text does not read ("line 4, column 21: XML start/end tag
// mismatch - Data_RB_Id"); it is empty after a success.
#ifndef PROBE_UTILS_H
#define PROBE_UTILS_H

#include <filesystem>
#include <string>

#include "ProbeData.h"
#include "ProbeExport.h"

// true: text holds the record's document; false: text is empty. The text is a function of the
// record alone, so checksums can be computed over it. A record holding nan or an infinity is
// refused (false): its text could not be read back. Never throws.
PROBEDATA_API bool saveToString(std::string& text, const ProbeData& record);
PROBEDATA_API bool saveToString(std::string& text, const ProbeData& record, std::string& reason);
// Writes the document from the file's first byte: a missing file is created, an existing one is
// overwritten but not truncated. binary false opens the file in the runtime's text mode. true
// only when the text was written, flushed and the file closed: a full disk or a failed close is
// false, with an ERROR line naming fflush or fclose and the system's reason: a save that did not
// reach the file is never reported as done. Passes on exceptions from the file-existence check
// and from memory exhaustion.
PROBEDATA_API bool saveToFile(const std::string& path, const ProbeData& record, bool binary);
PROBEDATA_API bool saveToFile(const std::string& path, const ProbeData& record, bool binary,
                              std::string& reason);
// true when the whole document was read into record. Reading stops at the first NUL and takes
// nothing after the last element. On failure the record keeps what had been read before the
// failing element: the checksum first, then the rigid body as a whole, then the default
// direction; the mask thickness changes only on success. Targets read get ids 0 to n-1.
// Never throws.
PROBEDATA_API bool loadFromString(const std::string& text, ProbeData& record);
PROBEDATA_API bool loadFromString(const std::string& text, ProbeData& record, std::string& reason);
// loadFromString of the file's bytes, or false when the file cannot be opened for reading and
// writing, or read whole. The record is untouched unless loadFromString is reached. Passes on
// memory exhaustion.
PROBEDATA_API bool loadFromFile(const std::string& path, ProbeData& record);
PROBEDATA_API bool loadFromFile(const std::string& path, ProbeData& record, std::string& reason);

// Writes bytes to the file at path, whole; true when they are written. Unlike the functions above
// it logs nothing: on failure reason holds the system's reason alone ("Permission denied"),
// without the path, for the caller to name the file in its own words. path is in the system's
// form: on Windows a caller holding UTF-8 passes std::filesystem::u8path(text).
//
// A new file, or a regular file (or the file a symbolic link names; the link stays a link), is
// replaced atomically: a temporary file beside it, ".NAME.XXXXXX.tmp", is created exclusively
// with the old file's permissions (and owner, where the process may give it), written, synced,
// renamed over it, and the directory synced, so that after a crash or a power loss the directory
// holds the old file or the new one. Written in place instead, emptied first and not
// atomically, as cp writes: a file with other hard links (every name of it sees the new text),
// another user's file (it keeps its owner), a file in a directory that takes no new file, and
// what is no regular file (a device, a FIFO). A file the caller could not open for writing is
// refused and left as it was, and a replacement that fails leaves the old file as it was.
//
// While the temporary file exists, SIGINT, SIGTERM and SIGHUP are blocked in the calling thread;
// one that arrives meanwhile, and that the caller neither blocks nor ignores, removes the
// temporary file, fails the call ("interrupted by a signal") and is delivered as the caller's
// mask comes back, before the call returns. Where another thread takes such a signal and it ends
// the process, the temporary file stays behind, as it does on Windows, which has no such signals
// to block, whenever the process ends meanwhile; the old file stays as it was either way.
// Passes on memory exhaustion.
PROBEDATA_API bool replaceFile(const std::filesystem::path& path, const std::string& bytes,
                               std::string& reason);

#endif
