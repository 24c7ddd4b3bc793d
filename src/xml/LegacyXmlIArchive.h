// The XML input archive for the records' XML text. It is Boost's xml_iarchive with one change:
// it never looks for the root's end tag. The texts this library writes end without that tag,
// and the stock archive parses it in its destructor, where a missing tag ends the process.
#ifndef PROBE_XML_LEGACY_XML_IARCHIVE_H
#define PROBE_XML_LEGACY_XML_IARCHIVE_H

#include <boost/archive/xml_iarchive.hpp>

#include <istream>

// Nothing of the stock archive is overridden, so deriving from xml_iarchive (rather than from
// xml_iarchive_impl) keeps its static dispatch intact and uses the Boost library's compiled
// instantiation.
class LegacyXmlIArchive : public boost::archive::xml_iarchive {
 public:
  // Reads and checks the prologue and the root's start tag at once, exactly as the stock archive
  // does; throws boost::archive::archive_exception when they are not the archive's. The stream
  // must outlive the archive and should carry the classic locale.
  explicit LegacyXmlIArchive(std::istream& stream);
  // Reads nothing more: whatever follows the last element read is left alone.
  ~LegacyXmlIArchive() override;
};

#endif
