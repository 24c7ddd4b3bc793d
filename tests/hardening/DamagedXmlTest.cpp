// XML texts damaged in the ways that once crashed the reader. Each is refused like any other
// text that does not decode, and the reading never leaves the text or the archive's names.
#include <gtest/gtest.h>

#include <string>

#include "RigidBodies.h"
#include "Utils.h"

namespace {

std::string replaceFirst(std::string text, const std::string& from, const std::string& to) {
  const std::string::size_type at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// Regression test for the read past an element name: the archive indexed the name it expected
// ("count", "item") with the length of the end tag it had read, so a long nested end tag read
// megabytes past the name and crashed the host. Names of other lengths are refused too, and so
// are the outermost elements' tags only where the archive checks them.
TEST(DamagedXmlTest, NestedEndTagsOfAnyLengthAreRefused) {
  std::string good;
  ASSERT_TRUE(saveToString(good, sampleRecord(2, true)));
  struct Case {
    const char* name;
    std::string from;
    std::string to;
  };
  const Case cases[] = {
      {"count closed by a 4 MiB name", "</count>", "</" + std::string(4 << 20, 'A') + ">"},
      {"item closed by a 4 MiB name", "</item>", "</" + std::string(4 << 20, 'i') + ">"},
      {"item closed one character long", "</item>", "</items>"},
      {"item closed one character short", "</item>", "</ite>"},
      {"count closed by item", "</count>", "</item>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProbeData old = sampleRecord(5, false);
    ProbeData record = old;
    EXPECT_FALSE(loadFromString(replaceFirst(good, c.from, c.to), record));
    EXPECT_EQ(old.getMaskThickness(), record.getMaskThickness());
  }
  ProbeData record;
  EXPECT_TRUE(loadFromString(good, record));
  EXPECT_TRUE(sameRecord(sampleRecord(2, true), record));
}

// Regression test for the assertion on the root's version attribute: the reader ran Boost's
// header code, which asserts that the version fits 16 bits, so a debug build aborted on such a
// text. The version is cut to 16 bits, as the compiled stock archive always did.
TEST(DamagedXmlTest, VersionAttributeBeyondSixteenBitsIsCut) {
  std::string good;
  ASSERT_TRUE(saveToString(good, sampleRecord(2, true)));
  const std::string cut = replaceFirst(good, "version=\"5\"", "version=\"65541\"");
  ProbeData record;
  EXPECT_TRUE(loadFromString(cut, record));  // 65541 is 5 in 16 bits
  EXPECT_TRUE(sameRecord(sampleRecord(2, true), record));

  const std::string huge = replaceFirst(good, "version=\"5\"", "version=\"4294967295\"");
  ProbeData other;
  loadFromString(huge, other);  // read or refused, but never an abort
}

}  // namespace
