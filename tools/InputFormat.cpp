#include "InputFormat.h"

#include <algorithm>
#include <cstring>

#include "ProbeImageReport.h"

namespace probetool {

namespace {

// Without the magic, bytes as long as an image (which the library reads as version 1.0), or with
// the magic damaged in one byte, are taken for an image too.
bool looksLikeImage(const Bytes& bytes, bool withoutMagic) {
  const ProbeImageReport report = inspectImage(std::string(bytes.begin(), bytes.end()));
  return report.hasMagic ||
         (withoutMagic && ((report.imageLength != 0 && report.size == report.imageLength) ||
                           report.items.front().fault == ProbeImageReport::DamagedMagic));
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

bool isPrintableText(const Bytes& bytes) {
  return !bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [](unsigned char c) {
    return c >= 0x20 || c == '\n' || c == '\r' || c == '\t';
  });
}

DetectedInput found(Format format, const Bytes& bytes, const std::string& how) {
  DetectedInput input;
  input.format = format;
  input.bytes = bytes;
  input.how = how;
  return input;
}

}  // namespace

DetectedInput detectInput(const Bytes& raw) {
  if (startsWith(raw, "<?xml")) return found(Format::Xml, raw, "XML document");
  if (startsWith(raw, "{")) return found(Format::Json, raw, "JSON text");
  if (looksLikeImage(raw, false)) return found(Format::Image, raw, "version-1 image");
  if (isPrintableText(raw)) {
    // Images hold zero bytes, so text is a hex dump or nothing the tool knows.
    const HexParse hex = parseHexText(std::string(raw.begin(), raw.end()));
    if (hex.ok && looksLikeImage(hex.bytes, true)) {
      DetectedInput input = found(Format::Image, hex.bytes, "version-1 image, as a hex dump");
      input.hexText = true;
      return input;
    }
    return found(Format::Unknown, {},
                 hex.ok ? "a hex dump of " + std::to_string(hex.bytes.size()) +
                              " bytes without the image magic, and not the length of an image"
                        : "text that is neither XML nor a hex dump (line " +
                              std::to_string(hex.line) + ": " + hex.error + ")");
  }
  if (looksLikeImage(raw, true)) return found(Format::Image, raw, "version-1 image without magic");
  return found(Format::Unknown, {},
               raw.empty() ? "an empty file"
                           : std::to_string(raw.size()) +
                                 " bytes without the image magic, and not the length of an image");
}

}  // namespace probetool
