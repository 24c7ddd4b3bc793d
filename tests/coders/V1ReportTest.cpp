// The image report through its public header, on the golden images of tests/data.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "ProbeImageReport.h"
#include "Support.h"

namespace {

using Report = ProbeImageReport;

// The report as lines: "version 21, 428 of 428 bytes, 5 targets, magic, data C616, intact",
// then per item "offset+length verdict [fault] [stored/computed]: detail".
std::string render(const Report& report) {
  char text[96];
  std::snprintf(text, sizeof text, "version %X, %u of %u bytes, %u targets, %s, data %04X, ",
                report.version, static_cast<unsigned int>(report.size), report.imageLength,
                report.targetCount, report.hasMagic ? "magic" : "no magic",
                report.hasDataChecksum ? report.dataChecksum : 0xFFFFFu);
  std::string out = text + std::string(report.intact() ? "intact" : "damaged");
  int expected = ProbeDataV1Coder::VersionItem;
  for (const Report::Item& item : report.items) {
    EXPECT_EQ(expected++, item.item);
    out += "\n" + std::to_string(item.offset) + "+" + std::to_string(item.length) + " " +
           ProbeImageReport::verdictName(item.verdict) +
           (item.fault == Report::NoFault
                ? ""
                : std::string(" ") + ProbeImageReport::faultName(item.fault));
    if (item.hasChecksum) {
      std::snprintf(text, sizeof text, " %04X/%04X", item.storedChecksum, item.computedChecksum);
      out += text;
    }
    out += std::string(item.inRecord ? " [record]" : "") + ": " + item.detail;
    if (!item.unchecked.empty()) out += " | unchecked: " + item.unchecked;
  }
  return out + (report.intact() ? "" : "\ndamage: " + report.damage());
}

// Each image's report, rendered, against tests/data/expected/image-reports.txt: the sample, its
// damaged forms, the older versions, and what a damaged, blank or erased device leaves.
TEST(ImageReportTest, NamesEachItemOfTheImage) {
  const std::string sample = golden("probe21.bin");
  const std::string old = golden("probe20.bin");
  const std::pair<const char*, std::string> cases[] = {
      {"intact", sample},
      {"rigid body checksum", golden("damaged-rb.bin")},
      {"count past the block", patched(sample, {{8, "1E"}})},
      {"cut inside the rigid body", golden("truncated.bin")},
      {"cut before the default direction", sample.substr(0, 396)},
      {"unknown version", patched(sample, {{4, "03"}}).substr(0, 8)},
      {"four bytes", "QMVB"},
      {"version 2.0", old},
      {"version 2.0 cut after its rigid body", old.substr(0, 400)},
      {"version 0.1", golden("probe01.bin")},
      {"version 0.1 numbered 0.3", golden("probe01.bin").replace(6, 1, "\x03")},
      {"no magic", std::string(4, '\0') + old.substr(4)},
      {"magic and version 1.0", patched(old, {{4, "01"}})},
      {"one damaged magic byte", golden("magic.bin")},
      {"minor number bit flipped", patched(sample, {{6, "00"}})},
      {"major number bit flipped", patched(sample, {{4, "03"}})},
      {"major number high byte flipped", patched(sample, {{5, "01"}})},
      {"version 2.0 numbered 2.1", patched(old, {{6, "01"}})},
      {"damaged magic and unknown version", patched(sample, {{3, "43 03"}})},
      {"version bit flipped, cut", patched(sample, {{6, "00"}}).substr(0, 200)},
      {"damaged magic and rigid body", "\x7FMVB" + golden("damaged-rb.bin").substr(4)},
      {"blank", golden("blank.bin")},
      {"erased", golden("erased.bin")},
      {"one zero byte", std::string(1, '\0')},
  };
  // Rendered under a locale with a decimal comma where there is one (the tests make one and name
  // it in LOCPATH): the details read the same.
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  EXPECT_TRUE(comma || std::getenv("LOCPATH") == nullptr);
  std::string reports;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    Trace trace;
    LogLines lines(trace);
    const Report report = inspectImage(c.second);
    reports += std::string("== ") + c.first + "\n" + render(report) + "\n";
    EXPECT_EQ(render(report),
              render(inspectImage(reinterpret_cast<const unsigned char*>(c.second.data()),
                                  c.second.size())));
    EXPECT_TRUE(trace.empty()) << "the report logs nothing";
    // An intact image decodes to the record convertFromString gives; a damaged one does not
    // decode, unless the damage is to the version block (it then decodes as another version
    // would).
    ProbeData record;
    ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
    const bool decodes = coder.convertFromString(c.second, record);
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
  std::setlocale(LC_NUMERIC, previous.c_str());
  expectGolden("expected/image-reports.txt", reports);
  EXPECT_EQ(std::string("cutShort"), Report::faultName(inspectImage(nullptr, 0).items.at(0).fault));
}

}  // namespace
