// The image report: the coder's layout and item readers run item by item over a string, each
// item's outcome kept instead of the first failure ending the decode.
#include <cstdio>
#include <string>

#include "ByteCursor.h"
#include "ProbeImageReport.h"
#include "V1Layout.h"
#include "V1Readers.h"

namespace {

std::string hex16(unsigned int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
  return text;
}

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string triple(double x, double y, double z, int decimals) {
  return "(" + fixed(x, decimals) + ", " + fixed(y, decimals) + ", " + fixed(z, decimals) + ")";
}

std::string plural(unsigned int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Bytes as a reader sees text: up to the first NUL, "." for what does not print.
std::string printable(const ByteWindow& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size && bytes.data[i] != 0; ++i) {
    const unsigned char c = bytes.data[i];
    text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
  }
  return text;
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

// The coder's layout and readers, over a coder of its own that no data handler ever reaches.
class Inspector : private ProbeDataV1Coder {
 public:
  Inspector() : ProbeDataV1Coder(boost::shared_ptr<DataHandler>()) {}

  ProbeImageReport run(const std::string& text) {
    report_.size = text.size();
    buffer_.assign(text.begin(), text.end());
    image_ = ByteWindow{buffer_.data(), buffer_.size()};
    if (!version()) return std::move(report_);
    report_.imageLength = getLength(AllItems);
    rigidBody();
    const bool more = v1::holdsItemsAfterRigidBody(inputVersion_);
    for (const StreamItems item : {DefaultDirItem, MaskThicknessItem, DataCheckItem}) {
      Item& entry = add(item);
      if (!more) {
        entry.verdict = ProbeImageReport::Absent;
        entry.detail = "not held by a version " + versionText() + " image";
      } else if (!cutShort(entry)) {
        scalar(entry);
      }
    }
    return std::move(report_);
  }

 private:
  using Item = ProbeImageReport::Item;

  std::string versionText() const {
    return std::to_string(report_.major) + "." + std::to_string(report_.minor);
  }

  Item& add(StreamItems item) {
    static const char* const kNames[] = {"", "version", "rigid body", "default direction",
                                         "mask thickness", "data check"};
    report_.items.push_back(Item{item, kNames[item], getOffset(item), getLength(item),
                                 ProbeImageReport::Intact, ProbeImageReport::NoFault, false, 0,
                                 0, "", {}});
    return report_.items.back();
  }

  ByteWindow slot(const Item& entry) const { return image_.window(entry.offset, entry.length); }

  void damage(Item& entry, ProbeImageReport::Fault fault, const std::string& detail) {
    entry.verdict = ProbeImageReport::Damaged;
    entry.fault = fault;
    entry.detail = detail;
  }

  // An item the image ends inside is damaged by that alone.
  bool cutShort(Item& entry, const std::string& prefix = "") {
    if (slot(entry).size == entry.length) return false;
    damage(entry, ProbeImageReport::CutShort,
           prefix + "the image ends at byte " + std::to_string(report_.size) + ", inside the " +
               entry.name + " block");
    return true;
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

  void field(Item& entry, std::size_t offset, std::size_t length, const std::string& name) {
    entry.fields.push_back(ProbeImageReport::Field{static_cast<unsigned int>(entry.offset + offset),
                                                   static_cast<unsigned int>(length), name});
  }

  // The version block decides the layout of everything after it. Without the magic an image
  // reads as version 1.0; with the magic off by one byte it is far more likely a damaged 2.x
  // image, and with a version no device writes, damaged too.
  bool version() {
    Item& entry = add(VersionItem);
    if (cutShort(entry)) return false;
    const ByteWindow block = slot(entry);
    setVersionFromRaw(block.data, block.size);
    report_.version = inputVersion_;
    std::size_t matching = 0;
    for (std::size_t i = 0; i < v1::kMagicSize; ++i) {
      matching += block.data[i] == static_cast<unsigned char>(v1::kVersionMagic[i]) ? 1 : 0;
    }
    report_.hasMagic = matching == v1::kMagicSize;
    if (report_.hasMagic) {
      ByteReader in(block.data + v1::kMagicSize, block.size - v1::kMagicSize);
      report_.major = in.u16();
      report_.minor = in.u16();
    } else {
      report_.major = v1::majorOf(inputVersion_);
      report_.minor = v1::minorOf(inputVersion_);
    }
    const bool written = report_.minor <= 0xF && (inputVersion_ == v1::kCurrentVersion ||
                                                  inputVersion_ == v1::kLastShortVersion ||
                                                  inputVersion_ == v1::kCutImageVersion);
    if (report_.hasMagic && !written) {
      damage(entry, ProbeImageReport::UnknownVersion,
             "version " + versionText() + " is not one a device writes (2.1, 2.0, 1.0 or 0.1)");
    } else if (matching == v1::kMagicSize - 1) {
      damage(entry, ProbeImageReport::DamagedMagic,
             "magic \"" + printable(image_.window(0, v1::kMagicSize)) + "\" differs from \"" +
                 std::string(v1::kVersionMagic, v1::kMagicSize) + "\" in one byte");
    } else {
      entry.detail = report_.hasMagic ? "version " + versionText() : "no magic: version 1.0";
    }
    return true;
  }

  // The rigid body reader runs over the block's slot, or what the image holds of it: a block
  // whose targets end before the image does reads whole from a cut image.
  void rigidBody() {
    Item& entry = add(RigidBodyItem);
    const ByteWindow block = slot(entry);
    const bool current = inputVersion_ == v1::kCurrentVersion;
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
    const std::string targets = plural(read.count, "target", "targets");
    if (!complete) {
      if (!cutShort(entry, targets + ": ")) {
        damage(entry, ProbeImageReport::Overrun,
               targets + ": its fields run past the end of the rigid body block");
      }
      return;
    }
    if (in.consumed() < block.size) field(entry, in.consumed(), block.size - in.consumed(), "fill");
    checksum(entry, read.stored, read.computed, targets);
    if (entry.verdict != ProbeImageReport::Intact) return;
    report_.record.setRigidBody(body);
    if (!current) report_.record.setDefaultDir(read.dirX, read.dirY, read.dirZ);
  }

  std::string spanName(const v1::FieldSpan& span, const ByteWindow& block,
                       const v1::RigidBodyRead& read) const {
    switch (span.kind) {
      case v1::FieldSpan::Count:
        return "target count: " + std::to_string(read.count);
      case v1::FieldSpan::CountText:
        return "count text \"" + printable(block.window(span.offset, span.length)) +
               "\": " + plural(read.count, "target", "targets");
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
    ProbeData& record = report_.record;
    switch (entry.item) {
      case DefaultDirItem: {
        ByteReader in(block.data, block.size);
        const v1::DefaultDirRead read = v1::readDefaultDir(in);
        checksum(entry, read.stored, read.computed, triple(read.x, read.y, read.z, 3));
        if (entry.verdict == ProbeImageReport::Intact) record.setDefaultDir(read.x, read.y, read.z);
        return;
      }
      case MaskThicknessItem:
        setMaskThicknessFromRaw(record, block.data, block.size);
        entry.detail = std::to_string(record.getMaskThickness()) + " (no checksum)";
        return;
      default:
        ByteReader in(block.data, block.size);
        const v1::DataCheckRead read = v1::readDataCheck(in);
        Rb::RigidBody body(record.getRigidBody());
        body.setId(read.id);
        record.setRigidBody(body);
        record.setChecksum(read.checksum);
        const std::string id = quoted(read.id);
        field(entry, 0, v1::kIdFieldSize, "id " + id);
        field(entry, v1::kIdFieldSize, entry.length - v1::kIdFieldSize, "stored record checksum");
        entry.detail =
            "id " + id + ", stored record checksum " + hex16(record.getChecksum()) + " (no checksum)";
        return;
    }
  }

  ProbeImageReport report_;
  std::vector<unsigned char> buffer_;
  ByteWindow image_{nullptr, 0};
};

}  // namespace

bool ProbeImageReport::intact() const {
  if (imageLength == 0 || size < imageLength) return false;
  for (const Item& entry : items) {
    if (entry.verdict == Damaged) return false;
  }
  return true;
}

const ProbeImageReport::Item* ProbeImageReport::find(ProbeDataV1Coder::StreamItems item) const {
  for (const Item& entry : items) {
    if (entry.item == item) return &entry;
  }
  return nullptr;
}

ProbeImageReport inspectImage(const std::string& image) { return Inspector().run(image); }
