// A diagnosis of a version-1 image held as raw bytes (as convertToString writes it and
// convertFromString reads it): which items it holds for its version, where each lies, whether
// each is intact, and what each decodes to. It answers the question a failed convertFromString
// or readAll leaves open: which block of this device's memory is damaged.
//
// The report reads the image with the coder's own item readers and layout, item by item, and
// goes on past a damaged item, so one damaged block does not hide the state of the others. The
// version block decides how the rest reads, so the report does not take its word blindly: when
// its numbers name no version devices write, or leave blocks damaged that another version
// devices write reads intact, the version block is the damaged item and the other blocks are
// judged in the version that reads them. It changes no coder and no record of the caller's,
// logs nothing, and reads the same under every locale.
//
//   const ProbeImageReport report = inspectImage(image);
//   for (const ProbeImageReport::Item& item : report.items)
//     if (item.verdict != ProbeImageReport::Intact)
//       std::cerr << item.name << ": " << ProbeImageReport::verdictName(item.verdict) << ", "
//                 << item.detail << "\n";
#ifndef PROBE_IMAGE_REPORT_H
#define PROBE_IMAGE_REPORT_H

#include <cstddef>
#include <string>
#include <vector>

#include "ProbeData.h"
#include "ProbeDataV1Coder.h"
#include "ProbeExport.h"

struct PROBEDATA_API ProbeImageReport {
  enum Verdict {
    Intact,
    Damaged,
    Absent,   // an item that images of this version do not hold
    Missing,  // an item the image ends before
  };
  enum Fault {
    NoFault,
    UnknownVersion,    // version block: the magic, then a version that no device writes
    DamagedMagic,      // version block: the magic with one of its bytes changed
    CutShort,          // the image ends inside the item
    Overrun,           // the item's count or flags describe more bytes than the item holds
    ChecksumMismatch,  // the item's checksum is not the sum of its fields
    BlankMemory,       // version block: every byte of the image is 0x00, as in new memory
    ErasedMemory,      // version block: every byte of the image is 0xFF, as in erased memory
    DamagedVersion,    // version block: the blocks are damaged in the version it names and
                       // intact in another version that devices write
  };

  // A field, or a target record, inside an item, named for a reader ("target 1: size,
  // position, normal").
  struct Field {
    unsigned int offset = 0;  // in the image
    unsigned int length = 0;
    std::string name;
  };

  struct Item {
    ProbeDataV1Coder::StreamItems item = ProbeDataV1Coder::VersionItem;
    std::string name;         // "version", "rigid body", "default direction", "mask thickness",
                              // "data check"
    unsigned int offset = 0;  // where the image's version puts the item
    unsigned int length = 0;
    Verdict verdict = Intact;
    Fault fault = NoFault;
    // The rigid body and default direction blocks carry a checksum: the value stored, and the
    // sum of the fields read.
    bool hasChecksum = false;
    unsigned int storedChecksum = 0;
    unsigned int computedChecksum = 0;
    // What the item holds ("5 targets, checksum 0xB0E0"), or what is wrong with it ("rigid body
    // checksum 0xB0E0 (computed 0xB0E1)"). Bytes of the image that do not print appear as \xNN.
    std::string detail;
    // The item's values are in the report's record: it is intact, or it is cut short after
    // everything it holds (a rigid body's targets and their checksum). Never the version item.
    bool inRecord = false;
    // What of the item's bytes no checksum covers, so that "intact" says nothing of them ("all
    // 2 bytes", "the target count, the flags, ..."); empty when a checksum covers every value.
    std::string unchecked;
    std::vector<Field> fields;  // in image order; empty for items read as a whole
  };

  std::size_t size = 0;  // of the bytes inspected
  // The bytes start with the magic "QMVB", however few of them there are.
  bool hasMagic = false;
  // The version the items are judged in: the version block's numbers after the magic (or after
  // the magic with one byte changed), 1.0 without the magic. When the version block is damaged
  // (UnknownVersion, DamagedVersion) it is the version devices write that reads the items best,
  // although the coder reads such an image as the numbers say; the version item's detail says
  // both. version packs it as the coder's input version does (major << 4 | minor).
  unsigned int major = 0;
  unsigned int minor = 0;
  unsigned int version = 0xFFFFFFFFu;  // see hasVersion()
  // The length of an image of that version, and so the least convertFromString reads; 0 when
  // no version was read.
  unsigned int imageLength = 0;
  unsigned int targetCount = 0;  // as the rigid body block states it
  // CRC-16/ARC of the image's bytes from the rigid body block to the end of the mask thickness
  // block, as they stand, when the image holds them all. For an intact version 2.1 image whose
  // unused bytes are zero it equals computeDataCheksum of the image's record.
  bool hasDataChecksum = false;
  unsigned int dataChecksum = 0;
  // The items' values that read intact (inRecord), decoded into a default record as
  // convertFromString would.
  ProbeData record;
  // The version item, always first; then the other items in image order, unless the bytes are
  // too few for a version block or are blank or erased memory.
  std::vector<Item> items;

  // The bytes hold a version block (or are blank or erased memory, which reads as version 1.0);
  // major, minor, version and imageLength are then set.
  bool hasVersion() const;
  // No item is damaged and the image is as long as its version needs. convertFromString decodes
  // every intact image, and no image with another damaged item; an image whose version block is
  // damaged it may still decode, as the version it takes it for (blank memory, for one, decodes
  // as an empty version 1.0 record).
  bool intact() const;
  // What is wrong, one clause per damaged item ("rigid body checksum 0xB0E0 (computed 0xB0E1)",
  // "data check: past the end of the image") and where the image ends, joined by "; "; empty
  // when the image is intact.
  std::string damage() const;

  // Names fit for a program's output: "intact", "damaged", "absent", "missing"; "none",
  // "unknownVersion", "damagedMagic", "cutShort", "overrun", "checksumMismatch", "blankMemory",
  // "erasedMemory", "damagedVersion".
  static const char* verdictName(Verdict verdict);
  static const char* faultName(Fault fault);
  // An item's name, as Item::name gives it: "version", "rigid body", "default direction", "mask
  // thickness", "data check"; "image" for AllItems, "unknown" for any other value.
  static const char* itemName(ProbeDataV1Coder::StreamItems item);
  // A version as messages and programs name it: "2.1" for 0x21 (major << 4 | minor).
  static std::string versionText(unsigned int version);
};

// Throw nothing but std::bad_alloc, when memory runs out. The pointer form reads size bytes
// from bytes (which may be null when size is 0) and keeps no pointer to them.
PROBEDATA_API ProbeImageReport inspectImage(const std::string& image);
PROBEDATA_API ProbeImageReport inspectImage(const unsigned char* bytes, std::size_t size);

// A value of a record that the image the coder writes (version 2.1) cannot hold as it is.
struct PROBEDATA_API ImageFitProblem {
  // The value's place in the record: "targets[2].size", "targets[2].position[0]",
  // "targets[2].normal[1]", "targets[2].angle", "defaultDirection[0]", "id", "storedChecksum",
  // or "targets" for their number.
  std::string path;
  // Why, with the field's limit: "400 is out of range (-327.68 to 327.67): the image reads back
  // -255.36", "31 targets need 500 bytes; the rigid body block holds 388: ...".
  std::string detail;
  // convertToString refuses the record for it; otherwise it writes the record, and the image
  // reads back otherwise than the record.
  bool refused = false;
};

// Every value of record that the image cannot hold as it is, in record order. Empty when
// convertFromString of the record's convertToString gives the record back, to the image's
// resolution (positions and the default direction to 0.001, the rest to 0.01, rounded).
PROBEDATA_API std::vector<ImageFitProblem> checkImageFit(const ProbeData& record);

#endif
