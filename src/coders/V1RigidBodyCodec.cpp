// The rigid body block. Only the 388-byte layout is written; the reader takes the 388-byte
// layout for image version 2.1 and the older 320-byte layout (positions in hundredths, the
// default direction inside the block) for every other input version.
#include <cstdlib>
#include <list>
#include <string>

#include "ByteCursor.h"
#include "ProbeDataV1Coder.h"
#include "ThrowError.h"
#include "V1Fields.h"
#include "V1Items.h"
#include "V1Layout.h"

namespace {

unsigned char flagByte(bool present) { return present ? v1::kFlagPresent : v1::kFlagAbsent; }

// Every byte but '1' counts as absent.
bool isPresent(std::uint8_t flag) { return flag == v1::kFlagPresent; }

// "Point#:" and the count in decimal, NUL-filled; the prefix is not checked. The count is
// parsed as atoi would and cut to 16 bits.
std::uint16_t countOf(const std::string& text) {
  return static_cast<std::uint16_t>(std::atoi(text.substr(v1::kCountPrefixSize).c_str()));
}

}  // namespace

void ProbeDataV1Coder::setRigidBodyToRaw(const ProbeData& data, unsigned char* raw) const {
  setRigidBodyToRaw(data, raw, v1::kRigidBodyBlockSize);
}

// The block is coded into a local copy first and handed over whole, so a body whose records do
// not fit (or a value that cannot be stored) leaves the caller's bytes untouched.
void ProbeDataV1Coder::setRigidBodyToRaw(const ProbeData& data, unsigned char* raw,
                                         std::size_t size) const {
  PROBE_GUARDED("setRigidBodyToRaw error", [&] {
    unsigned char block[v1::kRigidBodyBlockSize] = {};  // the fill after the records is zero
    ByteWriter out(block, sizeof block);
    v1::writeRigidBody(out, data.getRigidBody());
    ByteWriter(raw, size).bytes(block, sizeof block);
  });
}

namespace v1 {

void writeRigidBody(ByteWriter& out, const Rb::RigidBody& body, FitCheck* check) {
  ScaledWriter scaled(out, check);
  out.u16(static_cast<std::uint16_t>(body.getNbTargets()));
  std::list<int> ids;
  body.getTargetsList(ids);
  int index = 0;
  for (const int id : ids) {
    if (check != nullptr) check->at("targets[" + std::to_string(index++) + "].");
    const bool hasNormal = body.hasNormal(id);
    const bool hasAngle = body.hasAngle(id);
    out.u8(flagByte(hasNormal));
    out.u8(flagByte(hasAngle));
    scaled.i16(body.getTargetSize(id), kHundredths, "size");
    double x = 0, y = 0, z = 0;
    body.getTargetPosition(id, x, y, z);
    scaled.i32(x, kThousandths, "position[0]");
    scaled.i32(y, kThousandths, "position[1]");
    scaled.i32(z, kThousandths, "position[2]");
    if (hasNormal) {
      body.getTargetNormal(id, x, y, z);
      scaled.i16(x, kHundredths, "normal[0]");
      scaled.i16(y, kHundredths, "normal[1]");
      scaled.i16(z, kHundredths, "normal[2]");
    }
    if (hasAngle) scaled.i16(body.getAngleTarget(id), kHundredths, "angle");
  }
  if (check != nullptr) check->at("");
  out.u16(scaled.sum());
}

void readRigidBody(ByteReader& in, bool current, Rb::RigidBody& body, RigidBodyRead& read,
                   Fields* fields) {
  ScaledReader scaled(in);
  std::size_t start = in.consumed();
  // Adds the bytes read since the last field as one more; its name is made only when asked for.
  const auto field = [&](const auto& name) {
    if (fields != nullptr) {
      fields->push_back({static_cast<unsigned int>(start),
                         static_cast<unsigned int>(in.consumed() - start), name()});
    }
    start = in.consumed();
  };

  read.current = current;
  if (current) {
    read.count = in.u16();
    field([&] { return "target count: " + std::to_string(read.count); });
  } else {
    // A second 12-byte header follows the count text, not interpreted.
    const std::string text = in.chars(kCountTextSize);
    read.count = countOf(text);
    field([&] {
      return "count text " + quoted(text.substr(0, text.find('\0'))) + ": " +
             plural(read.count, "target", "targets");
    });
    in.skip(kSecondHeaderSize);
    field([] { return "header"; });
  }
  const Scale positionScale = current ? kThousandths : kHundredths;
  body.clearTargets();
  for (int i = 0; i < read.count; ++i) {
    const bool hasNormal = isPresent(in.u8());
    const bool hasAngle = isPresent(in.u8());
    const double targetSize = scaled.i16(kHundredths);
    const double x = current ? scaled.i32(positionScale) : scaled.i16(positionScale);
    const double y = current ? scaled.i32(positionScale) : scaled.i16(positionScale);
    const double z = current ? scaled.i32(positionScale) : scaled.i16(positionScale);
    body.insertTarget(i, x, y, z);
    body.setTargetSize(i, targetSize);
    if (hasNormal) {
      const double nx = scaled.i16(kHundredths);
      const double ny = scaled.i16(kHundredths);
      const double nz = scaled.i16(kHundredths);
      body.updateTargetNormal(i, nx, ny, nz);
    }
    if (hasAngle) body.setAngleTarget(i, scaled.i16(kHundredths));
    field([&] {
      return "target " + std::to_string(i) + ": size, position" + (hasNormal ? ", normal" : "") +
             (hasAngle ? ", angle" : "");
    });
  }
  if (!current) {
    read.dirX = scaled.i16(kHundredths);
    read.dirY = scaled.i16(kHundredths);
    read.dirZ = scaled.i16(kHundredths);
    field([&] { return "default direction " + triple(read.dirX, read.dirY, read.dirZ, 2); });
  }
  read.computed = scaled.sum();
  read.stored = in.u16();
  field([] { return "checksum"; });
}

void apply(ProbeData& record, Rb::RigidBody& body, const RigidBodyRead& read) {
  record.setRigidBody(body);
  if (!read.current) record.setDefaultDir(read.dirX, read.dirY, read.dirZ);
}

}  // namespace v1

void ProbeDataV1Coder::setRigidBodyFromRaw(ProbeData& data, unsigned char* raw) const {
  setRigidBodyFromRaw(data, raw, getLength(RigidBodyItem));
}

// Works on a copy of the record's body and changes the record only once the checksum matches.
// A record without a body, or a body that cannot be copied, fails before the guard, with its
// own Error.
void ProbeDataV1Coder::setRigidBodyFromRaw(ProbeData& data, unsigned char* raw,
                                           std::size_t size) const {
  Rb::RigidBody body(data.getRigidBody());
  PROBE_GUARDED("setRigidBodyFromRaw error", [&] {
    ByteReader in(raw, size);
    v1::RigidBodyRead read;
    v1::readRigidBody(in, inputVersion_ == v1::kCurrentVersion, body, read);
    if (read.stored != read.computed) {
      PROBE_THROW("Invalid Probe RB read Checksum " + std::to_string(read.computed));
    }
    v1::apply(data, body, read);
  });
}
