#include "LegacyXmlIArchive.h"

// no_header keeps the destructor from parsing the root's end tag; init() then reads the header
// that no_header would have skipped.
LegacyXmlIArchive::LegacyXmlIArchive(std::istream& stream)
    : boost::archive::xml_iarchive(stream, boost::archive::no_header) {
  init();
}

LegacyXmlIArchive::~LegacyXmlIArchive() = default;
