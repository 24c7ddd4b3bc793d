// The version-1 image as a string: what convertToString writes byte for byte, what
// convertFromString makes of images good and bad, and the data checksum.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <utility>
#include <vector>

#include "CoderRig.h"
#include "ProbeDataV1Coder.h"
#include "ProbeImageReport.h"
#include "Support.h"

namespace {

ProbeDataV1Coder newCoder() { return ProbeDataV1Coder(boost::shared_ptr<DataHandler>()); }

const TargetSpec kOne = TargetSpec{1.5, 1.0, -2.0, 0.0625};

// Each record as convertToString writes it, against tests/data/expected/image-writes.txt: the
// values checkImageFit names, each with its field's limit, whether the record is written, and the
// image in rows of 16 bytes, rows of zeros left out. A record with a refused value is refused
// whole, with the writer's ERROR line, and nothing is written; one whose values only wrap is
// written and reads back otherwise, as the file shows; one without problems reads back the same
// or, where a value falls between two the image holds, rounded. Two records try
// every limit from both sides: one holds each value at its limit (24 targets without normal or
// angle, a 20-byte id, stored checksum 0xFFFF), one each value just past it.
TEST(V1ImageTest, WritesWhatTheImageHoldsAndNamesWhatItCannot) {
  Rb::RigidBody crowded, full, atLimits, pastLimits;
  for (int i = 0; i < 17; ++i) {
    crowded.insertTarget(i, 0, 0, 0);
    crowded.updateTargetNormal(i, 0, 0, 1);
    crowded.setAngleTarget(i, 1);
    if (i < 16) full.insertTarget(i, i, 0, 0);
    if (i < 16) full.updateTargetNormal(i, 0, 0, 1), full.setAngleTarget(i, 1);
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
  const std::pair<const char*, ProbeData> cases[] = {
      {"an empty body", makeRecord(makeBody("P1", {}), 0, 0, 1, 2, 0x1234)},
      // 62.5 thousandths round up; the checksum is 150 + 1000 + 0xF830 + 63.
      {"one target", makeRecord(makeBody("", {kOne}))},
      {"normal and angle", makeRecord(makeBody("", {TargetSpec{1.5, 1.0, -2.0, 0.0625, true, 0,
                                                               -0.6, 0.8, true, 45}}))},
      // Halves go towards positive infinity.
      {"size 0.125", makeRecord(makeBody("", {TargetSpec{0.125, 0, 0, 0}}))},
      {"size -0.125", makeRecord(makeBody("", {TargetSpec{-0.125, 0, 0, 0}}))},
      {"size -0.0251", makeRecord(makeBody("", {TargetSpec{-0.0251, 0, 0, 0}}))},
      {"x 0.0015", makeRecord(makeBody("", {TargetSpec{0, 0.0015, 0, 0}}))},
      {"default direction", makeRecord(makeBody("", {}), 0.001, -0.002, 1.0)},
      {"direction 40 keeps 16 bits", makeRecord(makeBody("", {}), 40.0, 0, 0)},
      {"sixteen targets with normal and angle fill the block", makeRecord(full)},
      {"seventeen", makeRecord(crowded)},
      {"size nan", makeRecord(makeBody("", {TargetSpec{std::nan(""), 0, 0, 0}}))},
      {"positions past 32 bits",
       makeRecord(makeBody("", {TargetSpec{1, 0, 0, 0}, TargetSpec{1, 3e6, 0, -3e6}}))},
      {"direction nan and 40", makeRecord(makeBody("", {}), 0, std::nan(""), 40.0)},
      {"size and angle 400",
       makeRecord(makeBody("", {TargetSpec{400, 0, 0, 0, true, 0, 0, 1, true, -400}}))},
      {"id of 25 bytes, checksum past 16 bits",
       makeRecord(makeBody(std::string("ABC\0EFGHIJKLMNOPQRSTUVWXY", 25), {}), 0, 0, 0, 0,
                  0x12345)},
      {"stored checksum 0xFFFF",
       makeRecord(makeBody("P1", {TargetSpec{1.5, 1, -2, 0.5}}), 0, 0, 1, 2, 0xFFFF)},
      {"every value at its limit", makeRecord(atLimits, 32.767, -32.768, 0, 65535, 0xFFFF)},
      {"every value past its limit", makeRecord(pastLimits, 32.7675, -32.769, 0, 0, 0x10000)},
  };
  std::string all;
  for (const auto& [name, record] : cases) {
    SCOPED_TRACE(name);
    Trace trace;
    LogLines lines(trace, log4cplus::ERROR_LOG_LEVEL);
    std::string image = "untouched", problems;
    for (const ImageFitProblem& problem : checkImageFit(record)) {
      problems += problem.path + ": " + problem.detail + (problem.refused ? " (refused)\n" : "\n");
    }
    const bool written = newCoder().convertToString(record, image);
    all += std::string("== ") + name + "\n" + problems +
           (written ? "written, " + std::to_string(image.size()) + " bytes" : "refused");
    for (const std::string& line : trace) all += "; " + line;
    all += "\n";
    for (std::size_t at = 0; written && at < image.size(); at += 16) {
      const std::string row = image.substr(at, 16);
      char offset[8];
      std::snprintf(offset, sizeof offset, "%03X ", static_cast<unsigned int>(at));
      all += row.find_first_not_of('\0') == std::string::npos ? "" : offset + toHex(row) + "\n";
    }
    if (!written) {
      EXPECT_EQ("untouched", image);
      continue;
    }
    ProbeData back;
    ASSERT_TRUE(newCoder().convertFromString(image, back));
    const bool same = describe(record) == describe(back);
    all += same ? "reads back the same\n" : "reads back " + describe(back) + "\n";
    EXPECT_TRUE(problems.empty() || !same);
  }
  expectGolden("expected/image-writes.txt", all);
  // Version 2.0 ends after the rigid body block: the rest is zero.
  ProbeDataV1Coder old = newCoder();
  old.setOutputVersion(0x20);
  std::string image, image20;
  ASSERT_TRUE(newCoder().convertToString(makeRecord(full), image));
  ASSERT_TRUE(old.convertToString(makeRecord(full), image20));
  EXPECT_EQ(std::string("QMVB\x02\0\0\0", 8) + image.substr(8, 388) + std::string(32, '\0'),
            image20);
}

// An image of input version 1 cannot hold the 388-byte block the writer produces: a coder that
// read one computes no data checksum and writes no image. (The data checksum of the blocks as
// stored is the image report's, which ImageReportTest compares with the coder's.)
TEST(V1ImageTest, InputVersionOneHoldsNoWrittenBlock) {
  ProbeDataV1Coder cut = newCoder();
  ProbeData record;
  ASSERT_TRUE(cut.convertFromString(golden("probe01.bin"), record));
  EXPECT_PROBE_ERROR(cut.computeDataCheksum(record), "setRigidBodyToRaw error");
  std::string image;
  EXPECT_FALSE(cut.convertToString(record, image));
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
