// Record texts pinned byte for byte. Texts and checksums of this form are kept in files and
// device memories, so none of these may change. One line of the document per source line; the
// root's end tag is never part of a saved text.
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

// Body "P1", checksum 0. Target 0: size 1.5 at (1, -2, 0.0625), normal (0, 0, 1), angle 45.
// Target 1: size 0.1 at (10.5, 0, -3.25), neither normal nor angle. Default direction (0, 0, 1),
// mask thickness 2. 1117 bytes; CRC-16/ARC 46532 (0xB5C4).
constexpr char kGoldenP1[] =
    GOLDEN_PROLOGUE
    "<Data_Checksum>0</Data_Checksum>\n"
    "<Data_RB_Id>P1</Data_RB_Id>\n"
    "<Data_RB_TargetCount>2</Data_RB_TargetCount>\n"
    // target 0: six elements, the normal before the angle
    "<Data_RB_TargetSize>1.5</Data_RB_TargetSize>\n"
    "<Data_RB_TargetPos>\n"
    "\t<count>3</count>\n"
    "\t<item>1</item>\n"
    "\t<item>-2</item>\n"
    "\t<item>0.0625</item>\n"
    "</Data_RB_TargetPos>\n"
    "<Data_RB_TargetHasNormal>1</Data_RB_TargetHasNormal>\n"
    "<Data_RB_TargetHasAngle>1</Data_RB_TargetHasAngle>\n"
    "<Data_RB_TargetNormal>\n"
    "\t<count>3</count>\n"
    "\t<item>0</item>\n"
    "\t<item>0</item>\n"
    "\t<item>1</item>\n"
    "</Data_RB_TargetNormal>\n"
    "<Data_RB_TargetAngle>45</Data_RB_TargetAngle>\n"
    // target 1: four elements; 0.1 needs all 17 digits
    "<Data_RB_TargetSize>0.10000000000000001</Data_RB_TargetSize>\n"
    "<Data_RB_TargetPos>\n"
    "\t<count>3</count>\n"
    "\t<item>10.5</item>\n"
    "\t<item>0</item>\n"
    "\t<item>-3.25</item>\n"
    "</Data_RB_TargetPos>\n"
    "<Data_RB_TargetHasNormal>0</Data_RB_TargetHasNormal>\n"
    "<Data_RB_TargetHasAngle>0</Data_RB_TargetHasAngle>\n"
    "<Data_RB_Dir>\n"
    "\t<count>3</count>\n"
    "\t<item>0</item>\n"
    "\t<item>0</item>\n"
    "\t<item>1</item>\n"
    "</Data_RB_Dir>\n"
    "<Data_Target_Mask_Thickness>2</Data_Target_Mask_Thickness>\n";

constexpr unsigned int kGoldenP1Checksum = 46532;

// Body "A<B>&\"C\"'D'" without targets, checksum 4294967295. Default direction (-1, 0.5, 0), mask
// thickness 65535. All five special characters are escaped; the default direction follows the
// target count at once. 472 bytes; CRC-16/ARC 22705 (0x58B1).
constexpr char kGoldenEscaped[] =
    GOLDEN_PROLOGUE
    "<Data_Checksum>4294967295</Data_Checksum>\n"
    "<Data_RB_Id>A&lt;B&gt;&amp;&quot;C&quot;&apos;D&apos;</Data_RB_Id>\n"
    "<Data_RB_TargetCount>0</Data_RB_TargetCount>\n"
    "<Data_RB_Dir>\n"
    "\t<count>3</count>\n"
    "\t<item>-1</item>\n"
    "\t<item>0.5</item>\n"
    "\t<item>0</item>\n"
    "</Data_RB_Dir>\n"
    "<Data_Target_Mask_Thickness>65535</Data_Target_Mask_Thickness>\n";

constexpr unsigned int kGoldenEscapedChecksum = 22705;

// Body "X", checksum 7, one target: size the smallest subnormal, position (-0, smallest normal,
// largest double), normal (1e-05, -1e21, 1e16), angle minus the largest double. Default
// direction (-0, 1e-300, 1e300), mask thickness 0. Exponents switch on below 1e-4 and from 1e17
// on; negative zero keeps its sign. 988 bytes; CRC-16/ARC 65260 (0xFEEC).
constexpr char kGoldenExtremes[] =
    GOLDEN_PROLOGUE
    "<Data_Checksum>7</Data_Checksum>\n"
    "<Data_RB_Id>X</Data_RB_Id>\n"
    "<Data_RB_TargetCount>1</Data_RB_TargetCount>\n"
    "<Data_RB_TargetSize>4.9406564584124654e-324</Data_RB_TargetSize>\n"
    "<Data_RB_TargetPos>\n"
    "\t<count>3</count>\n"
    "\t<item>-0</item>\n"
    "\t<item>2.2250738585072014e-308</item>\n"
    "\t<item>1.7976931348623157e+308</item>\n"
    "</Data_RB_TargetPos>\n"
    "<Data_RB_TargetHasNormal>1</Data_RB_TargetHasNormal>\n"
    "<Data_RB_TargetHasAngle>1</Data_RB_TargetHasAngle>\n"
    "<Data_RB_TargetNormal>\n"
    "\t<count>3</count>\n"
    "\t<item>1.0000000000000001e-05</item>\n"
    "\t<item>-1e+21</item>\n"
    "\t<item>10000000000000000</item>\n"
    "</Data_RB_TargetNormal>\n"
    "<Data_RB_TargetAngle>-1.7976931348623157e+308</Data_RB_TargetAngle>\n"
    "<Data_RB_Dir>\n"
    "\t<count>3</count>\n"
    "\t<item>-0</item>\n"
    "\t<item>1e-300</item>\n"
    "\t<item>1.0000000000000001e+300</item>\n"
    "</Data_RB_Dir>\n"
    "<Data_Target_Mask_Thickness>0</Data_Target_Mask_Thickness>\n";

constexpr unsigned int kGoldenExtremesChecksum = 65260;

// The records the texts above hold.
inline ProbeData goldenP1Record() {
  return makeRecord(makeBody("P1", {target(1.5, 1, -2, 0.0625, 0, 0, 1, 45),
                                    target(0.1, 10.5, 0, -3.25)}),
                    0, 0, 1, 2, 0);
}

inline ProbeData goldenEscapedRecord() {
  return makeRecord(makeBody("A<B>&\"C\"'D'", {}), -1, 0.5, 0, 65535, 4294967295u);
}

inline ProbeData goldenExtremesRecord() {
  const double largest = std::numeric_limits<double>::max();
  return makeRecord(makeBody("X", {target(std::numeric_limits<double>::denorm_min(), -0.0,
                                          std::numeric_limits<double>::min(), largest, 1e-05,
                                          -1e21, 1e16, -largest)}),
                    -0.0, 1e-300, 1e300, 0, 7);
}

// text with the one occurrence of from replaced by to; a test fails if from is not there once.
inline std::string replaceOnce(std::string text, const std::string& from, const std::string& to) {
  const std::string::size_type at = text.find(from);
  if (at == std::string::npos || text.find(from, at + 1) != std::string::npos) {
    ADD_FAILURE() << "'" << from << "' does not occur exactly once";
    return text;
  }
  return text.replace(at, from.size(), to);
}

#endif
