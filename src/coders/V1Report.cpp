// The image report: the layout and item readers of the coder run item by item over the bytes,
// each item's outcome kept instead of the first failure ending the decode.
//
// The version block decides how everything after it reads, so one damaged byte there would
// otherwise make every intact block look damaged. The blocks are judged in the version the block
// names when a block's checksum vouches for it there; else in a version devices write that a
// checksum vouches for, and the version block is the damaged item.
#include <algorithm>
#include <string>
#include <vector>

#include "ByteCursor.h"
#include "Crc16.h"
#include "ProbeImageReport.h"
#include "V1Fields.h"
#include "V1Items.h"
#include "V1Layout.h"

namespace {

using Report = ProbeImageReport;
using Item = ProbeImageReport::Item;
using Coder = ProbeDataV1Coder;
using v1::plural;
using v1::quoted;

std::string hex16(unsigned int value) { return v1::printed("0x%04X", value & 0xFFFFu); }

// Clauses of one text, joined by "; ".
void append(std::string& text, const std::string& clause) {
  text += (text.empty() ? "" : "; ") + clause;
}

void damage(Item& entry, Report::Fault fault, const std::string& detail) {
  entry.verdict = Report::Damaged;
  entry.fault = fault;
  entry.detail = detail;
}

Item makeItem(Coder::StreamItems item, std::uint32_t version) {
  Item entry;
  entry.item = item;
  entry.name = Report::itemName(item);
  entry.offset = static_cast<unsigned int>(v1::itemOffset(version, item));
  entry.length = static_cast<unsigned int>(v1::itemLength(version, item));
  return entry;
}

// The blocks after the version block as one version reads them, and the record their intact
// values make.
struct Judgement {
  std::uint32_t version = v1::kNoVersion;
  std::vector<Item> items;
  ProbeData record;
  unsigned int targetCount = 0;
  bool shortfallStated = false;  // the first item the image does not hold has said so

  // The image reads as one of this version: no block is damaged but for being cut short after
  // what it holds, and a block's checksum vouches for the version. Blocks without one read as
  // intact in any version.
  bool vouches() const {
    bool vouched = false;
    for (const Item& item : items) {
      const bool mismatch = item.hasChecksum && item.storedChecksum != item.computedChecksum;
      if (item.verdict == Report::Damaged && (item.fault != Report::CutShort || mismatch)) {
        return false;
      }
      vouched = vouched || (item.inRecord && item.hasChecksum);
    }
    return vouched;
  }
};

class Builder {
 public:
  Builder(const unsigned char* bytes, std::size_t size) : image_{bytes, size} {}

  Report run() {
    report_.size = image_.size;
    report_.items.push_back(makeItem(Coder::VersionItem, v1::kNoVersion));
    if (blank() || !readVersionBlock()) return std::move(report_);
    Judgement chosen = choose();
    setVersion(chosen.version);
    report_.targetCount = chosen.targetCount;
    report_.record = chosen.record;
    versionVerdict(chosen);
    report_.items.insert(report_.items.end(), chosen.items.begin(), chosen.items.end());
    dataChecksum();
    return std::move(report_);
  }

 private:
  Item& versionItem() { return report_.items.front(); }

  void setVersion(std::uint32_t version) {
    report_.version = version;
    report_.major = v1::majorOf(version);
    report_.minor = v1::minorOf(version);
    report_.imageLength = static_cast<unsigned int>(v1::itemLength(version, Coder::AllItems));
  }

  // Memory that holds one byte value throughout was never written, or was erased. The coder
  // reads it as version 1.0 without magic, and blank memory as an empty record.
  bool blank() {
    const unsigned char* const end = image_.data + image_.size;
    if (image_.size == 0 || (image_.data[0] != 0x00 && image_.data[0] != 0xFF) ||
        std::count(image_.data, end, image_.data[0]) != static_cast<std::ptrdiff_t>(image_.size)) {
      return false;
    }
    if (image_.size >= v1::kVersionBlockSize) setVersion(v1::kNoMagicVersion);
    const bool erased = image_.data[0] == 0xFF;
    damage(versionItem(), erased ? Report::ErasedMemory : Report::BlankMemory,
           "all " + plural(image_.size, "byte is ", "bytes are ") +
               (erased ? "0xFF: erased memory" : "0x00: blank memory"));
    return true;
  }

  // A block cut short keeps what was read of it: the magic, when the image holds four bytes.
  bool readVersionBlock() {
    const ConstByteWindow block = image_.window(0, v1::kVersionBlockSize);
    ByteReader in(block.data, block.size);
    try {
      v1::readVersion(in, read_);
    } catch (const CursorOverrun&) {
      // read_ keeps what the block holds.
    }
    report_.hasMagic = read_.hasMagic();
    if (block.size < v1::kVersionBlockSize) {
      Judgement none;
      shortfall(none, versionItem(), block.size);
      return false;
    }
    versionItem().unchecked = "all 8 bytes";
    return true;
  }

  // Without the magic an image reads as version 1.0. With the magic, or the magic off by one
  // byte (far more likely a damaged image than no image), the blocks are judged in the version
  // the numbers name when devices write it and a checksum vouches for it; else in the first
  // version devices write, newest first, that a checksum vouches for, one whose whole image the
  // bytes hold before one they do not; else in the version named, or the newest when the numbers
  // name none that devices write.
  Judgement choose() {
    if (read_.magicDifferences() > 1) return judge(v1::kNoMagicVersion);
    Judgement named = judge(read_.written() ? read_.stored() : v1::kCurrentVersion);
    if (named.vouches()) return named;
    for (const bool held : {true, false}) {
      for (const std::uint32_t version : v1::kWrittenVersions) {
        Judgement other = judge(version);
        const bool fits = v1::itemLength(version, Coder::AllItems) <= image_.size;
        if (other.vouches() && (fits || !held)) return other;
      }
    }
    return named;
  }

  Judgement judge(std::uint32_t version) {
    Judgement judgement;
    judgement.version = version;
    v1::walkItems(
        image_, 0, Coder::RigidBodyItem, Coder::DataCheckItem, [&] { return version; },
        [&](Coder::StreamItems item, ConstByteWindow slot) {
          judgement.items.push_back(makeItem(item, version));
          judgeItem(judgement, judgement.items.back(), slot);
          return true;
        });
    return judgement;
  }

  void judgeItem(Judgement& judgement, Item& entry, ConstByteWindow slot) {
    const bool whole = slot.size == entry.length;
    if (entry.item == Coder::RigidBodyItem) return rigidBody(judgement, entry, slot, whole);
    if (!v1::holdsItemsAfterRigidBody(judgement.version)) {
      entry.verdict = Report::Absent;
      entry.detail = "not held by a version " + v1::versionText(judgement.version) + " image";
    }
    if (!whole) return shortfall(judgement, entry, slot.size);
    if (entry.verdict != Report::Absent) scalar(judgement, entry, slot);
  }

  // The first item the image does not hold whole carries the shortfall; the items after it are
  // missing. An absent item the image ends in says so after its own detail.
  void shortfall(Judgement& judgement, Item& entry, std::size_t held) {
    if (judgement.shortfallStated && entry.verdict == Report::Absent) return;
    std::string detail = "past the end of the image";
    if (!judgement.shortfallStated) {
      judgement.shortfallStated = true;
      detail = "the image ends at byte " + std::to_string(image_.size) +
               (held > 0 ? ", inside the " : ", before the ") + entry.name + " block";
      if (judgement.version != v1::kNoVersion) {
        const std::size_t length = v1::itemLength(judgement.version, Coder::AllItems);
        detail += ": " + std::to_string(length - image_.size) + " of the " +
                  std::to_string(length) + " bytes of a version " +
                  v1::versionText(judgement.version) + " image are missing";
      }
    }
    if (entry.verdict == Report::Absent) {
      entry.detail += "; " + detail;
    } else if (held > 0 || entry.item == Coder::VersionItem) {
      damage(entry, Report::CutShort, detail);
    } else {
      entry.verdict = Report::Missing;
      entry.detail = detail;
    }
  }

  static void field(Item& entry, std::size_t offset, std::size_t length, const std::string& name) {
    entry.fields.push_back({static_cast<unsigned int>(entry.offset + offset),
                            static_cast<unsigned int>(length), name});
  }

  static void checksum(Item& entry, unsigned int stored, unsigned int computed) {
    entry.hasChecksum = true;
    entry.storedChecksum = stored;
    entry.computedChecksum = computed;
    if (stored != computed) {
      damage(entry, Report::ChecksumMismatch,
             entry.name + " checksum " + hex16(stored) + " (computed " + hex16(computed) + ")");
    }
  }

  // The fields are read as far as the image holds them, so that a cut block still shows them,
  // and a cut block whose targets and checksum all lie before the cut gives its targets.
  void rigidBody(Judgement& judgement, Item& entry, ConstByteWindow block, bool whole) {
    const bool current = judgement.version == v1::kCurrentVersion;
    Rb::RigidBody body;
    v1::RigidBodyRead read;
    ByteReader in(block.data, block.size);
    bool complete = true;
    try {
      v1::readRigidBody(in, current, body, read, &entry.fields);
    } catch (const CursorOverrun&) {
      complete = false;
    }
    judgement.targetCount = read.count;
    for (ProbeImageReport::Field& named : entry.fields) named.offset += entry.offset;
    if (complete && in.consumed() < block.size) {
      field(entry, in.consumed(), block.size - in.consumed(), "fill");
    }
    if (block.size > 0) {
      entry.unchecked = current ? "the target count, the flags, the upper two bytes of each "
                                  "position and the fill"
                                : "the count text, the header, the flags and the fill";
    }
    const std::string targets = plural(read.count, "target", "targets");
    if (!complete) {
      if (!whole) return shortfall(judgement, entry, block.size);
      return damage(entry, Report::Overrun,
                    targets + ": its fields run past the end of the rigid body block");
    }
    checksum(entry, read.stored, read.computed);
    if (entry.verdict != Report::Damaged) {
      v1::apply(judgement.record, body, read);
      entry.inRecord = true;
      entry.detail = targets + ", checksum " + hex16(read.stored);
    }
    if (whole) return;
    shortfall(judgement, entry, block.size);
    if (entry.inRecord)
      entry.detail += "; the " + targets + " and their checksum before the cut are intact";
  }

  // The three items after the rigid body, each whole in the image.
  void scalar(Judgement& judgement, Item& entry, ConstByteWindow block) {
    ByteReader in(block.data, block.size);
    ProbeData& record = judgement.record;
    const std::string all = "all " + plural(entry.length, "byte", "bytes");
    switch (entry.item) {
      case Coder::DefaultDirItem: {
        const v1::DefaultDirRead read = v1::readDefaultDir(in);
        checksum(entry, read.stored, read.computed);
        if (entry.verdict == Report::Damaged) return;
        v1::apply(record, read);
        entry.detail = v1::triple(read.x, read.y, read.z, 3) + ", checksum " + hex16(read.stored);
        break;
      }
      case Coder::MaskThicknessItem:
        record.setMaskThickness(v1::readMaskThickness(in));
        entry.detail = std::to_string(record.getMaskThickness()) + " (no checksum)";
        entry.unchecked = all;
        break;
      default: {
        const v1::DataCheckRead read = v1::readDataCheck(in);
        v1::apply(record, read);
        const std::string id = quoted(read.id);
        field(entry, 0, v1::kIdFieldSize, "id " + id);
        field(entry, v1::kIdFieldSize, entry.length - v1::kIdFieldSize, "stored record checksum");
        entry.detail =
            "id " + id + ", stored record checksum " + hex16(read.checksum) + " (no checksum)";
        entry.unchecked = all + ": the id and the stored record checksum";
      }
    }
    entry.inRecord = true;
  }

  // Judged after the other items, so that it can say how they read. Its detail says what the
  // block holds, how the coder reads it, and in which version the other blocks were judged.
  void versionVerdict(const Judgement& chosen) {
    Item& entry = versionItem();
    if (read_.magicDifferences() > 1) {
      entry.detail = "no magic: version " + v1::versionText(v1::kNoMagicVersion);
      return;
    }
    const std::string numbers = v1::versionText(read_.major, read_.minor);
    std::string clauses;
    Report::Fault fault = Report::NoFault;
    if (read_.magicDifferences() == 1) {
      fault = Report::DamagedMagic;
      append(clauses, "magic " + quoted(std::string(read_.magic.begin(), read_.magic.end())) +
                          " differs from " +
                          quoted(std::string(v1::kVersionMagic.begin(), v1::kVersionMagic.end())) +
                          " in one byte");
    }
    if (!read_.written()) {
      fault = Report::UnknownVersion;
      append(clauses, "version " + numbers + " is not one a device writes after the magic (" +
                          v1::writtenVersionsText() + ")");
    } else if (chosen.version != read_.stored()) {
      fault = Report::DamagedVersion;
      append(clauses, "the numbers give version " + numbers + ", in which the blocks are damaged");
    }
    if (fault == Report::NoFault) {
      entry.detail = "version " + numbers;
      return;
    }
    append(clauses, "the coder reads this image as version " + v1::versionText(read_.version()));
    const bool intact = std::all_of(chosen.items.begin(), chosen.items.end(), [](const Item& item) {
      return item.verdict == Report::Intact || item.verdict == Report::Absent;
    });
    const std::string judged = v1::versionText(chosen.version);
    append(clauses, intact ? "as version " + judged + " the other blocks are intact"
                           : "the other blocks are judged as version " + judged);
    damage(entry, fault, clauses);
  }

  void dataChecksum() {
    const std::size_t begin = v1::itemOffset(report_.version, Coder::RigidBodyItem);
    const std::size_t end = v1::itemOffset(report_.version, Coder::DataCheckItem);
    const ConstByteWindow covered = image_.window(begin, end - begin);
    if (covered.size != end - begin) return;
    report_.hasDataChecksum = true;
    report_.dataChecksum = crc16Arc(covered.data, covered.size);
  }

  ConstByteWindow image_;
  Report report_;
  v1::VersionRead read_;
};

}  // namespace

bool ProbeImageReport::hasVersion() const { return version != v1::kNoVersion; }

bool ProbeImageReport::intact() const {
  if (!hasVersion() || size < imageLength) return false;
  return std::none_of(items.begin(), items.end(),
                      [](const Item& entry) { return entry.verdict == Damaged; });
}

// A damaged item, by its name unless its detail starts with it; where the image ends, once.
std::string ProbeImageReport::damage() const {
  std::string text;
  bool cut = false;
  for (const Item& item : items) {
    if (item.verdict == Damaged || (item.verdict == Missing && !cut)) {
      append(text, item.fault == ChecksumMismatch ? item.detail : item.name + ": " + item.detail);
      cut = cut || item.fault == CutShort || item.verdict == Missing;
    }
  }
  if (text.empty() && !intact()) {
    append(text, "the image is " + plural(size, "byte", "bytes") + "; a version " +
                     v1::versionText(version) + " image has " + std::to_string(imageLength));
  }
  return text;
}

ProbeImageReport inspectImage(const std::string& image) {
  return inspectImage(reinterpret_cast<const unsigned char*>(image.data()), image.size());
}

ProbeImageReport inspectImage(const unsigned char* bytes, std::size_t size) {
  return Builder(size == 0 ? nullptr : bytes, size).run();
}

const char* ProbeImageReport::itemName(ProbeDataV1Coder::StreamItems item) {
  if (item == ProbeDataV1Coder::AllItems) return "image";
  return item > ProbeDataV1Coder::AllItems && item <= ProbeDataV1Coder::DataCheckItem
             ? v1::kItems[item - 1].name
             : "unknown";
}

std::string ProbeImageReport::versionText(unsigned int version) { return v1::versionText(version); }

const char* ProbeImageReport::verdictName(Verdict verdict) {
  static const char* const kNames[] = {"intact", "damaged", "absent", "missing"};
  return verdict >= Intact && verdict <= Missing ? kNames[verdict] : "unknown";
}

const char* ProbeImageReport::faultName(Fault fault) {
  static const char* const kNames[] = {"none",        "unknownVersion", "damagedMagic",
                                       "cutShort",    "overrun",        "checksumMismatch",
                                       "blankMemory", "erasedMemory",   "damagedVersion"};
  return fault >= NoFault && fault <= DamagedVersion ? kNames[fault] : "unknown";
}
