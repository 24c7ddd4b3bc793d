#include <gtest/gtest.h>

#include <string>

#include "HexText.h"
#include "ImageLayout.h"
#include "InputFormat.h"
#include "RigidBodies.h"
#include "ToolTestSupport.h"

namespace probetool {
namespace {

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(probetoolInputFormat, RecognisesEachKindOfInput) {
  const Bytes image = test::imageOf(sampleRecord(3, true));
  Bytes noMagic = image;
  std::fill(noMagic.begin(), noMagic.begin() + 4, 0);
  Bytes short01(kShortImageLength, 0);
  Bytes truncated(image.begin(), image.begin() + 100);
  const std::string xml = "<?xml version=\"1.0\"?>\n<boost_serialization/>";
  struct Case {
    const char* name;
    Bytes input;
    Format format;
    bool hexText;
    Bytes bytes;  // what the input holds once recognised
  };
  const Case cases[] = {
      {"raw image", image, Format::Image, false, image},
      {"truncated image, by its magic", truncated, Format::Image, false, truncated},
      {"image without magic, by its length", noMagic, Format::Image, false, noMagic},
      {"328-byte image without magic", short01, Format::Image, false, short01},
      {"hex dump of an image", bytesOf(formatHexDump(image)), Format::Image, true, image},
      {"hex dump of a truncated image", bytesOf(formatHexDump(truncated)), Format::Image, true,
       truncated},
      {"hex dump of 428 bytes without magic", bytesOf(formatHexDump(noMagic)), Format::Image, true,
       noMagic},
      {"XML", bytesOf(xml), Format::Xml, false, bytesOf(xml)},
      {"XML after a byte order mark and blanks", bytesOf("\xEF\xBB\xBF \r\n" + xml), Format::Xml,
       false, bytesOf("\xEF\xBB\xBF \r\n" + xml)},
      {"hex dump of a few bytes", bytesOf("01 02 03\n"), Format::Unknown, false, {}},
      {"prose", bytesOf("probe data, honestly\n"), Format::Unknown, false, {}},
      {"428 bytes of prose", Bytes(kImageLength, 'x'), Format::Unknown, false, {}},
      {"binary of another length", Bytes(64, 0), Format::Unknown, false, {}},
      {"nothing", Bytes(), Format::Unknown, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DetectedInput input = detectInput(c.input);
    EXPECT_EQ(c.format, input.format) << input.how;
    EXPECT_EQ(c.hexText, input.hexText);
    EXPECT_FALSE(input.how.empty());
    if (c.format != Format::Unknown) {
      EXPECT_EQ(c.bytes, input.bytes);
    }
  }
}

TEST(probetoolInputFormat, SaysWhyTextIsNotADump) {
  const DetectedInput input = detectInput(bytesOf("51 4D 56 42\n02 00 0l 00\n"));
  EXPECT_EQ(Format::Unknown, input.format);
  EXPECT_EQ("text that is neither XML nor a hex dump (line 2: \"0l\" is not a hex byte)",
            input.how);
}

}  // namespace
}  // namespace probetool
