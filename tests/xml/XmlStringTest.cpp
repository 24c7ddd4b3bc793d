#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>

#include <cmath>
#include <limits>
#include <locale>
#include <random>
#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "GoldenXml.h"
#include "ProbeData.h"
#include "RigidBodies.h"
#include "Utils.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Golden {
  const char* name;
  ProbeData record;
  std::string text;
  unsigned int checksum;
};

std::vector<Golden> goldens() {
  return {{"P1", goldenP1Record(), kGoldenP1, kGoldenP1Checksum},
          {"escaped", goldenEscapedRecord(), kGoldenEscaped, kGoldenEscapedChecksum},
          {"extremes", goldenExtremesRecord(), kGoldenExtremes, kGoldenExtremesChecksum}};
}

TEST(XmlStringTest, WritesTheGoldenTexts) {
  for (const Golden& golden : goldens()) {
    SCOPED_TRACE(golden.name);
    std::string text = "previous content";
    ASSERT_TRUE(saveToString(text, golden.record));
    EXPECT_EQ(golden.text, text);
    EXPECT_EQ(golden.checksum, golden.record.computeChecksum());
  }
  EXPECT_EQ(1117u, std::string(kGoldenP1).size());
}

TEST(XmlStringTest, ReadsTheGoldenTexts) {
  for (const Golden& golden : goldens()) {
    SCOPED_TRACE(golden.name);
    ProbeData record = sampleRecord(2, true);
    ASSERT_TRUE(loadFromString(golden.text, record));
    EXPECT_TRUE(sameRecord(golden.record, record));
  }
}

TEST(XmlStringTest, NegativeZeroKeepsItsSign) {
  ProbeData record;
  ASSERT_TRUE(loadFromString(kGoldenExtremes, record));
  double x, y, z;
  record.getRigidBody().getTargetPosition(0, x, y, z);
  EXPECT_TRUE(std::signbit(x));
  record.getDefaultDir(x, y, z);
  EXPECT_TRUE(std::signbit(x));
}

// A record holding nan or an infinity anywhere is refused: its text could never be read back.
TEST(XmlStringTest, RefusesNonFiniteValues) {
  struct Case {
    const char* name;
    ProbeData record;
  };
  const Case cases[] = {
      {"size", makeRecord(makeBody("N", {target(kNaN, 0, 0, 0)}))},
      {"position", makeRecord(makeBody("N", {target(1, 0, -kInf, 0)}))},
      {"normal", makeRecord(makeBody("N", {withNormal(target(1, 0, 0, 0), 0, 0, kNaN)}))},
      {"angle", makeRecord(makeBody("N", {withAngle(target(1, 0, 0, 0), kInf)}))},
      {"default direction", makeRecord(makeBody("N", {}), kNaN, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture capture;
    std::string text = "previous content";
    EXPECT_FALSE(saveToString(text, c.record));
    EXPECT_EQ("", text);
    EXPECT_EQ(std::vector<std::string>{"could not code to stream "},
              capture.messages(log4cplus::ERROR_LOG_LEVEL));
  }
}

// A numeric punctuation that would change every number it reached.
class GroupingPunct : public std::numpunct<char> {
 protected:
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

// Regression test for numbers in the host's global locale: 4294967295 written as
// 4.294.967.295 and 0.5 as 0,5.
TEST(XmlStringTest, HostsGlobalLocaleDoesNotReachTheText) {
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new GroupingPunct));
  std::string text;
  const bool saved = saveToString(text, goldenEscapedRecord());
  ProbeData record;
  const bool loaded = loadFromString(kGoldenEscaped, record);
  std::locale::global(previous);
  ASSERT_TRUE(saved);
  EXPECT_EQ(kGoldenEscaped, text);
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(sameRecord(goldenEscapedRecord(), record));
}

// Saved texts end without the root's end tag; reading takes nothing after the last element.
TEST(XmlStringTest, ReadsWhateverFollowsTheLastElement) {
  const std::string golden = kGoldenP1;
  const std::string cases[] = {
      golden,
      golden.substr(0, golden.size() - 1),  // not even the last newline
      golden + "</boost_serialization>\n",
      golden + "</boost_serialization>",
      golden + "\n\n\n",
      golden + "trailing text < & >",
      golden + "<Data_Checksum>5</Data_Checksum>\n",
      golden + golden,
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(golden.size() - 20));
    ProbeData record;
    ASSERT_TRUE(loadFromString(text, record));
    EXPECT_TRUE(sameRecord(goldenP1Record(), record));
  }
}

TEST(XmlStringTest, TextEndsAtTheFirstNul) {
  const std::string golden = kGoldenP1;
  ProbeData record;
  EXPECT_TRUE(loadFromString(golden + '\0' + "<<< junk", record));
  EXPECT_TRUE(sameRecord(goldenP1Record(), record));

  // Cut inside the document: the failure logs the whole text, NUL and all.
  std::string cut = golden;
  cut[600] = '\0';
  LogCapture capture;
  EXPECT_FALSE(loadFromString(cut, record));
  EXPECT_EQ(std::vector<std::string>{"could not decode stream " + cut},
            capture.messages(log4cplus::ERROR_LOG_LEVEL));
}

// Every part of a record is applied as soon as it is read: after a failure, each field holds
// either its old or its new value, and a field is new only if every field before it is.
::testing::AssertionResult partlyUpdated(const ProbeData& old, const ProbeData& read,
                                         const ProbeData& actual) {
  const bool checksum = actual.getChecksum() == read.getChecksum();
  const bool body = sameBody(read.getRigidBody(), actual.getRigidBody());
  double rx, ry, rz, ax, ay, az;
  read.getDefaultDir(rx, ry, rz);
  actual.getDefaultDir(ax, ay, az);
  const bool direction = rx == ax && ry == ay && rz == az;
  const bool thickness = actual.getMaskThickness() == read.getMaskThickness();
  if (!checksum && actual.getChecksum() != old.getChecksum()) {
    return ::testing::AssertionFailure() << "checksum neither old nor new";
  }
  if (!body && !sameBody(old.getRigidBody(), actual.getRigidBody())) {
    return ::testing::AssertionFailure() << "body neither old nor new";
  }
  if ((body && !checksum) || (direction && !body) || (thickness && !direction)) {
    return ::testing::AssertionFailure()
           << "applied out of order: checksum " << checksum << ", body " << body
           << ", direction " << direction << ", thickness " << thickness;
  }
  return ::testing::AssertionSuccess();
}

// Regression test for the crash on texts without the root's end tag: no cut of a valid text
// may end the process, and only the whole document (less its final newline) reads.
TEST(XmlStringTest, EveryPrefixFailsCleanlyUntilTheDocumentIsWhole) {
  const std::string golden = kGoldenP1;
  const ProbeData old = sampleRecord(3, true);
  LogCapture capture(log4cplus::OFF_LOG_LEVEL);
  for (std::size_t length = 0; length < golden.size() - 1; ++length) {
    const std::string prefix = golden.substr(0, length);
    ProbeData record = old;
    ASSERT_FALSE(loadFromString(prefix, record)) << "length " << length;
    ASSERT_TRUE(partlyUpdated(old, goldenP1Record(), record)) << "length " << length;
  }
}

// Nothing, however broken, ends the process or gets through as a record.
TEST(XmlStringTest, SurvivesJunk) {
  const std::string prologue = GOLDEN_PROLOGUE;
  const std::string golden = kGoldenP1;
  std::vector<std::string> texts = {
      "",
      "\n",
      "<",
      "<?xml",
      prologue.substr(0, prologue.find("<boost_serialization")),
      prologue,
      prologue + "</boost_serialization>\n",
      prologue + "<Data_Checksum>",
      prologue + "<Data_Checksum>1</Data_Checksum>\n<Data_RB_Id>",
      replaceOnce(golden, ">2</Data_RB_TargetCount>", ">2147483647</Data_RB_TargetCount>"),
      std::string(5000, '<'),
      "<?xml version=\"1.0\"?><a><b><c></c></b></a>",
      prologue + std::string(100000, 'x'),
  };
  std::mt19937 random(1112);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < 50; ++i) {
    std::string noise(static_cast<std::size_t>(byte(random)) * 4, ' ');
    for (char& c : noise) c = static_cast<char>(byte(random));
    texts.push_back(noise);
  }
  LogCapture capture(log4cplus::OFF_LOG_LEVEL);
  for (const std::string& text : texts) {
    ProbeData record;
    EXPECT_FALSE(loadFromString(text, record)) << text.substr(0, 80);
  }
  // Damaged copies of a valid text may or may not read; none may end the process.
  std::uniform_int_distribution<std::size_t> where(0, golden.size() - 1);
  for (int i = 0; i < 1000; ++i) {
    std::string text = golden;
    for (int flips = 0; flips < 3; ++flips) text[where(random)] = static_cast<char>(byte(random));
    ProbeData record;
    loadFromString(text, record);
  }
}

}  // namespace
