// Record texts pinned byte for byte. Texts and checksums of this form are kept in files and
// device memories, so none of these may change. One line of the document per source line; the
// root's end tag is never part of a saved text.
#ifndef PROBE_TEST_GOLDEN_XML_H
#define PROBE_TEST_GOLDEN_XML_H

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

#endif
