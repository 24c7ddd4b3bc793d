#include "ToolTestSupport.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "ImageLayout.h"
#include "ProbeCodec.h"

namespace probetool {
namespace test {

Bytes imageOf(const ProbeData& record) {
  const Encoded image = encodeImage(record, static_cast<unsigned short>(kVersion21));
  if (!image.ok) throw std::runtime_error("the library did not code the record");
  return Bytes(image.bytes.begin(), image.bytes.end());
}

Bytes imageWith(unsigned int major, unsigned int minor, const unsigned char* block,
                std::size_t length) {
  Bytes image(kImageLength, 0);
  const unsigned char version[kVersionLength] = {
      'Q', 'M', 'V', 'B', static_cast<unsigned char>(major), 0, static_cast<unsigned char>(minor),
      0};
  std::copy(version, version + kVersionLength, image.begin());
  std::copy(block, block + length, image.begin() + kRigidBodyOffset);
  return image;
}

Bytes dataFile(const std::string& name) {
  const char* root = std::getenv("PROBE_TEST_DATA");
  const std::string path = std::string(root != nullptr ? root : ".") + "/data/" + name;
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

namespace {

using boost::property_tree::ptree;

void count(const ptree& node, const std::string& view, SvgMarks& marks) {
  for (const auto& child : node) {
    if (child.first == "<xmlattr>") continue;
    const std::string cls = child.second.get("<xmlattr>.class", "");
    std::string inner = view;
    if (child.first == "g" && cls == "view") inner = child.second.get("<xmlattr>.id", "");
    if (child.first == "circle" && cls == "target") ++marks.targets[inner];
    if (child.first == "text" && cls == "label") ++marks.labels[inner];
    if (child.first == "text" && cls == "heading") marks.heading = child.second.data();
    count(child.second, inner, marks);
  }
}

}  // namespace

SvgMarks svgMarks(const std::string& svg) {
  SvgMarks marks;
  std::istringstream in(svg);
  ptree tree;
  try {
    boost::property_tree::read_xml(in, tree);
  } catch (const std::exception& error) {
    marks.error = error.what();
    return marks;
  }
  marks.wellFormed = tree.count("svg") == 1;
  if (!marks.wellFormed) marks.error = "no svg root element";
  count(tree, "", marks);
  return marks;
}

}  // namespace test
}  // namespace probetool
