// The image report through its public header, and convertFromString beside it, on the golden
// images of tests/data.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "ProbeImageReport.h"
#include "Support.h"

namespace {

using Report = ProbeImageReport;

// The report as lines: "version 21 (2.1), 428 of 428 bytes, 5 targets, magic, data C616, intact",
// then per item "offset+length verdict [fault] [stored/computed]: detail".
std::string render(const Report& report) {
  char text[96];
  std::snprintf(text, sizeof text,
                "version %X (%u.%u), %u of %u bytes, %u targets, %s, data %04X, ", report.version,
                report.major, report.minor, static_cast<unsigned int>(report.size),
                report.imageLength, report.targetCount, report.hasMagic ? "magic" : "no magic",
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

// Each image's report, rendered, and what convertFromString makes of it, against
// tests/data/expected/image-reports.txt: the sample, its damaged and cut forms, the older
// versions, and what a damaged, blank or erased device leaves. A read gives its result, the input
// and output versions it leaves, its ERROR lines and the record: a refused image leaves the
// record as it was, or with the items decoded before the failing one.
TEST(ImageReportTest, NamesEachItemAndReadsAsConvertFromString) {
  const std::string sample = golden("probe21.bin");
  const std::string old = golden("probe20.bin");
  const std::pair<const char*, std::string> cases[] = {
      {"intact", sample},
      {"bytes after the image", sample + "ignored"},
      {"rigid body checksum", golden("damaged-rb.bin")},
      {"normal flag cleared", patched(sample, 10, "30")},
      {"flag 01 is no flag", patched(sample, 80, "01")},
      {"upper half of a position", patched(sample, 16, "00 01")},
      {"default direction checksum", golden("damaged-dd.bin")},
      {"zero inside the id", patched(sample, 409, "00")},
      {"count past the block", patched(sample, 8, "1E")},
      {"count 255", patched(sample, 8, "FF")},
      {"9 bytes", sample.substr(0, 9)},
      {"10 bytes", sample.substr(0, 10)},
      {"cut inside the rigid body", golden("truncated.bin")},
      {"cut before the default direction", sample.substr(0, 396)},
      {"unknown version", patched(sample, 4, "03").substr(0, 8)},
      {"four bytes", "QMVB"},
      {"version 2.0", old},
      {"any count prefix, count as atoi reads it",
       patched(old, 8, "00 58 58 58 58 58 58 20 2B 33 78")},
      {"old layout direction changed", patched(old, 80, "65")},
      {"version 2.0 cut after its rigid body", old.substr(0, 400)},
      {"version 0.1", golden("probe01.bin")},
      {"327 bytes of 0.1", golden("probe01.bin").substr(0, 327)},
      {"version 0.1 numbered 0.3", golden("probe01.bin").replace(6, 1, "\x03")},
      {"no magic", std::string(4, '\0') + old.substr(4)},
      {"no magic: version 1.0, nothing after the old layout", patched(old, 0, "00")},
      {"magic and version 1.0", patched(old, 4, "01")},
      {"one damaged magic byte", golden("magic.bin")},
      {"two damaged magic bytes", patched(sample, 1, "00 00")},
      {"minor number bit flipped", patched(sample, 6, "00")},
      {"major number bit flipped", patched(sample, 4, "03")},
      {"major number high byte flipped", patched(sample, 5, "01")},
      {"version 2.0 numbered 2.1", patched(old, 6, "01")},
      {"damaged magic and unknown version", patched(sample, 3, "43 03")},
      {"version bit flipped, cut", patched(sample, 6, "00").substr(0, 200)},
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
    EXPECT_EQ(render(report),
              render(inspectImage(reinterpret_cast<const unsigned char*>(c.second.data()),
                                  c.second.size())));
    EXPECT_TRUE(trace.empty()) << "the report logs nothing";
    ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
    ProbeData record = makeRecord(makeBody("start", {}), 9, 9, 9, 9, 9), fresh;
    const bool decodes = coder.convertFromString(c.second, record);
    char versions[64];
    std::snprintf(versions, sizeof versions, "convertFromString: %s, versions 0x%X/0x%X\n",
                  decodes ? "ok" : "refused", coder.getInputVersion(), coder.getOutputVersion());
    reports += std::string("== ") + c.first + "\n" + render(report) + "\n" + versions;
    for (const std::string& line : trace)
      reports += line.substr(0, 6) == "ERROR " ? line + "\n" : "";
    reports += describe(record) + "\n";
    // An intact image decodes to the record convertFromString gives; a damaged one does not
    // decode, unless the damage is to the version block (it then decodes as another version
    // would).
    EXPECT_EQ(decodes, coder.convertFromString(c.second, fresh));
    if (report.items.front().verdict != Report::Damaged) {
      EXPECT_EQ(decodes, report.intact());
    }
    if (report.intact()) {
      EXPECT_EQ(describe(fresh), describe(report.record));
    }
    // The data checksum of an image the writer would write (no flag 01, no stray upper bytes).
    std::string written;
    if (report.intact() && coder.convertToString(fresh, written) && written == c.second) {
      EXPECT_EQ(report.dataChecksum, coder.computeDataCheksum(fresh));
    }
  }
  std::setlocale(LC_NUMERIC, previous.c_str());
  expectGolden("expected/image-reports.txt", reports);
  EXPECT_EQ(std::string("cutShort"), Report::faultName(inspectImage(nullptr, 0).items.at(0).fault));
}

}  // namespace
