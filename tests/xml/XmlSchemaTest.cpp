#include <boost/archive/archive_exception.hpp>
#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>

#include <list>
#include <sstream>
#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "GoldenXml.h"
#include "LegacyXmlIArchive.h"
#include "ProbeData.h"
#include "RigidBodies.h"
#include "Utils.h"
#include "XmlSchema.h"

namespace {

using boost::archive::archive_exception;

std::string save(const ProbeData& record) {
  std::string text;
  EXPECT_TRUE(saveToString(text, record));
  return text;
}

// Writing, reading back and writing again gives the same text; targets come back in order with
// ids 0 to n-1, whatever ids they had.
TEST(XmlSchemaTest, RoundTripsRecords) {
  struct Case {
    const char* name;
    ProbeData record;
  };
  const Case cases[] = {
      {"default record", ProbeData()},
      {"one bare target", sampleRecord(1, false)},
      {"five full targets", sampleRecord(5, true)},
      {"normal only, angle only, neither",
       makeRecord(makeBody("M", {withNormal(target(1, 1, 1, 1), 0, 1, 0),
                                 withAngle(target(2, 2, 2, 2), 30), target(3, 3, 3, 3)}),
                  1, 0, 0, 9, 77)},
      {"ids 7, 10, 13", makeRecord(makeBody("Ids", {target(1, 0.1, 0.2, 0.3),
                                                    target(2, 0.4, 0.5, 0.6, 0, 0, -1, 90),
                                                    target(3, 1.0 / 3, 2.0 / 3, 1e-7)},
                                            7, 3),
                                   0.5, 0.5, 0.70710678118654757, 100, 12345)},
      {"extreme doubles", goldenExtremesRecord()},
      {"escaped id, largest integers", goldenEscapedRecord()},
      {"two hundred targets", sampleRecord(200, true)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = save(c.record);
    ProbeData loaded = goldenP1Record();
    ASSERT_TRUE(loadFromString(text, loaded));
    EXPECT_TRUE(sameRecord(c.record, loaded));
    std::list<int> ids;
    loaded.getRigidBody().getTargetsList(ids);
    int expectedId = 0;
    for (const int id : ids) EXPECT_EQ(expectedId++, id);
    EXPECT_EQ(text, save(loaded));
  }
}

// A failed read leaves the record with the parts read before the failure: the checksum, then
// the body as a whole, then the default direction. The mask thickness comes last, so it never
// changes on a failed read.
TEST(XmlSchemaTest, FailedReadKeepsWhatWasReadBefore) {
  enum Applied { kNothing, kChecksum, kBody, kDirection };
  struct Case {
    const char* name;
    const char* from;
    const char* to;
    Applied applied;
  };
  const Case cases[] = {
      {"foreign signature", "\"serialization::archive\"", "\"other\"", kNothing},
      {"checksum not a number", "<Data_Checksum>0<", "<Data_Checksum>zero<", kNothing},
      {"checksum missing", "<Data_Checksum>0</Data_Checksum>\n", "", kNothing},
      {"id not closed", "P1</Data_RB_Id>", "P1<Data_RB_Id>", kChecksum},
      {"target count not a number", ">2</Data_RB_TargetCount>", ">two</Data_RB_TargetCount>",
       kChecksum},
      {"more targets than groups", ">2</Data_RB_TargetCount>", ">3</Data_RB_TargetCount>",
       kChecksum},
      {"boolean 2", "<Data_RB_TargetHasNormal>1<", "<Data_RB_TargetHasNormal>2<", kChecksum},
      {"count 4 in the first position", "Pos>\n\t<count>3</count>\n\t<item>1<",
       "Pos>\n\t<count>4</count>\n\t<item>1<", kChecksum},
      {"count -1 in the first position", "Pos>\n\t<count>3</count>\n\t<item>1<",
       "Pos>\n\t<count>-1</count>\n\t<item>1<", kChecksum},
      {"nan in a position", "<item>-2</item>", "<item>nan</item>", kChecksum},
      {"infinite angle", ">45<", ">inf<", kChecksum},
      {"direction count not a number", "Dir>\n\t<count>3", "Dir>\n\t<count>x", kBody},
      {"direction item tag mismatch", "<item>1</item>\n</Data_RB_Dir>",
       "<item>1</itemX>\n</Data_RB_Dir>", kBody},
      {"thickness above 65535", ">2</Data_Target_Mask_Thickness>",
       ">65536</Data_Target_Mask_Thickness>", kDirection},
      {"thickness missing", "<Data_Target_Mask_Thickness>2</Data_Target_Mask_Thickness>\n", "",
       kDirection},
  };
  const ProbeData old = sampleRecord(3, true);
  const ProbeData read = goldenP1Record();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = replaceOnce(kGoldenP1, c.from, c.to);
    ProbeData record = old;
    LogCapture capture;
    EXPECT_FALSE(loadFromString(text, record));
    EXPECT_EQ(std::vector<std::string>{"could not decode stream " + text},
              capture.messages(log4cplus::ERROR_LOG_LEVEL));

    EXPECT_EQ((c.applied >= kChecksum ? read : old).getChecksum(), record.getChecksum());
    EXPECT_TRUE(sameBody((c.applied >= kBody ? read : old).getRigidBody(), record.getRigidBody()));
    double ex, ey, ez, x, y, z;
    (c.applied >= kDirection ? read : old).getDefaultDir(ex, ey, ez);
    record.getDefaultDir(x, y, z);
    EXPECT_EQ(ex, x);
    EXPECT_EQ(ey, y);
    EXPECT_EQ(ez, z);
    EXPECT_EQ(old.getMaskThickness(), record.getMaskThickness());
  }
}

// Texts the reader accepts although the writer never produces them.
TEST(XmlSchemaTest, AcceptsWhatTheArchiveAccepts) {
  struct Case {
    const char* name;
    const char* base;
    std::vector<std::pair<std::string, std::string>> edits;
    ProbeData expected;
  };
  const ProbeData p1 = goldenP1Record();
  ProbeData wrapped = p1;
  wrapped.setChecksum(4294967295u);
  ProbeData noTargets = goldenEscapedRecord();
  ProbeData shortDirection = p1;
  shortDirection.setDefaultDir(7, 8, 0);
  ProbeData emptyDirection = p1;
  emptyDirection.setDefaultDir(0, 0, 0);
  const Case cases[] = {
      {"-1 in the unsigned checksum wraps", kGoldenP1, {{"<Data_Checksum>0<", "<Data_Checksum>-1<"}},
       wrapped},
      {"negative target count reads no group",
       kGoldenEscaped,
       {{">0</Data_RB_TargetCount>", ">-5</Data_RB_TargetCount>"}},
       noTargets},
      {"count 2 leaves the third value 0",
       kGoldenP1,
       {{"<count>3</count>\n\t<item>0</item>\n\t<item>0</item>\n\t<item>1</item>\n</Data_RB_Dir>",
         "<count>2</count>\n\t<item>7</item>\n\t<item>8</item>\n</Data_RB_Dir>"}},
       shortDirection},
      {"count 0 leaves all three 0",
       kGoldenP1,
       {{"<count>3</count>\n\t<item>0</item>\n\t<item>0</item>\n\t<item>1</item>\n</Data_RB_Dir>",
         "<count>0</count>\n</Data_RB_Dir>"}},
       emptyDirection},
      {"elements are read by position",
       kGoldenP1,
       {{"<Data_RB_Id>P1</Data_RB_Id>", "<Name>P1</Name>"}},
       p1},
      {"the current archive's version and notation",
       kGoldenP1,
       {{"version=\"5\"", "version=\"18\""},
        {">1.5<", ">1.50000000000000000e+00<"},
        {">0.10000000000000001<", ">1.00000000000000006e-01<"},
        {">0.0625<", ">6.25000000000000000e-02<"},
        {"Thickness>\n", "Thickness>\n</boost_serialization>\n"}},
       p1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = c.base;
    for (const auto& edit : c.edits) text = replaceOnce(text, edit.first, edit.second);
    ProbeData record = sampleRecord(3, true);
    ASSERT_TRUE(loadFromString(text, record));
    EXPECT_TRUE(sameRecord(c.expected, record));
  }
}

// What the archive reports for values out of their type's range, told apart by code.
TEST(XmlSchemaTest, ReadRecordThrowsTheArchivesErrors) {
  struct Case {
    const char* name;
    const char* from;
    const char* to;
    archive_exception::exception_code code;
  };
  const Case cases[] = {
      {"count 4", "<count>3</count>\n\t<item>1<", "<count>4</count>\n\t<item>1<",
       archive_exception::array_size_too_short},
      {"count -1", "<count>3</count>\n\t<item>1<", "<count>-1</count>\n\t<item>1<",
       archive_exception::array_size_too_short},
      {"boolean 2", "HasAngle>1<", "HasAngle>2<", archive_exception::input_stream_error},
      {"thickness 65536", ">2</Data_Target_Mask", ">65536</Data_Target_Mask",
       archive_exception::input_stream_error},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream is(replaceOnce(kGoldenP1, c.from, c.to));
    ProbeData record;
    try {
      LegacyXmlIArchive archive(is);
      readRecord(archive, record);
      ADD_FAILURE() << "read";
    } catch (const archive_exception& e) {
      EXPECT_EQ(c.code, e.code);
    }
  }
}

}  // namespace
