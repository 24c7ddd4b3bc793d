// Readers and writers of the image's items, shared by the item codecs, the image report and the
// fit check. Readers read (and where a block carries a checksum, sum) the fields and leave the
// verdict to the caller: the codecs refuse a mismatch, the report names it. Beside each reader,
// what applying its result to a record means. Writers write the fields; given a FitCheck they
// name what they cannot store as given instead of failing. Each throws CursorOverrun when a field
// would pass the end of the bytes given.
#ifndef PROBE_V1_ITEMS_H
#define PROBE_V1_ITEMS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ByteCursor.h"
#include "ProbeData.h"
#include "ProbeImageReport.h"
#include "RigidBody.h"
#include "V1Fields.h"
#include "V1Layout.h"

namespace v1 {

// The version block as stored: its first four bytes and the two numbers after them, read
// whatever the four bytes are. A reader cut short keeps what it read: zero bytes are no magic.
struct VersionRead {
  Magic magic{};
  std::uint16_t major = 0;
  std::uint16_t minor = 0;

  bool hasMagic() const { return magic == kVersionMagic; }
  // How many of the four bytes differ from the magic.
  std::size_t magicDifferences() const;
  // The numbers after the magic, packed; and the input version the coder takes: those numbers
  // after the magic, 1.0 without it.
  std::uint32_t stored() const { return packVersion(major, minor); }
  std::uint32_t version() const { return hasMagic() ? stored() : kNoMagicVersion; }
  // The numbers name a version devices write after the magic.
  bool written() const { return minor <= 0xF && ProbeDataV1Coder::isWrittenVersion(stored()); }
};

void readVersion(ByteReader& in, VersionRead& read);
void writeVersion(ByteWriter& out, std::uint32_t version);

// The fields, or target records, a reader has read, each named for people ("target 1: size,
// position, normal"), with offsets from the block's first byte.
using Fields = std::vector<ProbeImageReport::Field>;

struct RigidBodyRead {
  bool current = true;  // the 388-byte layout; the 320-byte layout carries the default direction
  std::uint16_t count = 0;
  std::uint16_t stored = 0;    // the block's checksum
  std::uint16_t computed = 0;  // the sum of its scaled fields
  double dirX = 0, dirY = 0, dirZ = 0;
};

// Reads the rigid body block in the 388-byte layout (current) or the 320-byte layout into body,
// whose targets it replaces with those stored, numbered 0 to count-1. read takes each value as
// it is read, so a reader cut short still tells the count. Each field read is added to fields
// when they are given.
void readRigidBody(ByteReader& in, bool current, Rb::RigidBody& body, RigidBodyRead& read,
                   Fields* fields = nullptr);
// The record takes body, and from the 320-byte layout the default direction too.
void apply(ProbeData& record, Rb::RigidBody& body, const RigidBodyRead& read);
// The 388-byte layout's count, target records and checksum, without the fill. Otherwise
// ScaledWriter's refusals (std::range_error) pass through.
void writeRigidBody(ByteWriter& out, const Rb::RigidBody& body, FitCheck* check = nullptr);

struct DefaultDirRead {
  double x = 0, y = 0, z = 0;
  std::uint16_t stored = 0;
  std::uint16_t computed = 0;
};

DefaultDirRead readDefaultDir(ByteReader& in);
void apply(ProbeData& record, const DefaultDirRead& read);
void writeDefaultDir(ByteWriter& out, const ProbeData& record, FitCheck* check = nullptr);

std::uint16_t readMaskThickness(ByteReader& in);
void writeMaskThickness(ByteWriter& out, std::uint16_t thickness);

struct DataCheckRead {
  std::string id;  // the id field's bytes, zero bytes dropped
  std::uint16_t checksum = 0;
};

DataCheckRead readDataCheck(ByteReader& in);
// The record's body takes the id and keeps its targets; the record takes the checksum.
void apply(ProbeData& record, const DataCheckRead& read);
// The id cut or NUL-filled to its field, and the checksum's low 16 bits.
void writeDataCheck(ByteWriter& out, const std::string& id, unsigned int checksum);

}  // namespace v1

#endif
