// The three items after the rigid body: default direction, mask thickness and data check. Their
// formats are the same for every image version.
#include <cassert>
#include <string>

#include "ByteCursor.h"
#include "ProbeDataV1Coder.h"
#include "ThrowError.h"
#include "V1Fields.h"
#include "V1Items.h"
#include "V1Layout.h"

// Default direction: x, y, z in thousandths and their sum.

void ProbeDataV1Coder::setDefaultDirToRaw(const ProbeData& data, unsigned char* raw) const {
  setDefaultDirToRaw(data, raw, v1::kDefaultDirBlockSize);
}

void ProbeDataV1Coder::setDefaultDirToRaw(const ProbeData& data, unsigned char* raw,
                                          std::size_t size) const {
  try {
    double x = 0, y = 0, z = 0;
    data.getDefaultDir(x, y, z);
    // Coded whole before it is handed over, so a refused value leaves the caller's bytes alone.
    unsigned char block[v1::kDefaultDirBlockSize];
    ByteWriter out(block, sizeof block);
    v1::writeDefaultDir(out, x, y, z);
    assert(out.written() == v1::kDefaultDirBlockSize);
    ByteWriter(raw, size).bytes(block, sizeof block);
  } catch (...) {
    PROBE_THROW("setDefaultDirToRaw error");
  }
}

void v1::writeDefaultDir(ByteWriter& out, double x, double y, double z, FitCheck* check) {
  FieldSum sum;
  ScaledWriter scaled(out, sum, check);
  scaled.i16(x, kThousandths, "defaultDirection[0]");
  scaled.i16(y, kThousandths, "defaultDirection[1]");
  scaled.i16(z, kThousandths, "defaultDirection[2]");
  out.u16(sum.value());
}

v1::DefaultDirRead v1::readDefaultDir(ByteReader& in) {
  DefaultDirRead read;
  FieldSum sum;
  ScaledReader scaled(in, sum);
  read.x = scaled.i16(kThousandths);
  read.y = scaled.i16(kThousandths);
  read.z = scaled.i16(kThousandths);
  read.computed = sum.value();
  read.stored = in.u16();
  assert(in.consumed() == kDefaultDirBlockSize);
  return read;
}

void ProbeDataV1Coder::setDefaultDirFromRaw(ProbeData& data, unsigned char* raw) const {
  setDefaultDirFromRaw(data, raw, getLength(DefaultDirItem));
}

void ProbeDataV1Coder::setDefaultDirFromRaw(ProbeData& data, unsigned char* raw,
                                            std::size_t size) const {
  try {
    ByteReader in(raw, size);
    const v1::DefaultDirRead read = v1::readDefaultDir(in);
    if (read.stored != read.computed) {
      PROBE_THROW("Invalid Default Dir read Checksum " + std::to_string(read.computed));
    }
    data.setDefaultDir(read.x, read.y, read.z);
  } catch (...) {
    PROBE_THROW("setDefaultDirFromRaw error");
  }
}

// Mask thickness: unscaled, no checksum.

void ProbeDataV1Coder::setMaskThicknessToRaw(const ProbeData& data, unsigned char* raw) const {
  setMaskThicknessToRaw(data, raw, v1::kMaskThicknessBlockSize);
}

void ProbeDataV1Coder::setMaskThicknessToRaw(const ProbeData& data, unsigned char* raw,
                                             std::size_t size) const {
  try {
    ByteWriter out(raw, size);
    out.u16(data.getMaskThickness());
    assert(out.written() == v1::kMaskThicknessBlockSize);
  } catch (...) {
    PROBE_THROW("setMaskThicknessToRaw error");
  }
}

std::uint16_t v1::readMaskThickness(ByteReader& in) { return in.u16(); }

void ProbeDataV1Coder::setMaskThicknessFromRaw(ProbeData& data, unsigned char* raw) const {
  setMaskThicknessFromRaw(data, raw, getLength(MaskThicknessItem));
}

void ProbeDataV1Coder::setMaskThicknessFromRaw(ProbeData& data, unsigned char* raw,
                                               std::size_t size) const {
  try {
    ByteReader in(raw, size);
    data.setMaskThickness(v1::readMaskThickness(in));
  } catch (...) {
    PROBE_THROW("setMaskThicknessFromRaw error");
  }
}

// Data check: the rigid body's id, cut or NUL-filled to 20 bytes, and the record's stored
// checksum, cut to 16 bits. It lets a host identify a probe without reading the whole image.

void ProbeDataV1Coder::setDataCheckToRaw(const ProbeData& data, unsigned char* raw) const {
  setDataCheckToRaw(data, raw, v1::kDataCheckBlockSize);
}

void ProbeDataV1Coder::setDataCheckToRaw(const ProbeData& data, unsigned char* raw,
                                         std::size_t size) const {
  try {
    if (size < v1::kDataCheckBlockSize) throw CursorOverrun();  // nothing written when short
    ByteWriter out(raw, size);
    v1::writeDataCheck(out, data.getRigidBody().getId(), data.getChecksum());
    assert(out.written() == v1::kDataCheckBlockSize);
  } catch (...) {
    PROBE_THROW("setDataCheckToRaw error");
  }
}

void v1::writeDataCheck(ByteWriter& out, const std::string& id, unsigned int checksum,
                        FitCheck* check) {
  if (check != nullptr) {
    if (id.size() > kIdFieldSize) {
      check->add("id",
                 std::to_string(id.size()) + " bytes: the image keeps the first " +
                     std::to_string(kIdFieldSize),
                 false);
    }
    if (id.find('\0') < kIdFieldSize) {
      check->add("id", "holds a zero byte, which a reader of the image drops", false);
    }
    if (checksum > 0xFFFFu) {
      check->add("storedChecksum",
                 std::to_string(checksum) + " is out of range (0 to 65535): the image reads back " +
                     std::to_string(checksum & 0xFFFFu),
                 false);
    }
  }
  std::string field = id;
  field.resize(kIdFieldSize, '\0');
  out.chars(field.data(), kIdFieldSize);
  out.u16(static_cast<std::uint16_t>(checksum));
}

void ProbeDataV1Coder::setDataCheckFromRaw(ProbeData& data, unsigned char* raw) const {
  setDataCheckFromRaw(data, raw, getLength(DataCheckItem));
}

// Zero bytes anywhere in the id field are dropped, not only trailing ones.
v1::DataCheckRead v1::readDataCheck(ByteReader& in) {
  DataCheckRead read;
  for (const char c : in.chars(kIdFieldSize)) {
    if (c != '\0') read.id.push_back(c);
  }
  read.checksum = in.u16();
  assert(in.consumed() == kDataCheckBlockSize);
  return read;
}

void ProbeDataV1Coder::setDataCheckFromRaw(ProbeData& data, unsigned char* raw,
                                           std::size_t size) const {
  try {
    ByteReader in(raw, size);
    const v1::DataCheckRead read = v1::readDataCheck(in);
    Rb::RigidBody body(data.getRigidBody());
    body.setId(read.id);
    data.setChecksum(read.checksum);
    data.setRigidBody(body);
  } catch (...) {
    PROBE_THROW("setDataCheckFromRaw error");
  }
}
