// The probe record as an XML document, in a string or a file. Every function reports success as
// its result and logs each failure through the "Probe" logger at ERROR. Each has a second form
// whose last argument receives, on failure, the reason: the message logged, or for
// loadFromString why and where the text does not read ("line 4, column 21: XML start/end tag
// mismatch - Data_RB_Id"); it is empty after a success.
#ifndef PROBE_UTILS_H
#define PROBE_UTILS_H

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

#endif
