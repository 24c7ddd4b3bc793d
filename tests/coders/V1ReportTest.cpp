// The image report through its public header, on the golden images of tests/data.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

#include "ProbeImageReport.h"
#include "Support.h"

namespace {

using Report = ProbeImageReport;

// The report as lines: "version 21, 428 bytes needed, 5 targets, magic, data C616, intact",
// then per item "offset+length verdict [fault] [stored/computed]: detail".
std::string render(const Report& report) {
  char text[96];
  std::snprintf(text, sizeof text, "version %X, %u bytes needed, %u targets, %s, data %04X, ",
                report.version, report.imageLength, report.targetCount,
                report.hasMagic ? "magic" : "no magic",
                report.hasDataChecksum ? report.dataChecksum : 0xFFFFFu);
  std::string out = text + std::string(report.intact() ? "intact" : "damaged");
  int expected = ProbeDataV1Coder::VersionItem;
  for (const Report::Item& item : report.items) {
    EXPECT_EQ(expected++, item.item);
    EXPECT_EQ(&item, report.find(item.item));
    out += "\n" + std::to_string(item.offset) + "+" + std::to_string(item.length) + " " +
           toString(item.verdict) +
           (item.fault == Report::NoFault ? "" : std::string(" ") + toString(item.fault));
    if (item.hasChecksum) {
      std::snprintf(text, sizeof text, " %04X/%04X", item.storedChecksum, item.computedChecksum);
      out += text;
    }
    out += ": " + item.detail;
  }
  return out;
}

const char* const kIntactTail =
    "\n396+8 intact 03E8/03E8: (0.000, 0.000, 1.000), checksum 0x03E8"
    "\n404+2 intact: 2 (no checksum)"
    "\n406+22 intact: id \"DEMO-PROBE-01\", stored record checksum 0x0000 (no checksum)";
const char* const kRigidBody = "\n8+388 intact B0E0/B0E0: 5 targets, checksum 0xB0E0";
const char* const kOldBody = "\n8+388 intact 0F69/0F69: 3 targets, checksum 0x0F69";

std::string absent(const std::string& version) {
  std::string lines;
  for (const char* place : {"396+8", "404+2", "406+22"}) {
    lines += "\n" + std::string(place) + " absent: not held by a version " + version + " image";
  }
  return lines;
}

std::string missingAfter(const char* first) {
  return first + std::string("\n404+2 missing: past the end of the image") +
         "\n406+22 missing: past the end of the image";
}

TEST(ImageReportTest, NamesEachItemOfTheImage) {
  const std::string sample = golden("probe21.bin");
  const std::string old = golden("probe20.bin");
  std::string overrun = sample;
  overrun[8] = 30;  // a target count the block cannot hold
  std::string unknown = sample;
  unknown[4] = 3;
  std::string magicOne = old;
  magicOne[4] = 1;
  struct Case {
    std::string image;
    std::string report;
  } const cases[] = {
      {sample, "version 21, 428 bytes needed, 5 targets, magic, data C616, intact\n0+8 intact: "
               "version 2.1" + std::string(kRigidBody) + kIntactTail},
      {golden("damaged-rb.bin"),
       "version 21, 428 bytes needed, 5 targets, magic, data E405, damaged\n0+8 intact: version "
       "2.1\n8+388 damaged checksumMismatch B0E0/B0E1: rigid body checksum 0xB0E0 (computed "
       "0xB0E1)" + std::string(kIntactTail)},
      {overrun, "version 21, 428 bytes needed, 30 targets, magic, data 4A88, damaged\n0+8 intact: "
                "version 2.1\n8+388 damaged overrun: 30 targets: its fields run past the end of "
                "the rigid body block" + std::string(kIntactTail)},
      // The block the image ends inside is damaged whatever it holds; the shortfall is told once.
      {golden("truncated.bin"),
       "version 21, 428 bytes needed, 5 targets, magic, data FFFFF, damaged\n0+8 intact: version "
       "2.1\n8+388 damaged cutShort: the image ends at byte 200, inside the rigid body block: 228 "
       "of the 428 bytes of a version 2.1 image are missing" +
           missingAfter("\n396+8 missing: past the end of the image")},
      {sample.substr(0, 396),
       "version 21, 428 bytes needed, 5 targets, magic, data FFFFF, damaged\n0+8 intact: version "
       "2.1" + std::string(kRigidBody) +
           missingAfter("\n396+8 missing: the image ends at byte 396, before the default "
                        "direction block: 32 of the 428 bytes of a version 2.1 image are missing")},
      {unknown.substr(0, 8),
       "version 31, 428 bytes needed, 0 targets, magic, data FFFFF, damaged\n0+8 damaged "
       "unknownVersion: version 3.1 is not one a device writes after the magic (2.1, 2.0 or 0.1)"
       "\n8+388 missing: the image ends at byte 8, before the rigid body block: 420 of the 428 "
       "bytes of a version 3.1 image are missing" +
           missingAfter("\n396+8 missing: past the end of the image")},
      {"QMVB", "version FFFFFFFF, 0 bytes needed, 0 targets, magic, data FFFFF, damaged\n0+8 "
               "damaged cutShort: the image ends at byte 4, inside the version block"},
      {old, "version 20, 428 bytes needed, 3 targets, magic, data AF28, intact\n0+8 intact: "
            "version 2.0" + std::string(kOldBody) + absent("2.0")},
      {golden("probe01.bin"),
       "version 1, 328 bytes needed, 3 targets, magic, data D961, intact\n0+8 intact: version "
       "0.1\n8+320 intact 0F69/0F69: 3 targets, checksum 0x0F69"
           "\n328+0 absent: not held by a version 0.1 image"
           "\n328+0 absent: not held by a version 0.1 image"
           "\n328+0 absent: not held by a version 0.1 image"},
      {std::string(4, '\0') + old.substr(4),
       "version 10, 428 bytes needed, 3 targets, no magic, data AF28, intact\n0+8 intact: no "
       "magic: version 1.0" + std::string(kOldBody) + absent("1.0")},
      {magicOne, "version 10, 428 bytes needed, 3 targets, magic, data AF28, damaged\n0+8 damaged "
                 "unknownVersion: version 1.0 is not one a device writes after the magic (2.1, "
                 "2.0 or 0.1)" + std::string(kOldBody) + absent("1.0")},
      // One damaged byte of the magic is one damage: the other blocks are judged as the version
      // after it, although the coder reads the image as version 1.0.
      {"QMVC" + sample.substr(4),
       "version 21, 428 bytes needed, 5 targets, no magic, data C616, damaged\n0+8 damaged "
       "damagedMagic: magic \"QMVC\" differs from \"QMVB\" in one byte; the coder reads this "
       "image as version 1.0; as version 2.1 the other blocks are intact" +
           std::string(kRigidBody) + kIntactTail},
      {"\x01MVB" + golden("damaged-dd.bin").substr(4),
       "version 21, 428 bytes needed, 5 targets, no magic, data 1717, damaged\n0+8 damaged "
       "damagedMagic: magic \"\\x01MVB\" differs from \"QMVB\" in one byte; the coder reads this "
       "image as version 1.0; the other blocks are judged as version 2.1" +
           std::string(kRigidBody) +
           "\n396+8 damaged checksumMismatch 03E8/03E9: default direction checksum 0x03E8 "
           "(computed 0x03E9)\n404+2 intact: 2 (no checksum)\n406+22 intact: id "
           "\"DEMO-PROBE-01\", stored record checksum 0x0000 (no checksum)"},
      {"QMVC" + unknown.substr(4, 4) + old.substr(8),
       "version 10, 428 bytes needed, 3 targets, no magic, data AF28, damaged\n0+8 damaged "
       "damagedMagic: magic \"QMVC\" differs from \"QMVB\" in one byte; the coder reads this "
       "image as version 1.0" + std::string(kOldBody) + absent("1.0")},
      // Blank and erased memory are named as such, and nothing more is read.
      {std::string(428, '\0'), "version 10, 428 bytes needed, 0 targets, no magic, data FFFFF, "
                               "damaged\n0+8 damaged blankMemory: all 428 bytes are 0x00: blank "
                               "memory"},
      {std::string(428, '\xFF'), "version 10, 428 bytes needed, 0 targets, no magic, data FFFFF, "
                                 "damaged\n0+8 damaged erasedMemory: all 428 bytes are 0xFF: "
                                 "erased memory"},
      {std::string(1, '\xFF'), "version FFFFFFFF, 0 bytes needed, 0 targets, no magic, data "
                               "FFFFF, damaged\n0+8 damaged erasedMemory: all 1 byte is 0xFF: "
                               "erased memory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(toHex(c.image.substr(0, 8)) + " ... " + std::to_string(c.image.size()));
    Trace trace;
    LogLines lines(trace);
    const Report report = inspectImage(c.image);
    EXPECT_EQ(c.report, render(report));
    EXPECT_EQ(c.report, render(inspectImage(reinterpret_cast<const unsigned char*>(c.image.data()),
                                            c.image.size())));
    EXPECT_EQ(c.image.size(), report.size);
    EXPECT_TRUE(trace.empty()) << "the report logs nothing";
    // An intact image decodes to the record convertFromString gives; a damaged one does not
    // decode, unless the damage is to the version block (it then decodes as another version
    // would).
    ProbeData record;
    ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
    const bool decodes = coder.convertFromString(c.image, record);
    if (report.items.front().verdict != Report::Damaged) {
      EXPECT_EQ(decodes, report.intact());
    }
    if (report.intact()) {
      EXPECT_EQ(describe(record), describe(report.record));
    }
    if (report.intact() && report.version == ProbeDataV1Coder::getClassVersion()) {
      EXPECT_EQ(report.dataChecksum, coder.computeDataCheksum(record));
    }
  }
  EXPECT_EQ(Report().items.size(), inspectImage(nullptr, 0).items.size() - 1);
  EXPECT_EQ(std::string("cutShort"), toString(inspectImage(nullptr, 0).items.front().fault));
}

// A host that runs under a locale with a decimal comma reads the same details.
TEST(ImageReportTest, ReadsTheSameUnderEveryLocale) {
  const std::string image = golden("probe21.bin");
  const std::string expected = render(inspectImage(image));
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_NUMERIC, "German_Germany.1252") == nullptr) {
    GTEST_SKIP() << "no German locale";
  }
  char comma[8];
  std::snprintf(comma, sizeof comma, "%.1f", 0.5);
  const std::string report = render(inspectImage(image));
  std::setlocale(LC_NUMERIC, previous.c_str());
  EXPECT_EQ("0,5", std::string(comma));
  EXPECT_EQ(expected, report);
}

}  // namespace
