// Tells what a file holds: a version-1 image (as raw bytes or as a hex dump), a probe record's
// XML document, or a JSON text (probetool's own document, or a record alone).
#ifndef PROBETOOL_INPUT_FORMAT_H
#define PROBETOOL_INPUT_FORMAT_H

#include <string>

#include "HexText.h"

namespace probetool {

enum class Format { Image, Xml, Json, Unknown };

struct DetectedInput {
  Format format = Format::Unknown;
  bool hexText = false;  // the image came as a hex dump
  Bytes bytes;           // Image: the image's bytes; Xml, Json: the text's bytes
  std::string how;       // how it was recognised, or why it was not
};

// In this order: an XML prologue (after an optional byte order mark and blanks); a "{" there,
// for JSON; the image magic; a hex dump, whose bytes are then judged as below; bytes as long as an image without
// the magic, or with the magic damaged in one byte. Anything else is Unknown.
DetectedInput detectInput(const Bytes& raw);

}  // namespace probetool

#endif
