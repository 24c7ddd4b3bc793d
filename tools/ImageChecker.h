// Reads a version-1 image field by field, as the device lays it out, without decoding it into a
// record: which version it is, whether it is long enough, whether each block's checksum holds,
// and where each block and field lies. The library decodes images; this tells a host which
// block a failed decode came from, and marks blocks in hex dumps.
#ifndef PROBETOOL_IMAGE_CHECKER_H
#define PROBETOOL_IMAGE_CHECKER_H

#include <cstddef>
#include <string>
#include <vector>

#include "HexText.h"

namespace probetool {

enum class Verdict { Intact, Damaged, Absent };

struct BlockCheck {
  std::string name;  // "version", "length", "rigid body", ...
  Verdict verdict = Verdict::Intact;
  std::string detail;
  // Blocks with a checksum of their own: the value stored and the one the fields sum to.
  bool hasChecksum = false;
  // Damaged only because the image ends before the block does; the length check says why.
  bool cutShort = false;
  unsigned int stored = 0;
  unsigned int computed = 0;
};

// A stretch of the image to mark in a dump: an item (level 0) or a field group in it (level 1).
struct Segment {
  std::size_t offset;
  std::size_t length;
  int level;
  std::string title;
  std::string block;  // items: the name of the BlockCheck that judges them
};

struct ImageInspection {
  std::size_t size = 0;
  bool magic = false;
  unsigned int major = 0;
  unsigned int minor = 0;
  unsigned int version = 0;  // packed as the library packs it; 1.0 when there is no magic
  std::size_t needed = 0;    // the image length that version calls for
  std::vector<BlockCheck> blocks;
  std::vector<Segment> segments;  // in offset order, items before the fields they hold

  bool intact() const;
  const BlockCheck* find(const std::string& name) const;
};

ImageInspection inspectImage(const Bytes& image);

// "2.1" for the packed 0x21.
std::string versionText(unsigned int packed);

// "0x03E8".
std::string hex16(unsigned int value);

}  // namespace probetool

#endif
