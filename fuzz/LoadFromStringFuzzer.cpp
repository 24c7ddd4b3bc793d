// loadFromString on any text. Checked:
// - a read sets the checksum, then the rigid body as a whole, then the default direction, and
//   the mask thickness only with a success;
// - a record read is written (unless it holds nan or an infinity), reads back to the same
//   record and writes the same text again; its checksum, and the simulation coder's data
//   checksum, are the CRC-16 of that text.
#include <cstdint>

#include "FuzzSupport.h"
#include "PDSimuCoder.h"
#include "Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ProbeData a, readBack;
  const auto [ok, read] =
      fuzz::readTwice([&](ProbeData& r) { return loadFromString(text, r); }, a,
                      {fuzz::Checksum, fuzz::Id, fuzz::Targets, fuzz::Direction, fuzz::Mask});
  FUZZ_CHECK(ok == (read == 5), std::to_string(read) + " parts read");
  const std::string record = fuzz::describe(a);
  std::string written, again;
  if (!ok || !saveToString(written, a)) {
    FUZZ_CHECK(!ok || record.find("nan") != record.npos || record.find("inf") != record.npos, "");
    return FUZZ_CHECK(!ok || a.computeChecksum() == 0, "checksum without a text"), 0;
  }
  FUZZ_CHECK(loadFromString(written, readBack) && fuzz::describe(readBack) == record, "read back");
  FUZZ_CHECK(saveToString(again, readBack) && again == written, "written differently");
  FUZZ_CHECK(a.computeChecksum() == fuzz::crc16(written), "checksum is not the text's CRC");
  FUZZ_CHECK(PDSimuCoder(nullptr).computeDataCheksum(a) == fuzz::crc16(written), "data checksum");
  return 0;
}
