// The image report through its public header, on the golden images of tests/data.
#include <gtest/gtest.h>

#include <cstdio>

#include "ProbeImageReport.h"
#include "Support.h"

namespace {

using Report = ProbeImageReport;

// The report as lines: "version 21, 428 bytes needed, 5 targets, intact", then per item
// "offset+length verdict [fault] [stored/computed]: detail".
std::string render(const Report& report) {
  static const char* const kVerdicts[] = {"ok", "DAMAGED", "absent"};
  static const char* const kFaults[] = {"", " unknown version", " damaged magic", " cut short",
                                        " overrun", " checksum"};
  char text[64];
  std::snprintf(text, sizeof text, "version %X, %u bytes needed, %u targets, ", report.version,
                report.imageLength, report.targetCount);
  std::string out = text + std::string(report.intact() ? "intact" : "damaged");
  int expected = ProbeDataV1Coder::VersionItem;
  for (const Report::Item& item : report.items) {
    EXPECT_EQ(expected++, item.item);
    EXPECT_EQ(&item, report.find(item.item));
    out += "\n" + std::to_string(item.offset) + "+" + std::to_string(item.length) + " " +
           kVerdicts[item.verdict] + kFaults[item.fault];
    if (item.hasChecksum) {
      std::snprintf(text, sizeof text, " %04X/%04X", item.storedChecksum, item.computedChecksum);
      out += text;
    }
    out += ": " + item.detail;
  }
  return out;
}

const char* const kIntactTail =
    "\n396+8 ok 03E8/03E8: (0.000, 0.000, 1.000), checksum 0x03E8"
    "\n404+2 ok: 2 (no checksum)"
    "\n406+22 ok: id \"DEMO-PROBE-01\", stored record checksum 0x0000 (no checksum)";

TEST(ImageReportTest, NamesEachItemOfTheImage) {
  std::string overrun = golden("probe21.bin");
  overrun[8] = 30;  // a target count the block cannot hold
  std::string badVersion = golden("probe21.bin");
  badVersion[4] = 3;
  const std::string rigidBody = "\n8+388 ok B0E0/B0E0: 5 targets, checksum 0xB0E0";
  const std::string oldBody = "\n8+388 ok 0F69/0F69: 3 targets, checksum 0x0F69";
  const auto absent = [](const std::string& version) {
    std::string lines;
    for (const char* place : {"396+8", "404+2", "406+22"}) {
      lines += "\n" + std::string(place) + " absent: not held by a version " + version + " image";
    }
    return lines;
  };
  struct Case {
    std::string image;
    std::string report;
  } const cases[] = {
      {golden("probe21.bin"),
       "version 21, 428 bytes needed, 5 targets, intact\n0+8 ok: version 2.1" + rigidBody +
           kIntactTail},
      {golden("damaged-rb.bin"),
       "version 21, 428 bytes needed, 5 targets, damaged\n0+8 ok: version 2.1"
       "\n8+388 DAMAGED checksum B0E0/B0E1: rigid body checksum 0xB0E0 (computed 0xB0E1)" +
           std::string(kIntactTail)},
      {golden("damaged-dd.bin"),
       "version 21, 428 bytes needed, 5 targets, damaged\n0+8 ok: version 2.1" + rigidBody +
           "\n396+8 DAMAGED checksum 03E8/03E9: default direction checksum 0x03E8 (computed "
           "0x03E9)\n404+2 ok: 2 (no checksum)\n406+22 ok: id \"DEMO-PROBE-01\", stored record "
           "checksum 0x0000 (no checksum)"},
      {overrun,
       "version 21, 428 bytes needed, 30 targets, damaged\n0+8 ok: version 2.1"
       "\n8+388 DAMAGED overrun: 30 targets: its fields run past the end of the rigid body "
       "block" + std::string(kIntactTail)},
      {golden("truncated.bin"),
       "version 21, 428 bytes needed, 5 targets, damaged\n0+8 ok: version 2.1" + rigidBody +
           "\n396+8 DAMAGED cut short: the image ends at byte 200, inside the default direction "
           "block\n404+2 DAMAGED cut short: the image ends at byte 200, inside the mask "
           "thickness block\n406+22 DAMAGED cut short: the image ends at byte 200, inside the "
           "data check block"},
      {golden("probe20.bin"),
       "version 20, 428 bytes needed, 3 targets, intact\n0+8 ok: version 2.0" + oldBody +
           absent("2.0")},
      {golden("probe01.bin"),
       "version 1, 328 bytes needed, 3 targets, intact\n0+8 ok: version 0.1"
       "\n8+320 ok 0F69/0F69: 3 targets, checksum 0x0F69"
       "\n328+0 absent: not held by a version 0.1 image"
       "\n328+0 absent: not held by a version 0.1 image"
       "\n328+0 absent: not held by a version 0.1 image"},
      {std::string(4, '\0') + golden("probe20.bin").substr(4),
       "version 10, 428 bytes needed, 3 targets, intact\n0+8 ok: no magic: version 1.0" +
           oldBody + absent("1.0")},
      {"QMVC" + golden("probe20.bin").substr(4),
       "version 10, 428 bytes needed, 3 targets, damaged\n0+8 DAMAGED damaged magic: magic "
       "\"QMVC\" differs from \"QMVB\" in one byte" + oldBody + absent("1.0")},
      {badVersion.substr(0, 8),
       "version 31, 428 bytes needed, 0 targets, damaged\n0+8 DAMAGED unknown version: version "
       "3.1 is not one a device writes (2.1, 2.0, 1.0 or 0.1)\n8+388 DAMAGED cut short: 0 "
       "targets: the image ends at byte 8, inside the rigid body block\n396+8 DAMAGED cut short: "
       "the image ends at byte 8, inside the default direction block\n404+2 DAMAGED cut short: "
       "the image ends at byte 8, inside the mask thickness block\n406+22 DAMAGED cut short: the "
       "image ends at byte 8, inside the data check block"},
      {"QMVB",
       "version FFFFFFFF, 0 bytes needed, 0 targets, damaged\n0+8 DAMAGED cut short: the image "
       "ends at byte 4, inside the version block"},
  };
  for (const Case& c : cases) {
    Trace trace;
    LogLines lines(trace);
    const Report report = inspectImage(c.image);
    EXPECT_EQ(c.report, render(report));
    EXPECT_EQ(c.image.size(), report.size);
    EXPECT_TRUE(trace.empty()) << "the report logs nothing";
    // An intact image decodes to the record convertFromString gives; a damaged one does not
    // decode, unless the damage is to the magic or the version (it then decodes as another
    // version would).
    ProbeData record;
    ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
    const bool decodes = coder.convertFromString(c.image, record);
    if (report.items.front().verdict != Report::Damaged) {
      EXPECT_EQ(decodes, report.intact());
    }
    if (report.intact()) {
      EXPECT_EQ(describe(record), describe(report.record));
    }
  }
}

}  // namespace
