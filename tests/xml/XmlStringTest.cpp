#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <list>
#include <locale>
#include <random>
#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "GoldenXml.h"
#include "Utils.h"

namespace {

using Messages = std::vector<std::string>;
const int kError = log4cplus::ERROR_LOG_LEVEL;

std::string save(const ProbeData& record) {
  std::string text = "previous content";
  EXPECT_TRUE(saveToString(text, record));
  return text;
}

TEST(XmlStringTest, WritesAndReadsTheGoldenTexts) {
  struct Case {
    ProbeData record;
    const char* text;
    unsigned int checksum;
  };
  const Case cases[] = {{goldenP1Record(), kGoldenP1, 46532},
                        {goldenEdgesRecord(), kGoldenEdges, 51339}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.checksum);
    LogCapture capture;
    EXPECT_EQ(c.text, save(c.record));
    EXPECT_EQ(c.checksum, c.record.computeChecksum());
    EXPECT_TRUE(capture.has(log4cplus::DEBUG_LOG_LEVEL,
                            "PDSimuCoder::checksum result " + std::to_string(c.checksum)));
    ProbeData read = sampleRecord(2, true);
    ASSERT_TRUE(loadFromString(c.text, read));
    EXPECT_TRUE(sameRecord(c.record, read));
    double x, y, z, readX;
    c.record.getDefaultDir(x, y, z);
    read.getDefaultDir(readX, y, z);
    EXPECT_EQ(std::signbit(x), std::signbit(readX));  // negative zero keeps its sign
  }
  // The stored checksum is part of the text.
  ProbeData stored = goldenP1Record();
  stored.setChecksum(46532);
  EXPECT_NE(46532u, stored.computeChecksum());
}

// Write, read, write gives the same text; targets come back in order with ids 0 to n-1.
TEST(XmlStringTest, RoundTripsRecords) {
  const ProbeData records[] = {
      ProbeData(), sampleRecord(200, true),
      makeRecord(makeBody("ids 7, 10, 13",
                          {withNormal(target(1, 0.1, 0.2, 1e-7), 0, 1, 0),
                           withAngle(target(2, 1.0 / 3, 2, 2), 30), target(3, 3, -2.0 / 3, 3)},
                          7, 3),
                 0.5, 0.5, 0.70710678118654757, 100, 12345)};
  for (const ProbeData& record : records) {
    const std::string text = save(record);
    ProbeData read = goldenP1Record();
    ASSERT_TRUE(loadFromString(text, read));
    EXPECT_TRUE(sameRecord(record, read));
    std::list<int> ids;
    read.getRigidBody().getTargetsList(ids);
    int expected = 0;
    for (const int id : ids) EXPECT_EQ(expected++, id);
    EXPECT_EQ(text, save(read));
  }
}

// Each part is applied as soon as it is read: the checksum, the body as a whole, the default
// direction, then the mask thickness, which therefore never changes on a failed read.
TEST(XmlStringTest, FailedReadKeepsThePartsReadBefore) {
  enum Applied { kNothing, kChecksum, kBody, kDirection };
  struct Case {
    const char* from;
    const char* to;
    Applied applied;
  };
  const Case cases[] = {
      {"\"serialization::archive\"", "\"other\"", kNothing},
      {"<Data_Checksum>0<", "<Data_Checksum>x<", kNothing},
      {">2</Data_RB_TargetCount>", ">3</Data_RB_TargetCount>", kChecksum},
      {"<Data_RB_TargetHasNormal>1<", "<Data_RB_TargetHasNormal>2<", kChecksum},
      {"<count>3</count>\n\t<item>1<", "<count>4</count>\n\t<item>1<", kChecksum},
      {"<count>3</count>\n\t<item>1<", "<count>-1</count>\n\t<item>1<", kChecksum},
      {"<item>-2</item>", "<item>nan</item>", kChecksum},
      {"<item>1</item>\n</Data_RB_Dir>", "<item>1</itemX>\n</Data_RB_Dir>", kBody},
      {">2</Data_Target_Mask_Thickness>", ">65536</Data_Target_Mask_Thickness>", kDirection},
  };
  const ProbeData old = sampleRecord(3, true);
  const ProbeData read = goldenP1Record();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    const std::string text = replaceOnce(kGoldenP1, c.from, c.to);
    ProbeData record = old;
    LogCapture capture;
    EXPECT_FALSE(loadFromString(text, record));
    EXPECT_EQ(Messages{"could not decode stream " + text}, capture.messages(kError));
    ProbeData expected = c.applied >= kBody ? read : old;
    expected.setChecksum((c.applied >= kChecksum ? read : old).getChecksum());
    double x, y, z;
    (c.applied >= kDirection ? read : old).getDefaultDir(x, y, z);
    expected.setDefaultDir(x, y, z);
    expected.setMaskThickness(old.getMaskThickness());
    EXPECT_TRUE(sameRecord(expected, record));
  }
}

// Texts the writer never produces but the reader takes, as the old reader did.
TEST(XmlStringTest, ReadsWhatTheArchiveAccepts) {
  ProbeData wrapped = goldenP1Record(), shortDirection = wrapped;
  wrapped.setChecksum(4294967295u);
  shortDirection.setDefaultDir(7, 8, 0);  // a count below three leaves the rest 0
  struct Case {
    const char* base;
    std::vector<std::pair<std::string, std::string>> edits;
    ProbeData expected;
  };
  const Case cases[] = {
      {kGoldenP1, {{"<Data_Checksum>0<", "<Data_Checksum>-1<"}}, wrapped},
      {kGoldenEdges,
       {{">0</Data_RB_TargetCount>", ">-5</Data_RB_TargetCount>"}},
       goldenEdgesRecord()},
      {kGoldenP1,
       {{"<count>3</count>\n\t<item>0</item>\n\t<item>0</item>\n\t<item>1</item>\n</Data_RB_Dir>",
         "<count>2</count>\n\t<item>7</item>\n\t<item>8</item>\n</Data_RB_Dir>"}},
       shortDirection},
      // The current archive's text: its version, forced scientific notation and the end tag.
      {kGoldenP1,
       {{"version=\"5\"", "version=\"18\""},
        {">0.10000000000000001<", ">1.00000000000000006e-01<"},
        {">0.0625<", ">6.25000000000000000e-02<"},
        {"Thickness>\n", "Thickness>\n</boost_serialization>\n"}},
       goldenP1Record()},
  };
  for (const Case& c : cases) {
    std::string text = c.base;
    for (const auto& edit : c.edits) text = replaceOnce(text, edit.first, edit.second);
    SCOPED_TRACE(text);
    ProbeData record = sampleRecord(3, true);
    ASSERT_TRUE(loadFromString(text, record));
    EXPECT_TRUE(sameRecord(c.expected, record));
  }
}

// Hand-edited files hold numbers after white space; the legacy reader took them in every
// numeric element, strings and files alike. Trailing white space was always taken.
TEST(XmlStringTest, ReadsNumbersAfterWhiteSpace) {
  const char* const edits[][2] = {
      {"<Data_Checksum>0<", "<Data_Checksum> 0 <"},
      {">2</Data_RB_TargetCount>", ">\n2\n</Data_RB_TargetCount>"},
      {">1.5</Data_RB_TargetSize>", ">  1.5</Data_RB_TargetSize>"},
      {"<count>3</count>\n\t<item>1<", "<count>\t3</count>\n\t<item>\t1<"},
      {"<Data_RB_TargetHasNormal>1<", "<Data_RB_TargetHasNormal>\t1<"},
      {"<Data_RB_TargetHasAngle>0<", "<Data_RB_TargetHasAngle>\r\n0<"},
      {">45</Data_RB_TargetAngle>", "> 45</Data_RB_TargetAngle>"},
      {">2</Data_Target_Mask_Thickness>", ">   2</Data_Target_Mask_Thickness>"},
  };
  std::string all = kGoldenP1;
  for (const auto& edit : edits) {
    SCOPED_TRACE(edit[1]);
    all = replaceOnce(all, edit[0], edit[1]);
    ProbeData record;
    ASSERT_TRUE(loadFromString(replaceOnce(kGoldenP1, edit[0], edit[1]), record));
    EXPECT_TRUE(sameRecord(goldenP1Record(), record));
  }
  const std::string path = testing::TempDir() + "probe_white_space.xml";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  std::fwrite(all.data(), 1, all.size(), file);
  std::fclose(file);
  ProbeData record;
  EXPECT_TRUE(loadFromFile(path, record));
  EXPECT_TRUE(sameRecord(goldenP1Record(), record));
  std::remove(path.c_str());
}

// Reading takes nothing after the last element, and the text ends at its first NUL.
TEST(XmlStringTest, ReadsWhateverFollowsTheLastElement) {
  const std::string golden = kGoldenP1;
  for (const std::string& text :
       {golden.substr(0, golden.size() - 1), golden + "</boost_serialization>\n",
        golden + "trailing < & >", golden + golden, golden + '\0' + "<<<"}) {
    ProbeData record;
    ASSERT_TRUE(loadFromString(text, record)) << text.substr(golden.size() - 10);
    EXPECT_TRUE(sameRecord(goldenP1Record(), record));
  }
  std::string cut = golden;
  cut[600] = '\0';
  LogCapture capture;
  ProbeData record;
  EXPECT_FALSE(loadFromString(cut, record));
  EXPECT_EQ(Messages{"could not decode stream " + cut}, capture.messages(kError));
}

// Regression test for the stock reader, which ends the process on a text without the root's
// end tag. No cut, junk or damage may end the process.
TEST(XmlStringTest, SurvivesEveryPrefixAndJunk) {
  const std::string golden = kGoldenP1;
  LogCapture quiet(log4cplus::OFF_LOG_LEVEL);
  ProbeData record;
  for (std::size_t length = 0; length + 1 < golden.size(); ++length) {
    ASSERT_FALSE(loadFromString(golden.substr(0, length), record)) << length;
  }
  for (const std::string& text :
       {std::string(5000, '<'), std::string(GOLDEN_PROLOGUE) + "<a><b>",
        replaceOnce(golden, ">2</Data_RB_TargetCount>", ">2147483647</Data_RB_TargetCount>")}) {
    EXPECT_FALSE(loadFromString(text, record));
  }
  std::mt19937 random(1112);
  for (int i = 0; i < 1000; ++i) {
    std::string text = golden;
    for (int flip = 0; flip < 3; ++flip) text[random() % text.size()] = static_cast<char>(random());
    loadFromString(text, record);
  }
}

// nan and infinities would be written as text that no archive reads back: refused.
TEST(XmlStringTest, RefusesNonFiniteValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const ProbeData records[] = {
      makeRecord(makeBody("N", {target(std::nan(""), 0, 0, 0)})),
      makeRecord(makeBody("N", {withNormal(target(1, 0, 0, 0), 0, 0, inf)})),
      makeRecord(makeBody("N", {}), 0, -inf, 0)};
  for (const ProbeData& record : records) {
    LogCapture capture;
    std::string text = "previous content";
    EXPECT_FALSE(saveToString(text, record));
    EXPECT_EQ("", text);
    EXPECT_EQ(0u, record.computeChecksum());
    EXPECT_EQ(Messages(2, "could not code to stream "), capture.messages(kError));
  }
}

class GroupingPunct : public std::numpunct<char> {
 protected:
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

// A host's global locale must not reach the text: with this one, 4294967295 would be written
// 4.294.967.295 and 0.0625 would not read.
TEST(XmlStringTest, HostsGlobalLocaleDoesNotReachTheText) {
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new GroupingPunct));
  std::string text;
  const bool saved = saveToString(text, goldenEdgesRecord());
  ProbeData record;
  const bool loaded = loadFromString(kGoldenP1, record);
  std::locale::global(previous);
  EXPECT_TRUE(saved);
  EXPECT_EQ(kGoldenEdges, text);
  EXPECT_TRUE(loaded);
  EXPECT_TRUE(sameRecord(goldenP1Record(), record));
}

}  // namespace
