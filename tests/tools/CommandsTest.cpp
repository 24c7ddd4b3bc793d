#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "Args.h"
#include "Commands.h"
#include "HexText.h"
#include "ProbeCodec.h"
#include "RecordView.h"
#include "RigidBodies.h"
#include "ToolTestSupport.h"

namespace probetool {
namespace {

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome run(const std::vector<std::string>& args, const std::string& input = "") {
  const Invocation invocation = parseArguments(args);
  EXPECT_EQ("", invocation.error);
  std::istringstream in(input);
  std::ostringstream out, err;
  Streams streams{in, out, err};
  const int code = runCommand(invocation, streams);
  return Outcome{code, out.str(), err.str()};
}

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(probetoolDemo, GivesBackTheSampleAndShowsItsImage) {
  const Outcome demo = run({"demo"});
  ASSERT_EQ(kExitOk, demo.code) << demo.out << demo.err;
  // The image section is an annotated dump of the device memory; it decodes to the sample.
  const std::size_t begin = demo.out.find("== version-1 image in device memory (428 bytes) ==\n");
  const std::size_t end = demo.out.find("\n== XML text");
  ASSERT_NE(std::string::npos, begin);
  ASSERT_NE(std::string::npos, end);
  const HexParse image = parseHexText(
      demo.out.substr(demo.out.find('\n', begin) + 1, end - demo.out.find('\n', begin)));
  ASSERT_TRUE(image.ok) << image.error;
  const Decoded decoded = decodeImage(image.bytes);
  ASSERT_TRUE(decoded.ok);
  EXPECT_TRUE(
      compareRecords(viewRecord(sampleProbe()), viewRecord(decoded.record), Precision::image21())
          .empty());
  EXPECT_NE(std::string::npos, demo.out.find("<Data_RB_Id>DEMO-PROBE-01</Data_RB_Id>"));
  EXPECT_NE(std::string::npos,
            demo.out.find("  version-1 coder   ok  save 428 bytes at 0, read 8 bytes at 0, "
                          "read 428 bytes at 0\n"));
}

TEST(probetoolConvert, ImageToXmlAndBackGivesTheSameBytesThroughTheStandardStreams) {
  const std::string image = text(test::imageOf(sampleRecord(7, true)));
  const Outcome xml = run({"convert", "-", "-"}, image);
  ASSERT_EQ(kExitOk, xml.code) << xml.err;
  EXPECT_EQ(0u, xml.out.find("<?xml"));
  const Outcome back = run({"convert", "-", "-", "--format", "raw"}, xml.out);
  ASSERT_EQ(kExitOk, back.code) << back.err;
  EXPECT_EQ(image, back.out);
}

TEST(probetoolConvert, WritesImagesInEachTextForm) {
  const Bytes image = test::imageOf(sampleRecord(2, false));
  const Outcome hex = run({"convert", "-", "-", "--to", "image"}, text(image));
  ASSERT_EQ(kExitOk, hex.code) << hex.err;
  EXPECT_EQ(image, parseHexText(hex.out).bytes);
  const Outcome carray = run({"convert", "-", "-", "--format", "carray"}, text(image));
  ASSERT_EQ(kExitOk, carray.code) << carray.err;
  EXPECT_NE(std::string::npos, carray.out.find("const unsigned char probe_image[428] = {"));
  EXPECT_NE(std::string::npos, carray.out.find("0x51, 0x4D, 0x56, 0x42, 0x02, 0x00, 0x01, 0x00"));
}

TEST(probetoolConvert, RefusesAValueTheImageCannotHold) {
  // A size of 400 does not fit its 16-bit field: the image would say -255.36.
  const ProbeData record = makeRecord(makeBody("BIG", {target(400, 0, 0, 0)}));
  ASSERT_TRUE(encodeXml(record).ok);
  const Outcome converted = run({"convert", "-", "-", "--to", "image"}, encodeXml(record).bytes);
  EXPECT_EQ(kExitDamaged, converted.code);
  EXPECT_EQ("", converted.out);
  EXPECT_NE(std::string::npos, converted.err.find("target 0 size: 400 against -255.36\n"))
      << converted.err;
}

TEST(probetoolCheck, NamesTheDamagedBlockOfAPastedDump) {
  Bytes image = test::imageOf(sampleRecord(3, true));
  image[10] ^= 0x01;  // a target's normal flag
  const Outcome check = run({"check", "-"}, formatHexDump(image));
  EXPECT_EQ(kExitDamaged, check.code);
  EXPECT_NE(std::string::npos, check.out.find("version-1 image (hex dump), 428 bytes"));
  EXPECT_NE(std::string::npos, check.out.find("rigid body         DAMAGED"));
  EXPECT_NE(std::string::npos, check.out.find("standard input: damaged: "));
}

TEST(probetoolShow, ShowsTheImageAnXmlRecordCodesTo) {
  const Outcome shown = run({"show", "--hex", "-"}, encodeXml(sampleRecord(2, true)).bytes);
  ASSERT_EQ(kExitOk, shown.code) << shown.err;
  EXPECT_NE(std::string::npos, shown.out.find("# the version 2.1 image this record codes to\n"
                                              "# version block, bytes 0-7 (8 bytes): version 2.1"));
}

}  // namespace
}  // namespace probetool
