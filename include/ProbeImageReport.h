// A diagnosis of a version-1 image held as a string of raw bytes (as convertToString writes it
// and convertFromString reads it): which items it holds for its version, where each lies,
// whether each is intact, and what each decodes to. It answers the question a failed
// convertFromString or readAll leaves open: which block of this device's memory is damaged.
//
// The report reads the image with the coder's own item readers and layout, item by item, and
// goes on past a damaged item, so one damaged block does not hide the state of the others. It
// changes no coder and no record of the caller's, and logs nothing.
//
//   const ProbeImageReport report = inspectImage(image);
//   for (const ProbeImageReport::Item& item : report.items)
//     if (item.verdict == ProbeImageReport::Damaged) std::cerr << item.name << ": " << item.detail;
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
    Absent,  // an item that images of this version do not hold
  };
  enum Fault {
    NoFault,
    UnknownVersion,    // version block: the magic, then a version that no device writes
    DamagedMagic,      // version block: the magic with one of its bytes changed
    CutShort,          // the image ends inside the item
    Overrun,           // the item's count or flags describe more bytes than the item holds
    ChecksumMismatch,  // the item's checksum is not the sum of its fields
  };

  // A field, or a target record, inside an item, named for a reader ("target 1: size,
  // position, normal").
  struct Field {
    unsigned int offset;  // in the image
    unsigned int length;
    std::string name;
  };

  struct Item {
    ProbeDataV1Coder::StreamItems item;
    std::string name;     // "version", "rigid body", "default direction", "mask thickness",
                          // "data check"
    unsigned int offset;  // where the image's version puts the item
    unsigned int length;
    Verdict verdict;
    Fault fault;
    // The rigid body and default direction blocks carry a checksum: the value stored, and the
    // sum of the fields read.
    bool hasChecksum;
    unsigned int storedChecksum;
    unsigned int computedChecksum;
    // What the item holds ("5 targets, checksum 0xB0E0"), or what is wrong with it ("rigid body
    // checksum 0xB0E0 (computed 0xB0E1)").
    std::string detail;
    std::vector<Field> fields;  // in image order; empty for items read as a whole
  };

  std::size_t size = 0;  // of the string inspected
  bool hasMagic = false;
  unsigned int major = 0;  // as the version block gives them; 1.0 without the magic
  unsigned int minor = 0;
  // Packed as the coder's input version (major << 4 | minor); the coder's NoVersionDefined
  // (0xFFFFFFFF) when the string is too short for a version block.
  unsigned int version = 0xFFFFFFFFu;
  // The length an image of this version has, and so the least convertFromString reads; 0 when
  // no version was read.
  unsigned int imageLength = 0;
  unsigned int targetCount = 0;  // as the rigid body block states it
  // The items that are intact, decoded into a default record as convertFromString would.
  ProbeData record;
  // The version block first (when the string holds one), then the other items in image order.
  std::vector<Item> items;

  // No item is damaged and the string is as long as its version needs. convertFromString decodes
  // every intact image, and no image with another damaged item; an image whose version block is
  // damaged it may still decode, as the version it takes it for.
  bool intact() const;
  // The report's entry for an item; null when the report has none.
  const Item* find(ProbeDataV1Coder::StreamItems item) const;
};

// Throws nothing but std::bad_alloc, when memory runs out.
PROBEDATA_API ProbeImageReport inspectImage(const std::string& image);

#endif
