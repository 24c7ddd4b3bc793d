#include "InputFormat.h"

#include <algorithm>
#include <cstring>

#include "Text.h"

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

}  // namespace

DetectedInput detectInput(const std::string& raw) {
  // The library reads no byte order mark: a text is what follows one.
  const std::string text = raw.compare(0, 3, "\xEF\xBB\xBF") == 0 ? raw.substr(3) : raw;
  if (startsWith(text, "<?xml")) return {Format::Xml, text, {}, "XML document"};
  if (startsWith(text, "{")) return {Format::Json, text, {}, "JSON text"};
  // Images hold zero bytes, so text is a hex dump, or an image only by its magic.
  const bool printable = !raw.empty() && std::all_of(raw.begin(), raw.end(), [](unsigned char c) {
    return (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\r' || c == '\t';
  });
  const HexParse hex = printable ? parseHexText(raw) : HexParse();
  DetectedInput input{Format::Image, hex.ok ? hex.bytes : raw, {}, ""};
  input.report = inspectImage(input.bytes);
  if (isImage(input.report, !printable || hex.ok)) {
    input.how = hex.ok                         ? "version-1 image, as a hex dump"
                : isImage(input.report, false) ? "version-1 image"
                                               : "version-1 image without magic";
    return input;
  }
  input.format = Format::Unknown;
  input.how = raw.empty() ? "an empty file"
              : printable && !hex.ok
                  ? "text that is neither XML nor a hex dump the tool reads (line " +
                        std::to_string(hex.line) + ": " + hex.error + ")"
                  : (hex.ok ? "a hex dump of " : "") + plural(input.bytes.size(), "byte", "bytes") +
                        " without the image magic, and not the length of an image";
  return input;
}

}  // namespace probetool
