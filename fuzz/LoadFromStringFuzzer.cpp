// loadFromString on arbitrary text. Beyond "no crash":
// - it never throws, and reading stops at the first NUL: the text and its part before the NUL
//   give the same result and the same record;
// - a failure never changes the mask thickness, the last element;
// - a record read is written (saveToString) unless it holds a value no text can carry, reads
//   back to exactly the same record, writes the same text again, and its checksum is the CRC
//   of that text.
#include <cmath>
#include <cstdint>
#include <list>
#include <string>

#include "FuzzSupport.h"
#include "ProbeData.h"
#include "RigidBody.h"
#include "Utils.h"

namespace {

const char kTargetName[] = "load_from_string";

bool load(const std::string& text, ProbeData& record) {
  try {
    return loadFromString(text, record);
  } catch (const std::exception& e) {
    fuzz::fail(kTargetName, std::string("loadFromString threw: ") + e.what());
  } catch (...) {
    fuzz::fail(kTargetName, "loadFromString threw");
  }
}

bool allFinite(const ProbeData& record) {
  double x, y, z;
  record.getDefaultDir(x, y, z);
  bool finite = std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
  const Rb::RigidBody& body = record.getRigidBody();
  std::list<int> ids;
  body.getTargetsList(ids);
  for (const int id : ids) {
    body.getTargetPosition(id, x, y, z);
    finite = finite && std::isfinite(x) && std::isfinite(y) && std::isfinite(z) &&
             std::isfinite(body.getTargetSize(id));
    if (body.hasNormal(id)) {
      body.getTargetNormal(id, x, y, z);
      finite = finite && std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
    }
    if (body.hasAngle(id)) finite = finite && std::isfinite(body.getAngleTarget(id));
  }
  return finite;
}

// Reading applies each part the moment it has been read and the mask thickness is the last
// element, so a failed read never changes it. (Earlier parts may change; an element read back
// equal cannot be told from one not reached, so their order is pinned by the unit tests.)
void checkFailure(const ProbeData& start, const ProbeData& record) {
  FUZZ_CHECK(record.getMaskThickness() == start.getMaskThickness(),
             "a failed read set the mask thickness");
}

void checkSuccess(const ProbeData& record) {
  std::string text;
  if (!saveToString(text, record)) {
    FUZZ_CHECK(!allFinite(record), "a record read cannot be written: " + fuzz::describe(record));
    return;
  }
  ProbeData readBack;
  FUZZ_CHECK(load(text, readBack), "a written text does not read back: " + text);
  FUZZ_CHECK(fuzz::describe(readBack) == fuzz::describe(record),
             fuzz::describe(record) + " became " + fuzz::describe(readBack));
  std::string again;
  FUZZ_CHECK(saveToString(again, readBack) && again == text, "writing it again gives other text");
  FUZZ_CHECK(record.computeChecksum() == fuzz::crc16(text.data(), text.size()),
             "checksum is not the CRC of the text");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::setUpLogging();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const ProbeData start = fuzz::startRecord();
  ProbeData record = start;
  const bool ok = load(text, record);

  const std::string::size_type nul = text.find('\0');
  if (nul != std::string::npos) {
    ProbeData cut = start;
    FUZZ_CHECK(load(text.substr(0, nul), cut) == ok, "the text after a NUL made a difference");
    FUZZ_CHECK(fuzz::describe(cut) == fuzz::describe(record),
               "the text after a NUL made a difference");
  }
  if (ok) {
    checkSuccess(record);
  } else {
    checkFailure(start, record);
  }
  return 0;
}
