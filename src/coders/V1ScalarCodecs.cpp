// The items whose format is the same for every image version: the version block, and the three
// items after the rigid body (default direction, mask thickness and data check).
#include <algorithm>
#include <cassert>
#include <functional>
#include <numeric>
#include <string>

#include "ByteCursor.h"
#include "ProbeDataV1Coder.h"
#include "ThrowError.h"
#include "V1Fields.h"
#include "V1Items.h"
#include "V1Layout.h"

// Version block: the magic, then the major and minor number.

std::size_t v1::VersionRead::magicDifferences() const {
  return static_cast<std::size_t>(std::inner_product(
      magic.begin(), magic.end(), kVersionMagic.begin(), 0, std::plus<>(), std::not_equal_to<>()));
}

void v1::readVersion(ByteReader& in, VersionRead& read) {
  const std::string magic = in.chars(kMagicSize);
  std::copy(magic.begin(), magic.end(), read.magic.begin());
  read.major = in.u16();
  read.minor = in.u16();
}

void v1::writeVersion(ByteWriter& out, std::uint32_t version) {
  out.bytes(kVersionMagic.data(), kMagicSize);
  out.u16(majorOf(version));
  out.u16(minorOf(version));
}

void ProbeDataV1Coder::setVersionFromRaw(unsigned char* raw) {
  setVersionFromRaw(raw, v1::kVersionBlockSize);
}

// A block shorter than its 8 bytes is refused whole, magic or not: the cursor stops short of the
// numbers, and the version changes only after the block has read.
void ProbeDataV1Coder::setVersionFromRaw(unsigned char* raw, std::size_t size) {
  v1::VersionRead read;
  PROBE_GUARDED("setVersionFromRaw error", [&] {
    ByteReader in(raw, size);
    v1::readVersion(in, read);
  });
  inputVersion_ = read.version();
}

void ProbeDataV1Coder::setVersionToRaw(unsigned char* raw) const {
  setVersionToRaw(raw, v1::kVersionBlockSize);
}

void ProbeDataV1Coder::setVersionToRaw(unsigned char* raw, std::size_t size) const {
  PROBE_GUARDED("setVersionToRaw error", [&] {
    if (size < v1::kVersionBlockSize) throw CursorOverrun();  // nothing written when short
    ByteWriter out(raw, size);
    v1::writeVersion(out, outputVersion_);
  });
}

// Default direction: x, y, z in thousandths and their sum.

void v1::writeDefaultDir(ByteWriter& out, const ProbeData& record, FitCheck* check) {
  double x = 0, y = 0, z = 0;
  record.getDefaultDir(x, y, z);
  ScaledWriter scaled(out, check);
  scaled.i16(x, kThousandths, "defaultDirection[0]");
  scaled.i16(y, kThousandths, "defaultDirection[1]");
  scaled.i16(z, kThousandths, "defaultDirection[2]");
  out.u16(scaled.sum());
}

v1::DefaultDirRead v1::readDefaultDir(ByteReader& in) {
  DefaultDirRead read;
  ScaledReader scaled(in);
  read.x = scaled.i16(kThousandths);
  read.y = scaled.i16(kThousandths);
  read.z = scaled.i16(kThousandths);
  read.computed = scaled.sum();
  read.stored = in.u16();
  assert(in.consumed() == kDefaultDirBlockSize);
  return read;
}

void v1::apply(ProbeData& record, const DefaultDirRead& read) {
  record.setDefaultDir(read.x, read.y, read.z);
}

void ProbeDataV1Coder::setDefaultDirToRaw(const ProbeData& data, unsigned char* raw) const {
  setDefaultDirToRaw(data, raw, v1::kDefaultDirBlockSize);
}

void ProbeDataV1Coder::setDefaultDirToRaw(const ProbeData& data, unsigned char* raw,
                                          std::size_t size) const {
  PROBE_GUARDED("setDefaultDirToRaw error", [&] {
    // Coded whole before it is handed over, so a refused value leaves the caller's bytes alone.
    unsigned char block[v1::kDefaultDirBlockSize];
    ByteWriter out(block, sizeof block);
    v1::writeDefaultDir(out, data);
    ByteWriter(raw, size).bytes(block, sizeof block);
  });
}

void ProbeDataV1Coder::setDefaultDirFromRaw(ProbeData& data, unsigned char* raw) const {
  setDefaultDirFromRaw(data, raw, getLength(DefaultDirItem));
}

void ProbeDataV1Coder::setDefaultDirFromRaw(ProbeData& data, unsigned char* raw,
                                            std::size_t size) const {
  PROBE_GUARDED("setDefaultDirFromRaw error", [&] {
    ByteReader in(raw, size);
    const v1::DefaultDirRead read = v1::readDefaultDir(in);
    if (read.stored != read.computed) {
      PROBE_THROW("Invalid Default Dir read Checksum " + std::to_string(read.computed));
    }
    v1::apply(data, read);
  });
}

// Mask thickness: unscaled, no checksum.

std::uint16_t v1::readMaskThickness(ByteReader& in) { return in.u16(); }
void v1::writeMaskThickness(ByteWriter& out, std::uint16_t thickness) { out.u16(thickness); }

void ProbeDataV1Coder::setMaskThicknessToRaw(const ProbeData& data, unsigned char* raw) const {
  setMaskThicknessToRaw(data, raw, v1::kMaskThicknessBlockSize);
}

void ProbeDataV1Coder::setMaskThicknessToRaw(const ProbeData& data, unsigned char* raw,
                                             std::size_t size) const {
  PROBE_GUARDED("setMaskThicknessToRaw error", [&] {
    ByteWriter out(raw, size);
    v1::writeMaskThickness(out, data.getMaskThickness());
  });
}

void ProbeDataV1Coder::setMaskThicknessFromRaw(ProbeData& data, unsigned char* raw) const {
  setMaskThicknessFromRaw(data, raw, getLength(MaskThicknessItem));
}

void ProbeDataV1Coder::setMaskThicknessFromRaw(ProbeData& data, unsigned char* raw,
                                               std::size_t size) const {
  PROBE_GUARDED("setMaskThicknessFromRaw error", [&] {
    ByteReader in(raw, size);
    data.setMaskThickness(v1::readMaskThickness(in));
  });
}

// Data check: the rigid body's id, cut or NUL-filled to 20 bytes, and the record's stored
// checksum, cut to 16 bits. It lets a host identify a probe without reading the whole image.

void v1::writeDataCheck(ByteWriter& out, const std::string& id, unsigned int checksum) {
  std::string field = id;
  field.resize(kIdFieldSize, '\0');
  out.bytes(field.data(), kIdFieldSize);
  out.u16(static_cast<std::uint16_t>(checksum));
}

// Zero bytes anywhere in the id field are dropped, not only trailing ones.
v1::DataCheckRead v1::readDataCheck(ByteReader& in) {
  DataCheckRead read;
  read.id = in.chars(kIdFieldSize);
  read.id.erase(std::remove(read.id.begin(), read.id.end(), '\0'), read.id.end());
  read.checksum = in.u16();
  assert(in.consumed() == kDataCheckBlockSize);
  return read;
}

// The checksum is stored before the body: should handing the body over fail, the checksum stays.
void v1::apply(ProbeData& record, const DataCheckRead& read) {
  Rb::RigidBody body(record.getRigidBody());
  body.setId(read.id);
  record.setChecksum(read.checksum);
  record.setRigidBody(body);
}

void ProbeDataV1Coder::setDataCheckToRaw(const ProbeData& data, unsigned char* raw) const {
  setDataCheckToRaw(data, raw, v1::kDataCheckBlockSize);
}

void ProbeDataV1Coder::setDataCheckToRaw(const ProbeData& data, unsigned char* raw,
                                         std::size_t size) const {
  PROBE_GUARDED("setDataCheckToRaw error", [&] {
    if (size < v1::kDataCheckBlockSize) throw CursorOverrun();  // nothing written when short
    ByteWriter out(raw, size);
    v1::writeDataCheck(out, data.getRigidBody().getId(), data.getChecksum());
  });
}

void ProbeDataV1Coder::setDataCheckFromRaw(ProbeData& data, unsigned char* raw) const {
  setDataCheckFromRaw(data, raw, getLength(DataCheckItem));
}

void ProbeDataV1Coder::setDataCheckFromRaw(ProbeData& data, unsigned char* raw,
                                           std::size_t size) const {
  PROBE_GUARDED("setDataCheckFromRaw error", [&] {
    ByteReader in(raw, size);
    v1::apply(data, v1::readDataCheck(in));
  });
}
