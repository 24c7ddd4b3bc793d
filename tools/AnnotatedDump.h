// The hex dump of an image with its items and their fields marked, for people reading an image.
#ifndef PROBETOOL_ANNOTATED_DUMP_H
#define PROBETOOL_ANNOTATED_DUMP_H

#include <string>

#include "ProbeImageReport.h"

namespace probetool {

// Every byte of image once, in order; each item headed by its name, byte range and verdict, each
// field by its own line, and bytes no item claims by why. Marks are '#' comment lines, so
// parseHexText reads the dump back as the image's bytes.
std::string formatAnnotatedDump(const std::string& image, const ProbeImageReport& report);

}  // namespace probetool

#endif
