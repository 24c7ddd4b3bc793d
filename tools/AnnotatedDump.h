// The hex dump of an image with its items and their fields marked, for people reading an image.
// Marks are '#' comment lines, so parseHexText reads the dump back as the image's bytes.
#ifndef PROBETOOL_ANNOTATED_DUMP_H
#define PROBETOOL_ANNOTATED_DUMP_H

#include <string>

#include "HexText.h"
#include "ProbeImageReport.h"

namespace probetool {

// Every byte of the image appears once, in order. Each item of the report is headed by its
// name, its byte range and its verdict; each field inside it by its own line. Bytes no item
// claims (the unused end of an older image, bytes past the image length) get a heading too.
std::string formatAnnotatedDump(const Bytes& image, const ProbeImageReport& report);

// "2.1": the image's version as its version block gives it.
std::string versionText(const ProbeImageReport& report);

}  // namespace probetool

#endif
