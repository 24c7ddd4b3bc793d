// Tells what a file holds: a version-1 image (as raw bytes or as a hex dump), a probe record's
// XML document, or a JSON text (probetool's own document, or a record alone).
#ifndef PROBETOOL_INPUT_FORMAT_H
#define PROBETOOL_INPUT_FORMAT_H

#include <string>

#include "ProbeImageReport.h"

namespace probetool {

enum class Format { Image, Xml, Json, Unknown };

struct DetectedInput {
  Format format = Format::Unknown;
  std::string bytes;        // Image: the image's bytes; Xml, Json: the text, without a byte
                            // order mark, which the library does not read
  ProbeImageReport report;  // Image: the library's report on the bytes
  std::string how;          // how it was recognised, or why it was not
};

// In this order: an XML prologue (after an optional byte order mark and blanks); a "{" there,
// for JSON; bytes that start with the image magic, however few, or memory of one repeated 0x00
// or 0xFF byte; a hex dump, whose bytes are then judged as raw bytes are; bytes as long as an
// image without the magic, or with the magic damaged in one byte. Anything else is Unknown. The
// image report is made once, of the bytes the image is.
DetectedInput detectInput(const std::string& raw);

}  // namespace probetool

#endif
