#include "InputFormat.h"

#include <algorithm>
#include <cstring>

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
         (withoutMagic && ((report.imageLength != 0 && report.size == report.imageLength) ||
                           fault == ProbeImageReport::DamagedMagic));
}

// Whether the text starts with start, after an optional byte order mark and blanks.
bool startsWith(const Bytes& bytes, const char* start) {
  std::size_t i = 0;
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
  while (i < bytes.size() && std::strchr(" \t\r\n", bytes[i]) != nullptr && bytes[i] != 0) ++i;
  const std::size_t length = std::strlen(start);
  return bytes.size() - i >= length &&
         std::equal(start, start + length, bytes.begin() + static_cast<std::ptrdiff_t>(i));
}

DetectedInput found(Format format, const Bytes& bytes, const std::string& how) {
  const bool image = format == Format::Image;
  return {format, bytes, image ? inspectImage(bytes.data(), bytes.size()) : ProbeImageReport(),
          how};
}

}  // namespace

DetectedInput detectInput(const Bytes& raw) {
  if (startsWith(raw, "<?xml")) return found(Format::Xml, raw, "XML document");
  if (startsWith(raw, "{")) return found(Format::Json, raw, "JSON text");
  const ProbeImageReport report = inspectImage(raw.data(), raw.size());
  if (isImage(report, false)) return found(Format::Image, raw, "version-1 image");
  const bool text = !raw.empty() && std::all_of(raw.begin(), raw.end(), [](unsigned char c) {
    return (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\r' || c == '\t';
  });
  if (text) {
    // Images hold zero bytes, so text is a hex dump or nothing the tool knows.
    const HexParse hex = parseHexText(std::string(raw.begin(), raw.end()));
    if (hex.ok && isImage(inspectImage(hex.bytes.data(), hex.bytes.size()), true)) {
      return found(Format::Image, hex.bytes, "version-1 image, as a hex dump");
    }
    return found(Format::Unknown, {},
                 hex.ok ? "a hex dump of " + plural(hex.bytes.size(), "byte", "bytes") +
                              " without the image magic, and not the length of an image"
                        : "text that is neither XML nor a hex dump (line " +
                              std::to_string(hex.line) + ": " + hex.error + ")");
  }
  if (isImage(report, true)) return found(Format::Image, raw, "version-1 image without magic");
  return found(Format::Unknown, {},
               raw.empty() ? "an empty file"
                           : plural(raw.size(), "byte", "bytes") +
                                 " without the image magic, and not the length of an image");
}

}  // namespace probetool
