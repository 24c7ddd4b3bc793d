// Record texts pinned byte for byte: texts and checksums of this form are kept in files and
// device memories, so none of these may change. A saved text never holds the root's end tag.
#ifndef PROBE_TEST_GOLDEN_XML_H
#define PROBE_TEST_GOLDEN_XML_H

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "ProbeData.h"
#include "RigidBodies.h"

#define GOLDEN_PROLOGUE                                              \
  "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n" \
  "<!DOCTYPE boost_serialization>\n"                                 \
  "<boost_serialization signature=\"serialization::archive\" version=\"5\">\n"

// 1117 bytes, CRC-16/ARC 46532 (0xB5C4). Target 0 has a normal and an angle, target 1 neither.
constexpr char kGoldenP1[] =
    GOLDEN_PROLOGUE
    "<Data_Checksum>0</Data_Checksum>\n"
    "<Data_RB_Id>P1</Data_RB_Id>\n"
    "<Data_RB_TargetCount>2</Data_RB_TargetCount>\n"
    "<Data_RB_TargetSize>1.5</Data_RB_TargetSize>\n"
    "<Data_RB_TargetPos>\n\t<count>3</count>\n"
    "\t<item>1</item>\n\t<item>-2</item>\n\t<item>0.0625</item>\n"
    "</Data_RB_TargetPos>\n"
    "<Data_RB_TargetHasNormal>1</Data_RB_TargetHasNormal>\n"
    "<Data_RB_TargetHasAngle>1</Data_RB_TargetHasAngle>\n"
    "<Data_RB_TargetNormal>\n\t<count>3</count>\n"
    "\t<item>0</item>\n\t<item>0</item>\n\t<item>1</item>\n"
    "</Data_RB_TargetNormal>\n"
    "<Data_RB_TargetAngle>45</Data_RB_TargetAngle>\n"
    "<Data_RB_TargetSize>0.10000000000000001</Data_RB_TargetSize>\n"
    "<Data_RB_TargetPos>\n\t<count>3</count>\n"
    "\t<item>10.5</item>\n\t<item>0</item>\n\t<item>-3.25</item>\n"
    "</Data_RB_TargetPos>\n"
    "<Data_RB_TargetHasNormal>0</Data_RB_TargetHasNormal>\n"
    "<Data_RB_TargetHasAngle>0</Data_RB_TargetHasAngle>\n"
    "<Data_RB_Dir>\n\t<count>3</count>\n"
    "\t<item>0</item>\n\t<item>0</item>\n\t<item>1</item>\n"
    "</Data_RB_Dir>\n"
    "<Data_Target_Mask_Thickness>2</Data_Target_Mask_Thickness>\n";

static_assert(sizeof kGoldenP1 == 1117 + 1, "the text without its terminating NUL");

inline ProbeData goldenP1Record() {
  return makeRecord(makeBody("P1", {target(1.5, 1, -2, 0.0625, 0, 0, 1, 45),
                                    target(0.1, 10.5, 0, -3.25)}),
                    0, 0, 1, 2, 0);
}

// 514 bytes, CRC-16/ARC 51339 (0xC88B). Every escaped character; no targets, so the default
// direction follows the count at once; negative zero, the smallest subnormal and the largest
// double; the largest checksum and thickness.
constexpr char kGoldenEdges[] =
    GOLDEN_PROLOGUE
    "<Data_Checksum>4294967295</Data_Checksum>\n"
    "<Data_RB_Id>A&lt;B&gt;&amp;&quot;C&quot;&apos;D&apos;</Data_RB_Id>\n"
    "<Data_RB_TargetCount>0</Data_RB_TargetCount>\n"
    "<Data_RB_Dir>\n\t<count>3</count>\n"
    "\t<item>-0</item>\n\t<item>4.9406564584124654e-324</item>\n"
    "\t<item>1.7976931348623157e+308</item>\n"
    "</Data_RB_Dir>\n"
    "<Data_Target_Mask_Thickness>65535</Data_Target_Mask_Thickness>\n";

static_assert(sizeof kGoldenEdges == 514 + 1, "the text without its terminating NUL");

inline ProbeData goldenEdgesRecord() {
  return makeRecord(makeBody("A<B>&\"C\"'D'", {}), -0.0,
                    std::numeric_limits<double>::denorm_min(),
                    std::numeric_limits<double>::max(), 65535, 4294967295u);
}

// text with the one occurrence of from replaced by to; the test fails if from is not there once.
inline std::string replaceOnce(std::string text, const std::string& from, const std::string& to) {
  const std::string::size_type at = text.find(from);
  if (at == std::string::npos || text.find(from, at + 1) != std::string::npos) {
    ADD_FAILURE() << "'" << from << "' does not occur exactly once";
    return text;
  }
  return text.replace(at, from.size(), to);
}

#endif
