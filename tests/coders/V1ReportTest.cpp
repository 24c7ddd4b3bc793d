// The image report through its public header, on the golden images of tests/data.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "ProbeImageReport.h"
#include "RigidBodies.h"

namespace {

using Report = ProbeImageReport;
using Coder = ProbeDataV1Coder;

std::string golden(const std::string& name) {
  std::ifstream in(std::string(PROBE_GOLDEN_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ProbeData decoded(const std::string& image, bool& ok) {
  ProbeData record;
  Coder coder{boost::shared_ptr<DataHandler>()};
  ok = coder.convertFromString(image, record);
  return record;
}

// One expected item: where it lies, its verdict and what the report says of it.
struct ItemCase {
  Coder::StreamItems item;
  unsigned int offset, length;
  Report::Verdict verdict;
  Report::Fault fault;
  std::string detail;
  unsigned int stored, computed;  // compared when the item carries a checksum
};

TEST(ImageReportTest, NamesEachItemOfTheImage) {
  std::string noMagic = golden("probe21.bin");
  noMagic.replace(0, 4, "\0\0\0\0", 4);
  std::string overrun = golden("probe21.bin");
  overrun[8] = 30;  // a target count the block cannot hold
  const ItemCase intactVersion{Coder::VersionItem, 0, 8, Report::Intact, Report::NoFault,
                               "version 2.1", 0, 0};
  const ItemCase intactRigidBody{Coder::RigidBodyItem, 8, 388, Report::Intact, Report::NoFault,
                                 "5 targets, checksum 0xB0E0", 0xB0E0, 0xB0E0};
  const ItemCase intactDirection{Coder::DefaultDirItem, 396, 8, Report::Intact, Report::NoFault,
                                 "(0.000, 0.000, 1.000), checksum 0x03E8", 0x03E8, 0x03E8};
  const ItemCase intactMask{Coder::MaskThicknessItem, 404, 2, Report::Intact, Report::NoFault,
                            "2 (no checksum)", 0, 0};
  const ItemCase intactCheck{Coder::DataCheckItem, 406, 22, Report::Intact, Report::NoFault,
                             "id \"DEMO-PROBE-01\", stored record checksum 0x0000 (no checksum)",
                             0, 0};
  const auto absent = [](Coder::StreamItems item, unsigned int offset, unsigned int length,
                         const char* version) {
    return ItemCase{item,           offset, length, Report::Absent, Report::NoFault,
                    std::string("not held by a version ") + version + " image", 0, 0};
  };
  struct Case {
    const char* name;
    std::string image;
    unsigned int version, imageLength, targetCount;
    std::vector<ItemCase> items;
  };
  const Case cases[] = {
      {"intact", golden("probe21.bin"), 0x21, 428, 5,
       {intactVersion, intactRigidBody, intactDirection, intactMask, intactCheck}},
      {"rigid body damaged", golden("damaged-rb.bin"), 0x21, 428, 5,
       {intactVersion,
        {Coder::RigidBodyItem, 8, 388, Report::Damaged, Report::ChecksumMismatch,
         "rigid body checksum 0xB0E0 (computed 0xB0E1)", 0xB0E0, 0xB0E1},
        intactDirection, intactMask, intactCheck}},
      {"default direction damaged", golden("damaged-dd.bin"), 0x21, 428, 5,
       {intactVersion, intactRigidBody,
        {Coder::DefaultDirItem, 396, 8, Report::Damaged, Report::ChecksumMismatch,
         "default direction checksum 0x03E8 (computed 0x03E9)", 0x03E8, 0x03E9},
        intactMask, intactCheck}},
      {"targets past the block", overrun, 0x21, 428, 30,
       {intactVersion,
        {Coder::RigidBodyItem, 8, 388, Report::Damaged, Report::Overrun,
         "30 targets: its fields run past the end of the rigid body block", 0, 0},
        intactDirection, intactMask, intactCheck}},
      {"truncated", golden("truncated.bin"), 0x21, 428, 5,
       {intactVersion, intactRigidBody,
        {Coder::DefaultDirItem, 396, 8, Report::Damaged, Report::CutShort,
         "the image ends at byte 200, inside the default direction block", 0, 0},
        {Coder::MaskThicknessItem, 404, 2, Report::Damaged, Report::CutShort,
         "the image ends at byte 200, inside the mask thickness block", 0, 0},
        {Coder::DataCheckItem, 406, 22, Report::Damaged, Report::CutShort,
         "the image ends at byte 200, inside the data check block", 0, 0}}},
      {"version 2.0", golden("probe20.bin"), 0x20, 428, 3,
       {{Coder::VersionItem, 0, 8, Report::Intact, Report::NoFault, "version 2.0", 0, 0},
        {Coder::RigidBodyItem, 8, 388, Report::Intact, Report::NoFault,
         "3 targets, checksum 0x0F69", 0x0F69, 0x0F69},
        absent(Coder::DefaultDirItem, 396, 8, "2.0"), absent(Coder::MaskThicknessItem, 404, 2, "2.0"),
        absent(Coder::DataCheckItem, 406, 22, "2.0")}},
      {"input version 1", golden("probe01.bin"), 0x01, 328, 3,
       {{Coder::VersionItem, 0, 8, Report::Intact, Report::NoFault, "version 0.1", 0, 0},
        {Coder::RigidBodyItem, 8, 320, Report::Intact, Report::NoFault,
         "3 targets, checksum 0x0F69", 0x0F69, 0x0F69},
        absent(Coder::DefaultDirItem, 328, 0, "0.1"), absent(Coder::MaskThicknessItem, 328, 0, "0.1"),
        absent(Coder::DataCheckItem, 328, 0, "0.1")}},
      {"without the magic", noMagic, 0x10, 428, 0,
       {{Coder::VersionItem, 0, 8, Report::Intact, Report::NoFault, "no magic: version 1.0", 0, 0},
        {Coder::RigidBodyItem, 8, 388, Report::Damaged, Report::ChecksumMismatch,
         "rigid body checksum 0x0000 (computed 0xCE6B)", 0x0000, 0xCE6B},
        absent(Coder::DefaultDirItem, 396, 8, "1.0"), absent(Coder::MaskThicknessItem, 404, 2, "1.0"),
        absent(Coder::DataCheckItem, 406, 22, "1.0")}},
      {"shorter than a version block", "QMVB", 0xFFFFFFFFu, 0, 0,
       {{Coder::VersionItem, 0, 8, Report::Damaged, Report::CutShort,
         "the image ends at byte 4, inside the version block", 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture capture;
    const Report report = inspectImage(c.image);
    EXPECT_TRUE(capture.events().empty()) << "the report logs nothing";
    EXPECT_EQ(c.image.size(), report.size);
    EXPECT_EQ(c.version, report.version);
    EXPECT_EQ(c.imageLength, report.imageLength);
    EXPECT_EQ(c.targetCount, report.targetCount);
    ASSERT_EQ(c.items.size(), report.items.size());
    for (std::size_t i = 0; i < c.items.size(); ++i) {
      const ItemCase& expected = c.items[i];
      const Report::Item& item = report.items[i];
      SCOPED_TRACE(item.name);
      EXPECT_EQ(expected.item, item.item);
      EXPECT_EQ(&item, report.find(expected.item));
      EXPECT_EQ(expected.offset, item.offset);
      EXPECT_EQ(expected.length, item.length);
      EXPECT_EQ(expected.verdict, item.verdict);
      EXPECT_EQ(expected.fault, item.fault);
      EXPECT_EQ(expected.detail, item.detail);
      if (expected.stored != expected.computed || expected.stored != 0) {
        EXPECT_TRUE(item.hasChecksum);
        EXPECT_EQ(expected.stored, item.storedChecksum);
        EXPECT_EQ(expected.computed, item.computedChecksum);
      }
    }
    // An intact image decodes to the record convertFromString gives.
    bool ok = false;
    const ProbeData record = decoded(c.image, ok);
    EXPECT_EQ(ok, report.intact());
    if (ok) {
      EXPECT_TRUE(sameRecord(record, report.record));
    }
  }
}

// The fields of a block as a reader sees them, in image order, every byte of the block once.
TEST(ImageReportTest, MarksTheFieldsOfEachBlock) {
  const Report report = inspectImage(golden("probe21.bin"));
  const std::vector<std::string> expected = {
      "target count: 5", "target 0: size, position, normal",
      "target 1: size, position, normal, angle", "target 2: size, position, normal, angle",
      "target 3: size, position", "target 4: size, position, angle", "checksum", "fill"};
  const Report::Item& body = *report.find(Coder::RigidBodyItem);
  std::vector<std::string> names;
  unsigned int next = body.offset;
  for (const Report::Field& field : body.fields) {
    names.push_back(field.name);
    EXPECT_EQ(next, field.offset) << field.name;
    next = field.offset + field.length;
  }
  EXPECT_EQ(expected, names);
  EXPECT_EQ(body.offset + body.length, next);
  const Report::Item& check = *report.find(Coder::DataCheckItem);
  ASSERT_EQ(2u, check.fields.size());
  EXPECT_EQ("id \"DEMO-PROBE-01\"", check.fields[0].name);
  EXPECT_EQ(426u, check.fields[1].offset);

  const Report old = inspectImage(golden("probe20.bin"));
  const std::vector<Report::Field>& oldFields = old.find(Coder::RigidBodyItem)->fields;
  ASSERT_EQ(8u, oldFields.size());
  EXPECT_EQ("count text \"Point#:3\": 3 targets", oldFields[0].name);
  EXPECT_EQ("default direction (0.00, 0.00, 1.00)", oldFields[5].name);
}

// The report and the decoder agree on every single-byte change of an image: the report calls it
// intact exactly when convertFromString decodes it, and names a damaged item otherwise.
TEST(ImageReportTest, AgreesWithTheDecoderOnEveryChangedByte) {
  const std::string image = golden("probe21.bin");
  for (std::size_t offset = 0; offset < image.size(); ++offset) {
    for (const unsigned char mask : {0x01, 0x80}) {
      std::string changed = image;
      changed[offset] = static_cast<char>(changed[offset] ^ mask);
      const Report report = inspectImage(changed);
      bool ok = false;
      decoded(changed, ok);
      ASSERT_EQ(ok, report.intact()) << "byte " << offset << " ^ " << int{mask};
    }
  }
}

}  // namespace
