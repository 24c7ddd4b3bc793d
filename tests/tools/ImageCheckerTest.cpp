#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AnnotatedDump.h"
#include "GoldenV1.h"
#include "ImageChecker.h"
#include "ImageLayout.h"
#include "ProbeCodec.h"
#include "RigidBodies.h"
#include "ToolTestSupport.h"

namespace probetool {
namespace {

using test::imageOf;
using test::imageWith;

std::string verdicts(const ImageInspection& inspection) {
  std::string text;
  for (const BlockCheck& block : inspection.blocks) {
    text += block.name + "=" +
            (block.verdict == Verdict::Intact    ? "ok"
             : block.verdict == Verdict::Damaged ? "DAMAGED"
                                                 : "-") +
            " ";
  }
  return text;
}

ProbeData fiveTargets() { return sampleRecord(5, true); }

TEST(probetoolImageChecker, NamesTheRigidBodyChecksumWithStoredAndComputedValues) {
  Bytes image = imageWith(2, 1, golden::kOneTargetBlock, sizeof golden::kOneTargetBlock);
  const ImageInspection intact = inspectImage(image);
  const BlockCheck* body = intact.find("rigid body");
  ASSERT_NE(nullptr, body);
  EXPECT_EQ(Verdict::Intact, body->verdict);
  EXPECT_EQ(0xFCEDu, body->stored);
  EXPECT_EQ(0xFCEDu, body->computed);

  image[kRigidBodyOffset + 4] = 0x97;  // size 151 hundredths; the checksum still says 150
  const ImageInspection damaged = inspectImage(image);
  EXPECT_FALSE(damaged.intact());
  EXPECT_EQ("rigid body checksum 0xFCED (computed 0xFCEE)", damaged.find("rigid body")->detail);
}

TEST(probetoolImageChecker, NamesTheDefaultDirectionChecksum) {
  Bytes image = test::imageWith(2, 1, golden::kOneTargetBlock, sizeof golden::kOneTargetBlock);
  std::copy(golden::kDefaultDir, golden::kDefaultDir + 8, image.begin() + kDefaultDirOffset);
  EXPECT_EQ("(0.001, -0.002, 1.000), checksum 0x03E7",
            inspectImage(image).find("default direction")->detail);
  image[kDefaultDirOffset] = 0x02;
  EXPECT_EQ("default direction checksum 0x03E7 (computed 0x03E8)",
            inspectImage(image).find("default direction")->detail);
}

// The tool tells engineers which block failed; it must never call an image intact that the
// library refuses, nor the other way round.
TEST(probetoolImageChecker, AgreesWithTheLibraryOnEveryFlippedByteOfTheCheckedBlocks) {
  const Bytes image = imageOf(fiveTargets());
  for (std::size_t offset = kRigidBodyOffset; offset < kMaskThicknessOffset; ++offset) {
    for (unsigned char mask : {0x01, 0x80}) {
      SCOPED_TRACE("offset " + std::to_string(offset) + " mask " + std::to_string(mask));
      Bytes corrupt = image;
      corrupt[offset] = static_cast<unsigned char>(corrupt[offset] ^ mask);
      const ImageInspection inspection = inspectImage(corrupt);
      const Decoded decoded = decodeImage(corrupt);
      ASSERT_EQ(decoded.ok, inspection.intact()) << verdicts(inspection);
      const BlockCheck* body = inspection.find("rigid body");
      if (body->verdict == Verdict::Damaged && body->hasChecksum) {
        ASSERT_FALSE(decoded.libraryErrors.empty());
        EXPECT_EQ("Invalid Probe RB read Checksum " + std::to_string(body->computed),
                  decoded.libraryErrors.front());
      }
    }
  }
}

TEST(probetoolImageChecker, JudgesEachVersion) {
  struct Case {
    const char* name;
    Bytes image;
    unsigned int version;
    std::size_t needed;
    const char* expected;
  };
  Bytes noMagic = imageWith(2, 1, golden::kOldOneTargetBlock, sizeof golden::kOldOneTargetBlock);
  std::fill(noMagic.begin(), noMagic.begin() + 8, 0);
  Bytes nearMagic = imageOf(fiveTargets());
  nearMagic[3] = 'C';
  Bytes short01 = imageWith(0, 1, golden::kOldOneTargetBlock, sizeof golden::kOldOneTargetBlock);
  short01.resize(kShortImageLength);
  Bytes longer = imageOf(fiveTargets());
  longer.resize(kImageLength + 3, 0xEE);
  const Case cases[] = {
      {"2.1", imageOf(fiveTargets()), 0x21, 428,
       "version=ok length=ok rigid body=ok default direction=ok mask thickness=ok data check=ok "},
      {"2.0, 320-byte layout",
       imageWith(2, 0, golden::kOldOneTargetBlock, sizeof golden::kOldOneTargetBlock), 0x20, 428,
       "version=ok length=ok rigid body=ok default direction=- mask thickness=- data check=- "},
      {"0.1, 328 bytes", short01, 0x01, 328,
       "version=ok length=ok rigid body=ok default direction=- mask thickness=- data check=- "},
      {"no magic: 1.0", noMagic, 0x10, 428,
       "version=ok length=ok rigid body=ok default direction=- mask thickness=- data check=- "},
      {"one byte off the magic", nearMagic, 0x10, 428,
       "version=DAMAGED length=ok rigid body=DAMAGED default direction=- mask thickness=- "
       "data check=- "},
      {"unknown version 3.0",
       imageWith(3, 0, golden::kOldOneTargetBlock, sizeof golden::kOldOneTargetBlock), 0x30, 428,
       "version=DAMAGED length=ok rigid body=ok default direction=ok mask thickness=ok "
       "data check=ok "},
      {"bytes after the image", longer, 0x21, 428,
       "version=ok length=ok rigid body=ok default direction=ok mask thickness=ok data check=ok "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ImageInspection inspection = inspectImage(c.image);
    EXPECT_EQ(c.version, inspection.version);
    EXPECT_EQ(c.needed, inspection.needed);
    EXPECT_EQ(c.expected, verdicts(inspection));
  }
}

TEST(probetoolImageChecker, TellsAShortImageByItsLengthAndMarksTheBlocksItCuts) {
  const Bytes whole = imageOf(fiveTargets());
  struct Case {
    std::size_t size;
    const char* expected;
  };
  const Case cases[] = {
      {5, "version=DAMAGED length=DAMAGED "},
      {8,
       "version=ok length=DAMAGED rigid body=DAMAGED default direction=DAMAGED "
       "mask thickness=DAMAGED data check=DAMAGED "},
      {200,
       "version=ok length=DAMAGED rigid body=ok default direction=DAMAGED "
       "mask thickness=DAMAGED data check=DAMAGED "},
      {404,
       "version=ok length=DAMAGED rigid body=ok default direction=ok "
       "mask thickness=DAMAGED data check=DAMAGED "},
      {427,
       "version=ok length=DAMAGED rigid body=ok default direction=ok mask thickness=ok "
       "data check=DAMAGED "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const ImageInspection inspection =
        inspectImage(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(c.size)));
    EXPECT_EQ(c.expected, verdicts(inspection));
    for (const BlockCheck& block : inspection.blocks) {
      if (block.name != "version" && block.name != "length" && block.verdict == Verdict::Damaged) {
        EXPECT_TRUE(block.cutShort) << block.name;
      }
    }
  }
  EXPECT_EQ("200 bytes, version 2.1 needs 428 (228 missing)",
            inspectImage(Bytes(whole.begin(), whole.begin() + 200)).find("length")->detail);
}

TEST(probetoolImageChecker, RefusesTargetsThatRunPastTheBlock) {
  Bytes image = imageOf(sampleRecord(2, false));
  image[kRigidBodyOffset] = 30;  // 30 records of 16 bytes do not fit 388 bytes
  const ImageInspection inspection = inspectImage(image);
  const BlockCheck* body = inspection.find("rigid body");
  EXPECT_EQ(Verdict::Damaged, body->verdict);
  EXPECT_FALSE(body->cutShort);
  EXPECT_NE(std::string::npos, body->detail.find("past the end of the rigid body block"))
      << body->detail;
  EXPECT_FALSE(decodeImage(image).ok);
}

// Every byte appears in the annotated dump once and in order, so the dump reads back.
TEST(probetoolAnnotatedDump, ReadsBackAsTheImage) {
  const Bytes whole = imageOf(fiveTargets());
  Bytes longer = whole;
  longer.resize(kImageLength + 5, 0x11);
  const Bytes images[] = {
      whole,
      imageOf(sampleRecord(0, false)),
      imageWith(2, 0, golden::kOldOneTargetBlock, sizeof golden::kOldOneTargetBlock),
      Bytes(whole.begin(), whole.begin() + 100),
      longer,
  };
  for (const Bytes& image : images) {
    SCOPED_TRACE(image.size());
    const HexParse parse = parseHexText(formatAnnotatedDump(image, inspectImage(image)));
    ASSERT_TRUE(parse.ok) << parse.error;
    EXPECT_EQ(image, parse.bytes);
  }
}

TEST(probetoolAnnotatedDump, HeadsEachItemWithItsRangeAndVerdict) {
  Bytes image = imageWith(2, 1, golden::kOneTargetBlock, sizeof golden::kOneTargetBlock);
  image[kRigidBodyOffset + 4] = 0x97;
  const std::string dump = formatAnnotatedDump(image, inspectImage(image));
  for (const char* line : {
           "# version block, bytes 0-7 (8 bytes): version 2.1\n",
           "# rigid body block, bytes 8-395 (388 bytes): DAMAGED, rigid body checksum 0xFCED "
           "(computed 0xFCEE)\n",
           "#   target count: 1\n0008: 01 00",
           "#   target 0: size, position\n000A: 30 30 97 00",
           "#   checksum\n001A: ED FC",
           "# data check block, bytes 406-427 (22 bytes)",
       }) {
    EXPECT_NE(std::string::npos, dump.find(line)) << line << "\nin\n" << dump;
  }
}

}  // namespace
}  // namespace probetool
