// convertFromString on arbitrary bytes. Beyond "no crash":
// - a failure leaves what it must: the record untouched when the version or the length is
//   wrong; after a failing item, everything but the rigid body's targets untouched;
// - a success takes the fields the image holds (mask thickness, id, checksum for images that
//   have them) and sets the input version the image names;
// - a record read is written back (convertToString) unless its targets do not fit the 388-byte
//   block, reads back (convertFromString) to the same record, and writes again to the same bytes;
// - the data checksum is the CRC of the blocks it covers.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <list>
#include <string>

#include "Error.h"
#include "FuzzSupport.h"
#include "ProbeDataV1Coder.h"
#include "RigidBody.h"

namespace {

const char kTargetName[] = "convert_from_string";

// The image as the coder must see it, worked out here independently of the library.
const std::size_t kHeadSize = 10;
const std::size_t kImageSize = 428;
const std::size_t kCutImageSize = 328;
const std::size_t kRigidBodyOffset = 8;
const std::size_t kMaskOffset = 404;
const std::size_t kIdOffset = 406;
const std::size_t kChecksumOffset = 426;
const std::size_t kCoveredByDataChecksum = 388 + 8 + 2;

unsigned le16(const std::string& image, std::size_t at) {
  return static_cast<unsigned char>(image[at]) |
         (static_cast<unsigned>(static_cast<unsigned char>(image[at + 1])) << 8);
}

unsigned imageVersion(const std::string& image) {
  if (image.compare(0, 4, "QMVB") != 0) return 0x10;
  return (le16(image, 4) << 4) | le16(image, 6);
}

class Coder : public ProbeDataV1Coder {
 public:
  Coder() : ProbeDataV1Coder(boost::shared_ptr<DataHandler>()) {}
};

// The bytes a body needs in the 388-byte layout: count, records, checksum.
std::size_t encodedBodySize(const ProbeData& record) {
  const Rb::RigidBody& body = record.getRigidBody();
  std::list<int> ids;
  body.getTargetsList(ids);
  std::size_t size = 4;
  for (const int id : ids) size += 16 + (body.hasNormal(id) ? 6 : 0) + (body.hasAngle(id) ? 2 : 0);
  return size;
}

// A record read from the 320-byte layout holds hundredths where the 388-byte one holds
// thousandths, so the values after a round trip are equal to within rounding only.
bool near(double a, double b) { return std::fabs(a - b) <= 1e-9 * (1 + std::fabs(a)); }

void checkSameTargets(const ProbeData& expected, const ProbeData& actual) {
  const Rb::RigidBody& a = expected.getRigidBody();
  const Rb::RigidBody& b = actual.getRigidBody();
  FUZZ_CHECK(a.getNbTargets() == b.getNbTargets(), fuzz::describe(actual));
  std::list<int> ids;
  a.getTargetsList(ids);
  for (const int id : ids) {
    // Both records were read from images, so both number their targets 0 to n-1.
    double ax, ay, az, bx, by, bz;
    a.getTargetPosition(id, ax, ay, az);
    b.getTargetPosition(id, bx, by, bz);
    FUZZ_CHECK(near(ax, bx) && near(ay, by) && near(az, bz), fuzz::describe(actual));
    FUZZ_CHECK(near(a.getTargetSize(id), b.getTargetSize(id)), fuzz::describe(actual));
    FUZZ_CHECK(a.hasNormal(id) == b.hasNormal(id) && a.hasAngle(id) == b.hasAngle(id),
               fuzz::describe(actual));
    if (a.hasNormal(id)) {
      a.getTargetNormal(id, ax, ay, az);
      b.getTargetNormal(id, bx, by, bz);
      FUZZ_CHECK(near(ax, bx) && near(ay, by) && near(az, bz), fuzz::describe(actual));
    }
    if (a.hasAngle(id)) {
      FUZZ_CHECK(near(a.getAngleTarget(id), b.getAngleTarget(id)), fuzz::describe(actual));
    }
  }
}

void checkFailure(const std::string& image, const std::string& before, const ProbeData& record,
                  const Coder& coder) {
  if (image.size() < kHeadSize) {
    FUZZ_CHECK(fuzz::describe(record) == before, "short image changed the record");
    FUZZ_CHECK(coder.getInputVersion() == 0xFFFFFFFFu, "short image set a version");
    return;
  }
  const unsigned version = imageVersion(image);
  FUZZ_CHECK(coder.getInputVersion() == version, "input version is not the image's");
  if (image.size() < (version == 1 ? kCutImageSize : kImageSize)) {
    FUZZ_CHECK(fuzz::describe(record) == before, "too short an image changed the record");
    return;
  }
  // Only the rigid body and the default direction blocks can fail. Nothing after the failing
  // one is read, and neither changes the record unless it decodes whole; a rigid body block in
  // the 320-byte layout brings a default direction of its own.
  ProbeData expected = fuzz::startRecord();
  if (version != 0x21) {
    double x, y, z;
    record.getDefaultDir(x, y, z);
    expected.setDefaultDir(x, y, z);
  }
  FUZZ_CHECK(fuzz::describeAllButTargets(record) == fuzz::describeAllButTargets(expected),
             "a failed decode changed more than the rigid body: " + fuzz::describe(record));
}

void checkSuccess(const std::string& image, const ProbeData& record, Coder& coder) {
  const unsigned version = imageVersion(image);
  FUZZ_CHECK(coder.getInputVersion() == version, "input version is not the image's");
  FUZZ_CHECK(coder.getOutputVersion() == 33, "convertFromString changed the output version");
  FUZZ_CHECK(image.size() >= (version == 1 ? kCutImageSize : kImageSize), "short image accepted");
  const ProbeData start = fuzz::startRecord();
  if (version > 0x20 && version != 1) {
    FUZZ_CHECK(record.getMaskThickness() == le16(image, kMaskOffset), "mask thickness");
    FUZZ_CHECK(record.getChecksum() == le16(image, kChecksumOffset), "stored checksum");
    std::string id;
    for (std::size_t i = kIdOffset; i < kChecksumOffset; ++i) {
      if (image[i] != '\0') id.push_back(image[i]);
    }
    FUZZ_CHECK(record.getRigidBody().getId() == id, "rigid body id");
  } else {
    FUZZ_CHECK(record.getMaskThickness() == start.getMaskThickness(), "short image set the mask");
    FUZZ_CHECK(record.getChecksum() == start.getChecksum(), "short image set the checksum");
    FUZZ_CHECK(record.getRigidBody().getId() == start.getRigidBody().getId(), "short image: id");
  }

  // The same coder writes with the input version just read: the cut image cannot hold the
  // 388-byte block, every other version gives what a new coder gives.
  std::string again;
  const bool againOk = coder.convertToString(record, again);
  Coder writer;
  std::string written;
  const bool writtenOk = writer.convertToString(record, written);
  if (version == 1) {
    FUZZ_CHECK(!againOk, "the cut image took a 388-byte block");
  } else {
    FUZZ_CHECK(againOk == writtenOk && (!againOk || again == written), "writers disagree");
  }
  if (!writtenOk) {
    FUZZ_CHECK(encodedBodySize(record) > 388, "a record read could not be written back");
    return;
  }
  FUZZ_CHECK(written.size() == kImageSize, "written image size");

  Coder reader;
  ProbeData readBack = fuzz::startRecord();
  FUZZ_CHECK(reader.convertFromString(written, readBack), "a written image does not read back");
  FUZZ_CHECK(reader.getInputVersion() == 0x21, "written image version");
  if (version == 0x21) {
    // Same scales both ways: every value comes back bit for bit.
    FUZZ_CHECK(fuzz::describe(readBack) == fuzz::describe(record),
               fuzz::describe(record) + " became " + fuzz::describe(readBack));
  } else {
    checkSameTargets(record, readBack);
  }
  Coder rewriter;
  std::string rewritten;
  FUZZ_CHECK(rewriter.convertToString(readBack, rewritten) && rewritten == written,
             "writing the record read back gives other bytes");

  Coder checksummer;
  const unsigned int dataChecksum = checksummer.computeDataCheksum(record);
  FUZZ_CHECK(dataChecksum == fuzz::crc16(written.data() + kRigidBodyOffset, kCoveredByDataChecksum),
             "data checksum is not the CRC of the blocks it covers");
  FUZZ_CHECK(checksummer.computeDataCheksum(readBack) == dataChecksum,
             "data checksum changed over a round trip");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::setUpLogging();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string image(reinterpret_cast<const char*>(data), size);
  Coder coder;
  ProbeData record = fuzz::startRecord();
  const std::string before = fuzz::describe(record);
  bool ok = false;
  try {
    ok = coder.convertFromString(image, record);
  } catch (const std::exception& e) {
    fuzz::fail(kTargetName, std::string("convertFromString threw: ") + e.what());
  }
  if (ok) {
    checkSuccess(image, record, coder);
  } else {
    checkFailure(image, before, record, coder);
  }
  return 0;
}
