#include <gtest/gtest.h>
#include <log4cplus/loggingmacros.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "CapturingAppender.h"
#include "ProbeLogger.h"
#include "ProbeVersion.h"

namespace {

const char kVersionText[] = "32-bit Edition Version 1.1 Build 1112 2010-02-08 ";

TEST(ProbeVersionTest, NarrowTextIsTheFortyNineCharacters) {
  const char* text = GetDllVersion();
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(49u, std::strlen(text));
  EXPECT_STREQ(kVersionText, text);
  EXPECT_EQ(' ', text[48]);
}

TEST(ProbeVersionTest, WideTextHoldsTheSameCharacters) {
  const wchar_t* text = GetDllVersionUnicode();
  ASSERT_NE(nullptr, text);
  ASSERT_EQ(49u, std::wcslen(text));
  for (std::size_t i = 0; i < 49; ++i) {
    EXPECT_EQ(static_cast<wchar_t>(kVersionText[i]), text[i]) << "at " << i;
  }
}

TEST(ProbeVersionTest, EveryCallReturnsTheSameBuffer) {
  EXPECT_EQ(GetDllVersion(), GetDllVersion());
  EXPECT_EQ(GetDllVersionUnicode(), GetDllVersionUnicode());
}

TEST(ProbeVersionTest, NumbersAreOneOneAndBuild1112) {
  EXPECT_EQ(1, GetDllVersionMajor());
  EXPECT_EQ(1, GetDllVersionMinor());
  EXPECT_EQ(1112, GetDllBuildNumber());
}

TEST(ProbeLoggerTest, ModuleLoggerIsNamedProbe) {
  EXPECT_EQ("Probe", g_probeLogger.getName());
}

int formatted = 0;
int countFormatting() { return ++formatted; }

// The host decides the level; a line below it is neither formatted nor written.
TEST(ProbeLoggerTest, TraceLinesAreNotFormattedAboveTrace) {
  LogCapture capture(log4cplus::DEBUG_LOG_LEVEL);
  formatted = 0;
  LOG4CPLUS_TRACE(g_probeLogger, "ProbeLoggerTest " << countFormatting());
  EXPECT_EQ(0, formatted);
  EXPECT_TRUE(capture.events().empty());
  LOG4CPLUS_DEBUG(g_probeLogger, "ProbeLoggerTest " << countFormatting());
  EXPECT_EQ(1, formatted);
  ASSERT_EQ(1u, capture.events().size());
  EXPECT_EQ("ProbeLoggerTest 1", capture.events()[0].message);
}

}  // namespace
