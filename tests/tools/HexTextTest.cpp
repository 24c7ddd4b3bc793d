#include <gtest/gtest.h>

#include <string>

#include "HexText.h"

namespace probetool {
namespace {

struct ParseCase {
  const char* name;
  const char* text;
  bool ok;
  Bytes bytes;
  std::size_t errorLine;
};

TEST(probetoolHexText, ParsesWhatEngineersPaste) {
  const ParseCase cases[] = {
      {"pairs", "51 4d 56 42", true, {0x51, 0x4D, 0x56, 0x42}, 0},
      {"upper case, tabs, several lines", "51\t4D\n56 42\n", true, {0x51, 0x4D, 0x56, 0x42}, 0},
      {"offset labels and CRLF",
       "0000: 51 4D\r\n0002: 56 42\r\n",
       true,
       {0x51, 0x4D, 0x56, 0x42},
       0},
      {"ASCII gutter", "0000: 51 4D  |QM|\n", true, {0x51, 0x4D}, 0},
      {"comment lines and trailing comments", "# version\n51 # Q\n\n4D\n", true, {0x51, 0x4D}, 0},
      {"a gutter holding '#' and '|'", "23 7C  |#|||\n", true, {0x23, 0x7C}, 0},
      {"a single digit", "51 4\n", false, {}, 1},
      {"three digits", "51\n4D5\n", false, {}, 2},
      {"not hex", "51 zz", false, {}, 1},
      {"0x prefixes", "0x51", false, {}, 1},
      {"a label after bytes", "51 0002: 4D", false, {}, 1},
      {"a label alone", "0010:\n", false, {}, 1},
      {"blank text", " \n\n", false, {}, 2},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    const HexParse parse = parseHexText(c.text);
    EXPECT_EQ(c.ok, parse.ok) << parse.error;
    EXPECT_EQ(c.bytes, parse.bytes);
    if (!c.ok) {
      EXPECT_EQ(c.errorLine, parse.line);
      EXPECT_FALSE(parse.error.empty());
    }
  }
}

TEST(probetoolHexText, DumpsReadBackForEveryRowLength) {
  for (std::size_t size = 1; size <= 40; ++size) {
    SCOPED_TRACE(size);
    Bytes bytes;
    for (std::size_t i = 0; i < size; ++i) bytes.push_back(static_cast<unsigned char>(i * 37));
    const HexParse parse = parseHexText(formatHexDump(bytes));
    ASSERT_TRUE(parse.ok) << parse.error;
    EXPECT_EQ(bytes, parse.bytes);
  }
}

TEST(probetoolHexText, DumpRowsCarryTheirOffsets) {
  const Bytes bytes(17, 0xAB);
  EXPECT_EQ(
      "0000: AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB\n"
      "0010: AB\n",
      formatHexDump(bytes));
}

TEST(probetoolHexText, ShortRowsKeepTheGutterInItsColumn) {
  const unsigned char bytes[16] = {'Q', 'M', 'V', 'B', 2, 0, 1, 0};
  const std::string full = formatHexRow(0x18C, bytes, 16);
  const std::string part = formatHexRow(0x18C, bytes, 4);
  EXPECT_EQ(full.find('|'), part.find('|'));
  EXPECT_EQ("018C: 51 4D 56 42", part.substr(0, 17));
  EXPECT_EQ("|QMVB|", part.substr(part.find('|')));
  EXPECT_EQ("|QMVB............|", full.substr(full.find('|')));
}

TEST(probetoolHexText, CArrayListsEveryByte) {
  const Bytes bytes = {0x01, 0x02, 0xFF};
  EXPECT_EQ(
      "// three bytes\n"
      "const unsigned char probe_image[3] = {\n"
      "    0x01, 0x02, 0xFF\n"
      "};\n",
      formatCArray(bytes, "probe_image", "three bytes"));
  const std::string twelvePlusOne = formatCArray(Bytes(13, 0), "x", "");
  EXPECT_NE(std::string::npos, twelvePlusOne.find("0x00,\n    0x00\n};")) << twelvePlusOne;
}

}  // namespace
}  // namespace probetool
