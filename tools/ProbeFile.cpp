#include "Commands.h"

#include <log4cplus/loggingmacros.h>

#include <algorithm>
#include <cstring>

#include "ProbeLogger.h"
#include "Utils.h"

namespace probetool {

namespace {

// What the image report finds an image in: the magic, blank or erased memory, or bytes as long
// as an image (which the library reads as version 1.0 without the magic) or with the magic off
// by one byte.
bool isImage(const ProbeImageReport& report, bool withoutMagic) {
  const ProbeImageReport::Fault fault = report.items.front().fault;
  const bool memory =
      fault == ProbeImageReport::BlankMemory || fault == ProbeImageReport::ErasedMemory;
  return report.hasMagic || memory ||
         (withoutMagic && ((report.hasVersion() && report.size == report.imageLength) ||
                           fault == ProbeImageReport::DamagedMagic));
}

// Whether the text starts with start, after blanks.
bool startsWith(const std::string& text, const char* start) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string::npos && text.compare(first, std::strlen(start), start) == 0;
}

// What raw holds, into file's format, bytes, report and how. The image report is made once, of
// the bytes the image is.
void recognise(const std::string& raw, ProbeFile& file) {
  // The library reads no byte order mark: a text is what follows one.
  file.bytes = raw.compare(0, 3, "\xEF\xBB\xBF") == 0 ? raw.substr(3) : raw;
  file.format = startsWith(file.bytes, "<?xml") ? Format::Xml
                : startsWith(file.bytes, "{")   ? Format::JsonText
                                                : Format::Image;
  file.how = file.format == Format::Xml ? "XML document" : "JSON text";
  if (file.format != Format::Image) return;
  // Images hold zero bytes, so text is a hex dump, or an image only by its magic.
  const bool printable = !raw.empty() && std::all_of(raw.begin(), raw.end(), [](unsigned char c) {
    return (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\r' || c == '\t';
  });
  std::string dumped;
  const std::string notDump = printable ? parseHexText(raw, dumped) : "not text";
  const bool hex = notDump.empty();
  file.bytes = hex ? dumped : raw;
  file.report = inspectImage(file.bytes);
  if (isImage(file.report, !printable || hex)) {
    file.how = hex                           ? "version-1 image, as a hex dump"
               : isImage(file.report, false) ? "version-1 image"
                                             : "version-1 image without magic";
    return;
  }
  file.format = Format::Unknown;
  file.how = raw.empty() ? "an empty file"
             : printable && !hex
                 ? "text that is neither XML nor a hex dump the tool reads (" + notDump + ")"
                 : (hex ? "a hex dump of " : "") + plural(file.bytes.size(), "byte", "bytes") +
                       " without the image magic, and not the length of an image";
}

}  // namespace

bool decode(const std::string& raw, ProbeFile& file, bool lostAllowed) {
  recognise(raw, file);
  if (file.format == Format::Unknown) {
    file.fault = "not a probe image or XML document: " + file.how;
    return false;
  }
  if (file.format == Format::JsonText) {
    file.fault = readJsonRecord(file.bytes, file.view, lostAllowed);
    file.record = makeRecord(file.view);
    return file.fault.empty();
  }
  std::string reason;
  if (file.format == Format::Image) {
    file.record = file.report.record;
    file.fault = file.report.damage();
  } else if (!loadFromString(file.bytes, file.record, reason)) {
    // The library's own line carries the whole text (main drops it); this one says why.
    LOG4CPLUS_ERROR(g_probeLogger, "could not decode stream: " << reason);
    file.fault = "the library does not decode it: " + escaped(reason);
  }
  file.view = viewRecord(file.record);
  return true;
}

std::string readBack(const std::string& output, const RecordView& view, bool image,
                     bool lostAllowed) {
  ProbeFile back;
  if (!decode(output, back, lostAllowed) || back.damaged()) {
    return "it does not read back: " + back.fault;
  }
  const std::string path = firstDifference(view, back.view, !image);
  return path.empty() ? "" : path + ": it does not read back as it is";
}

}  // namespace probetool
