// The version-1 image as a string: what convertToString writes byte for byte, what
// convertFromString makes of images good and bad, and the data checksum.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "CoderRig.h"
#include "ProbeDataV1Coder.h"
#include "ProbeImageReport.h"
#include "Support.h"

namespace {

ProbeDataV1Coder newCoder() { return ProbeDataV1Coder(boost::shared_ptr<DataHandler>()); }

std::string imageOf(const ProbeData& record, unsigned short outputVersion = 33) {
  ProbeDataV1Coder coder = newCoder();
  coder.setOutputVersion(outputVersion);
  std::string image;
  EXPECT_TRUE(coder.convertToString(record, image));
  return image;
}

const TargetSpec kOne = TargetSpec{1.5, 1.0, -2.0, 0.0625};

// Each record is written as the bytes given, from the offset given; the rest of a 428-byte
// image of version 2.1.
TEST(V1ImageTest, WritesGoldenBytes) {
  struct Case {
    const char* name;
    ProbeData record;
    std::size_t offset;
    const char* hex;
  };
  Rb::RigidBody longId = makeBody("ABCDEFGHIJKLMNOPQRSTUVWXY", {});
  const Case cases[] = {
      {"version block and an empty body", makeRecord(makeBody("P1", {}), 0, 0, 1, 2, 0x1234), 0,
       "51 4D 56 42 02 00 01 00 00 00 00 00"},
      {"the items after the body", makeRecord(makeBody("P1", {}), 0, 0, 1, 2, 0x1234), 392,
       "00 00 00 00 00 00 00 00 E8 03 E8 03 02 00 50 31 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
       "00 00 00 00 34 12"},
      // 62.5 thousandths round up; the checksum is 150 + 1000 + 0xF830 + 63.
      {"one target", makeRecord(makeBody("", {kOne})), 8,
       "01 00 30 30 96 00 E8 03 00 00 30 F8 FF FF 3F 00 00 00 ED FC 00 00"},
      {"normal and angle",
       makeRecord(makeBody("", {TargetSpec{1.5, 1.0, -2.0, 0.0625, true, 0, -0.6, 0.8, true, 45}})),
       8, "01 00 31 31 96 00 E8 03 00 00 30 F8 FF FF 3F 00 00 00 00 00 C4 FF 50 00 94 11 95 0E 00"},
      // Halves go towards positive infinity.
      {"size 0.125", makeRecord(makeBody("", {TargetSpec{0.125, 0, 0, 0}})), 12, "0D 00"},
      {"size -0.125", makeRecord(makeBody("", {TargetSpec{-0.125, 0, 0, 0}})), 12, "F4 FF"},
      {"size -0.0251", makeRecord(makeBody("", {TargetSpec{-0.0251, 0, 0, 0}})), 12, "FD FF"},
      {"x 0.0015", makeRecord(makeBody("", {TargetSpec{0, 0.0015, 0, 0}})), 14, "02 00 00 00"},
      {"size 400 keeps 16 bits", makeRecord(makeBody("", {TargetSpec{400, 0, 0, 0}})), 12, "40 9C"},
      {"default direction", makeRecord(makeBody("", {}), 0.001, -0.002, 1.0), 396,
       "01 00 FE FF E8 03 E7 03"},
      {"direction 40 keeps 16 bits", makeRecord(makeBody("", {}), 40.0, 0, 0), 396,
       "40 9C 00 00 00 00 40 9C"},
      {"mask thickness", makeRecord(makeBody("", {}), 0, 0, 0, 4660), 404, "34 12"},
      {"id cut to 20, checksum to 16 bits", makeRecord(longId, 0, 0, 0, 0, 0x12345), 406,
       "41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53 54 45 23"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string image = imageOf(c.record);
    ASSERT_EQ(428u, image.size());
    EXPECT_EQ(c.hex, toHex(image.substr(c.offset, fromHex(c.hex).size())));
  }
  // Sixteen targets with normal and angle fill the block to its last byte.
  Rb::RigidBody full;
  for (int i = 0; i < 16; ++i) {
    full.insertTarget(i, i, 0, 0);
    full.updateTargetNormal(i, 0, 0, 1);
    full.setAngleTarget(i, 1);
  }
  const std::string image = imageOf(makeRecord(full));
  EXPECT_EQ("10 00 31 31", toHex(image.substr(8, 4)));
  EXPECT_NE("00 00", toHex(image.substr(394, 2)));
  // Version 2.0 ends after the rigid body block: the rest is zero.
  EXPECT_EQ(std::string("QMVB\x02\0\0\0", 8) + image.substr(8, 388) + std::string(32, '\0'),
            imageOf(makeRecord(full), 0x20));
}

// checkImageFit names each value the image cannot hold, with the field's limit, and
// convertToString writes the record or refuses it (as tests/data/expected/image-fit.txt lists
// them). A record with a refused value is refused whole, with the writer's ERROR line, and
// nothing is written; one whose values only wrap is written and reads back otherwise; one without
// problems reads back the same.
// Two records try every limit from both sides: one holds each value at its limit (24 targets
// without normal or angle, a 20-byte id, stored checksum 0xFFFF), one each value just past it.
TEST(V1ImageTest, TellsWhatTheImageCannotHold) {
  Rb::RigidBody crowded, atLimits, pastLimits;
  for (int i = 0; i < 17; ++i) {
    crowded.insertTarget(i, 0, 0, 0);
    crowded.updateTargetNormal(i, 0, 0, 1);
    crowded.setAngleTarget(i, 1);
  }
  for (int i = 0; i < 25; ++i) {
    const bool odd = i % 2 != 0;
    if (i < 24) atLimits.insertTarget(i, odd ? 2147483.647 : -2147483.648, 0, 0);
    if (i < 24) atLimits.setTargetSize(i, odd ? 327.67 : -327.68);
    pastLimits.insertTarget(i, i == 0 ? 2147483.6475 : 0, i == 1 ? -2147483.649 : 0,
                            i == 2 ? -1.7976931348623157e308 : 0);
    pastLimits.setTargetSize(i, i == 0 ? 327.675 : i == 1 ? -327.69 : 1);
  }
  atLimits.setId("ABCDEFGHIJKLMNOPQRST");
  pastLimits.setId(std::string("ABCDEFGHIJKLMNOPQRST\0U", 22));  // the zero byte past the field
  const ProbeData cases[] = {
      makeRecord(crowded),
      makeRecord(makeBody("", {TargetSpec{std::nan(""), 0, 0, 0}})),
      makeRecord(makeBody("", {TargetSpec{1, 0, 0, 0}, TargetSpec{1, 3e6, 0, -3e6}})),
      makeRecord(makeBody("", {}), 0, std::nan(""), 40.0),
      makeRecord(makeBody("", {TargetSpec{400, 0, 0, 0, true, 0, 0, 1, true, -400}})),
      makeRecord(makeBody(std::string("ABC\0EFGHIJKLMNOPQRSTUVWXY", 25), {}), 0, 0, 0, 0, 0x12345),
      makeRecord(makeBody("P1", {TargetSpec{1.5, 1, -2, 0.5}}), 0, 0, 1, 2, 0xFFFF),
      makeRecord(atLimits, 32.767, -32.768, 0, 65535, 0xFFFF),
      makeRecord(pastLimits, 32.7675, -32.769, 0, 0, 0x10000),
  };
  std::string all;
  for (const ProbeData& record : cases) {
    std::string problems;
    for (const ImageFitProblem& problem : checkImageFit(record)) {
      problems += problem.path + ": " + problem.detail + (problem.refused ? " (refused)\n" : "\n");
    }
    SCOPED_TRACE(problems);
    Trace trace;
    LogLines lines(trace, log4cplus::ERROR_LOG_LEVEL);
    std::string image = "untouched";
    const bool written = newCoder().convertToString(record, image);
    all += "==\n" + problems + (written ? "written" : "refused");
    for (const std::string& line : trace) all += "; " + line;
    all += "\n";
    if (!written) {
      EXPECT_EQ("untouched", image);
      continue;
    }
    ProbeData back;
    ASSERT_TRUE(newCoder().convertFromString(image, back));
    EXPECT_EQ(problems.empty(), describe(record) == describe(back));
  }
  expectGolden("expected/image-fit.txt", all);
}

// The data checksum is the CRC-16/ARC of the rigid body, default direction and mask thickness
// blocks: not of the id or the stored checksum.
TEST(V1ImageTest, DataChecksumCoversTheBlocksBetweenVersionAndDataCheck) {
  ProbeData sample = sampleRecord();
  Trace trace;
  LogLines lines(trace, log4cplus::DEBUG_LOG_LEVEL);
  // Which bytes it covers is checked against the image report's CRC of the blocks as stored.
  EXPECT_EQ(0xC616u, newCoder().computeDataCheksum(sample));
  EXPECT_EQ(0u, newCoder().computeDataCheksum(ProbeData()));
  EXPECT_EQ("DEBUG checksum result 50710", trace.front());
  // An image of input version 1 cannot hold the 388-byte block the writer produces.
  ProbeDataV1Coder cut = newCoder();
  ASSERT_TRUE(cut.convertFromString(golden("probe01.bin"), sample));
  EXPECT_PROBE_ERROR(cut.computeDataCheksum(sample), "setRigidBodyToRaw error");
  std::string image;
  EXPECT_FALSE(cut.convertToString(sample, image));
}

}  // namespace

// Every single-byte change (two bit patterns per byte) and every cut of the sample image, read
// by convertFromString, by inspectImage and by a coder's whole-image completion: none reads
// outside the bytes, all three agree, a coder reports once and keeps its record on failure. A
// cut at an item's end is a valid range of whole items for the coder, and decodes nothing more.
TEST(V1ImageTest, SurvivesEveryDamage) {
  const std::string image = golden("probe21.bin");
  std::vector<std::pair<std::string, bool>> damaged;  // the bytes, and whether a cut
  for (std::size_t offset = 0; offset < image.size(); ++offset) {
    for (const char mask : {'\x01', '\x80'}) {
      damaged.emplace_back(image, false);
      damaged.back().first[offset] = static_cast<char>(image[offset] ^ mask);
    }
    damaged.emplace_back(image.substr(0, offset), true);
  }
  const std::set<std::size_t> itemEnds = {0, 8, 396, 404, 406};
  for (const auto& bytes : damaged) {
    SCOPED_TRACE(toHex(bytes.first.substr(0, 8)) + " ... " + std::to_string(bytes.first.size()));
    ProbeData record;
    const bool converted = newCoder().convertFromString(bytes.first, record);
    const ProbeImageReport report = inspectImage(bytes.first);
    if (report.items.front().verdict != ProbeImageReport::Damaged) {
      EXPECT_EQ(converted, report.intact());
    }
    CoderRig<ProbeDataV1Coder> rig(image, ProbeData(), SimDeviceMemory::Storage::Image,
                                   log4cplus::OFF_LOG_LEVEL);
    rig.run("all go go all");
    const std::string before = describe(rig.coder.getProbeData());
    std::vector<unsigned char> data(bytes.first.begin(), bytes.first.end());
    rig.coder.onDataRed(true, 0, static_cast<unsigned long>(data.size()),
                        data.empty() ? nullptr : data.data());
    const bool whole = bytes.second ? itemEnds.count(data.size()) != 0 : converted;
    EXPECT_EQ(Trace({"read 0+8", "read 0+428", "onAllRed(1)", "read 0+428",
                     whole ? "onAllRed(1)" : "onAllRed(0)"}),
              rig.trace);
    if (bytes.second || !whole) {
      EXPECT_EQ(before, describe(rig.coder.getProbeData()));
    }
  }
}
