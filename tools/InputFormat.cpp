#include "InputFormat.h"

#include <algorithm>
#include <cstring>

#include "ImageLayout.h"

namespace probetool {

namespace {

bool startsWithMagic(const Bytes& bytes) {
  return bytes.size() >= kMagicLength && std::equal(kMagic, kMagic + kMagicLength, bytes.begin());
}

bool isImageLength(std::size_t size) { return size == kImageLength || size == kShortImageLength; }

bool looksLikeXml(const Bytes& bytes) {
  std::size_t i = 0;
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
  while (i < bytes.size() &&
         (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) {
    ++i;
  }
  static const char kPrologue[] = "<?xml";
  const std::size_t length = std::strlen(kPrologue);
  return bytes.size() - i >= length &&
         std::equal(kPrologue, kPrologue + length, bytes.begin() + static_cast<std::ptrdiff_t>(i));
}

bool isPrintableText(const Bytes& bytes) {
  return !bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [](unsigned char c) {
    return c >= 0x20 || c == '\n' || c == '\r' || c == '\t';
  });
}

}  // namespace

DetectedInput detectInput(const Bytes& raw) {
  DetectedInput input;
  if (looksLikeXml(raw)) {
    input.format = Format::Xml;
    input.bytes = raw;
    input.how = "XML document";
    return input;
  }
  if (startsWithMagic(raw)) {
    input.format = Format::Image;
    input.bytes = raw;
    input.how = "version-1 image";
    return input;
  }
  if (isPrintableText(raw)) {
    // Images hold zero bytes, so text is a hex dump or nothing the tool knows.
    const HexParse hex = parseHexText(std::string(raw.begin(), raw.end()));
    if (hex.ok && (startsWithMagic(hex.bytes) || isImageLength(hex.bytes.size()))) {
      input.format = Format::Image;
      input.hexText = true;
      input.bytes = hex.bytes;
      input.how = "version-1 image, as a hex dump";
    } else if (hex.ok) {
      input.how = "a hex dump of " + std::to_string(hex.bytes.size()) +
                  " bytes without the image magic, and not the length of an image";
    } else {
      input.how = "text that is neither XML nor a hex dump (line " + std::to_string(hex.line) +
                  ": " + hex.error + ")";
    }
    return input;
  }
  if (isImageLength(raw.size())) {
    input.format = Format::Image;
    input.bytes = raw;
    input.how = "version-1 image without magic, by its length";
    return input;
  }
  if (raw.empty()) {
    input.how = "an empty file";
  } else {
    input.how = std::to_string(raw.size()) +
                " bytes without the image magic, and not the length of an image";
  }
  return input;
}

const char* formatName(Format format) {
  switch (format) {
    case Format::Image:
      return "version-1 image";
    case Format::Xml:
      return "XML document";
    case Format::Unknown:
      break;
  }
  return "unknown";
}

}  // namespace probetool
