// convertFromString on any bytes. Checked:
// - the input version is the one inspectImage judges the blocks in, but in a string too short to
//   read or with a damaged version block, and nothing is read from a string too short;
// - items are read in image order, each whole or not at all; a success reads all the version
//   holds: the rigid body (in the 320-byte layout, but for 2.1, with the default direction),
//   then above 2.0 the default direction, mask thickness, stored checksum and id; inspectImage
//   decodes the same record;
// - a record read from a 2.1 image is written again, reads back to the same record and writes
//   the same bytes; any record read that is written reads back to a record written the same;
// - the data checksum is the CRC-16 of the written blocks from the rigid body to the data check.
#include <cstdint>

#include "FuzzSupport.h"
#include "ProbeDataV1Coder.h"
#include "ProbeImageReport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string image(reinterpret_cast<const char*>(data), size);
  ProbeDataV1Coder coder(nullptr);
  ProbeData a, readBack;
  const auto [ok, read] =
      fuzz::readTwice([&](ProbeData& r) { return coder.convertFromString(image, r); }, a,
                      {fuzz::Targets, fuzz::Direction, fuzz::Mask, fuzz::Checksum, fuzz::Id});
  const ProbeImageReport report = inspectImage(image);
  const unsigned version = coder.getInputVersion();
  FUZZ_CHECK(size >= report.imageLength || read == 0, "read a string cut short");
  FUZZ_CHECK((report.version == version || size < report.imageLength ||
              report.items.front().verdict == ProbeImageReport::Damaged) &&
                 coder.getOutputVersion() == 33,
             "versions");
  FUZZ_CHECK(ok == (read == (version > 0x20 ? 5 : 2)), std::to_string(read) + " parts read");
  if (!ok) return 0;
  FUZZ_CHECK(report.items.front().verdict == ProbeImageReport::Damaged ||
                 fuzz::describe(report.record) == fuzz::describe(a),
             "the report reads otherwise");
  std::string written, again;
  if (!coder.convertToString(a, written)) {  // only the cut image and too many targets refuse
    return FUZZ_CHECK(version == 1 || a.getRigidBody().getNbTargets() > 16, "not written"), 0;
  }
  FUZZ_CHECK(coder.convertFromString(written, readBack), "a written image does not read back");
  FUZZ_CHECK(version != 0x21 || fuzz::describe(readBack) == fuzz::describe(a), "read back");
  FUZZ_CHECK(coder.convertToString(readBack, again) && again == written, "written differently");
  const ProbeImageReport blocks = inspectImage(written);
  FUZZ_CHECK(blocks.hasDataChecksum && coder.computeDataCheksum(a) == blocks.dataChecksum, "sum");
  return 0;
}
