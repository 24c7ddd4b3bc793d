// The rigid body block. Only the 388-byte layout is written; the reader takes the 388-byte
// layout for image version 2.1 and the older 320-byte layout (positions in hundredths, the
// default direction inside the block) for every other input version.
#include <cassert>
#include <cstdlib>
#include <list>
#include <string>

#include "ByteCursor.h"
#include "ProbeDataV1Coder.h"
#include "ThrowError.h"
#include "V1Fields.h"
#include "V1Layout.h"

namespace {

unsigned char flagByte(bool present) { return present ? v1::kFlagPresent : v1::kFlagAbsent; }

// Every byte but '1' counts as absent.
bool isPresent(std::uint8_t flag) { return flag == v1::kFlagPresent; }

// "Point#:" and the count in decimal, NUL-filled; the prefix is not checked. The count is
// parsed as atoi would and cut to 16 bits. A second 12-byte header follows, not interpreted.
std::uint16_t readCountText(ByteReader& in) {
  const std::string text = in.chars(v1::kCountTextSize);
  const int count = std::atoi(text.substr(v1::kCountPrefixSize).c_str());
  in.skip(v1::kSecondHeaderSize);
  return static_cast<std::uint16_t>(static_cast<unsigned int>(count));
}

}  // namespace

void ProbeDataV1Coder::setRigidBodyToRaw(const ProbeData& data, unsigned char* raw) const {
  setRigidBodyToRaw(data, raw, v1::kRigidBodyBlockSize);
}

// The block is coded into a local copy first and handed over whole, so a body whose records do
// not fit (or a value that cannot be stored) leaves the caller's bytes untouched.
void ProbeDataV1Coder::setRigidBodyToRaw(const ProbeData& data, unsigned char* raw,
                                         std::size_t size) const {
  try {
    const Rb::RigidBody body(data.getRigidBody());
    unsigned char block[v1::kRigidBodyBlockSize];
    ByteWriter out(block, sizeof block);
    v1::FieldSum sum;
    v1::ScaledWriter scaled(out, sum);

    out.u16(static_cast<std::uint16_t>(body.getNbTargets()));
    std::list<int> ids;
    body.getTargetsList(ids);
    for (const int id : ids) {
      const bool hasNormal = body.hasNormal(id);
      const bool hasAngle = body.hasAngle(id);
      out.u8(flagByte(hasNormal));
      out.u8(flagByte(hasAngle));
      scaled.i16(body.getTargetSize(id), v1::kHundredths);
      double x = 0, y = 0, z = 0;
      body.getTargetPosition(id, x, y, z);
      scaled.i32(x, v1::kThousandths);
      scaled.i32(y, v1::kThousandths);
      scaled.i32(z, v1::kThousandths);
      if (hasNormal) {
        double nx = 0, ny = 0, nz = 0;
        body.getTargetNormal(id, nx, ny, nz);
        scaled.i16(nx, v1::kHundredths);
        scaled.i16(ny, v1::kHundredths);
        scaled.i16(nz, v1::kHundredths);
      }
      if (hasAngle) scaled.i16(body.getAngleTarget(id), v1::kHundredths);
    }
    out.u16(sum.value());
    out.zeros(sizeof block - out.written());
    assert(out.written() == v1::kRigidBodyBlockSize);

    ByteWriter(raw, size).bytes(block, sizeof block);
  } catch (...) {
    PROBE_THROW("setRigidBodyToRaw error");
  }
}

void ProbeDataV1Coder::setRigidBodyFromRaw(ProbeData& data, unsigned char* raw) const {
  setRigidBodyFromRaw(data, raw, getLength(RigidBodyItem));
}

// Works on a copy of the record's body and changes the record only once the checksum matches.
// Targets are renumbered 0 to N-1 in stored order.
void ProbeDataV1Coder::setRigidBodyFromRaw(ProbeData& data, unsigned char* raw,
                                           std::size_t size) const {
  Rb::RigidBody body(data.getRigidBody());
  const bool current = inputVersion_ == v1::kCurrentVersion;
  try {
    ByteReader in(raw, size);
    v1::FieldSum sum;
    v1::ScaledReader scaled(in, sum);

    const std::uint16_t count = current ? in.u16() : readCountText(in);
    body.clearTargets();
    for (int i = 0; i < count; ++i) {
      const bool hasNormal = isPresent(in.u8());
      const bool hasAngle = isPresent(in.u8());
      const double targetSize = scaled.i16(v1::kHundredths);
      const v1::Scale positionScale = current ? v1::kThousandths : v1::kHundredths;
      const double x = current ? scaled.i32(positionScale) : scaled.i16(positionScale);
      const double y = current ? scaled.i32(positionScale) : scaled.i16(positionScale);
      const double z = current ? scaled.i32(positionScale) : scaled.i16(positionScale);
      body.insertTarget(i, x, y, z);
      body.setTargetSize(i, targetSize);
      if (hasNormal) {
        const double nx = scaled.i16(v1::kHundredths);
        const double ny = scaled.i16(v1::kHundredths);
        const double nz = scaled.i16(v1::kHundredths);
        body.updateTargetNormal(i, nx, ny, nz);
      }
      if (hasAngle) body.setAngleTarget(i, scaled.i16(v1::kHundredths));
    }
    double dx = 0, dy = 0, dz = 0;
    if (!current) {
      dx = scaled.i16(v1::kHundredths);
      dy = scaled.i16(v1::kHundredths);
      dz = scaled.i16(v1::kHundredths);
    }
    if (in.u16() != sum.value()) {
      PROBE_THROW("Invalid Probe RB read Checksum " + std::to_string(sum.value()));
    }

    data.setRigidBody(body);
    if (!current) data.setDefaultDir(dx, dy, dz);
  } catch (...) {
    PROBE_THROW("setRigidBodyFromRaw error");
  }
}
