// A probe file as the commands read it: recognised by what it holds (a version-1 image, as raw
// bytes or as a hex dump; a probe record's XML document; a JSON text, probetool's own document
// or a record alone), inspected and decoded once.
#ifndef PROBETOOL_PROBE_FILE_H
#define PROBETOOL_PROBE_FILE_H

#include <string>

#include "ProbeData.h"
#include "ProbeImageReport.h"
#include "RecordView.h"
#include "Text.h"

namespace probetool {

enum class Format { Image, Xml, JsonText, Unknown };

struct ProbeFile {
  std::string path;  // as given, "-" for standard input
  Format format = Format::Unknown;
  // Image: the image's bytes; Xml, Json: the text, without a byte order mark, which the library
  // does not read.
  std::string bytes;
  ProbeImageReport report;  // Image: the library's report on the bytes
  std::string how;          // how it was recognised, or why it was not
  std::string fault;        // what is damaged, or why it does not decode; empty when intact
  ProbeData record;         // the file's record; for a damaged image, what its intact blocks hold
  RecordView view;          // of the record, as tables, pictures and JSON show it

  std::string name() const { return path == "-" ? "standard input" : shown(path); }
  bool isImage() const { return format == Format::Image; }
  bool damaged() const { return !fault.empty(); }
  std::string formatText() const { return how + ", " + plural(bytes.size(), "byte", "bytes"); }
};

// The file of raw's bytes: false when they are none (or a JSON text that holds no record), and
// fault says why; otherwise fault says what is damaged, if anything. They are, in this order:
// an XML prologue (after an optional byte order mark and blanks); a "{" there, for JSON; bytes
// that start with the image magic, however few, or memory of one repeated 0x00 or 0xFF byte; a
// hex dump, whose bytes are then judged as raw bytes are; bytes as long as an image without the
// magic, or with the magic damaged in one byte. lostAllowed: a salvage document is read whole.
bool decode(const std::string& raw, ProbeFile& file, bool lostAllowed = false);

// The first value of view that an output does not give back when it is read as an input is;
// empty when it gives back every one. An image holds real values to a resolution of its own,
// which checkImageFit judges.
std::string readBack(const std::string& output, const RecordView& view, bool image,
                     bool lostAllowed = false);

}  // namespace probetool

#endif
