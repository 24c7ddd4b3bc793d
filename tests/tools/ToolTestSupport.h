// Helpers of probetool's tests: images from records and golden blocks, the golden files, and
// the marks of an SVG picture.
#ifndef PROBETOOL_TEST_SUPPORT_H
#define PROBETOOL_TEST_SUPPORT_H

#include <cstddef>
#include <map>
#include <string>

#include "HexText.h"
#include "ProbeData.h"

namespace probetool {
namespace test {

// The version 2.1 image the library codes record to.
Bytes imageOf(const ProbeData& record);

// A 428-byte image: the version block of major.minor (magic included), then block at offset 8.
Bytes imageWith(unsigned int major, unsigned int minor, const unsigned char* block,
                std::size_t length);

// A file of tests/tools/data.
Bytes dataFile(const std::string& name);

struct SvgMarks {
  bool wellFormed = false;
  std::string error;
  // Per view id ("top-view", "side-view"): circles of class "target" and index labels in it.
  std::map<std::string, int> targets;
  std::map<std::string, int> labels;
  std::string heading;  // the text of the picture's heading
};

// Parses the document as XML and counts what each view draws.
SvgMarks svgMarks(const std::string& svg);

}  // namespace test
}  // namespace probetool

#endif
