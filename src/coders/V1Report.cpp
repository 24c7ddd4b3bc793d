// The image report: the layout and item readers of the coder run item by item over the bytes,
// each item's outcome kept instead of the first failure ending the decode.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "ByteCursor.h"
#include "Crc16.h"
#include "ProbeImageReport.h"
#include "V1Layout.h"
#include "V1Items.h"

namespace {

using Item = ProbeImageReport::Item;
using Coder = ProbeDataV1Coder;

std::string hex16(unsigned int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
  return text;
}

// Fixed-point text in the classic form whatever the host's locale; values here come from
// scaled integers and always fit.
std::string fixed(double value, int decimals) {
  char text[64];
  const std::to_chars_result result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("?");
}

std::string triple(double x, double y, double z, int decimals) {
  return "(" + fixed(x, decimals) + ", " + fixed(y, decimals) + ", " + fixed(z, decimals) + ")";
}

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string versionText(unsigned int major, unsigned int minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

// A text in quotes: what does not print, and the quote and backslash, as \xNN.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      out += c;
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", byte);
      out += code;
    }
  }
  return out + "\"";
}

class Builder {
 public:
  explicit Builder(const std::string& image)
      : buffer_(image.begin(), image.end()), image_{buffer_.data(), buffer_.size()} {}

  ProbeImageReport run() {
    report_.size = buffer_.size();
    add(Coder::VersionItem, v1::kNoVersion);
    if (blank() || !version()) return std::move(report_);
    for (const Coder::StreamItems item : {Coder::RigidBodyItem, Coder::DefaultDirItem,
                                          Coder::MaskThicknessItem, Coder::DataCheckItem}) {
      judge(add(item, report_.version));
    }
    versionVerdict();
    dataChecksum();
    return std::move(report_);
  }

 private:
  Item& add(Coder::StreamItems item, std::uint32_t version) {
    static const char* const kNames[] = {
        "", "version", "rigid body", "default direction", "mask thickness", "data check"};
    Item entry;
    entry.item = item;
    entry.name = kNames[item];
    entry.offset = static_cast<unsigned int>(v1::itemOffset(version, item));
    entry.length = static_cast<unsigned int>(v1::itemLength(version, item));
    report_.items.push_back(entry);
    return report_.items.back();
  }

  Item& versionItem() { return report_.items.front(); }

  ByteWindow slot(const Item& entry) const { return image_.window(entry.offset, entry.length); }

  static void damage(Item& entry, ProbeImageReport::Fault fault, const std::string& detail) {
    entry.verdict = ProbeImageReport::Damaged;
    entry.fault = fault;
    entry.detail = detail;
  }

  void setVersion(std::uint32_t version, unsigned int major, unsigned int minor) {
    report_.version = version;
    report_.major = major;
    report_.minor = minor;
    report_.imageLength = static_cast<unsigned int>(v1::itemLength(version, Coder::AllItems));
  }

  // Memory that holds one byte value throughout was never written, or was erased. The coder
  // reads it as version 1.0 without magic, and blank memory as an empty record.
  bool blank() {
    if (buffer_.empty()) return false;
    const unsigned char fill = buffer_.front();
    const bool uniform = std::all_of(buffer_.begin(), buffer_.end(),
                                     [fill](unsigned char byte) { return byte == fill; });
    if (!uniform || (fill != 0x00 && fill != 0xFF)) return false;
    if (report_.size >= v1::kVersionBlockSize) {
      setVersion(v1::kNoMagicVersion, v1::majorOf(v1::kNoMagicVersion),
                 v1::minorOf(v1::kNoMagicVersion));
    }
    const std::string all = "all " + plural(report_.size, "byte is ", "bytes are ");
    if (fill == 0x00) {
      damage(versionItem(), ProbeImageReport::BlankMemory, all + "0x00: blank memory");
    } else {
      damage(versionItem(), ProbeImageReport::ErasedMemory, all + "0xFF: erased memory");
    }
    return true;
  }

  // The version block decides the layout of everything after it. Without the magic an image
  // reads as version 1.0; with the magic off by one byte it is far more likely a damaged image
  // of the version its numbers name, when devices write that version.
  bool version() {
    const ByteWindow block = slot(versionItem());
    ByteReader in(block.data, block.size);
    if (block.size < v1::kVersionBlockSize) {
      report_.hasMagic = block.size >= v1::kMagicSize &&
                         in.chars(v1::kMagicSize) == std::string(v1::kVersionMagic, v1::kMagicSize);
      shortfall(versionItem());
      return false;
    }
    read_ = v1::readVersion(in);
    report_.hasMagic = read_.hasMagic();
    const std::uint32_t stored = v1::packVersion(read_.major, read_.minor);
    written_ = read_.minor <= 0xF && v1::isWrittenVersion(stored);
    if (report_.hasMagic || (read_.magicDifferences() == 1 && written_)) {
      setVersion(stored, read_.major, read_.minor);
    } else {
      setVersion(v1::kNoMagicVersion, v1::majorOf(v1::kNoMagicVersion),
                 v1::minorOf(v1::kNoMagicVersion));
    }
    return true;
  }

  std::string reportedVersion() const { return versionText(report_.major, report_.minor); }

  // Judged after the other items, so a damaged magic can say how they read.
  void versionVerdict() {
    Item& entry = versionItem();
    if (report_.hasMagic && !written_) {
      damage(entry, ProbeImageReport::UnknownVersion,
             "version " + reportedVersion() +
                 " is not one a device writes after the magic (2.1, 2.0 or 0.1)");
    } else if (read_.magicDifferences() == 1) {
      std::string detail = "magic " + quoted(read_.magic) + " differs from " +
                           quoted(std::string(v1::kVersionMagic, v1::kMagicSize)) +
                           " in one byte; the coder reads this image as version 1.0";
      if (report_.version != v1::kNoMagicVersion) {
        const bool othersIntact =
            std::all_of(report_.items.begin() + 1, report_.items.end(), [](const Item& item) {
              return item.verdict == ProbeImageReport::Intact ||
                     item.verdict == ProbeImageReport::Absent;
            });
        detail += othersIntact
                      ? "; as version " + reportedVersion() + " the other blocks are intact"
                      : "; the other blocks are judged as version " + reportedVersion();
      }
      damage(entry, ProbeImageReport::DamagedMagic, detail);
    } else {
      entry.detail = report_.hasMagic ? "version " + reportedVersion() : "no magic: version 1.0";
    }
  }

  // The first item the image does not hold whole carries the shortfall; the items after it are
  // missing.
  void shortfall(Item& entry) {
    const ByteWindow block = slot(entry);
    std::string detail = "past the end of the image";
    if (!shortfallStated_) {
      shortfallStated_ = true;
      detail = "the image ends at byte " + std::to_string(report_.size) +
               (block.size > 0 ? ", inside the " : ", before the ") + entry.name + " block";
      if (report_.imageLength > report_.size) {
        detail += ": " + std::to_string(report_.imageLength - report_.size) + " of the " +
                  std::to_string(report_.imageLength) + " bytes of a version " + reportedVersion() +
                  " image are missing";
      }
    }
    if (entry.verdict == ProbeImageReport::Absent) {
      entry.detail += "; " + detail;
    } else if (block.size > 0 || entry.item == Coder::VersionItem) {
      damage(entry, ProbeImageReport::CutShort, detail);
    } else {
      entry.verdict = ProbeImageReport::Missing;
      entry.detail = detail;
    }
  }

  void judge(Item& entry) {
    const bool whole = slot(entry).size == entry.length;
    if (entry.item != Coder::RigidBodyItem && !v1::holdsItemsAfterRigidBody(report_.version)) {
      entry.verdict = ProbeImageReport::Absent;
      entry.detail = "not held by a version " + reportedVersion() + " image";
      if (!whole && !shortfallStated_) shortfall(entry);
      return;
    }
    if (entry.item == Coder::RigidBodyItem) rigidBody(entry, whole);
    if (!whole) {
      shortfall(entry);
    } else if (entry.item != Coder::RigidBodyItem) {
      scalar(entry);
    }
  }

  void checksum(Item& entry, unsigned int stored, unsigned int computed,
                const std::string& intactDetail) {
    entry.hasChecksum = true;
    entry.storedChecksum = stored;
    entry.computedChecksum = computed;
    if (stored == computed) {
      entry.detail = intactDetail + ", checksum " + hex16(stored);
    } else {
      damage(entry, ProbeImageReport::ChecksumMismatch,
             entry.name + " checksum " + hex16(stored) + " (computed " + hex16(computed) + ")");
    }
  }

  static void field(Item& entry, std::size_t offset, std::size_t length, const std::string& name) {
    ProbeImageReport::Field field;
    field.offset = static_cast<unsigned int>(entry.offset + offset);
    field.length = static_cast<unsigned int>(length);
    field.name = name;
    entry.fields.push_back(field);
  }

  // The fields are read as far as the image holds them, so that a cut block still shows them;
  // only a whole block is judged.
  void rigidBody(Item& entry, bool whole) {
    const ByteWindow block = slot(entry);
    const bool current = report_.version == v1::kCurrentVersion;
    Rb::RigidBody body;
    v1::FieldSpans spans;
    v1::RigidBodyRead read;
    ByteReader in(block.data, block.size);
    bool complete = true;
    try {
      v1::readRigidBody(in, current, body, read, &spans);
    } catch (const CursorOverrun&) {
      complete = false;
    }
    report_.targetCount = read.count;
    for (const v1::FieldSpan& span : spans) {
      field(entry, span.offset, span.length, spanName(span, block, read));
    }
    if (!whole) return;
    const std::string targets = plural(read.count, "target", "targets");
    if (!complete) {
      damage(entry, ProbeImageReport::Overrun,
             targets + ": its fields run past the end of the rigid body block");
      return;
    }
    if (in.consumed() < block.size) field(entry, in.consumed(), block.size - in.consumed(), "fill");
    checksum(entry, read.stored, read.computed, targets);
    if (entry.verdict != ProbeImageReport::Intact) return;
    report_.record.setRigidBody(body);
    if (!current) report_.record.setDefaultDir(read.dirX, read.dirY, read.dirZ);
  }

  static std::string spanName(const v1::FieldSpan& span, const ByteWindow& block,
                              const v1::RigidBodyRead& read) {
    switch (span.kind) {
      case v1::FieldSpan::Count:
        return "target count: " + std::to_string(read.count);
      case v1::FieldSpan::CountText: {
        const ByteWindow text = block.window(span.offset, span.length);
        ByteReader in(text.data, text.size);
        const std::string count = in.chars(text.size);
        return "count text " + quoted(count.substr(0, count.find('\0'))) + ": " +
               plural(read.count, "target", "targets");
      }
      case v1::FieldSpan::Header:
        return "header";
      case v1::FieldSpan::Target:
        return "target " + std::to_string(span.target) + ": size, position" +
               (span.normal ? ", normal" : "") + (span.angle ? ", angle" : "");
      case v1::FieldSpan::DefaultDir:
        return "default direction " + triple(read.dirX, read.dirY, read.dirZ, 2);
      case v1::FieldSpan::Checksum:
        break;
    }
    return "checksum";
  }

  // The three items after the rigid body, each whole in the image.
  void scalar(Item& entry) {
    const ByteWindow block = slot(entry);
    ByteReader in(block.data, block.size);
    ProbeData& record = report_.record;
    switch (entry.item) {
      case Coder::DefaultDirItem: {
        const v1::DefaultDirRead read = v1::readDefaultDir(in);
        checksum(entry, read.stored, read.computed, triple(read.x, read.y, read.z, 3));
        if (entry.verdict == ProbeImageReport::Intact) record.setDefaultDir(read.x, read.y, read.z);
        return;
      }
      case Coder::MaskThicknessItem:
        record.setMaskThickness(v1::readMaskThickness(in));
        entry.detail = std::to_string(record.getMaskThickness()) + " (no checksum)";
        return;
      default: {
        const v1::DataCheckRead read = v1::readDataCheck(in);
        Rb::RigidBody body(record.getRigidBody());
        body.setId(read.id);
        record.setRigidBody(body);
        record.setChecksum(read.checksum);
        const std::string id = quoted(read.id);
        field(entry, 0, v1::kIdFieldSize, "id " + id);
        field(entry, v1::kIdFieldSize, entry.length - v1::kIdFieldSize, "stored record checksum");
        entry.detail =
            "id " + id + ", stored record checksum " + hex16(read.checksum) + " (no checksum)";
        return;
      }
    }
  }

  void dataChecksum() {
    const std::uint32_t version = report_.version;
    const std::size_t begin = v1::itemOffset(version, Coder::RigidBodyItem);
    const std::size_t end = v1::itemOffset(version, Coder::MaskThicknessItem) +
                            v1::itemLength(version, Coder::MaskThicknessItem);
    const ByteWindow covered = image_.window(begin, end - begin);
    if (covered.size != end - begin) return;
    report_.hasDataChecksum = true;
    report_.dataChecksum = crc16Arc(covered.data, covered.size);
  }

  std::vector<unsigned char> buffer_;
  ByteWindow image_;
  ProbeImageReport report_;
  v1::VersionRead read_;
  bool written_ = false;
  bool shortfallStated_ = false;
};

}  // namespace

bool ProbeImageReport::intact() const {
  if (imageLength == 0 || size < imageLength) return false;
  return std::none_of(items.begin(), items.end(),
                      [](const Item& entry) { return entry.verdict == Damaged; });
}

const ProbeImageReport::Item* ProbeImageReport::find(ProbeDataV1Coder::StreamItems item) const {
  for (const Item& entry : items) {
    if (entry.item == item) return &entry;
  }
  return nullptr;
}

ProbeImageReport inspectImage(const std::string& image) { return Builder(image).run(); }

ProbeImageReport inspectImage(const unsigned char* bytes, std::size_t size) {
  if (size == 0) return inspectImage(std::string());
  return inspectImage(std::string(reinterpret_cast<const char*>(bytes), size));
}

const char* toString(ProbeImageReport::Verdict verdict) {
  switch (verdict) {
    case ProbeImageReport::Intact:
      return "intact";
    case ProbeImageReport::Damaged:
      return "damaged";
    case ProbeImageReport::Absent:
      return "absent";
    case ProbeImageReport::Missing:
      return "missing";
  }
  return "unknown";
}

const char* toString(ProbeImageReport::Fault fault) {
  switch (fault) {
    case ProbeImageReport::NoFault:
      return "none";
    case ProbeImageReport::UnknownVersion:
      return "unknownVersion";
    case ProbeImageReport::DamagedMagic:
      return "damagedMagic";
    case ProbeImageReport::CutShort:
      return "cutShort";
    case ProbeImageReport::Overrun:
      return "overrun";
    case ProbeImageReport::ChecksumMismatch:
      return "checksumMismatch";
    case ProbeImageReport::BlankMemory:
      return "blankMemory";
    case ProbeImageReport::ErasedMemory:
      return "erasedMemory";
  }
  return "unknown";
}
