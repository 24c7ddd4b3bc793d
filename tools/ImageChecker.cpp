#include "ImageChecker.h"

#include <cstdio>

#include "ImageLayout.h"

namespace probetool {

namespace {

// Reads little-endian fields from one block of the image. A read that would pass the block's
// end or the image's end reads nothing and marks the reader as overrun; every later read fails.
class FieldReader {
 public:
  enum Overrun { None, PastBlock, PastImage };

  FieldReader(const Bytes& image, std::size_t begin, std::size_t end)
      : image_(image), pos_(begin), end_(end) {}

  bool u8(unsigned int& value) { return read(1, value); }
  bool u16(unsigned int& value) { return read(2, value); }
  // A scaled field: its stored integer as a double, and its low 16 bits added to the sum.
  bool scaled(std::size_t width, double& value) {
    unsigned int raw = 0;
    if (!read(width, raw)) return false;
    sum_ += raw & 0xFFFFu;
    if (width == 2) {
      value = static_cast<double>(static_cast<short>(raw & 0xFFFFu));
    } else {
      value = static_cast<double>(static_cast<int>(raw));
    }
    return true;
  }
  bool skip(std::size_t count) {
    unsigned int ignored = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (!read(1, ignored)) return false;
    }
    return true;
  }

  std::size_t pos() const { return pos_; }
  Overrun overrun() const { return overrun_; }
  unsigned int sum() const { return sum_ & 0xFFFFu; }

 private:
  bool read(std::size_t width, unsigned int& value) {
    if (overrun_ != None) return false;
    if (pos_ + width > end_) {
      overrun_ = PastBlock;
      return false;
    }
    if (pos_ + width > image_.size()) {
      overrun_ = PastImage;
      return false;
    }
    value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      value |= static_cast<unsigned int>(image_[pos_ + i]) << (8 * i);
    }
    pos_ += width;
    return true;
  }

  const Bytes& image_;
  std::size_t pos_;
  std::size_t end_;
  Overrun overrun_ = None;
  unsigned int sum_ = 0;
};

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// What a failed read of a block means to the engineer looking at the image.
std::string overrunText(const FieldReader& reader, const std::string& block, std::size_t size) {
  if (reader.overrun() == FieldReader::PastImage) {
    return "the image ends at byte " + std::to_string(size) + ", inside the " + block + " block";
  }
  return "its fields run past the end of the " + block + " block";
}

// The count text of the 320-byte layout: whatever follows its first seven characters, read as
// a decimal number the way atoi reads one (blanks, a sign, digits up to any other character).
unsigned int countFromText(const Bytes& image, std::size_t offset) {
  std::string text;
  for (std::size_t i = kCountPrefixLength; i < kCountTextLength; ++i) {
    const unsigned char c = image[offset + i];
    if (c == 0) break;
    text += static_cast<char>(c);
  }
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10 + (text[i] - '0');
  if (negative) value = -value;
  return static_cast<unsigned int>(value) & 0xFFFFu;
}

std::string targetTitle(unsigned int index, bool normal, bool angle) {
  std::string title = "target " + std::to_string(index);
  if (normal && angle) return title + ": size, position, normal, angle";
  if (normal) return title + ": size, position, normal";
  if (angle) return title + ": size, position, angle";
  return title + ": size, position";
}

void checksumVerdict(BlockCheck& block, const std::string& what, unsigned int stored,
                     unsigned int computed, const std::string& intactDetail) {
  block.hasChecksum = true;
  block.stored = stored;
  block.computed = computed;
  if (stored == computed) {
    block.verdict = Verdict::Intact;
    block.detail = intactDetail + ", checksum " + hex16(stored);
  } else {
    block.verdict = Verdict::Damaged;
    block.detail = what + " checksum " + hex16(stored) + " (computed " + hex16(computed) + ")";
  }
}

class Inspector {
 public:
  explicit Inspector(const Bytes& image) : image_(image) { result_.size = image.size(); }

  ImageInspection run() {
    const bool versionRead = version();
    length();
    if (!versionRead) return result_;
    if (result_.version == kVersion21) {
      rigidBody21();
    } else {
      rigidBody20();
    }
    if (result_.version > kVersion20) {
      defaultDir();
      maskThickness();
      dataCheck();
    } else {
      const std::string why = "not held by a version " + versionName() + " image";
      for (const char* name : {"default direction", "mask thickness", "data check"}) {
        result_.blocks.push_back(BlockCheck{name, Verdict::Absent, why});
      }
    }
    return result_;
  }

 private:
  std::string versionName() const {
    return std::to_string(result_.major) + "." + std::to_string(result_.minor);
  }

  void addSegment(std::size_t offset, std::size_t length, int level, const std::string& title,
                  const std::string& block = std::string()) {
    if (offset >= image_.size()) return;
    if (offset + length > image_.size()) length = image_.size() - offset;
    result_.segments.push_back(Segment{offset, length, level, title, block});
  }

  bool version() {
    BlockCheck block{"version", Verdict::Intact, ""};
    if (image_.size() < kVersionLength) {
      block.verdict = Verdict::Damaged;
      block.detail =
          "the image ends at byte " + std::to_string(image_.size()) + ", inside the version block";
      result_.blocks.push_back(block);
      return false;
    }
    std::size_t matching = 0;
    for (std::size_t i = 0; i < kMagicLength; ++i) matching += image_[i] == kMagic[i] ? 1 : 0;
    result_.magic = matching == kMagicLength;
    if (result_.magic) {
      FieldReader reader(image_, kMagicLength, kVersionLength);
      reader.u16(result_.major);
      reader.u16(result_.minor);
      result_.version = packVersion(result_.major, result_.minor);
      const unsigned int known[] = {kVersion21, kVersion20, kVersion01};
      bool isKnown = false;
      for (unsigned int v : known)
        isKnown = isKnown || (result_.version == v && result_.minor < 16);
      if (isKnown) {
        block.detail = "version " + versionName();
      } else {
        block.verdict = Verdict::Damaged;
        block.detail =
            "version " + versionName() + " is not one a device writes (2.1, 2.0, 1.0 or 0.1)";
      }
    } else {
      result_.major = 1;
      result_.minor = 0;
      result_.version = kVersion10;
      if (matching == kMagicLength - 1) {
        // One byte off the magic is a damaged 2.x image far more often than a 1.0 image.
        block.verdict = Verdict::Damaged;
        block.detail = "magic \"" + printable(0, kMagicLength) + "\" differs from \"" + kMagic +
                       "\" in one byte";
      } else {
        block.detail = "no magic: version 1.0";
      }
    }
    result_.needed = result_.version == kVersion01 ? kShortImageLength : kImageLength;
    addSegment(kVersionOffset, kVersionLength, 0, "version block", "version");
    result_.blocks.push_back(block);
    return true;
  }

  void length() {
    BlockCheck block{"length", Verdict::Intact, ""};
    const std::string size = std::to_string(image_.size()) + " bytes";
    if (result_.needed == 0) {
      block.verdict = Verdict::Damaged;
      block.detail = size + ", too short for a version block";
    } else if (image_.size() < result_.needed) {
      block.verdict = Verdict::Damaged;
      block.detail = size + ", version " + versionName() + " needs " +
                     std::to_string(result_.needed) + " (" +
                     std::to_string(result_.needed - image_.size()) + " missing)";
    } else if (image_.size() > result_.needed) {
      block.detail = size + "; the " + std::to_string(image_.size() - result_.needed) +
                     " bytes after " + std::to_string(result_.needed) + " are ignored";
    } else {
      block.detail = size;
    }
    result_.blocks.push_back(block);
  }

  void rigidBody21() {
    BlockCheck block{"rigid body", Verdict::Intact, ""};
    const std::size_t end = kRigidBodyOffset + kRigidBodyLength;
    addSegment(kRigidBodyOffset, kRigidBodyLength, 0, "rigid body block", "rigid body");
    FieldReader reader(image_, kRigidBodyOffset, end);
    unsigned int count = 0;
    if (reader.u16(count)) {
      addSegment(kRigidBodyOffset, 2, 1, "target count: " + std::to_string(count));
    }
    for (unsigned int i = 0; i < count && reader.overrun() == FieldReader::None; ++i) {
      const std::size_t start = reader.pos();
      unsigned int normalFlag = 0, angleFlag = 0;
      double value = 0;
      reader.u8(normalFlag);
      reader.u8(angleFlag);
      reader.scaled(2, value);  // size
      for (int axis = 0; axis < 3; ++axis) reader.scaled(4, value);
      const bool normal = normalFlag == kFlagPresent, angle = angleFlag == kFlagPresent;
      if (normal) {
        for (int axis = 0; axis < 3; ++axis) reader.scaled(2, value);
      }
      if (angle) reader.scaled(2, value);
      addSegment(start, reader.pos() - start, 1, targetTitle(i, normal, angle));
    }
    finishRigidBody(block, reader, count, end);
  }

  void rigidBody20() {
    BlockCheck block{"rigid body", Verdict::Intact, ""};
    const std::size_t end = kRigidBodyOffset + kRigidBody20Length;
    addSegment(kRigidBodyOffset, kRigidBody20Length, 0,
               "rigid body block (" + std::to_string(kRigidBody20Length) + "-byte layout)",
               "rigid body");
    FieldReader reader(image_, kRigidBodyOffset, end);
    unsigned int count = 0;
    if (reader.skip(kCountTextLength)) {
      count = countFromText(image_, kRigidBodyOffset);
      addSegment(kRigidBodyOffset, kCountTextLength, 1,
                 "count text \"" + printable(kRigidBodyOffset, kCountTextLength) +
                     "\": " + std::to_string(count) + " targets");
    }
    const std::size_t header = reader.pos();
    if (reader.skip(kSecondHeaderLength)) addSegment(header, kSecondHeaderLength, 1, "header");
    for (unsigned int i = 0; i < count && reader.overrun() == FieldReader::None; ++i) {
      const std::size_t start = reader.pos();
      unsigned int normalFlag = 0, angleFlag = 0;
      double value = 0;
      reader.u8(normalFlag);
      reader.u8(angleFlag);
      for (int field = 0; field < 4; ++field) reader.scaled(2, value);  // size, x, y, z
      const bool normal = normalFlag == kFlagPresent, angle = angleFlag == kFlagPresent;
      if (normal) {
        for (int axis = 0; axis < 3; ++axis) reader.scaled(2, value);
      }
      if (angle) reader.scaled(2, value);
      addSegment(start, reader.pos() - start, 1, targetTitle(i, normal, angle));
    }
    const std::size_t dir = reader.pos();
    double x = 0, y = 0, z = 0;
    if (reader.scaled(2, x) && reader.scaled(2, y) && reader.scaled(2, z)) {
      addSegment(dir, 6, 1,
                 "default direction (" + fixed(x * kDefaultDir20Scale, 2) + ", " +
                     fixed(y * kDefaultDir20Scale, 2) + ", " + fixed(z * kDefaultDir20Scale, 2) +
                     ")");
    }
    finishRigidBody(block, reader, count, end);
  }

  void finishRigidBody(BlockCheck& block, FieldReader& reader, unsigned int count,
                       std::size_t end) {
    const unsigned int computed = reader.sum();
    const std::size_t at = reader.pos();
    unsigned int stored = 0;
    if (reader.u16(stored)) {
      addSegment(at, 2, 1, "checksum");
      checksumVerdict(block, "rigid body", stored, computed,
                      std::to_string(count) + (count == 1 ? " target" : " targets"));
      if (reader.pos() < end) addSegment(reader.pos(), end - reader.pos(), 1, "fill");
    } else {
      markOverrun(block, reader, "rigid body", std::to_string(count) + " targets: ");
    }
    result_.blocks.push_back(block);
  }

  // A block whose fields could not all be read: cut short by the image's end, or running past
  // the block's own end.
  void markOverrun(BlockCheck& block, const FieldReader& reader, const std::string& name,
                   const std::string& prefix = "") const {
    block.verdict = Verdict::Damaged;
    block.cutShort = reader.overrun() == FieldReader::PastImage;
    block.detail = prefix + overrunText(reader, name, image_.size());
  }

  void defaultDir() {
    BlockCheck block{"default direction", Verdict::Intact, ""};
    addSegment(kDefaultDirOffset, kDefaultDirLength, 0, "default direction block",
               "default direction");
    FieldReader reader(image_, kDefaultDirOffset, kDefaultDirOffset + kDefaultDirLength);
    double x = 0, y = 0, z = 0;
    unsigned int stored = 0;
    if (reader.scaled(2, x) && reader.scaled(2, y) && reader.scaled(2, z)) {
      const unsigned int computed = reader.sum();
      if (reader.u16(stored)) {
        checksumVerdict(block, "default direction", stored, computed,
                        "(" + fixed(x * kDefaultDirScale, 3) + ", " +
                            fixed(y * kDefaultDirScale, 3) + ", " + fixed(z * kDefaultDirScale, 3) +
                            ")");
      }
    }
    if (reader.overrun() != FieldReader::None) {
      markOverrun(block, reader, "default direction");
    }
    result_.blocks.push_back(block);
  }

  void maskThickness() {
    BlockCheck block{"mask thickness", Verdict::Intact, ""};
    addSegment(kMaskThicknessOffset, kMaskThicknessLength, 0, "mask thickness block",
               "mask thickness");
    FieldReader reader(image_, kMaskThicknessOffset, kMaskThicknessOffset + kMaskThicknessLength);
    unsigned int thickness = 0;
    if (reader.u16(thickness)) {
      block.detail = std::to_string(thickness) + " (no checksum)";
    } else {
      markOverrun(block, reader, "mask thickness");
    }
    result_.blocks.push_back(block);
  }

  void dataCheck() {
    BlockCheck block{"data check", Verdict::Intact, ""};
    addSegment(kDataCheckOffset, kDataCheckLength, 0, "data check block", "data check");
    FieldReader reader(image_, kDataCheckOffset, kDataCheckOffset + kDataCheckLength);
    std::string id;
    unsigned int byte = 0, checksum = 0;
    for (std::size_t i = 0; i < kIdLength && reader.u8(byte); ++i) {
      if (byte != 0) id += static_cast<char>(byte);
    }
    if (reader.u16(checksum)) {
      addSegment(kDataCheckOffset, kIdLength, 1, "id \"" + escaped(id) + "\"");
      addSegment(kDataCheckOffset + kIdLength, 2, 1, "stored record checksum");
      block.detail = "id \"" + escaped(id) + "\", stored record checksum " + hex16(checksum) +
                     " (no checksum)";
    } else {
      markOverrun(block, reader, "data check");
    }
    result_.blocks.push_back(block);
  }

  std::string printable(std::size_t offset, std::size_t length) const {
    std::string text;
    for (std::size_t i = offset; i < offset + length && i < image_.size(); ++i) {
      if (image_[i] == 0) break;
      text += image_[i] >= 0x20 && image_[i] < 0x7F ? static_cast<char>(image_[i]) : '.';
    }
    return text;
  }

  static std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
      const unsigned char byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
        out += c;
      } else {
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", byte);
        out += code;
      }
    }
    return out;
  }

  const Bytes& image_;
  ImageInspection result_;
};

}  // namespace

bool ImageInspection::intact() const {
  for (const BlockCheck& block : blocks) {
    if (block.verdict == Verdict::Damaged) return false;
  }
  return !blocks.empty();
}

const BlockCheck* ImageInspection::find(const std::string& name) const {
  for (const BlockCheck& block : blocks) {
    if (block.name == name) return &block;
  }
  return nullptr;
}

ImageInspection inspectImage(const Bytes& image) { return Inspector(image).run(); }

std::string versionText(unsigned int packed) {
  return std::to_string(packed >> 4) + "." + std::to_string(packed & 0xFu);
}

std::string hex16(unsigned int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace probetool
