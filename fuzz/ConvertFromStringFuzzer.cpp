// convertFromString on any bytes. Checked:
// - the input version is the image's (magic, major, minor; 1.0 without the magic), and nothing
//   is read when the string is too short for the version block or for the image;
// - items are read in image order, each whole or not at all; a success reads all the version
//   holds: the rigid body (in the 320-byte layout, but for 2.1, with the default direction),
//   then above 2.0 the default direction, mask thickness, stored checksum and id, as stored;
// - a record read from a 2.1 image is written again, reads back to the same record and writes
//   the same bytes; any record read that is written reads back to a record written the same;
// - the data checksum is the CRC-16 of image bytes 8 to 405, the blocks it covers.
#include <cstdint>

#include "FuzzSupport.h"
#include "ProbeDataV1Coder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string image(reinterpret_cast<const char*>(data), size);
  const auto le16 = [&image](int at) { return (image[at] & 0xFF) | (image[at + 1] & 0xFF) << 8; };
  ProbeDataV1Coder coder(nullptr);
  ProbeData a, readBack;
  const auto [ok, read] = fuzz::readTwice(
      [&](ProbeData& r) { return coder.convertFromString(image, r); }, a,
      {fuzz::Targets, fuzz::Direction, fuzz::Mask, fuzz::Checksum, fuzz::Id});
  unsigned version = 0xFFFFFFFFu;
  if (size >= 10) version = image.compare(0, 4, "QMVB") ? 0x10u : le16(4) << 4 | le16(6);
  FUZZ_CHECK(coder.getInputVersion() == version && coder.getOutputVersion() == 33, "versions");
  FUZZ_CHECK(size >= (version == 1 ? 328u : 428u) || read == 0, "read a string cut short");
  FUZZ_CHECK(ok == (read == (version > 0x20 ? 5 : 2)), std::to_string(read) + " parts read");
  if (!ok) return 0;
  std::string id, written, again;
  for (int i = 406; version > 0x20 && i < 426; ++i) id += image[i] ? image.substr(i, 1) : "";
  FUZZ_CHECK(version <= 0x20 || (a.getMaskThickness() == le16(404) && a.getChecksum() ==
             static_cast<unsigned>(le16(426)) && a.getRigidBody().getId() == id), "fields");
  if (!coder.convertToString(a, written)) {  // only the cut image and too many targets refuse
    return FUZZ_CHECK(version == 1 || a.getRigidBody().getNbTargets() > 16, "not written"), 0;
  }
  FUZZ_CHECK(coder.convertFromString(written, readBack), "a written image does not read back");
  FUZZ_CHECK(version != 0x21 || fuzz::describe(readBack) == fuzz::describe(a), "read back");
  FUZZ_CHECK(coder.convertToString(readBack, again) && again == written, "written differently");
  FUZZ_CHECK(coder.computeDataCheksum(a) == fuzz::crc16(written.substr(8, 398)), "checksum");
  return 0;
}
