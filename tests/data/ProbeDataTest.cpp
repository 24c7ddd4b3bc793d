// The record, its checksum and its errors.
#include <gtest/gtest.h>

#include <cmath>

#include "ProbeDataV1Coder.h"
#include "ProbeVersion.h"
#include "Support.h"

namespace {

TEST(ProbeDataTest, NewRecordHoldsDefaults) {
  EXPECT_EQ("id ''; dir (0 0 0); mask 0; checksum 0", describe(ProbeData()));
}

// Copies and assignments get a body of their own; a handle taken before keeps the old one, and
// setRigidBody copies its argument.
TEST(ProbeDataTest, RecordsNeverShareABody) {
  Rb::RigidBody body = makeBody("S", {TargetSpec{1, 1, 2, 3, false, 0, 0, 0, true, 45}});
  const ProbeData source = makeRecord(body, 0, 0, 1, 7, 99);
  body.setId("changed later");
  ProbeData assigned;
  const boost::shared_ptr<Rb::RigidBody> old = assigned.getPRigidBody();
  assigned = source;
  ProbeData copied(source);
  for (ProbeData* copy : {&assigned, &copied}) {
    EXPECT_EQ(describe(source), describe(*copy));
    EXPECT_NE(source.getPRigidBody(), copy->getPRigidBody());
    copy->getPRigidBody()->setId("copy");
  }
  EXPECT_EQ("S", source.getRigidBody().getId());
  EXPECT_NE(old, assigned.getPRigidBody());
  EXPECT_EQ("", old->getId());
  const ProbeData& alias = copied;
  copied = alias;
  EXPECT_EQ("copy", copied.getRigidBody().getId());
  EXPECT_EQ(1, copied.getRigidBody().getNbTargets());
}

// The record checksum is the CRC-16/ARC of the record's XML text (the golden text's is 0x92BE),
// which holds the stored checksum; 0 when no text can be written.
TEST(ProbeDataTest, ChecksumIsTheCrcOfTheXmlText) {
  ProbeData record = sampleRecord();
  Trace trace;
  {
    LogLines lines(trace, log4cplus::DEBUG_LOG_LEVEL);
    EXPECT_EQ(0x92BEu, record.computeChecksum());
  }
  EXPECT_EQ(Trace{"DEBUG PDSimuCoder::checksum result 37566"}, trace);
  record.setChecksum(0x92BE);
  EXPECT_NE(0x92BEu, record.computeChecksum());
  record.setDefaultDir(0, 0, std::nan(""));
  EXPECT_EQ(0u, record.computeChecksum());
}

// The version text reads the same from both exports, narrow and wide.
TEST(ProbeDataTest, VersionTextIsTheSameNarrowAndWide) {
  const std::string narrow = GetDllVersion();
  EXPECT_NE(std::string::npos, narrow.find("Version 1.1 Build 1112"));
  EXPECT_EQ(std::wstring(narrow.begin(), narrow.end()), GetDllVersionUnicode());
}

// Every Error names the source file (without its directories) and line that threw it, and is
// logged at ERROR as it is built.
TEST(ProbeDataTest, ErrorsNameWhereTheyCameFrom) {
  ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  Trace trace;
  LogLines lines(trace);
  try {
    coder.setOutputVersion(34);
    ADD_FAILURE() << "no Error";
  } catch (const Error& error) {
    EXPECT_EQ("ProbeDataCoder::setOutputVersion() unhandled version : 34", error.getMessage());
    // The source file's own name, without the directories the build put in front of it.
    EXPECT_NE(std::string::npos, error.getFile().rfind(".cpp"));
    EXPECT_EQ(std::string::npos, error.getFile().find_first_of("/\\"));
    EXPECT_GT(error.getLine(), 0);
  }
  EXPECT_EQ(Trace{"ERROR ProbeDataCoder::setOutputVersion() unhandled version : 34"}, trace);
  EXPECT_EQ(33u, coder.getOutputVersion());
}

}  // namespace
