// The XML input archive of the records' texts, in the XML archive format of Boost 1.37 that every
// earlier release wrote and read. It is Boost's xml_iarchive with these changes:
// - it never looks for the root's end tag. The texts this library writes end without that tag,
//   and the stock archive parses it in its destructor, where a missing tag ends the process;
// - it compares an end tag with the name expected without reading past that name. The stock
//   archive indexes the expected name with the length of the tag read, so a long end tag in a
//   damaged text reads far past the name and can crash the process;
// - it reads a number after white space (`<Data_Checksum> 5</Data_Checksum>`), as earlier
//   releases did. Files edited by hand hold such numbers; the stock archive's tag parser
//   leaves the stream not skipping white space, so it refuses them;
// - it reads the count of a three-value element as an int, as earlier releases did.
#ifndef PROBE_XML_BOOST137_XML_IARCHIVE_H
#define PROBE_XML_BOOST137_XML_IARCHIVE_H

#include <boost/archive/xml_iarchive.hpp>
#include <boost/serialization/collection_size_type.hpp>

#include <istream>
#include <type_traits>

class Boost137XmlIArchive : public boost::archive::xml_iarchive_impl<Boost137XmlIArchive> {
 public:
  // Reads and checks the prologue and the root's start tag at once, exactly as the stock archive
  // does; throws boost::archive::archive_exception when they are not the archive's. The stream
  // must outlive the archive and should carry the classic locale.
  explicit Boost137XmlIArchive(std::istream& stream);
  // Reads nothing more: whatever follows the last element read is left alone.
  ~Boost137XmlIArchive() override;

 protected:
  friend class boost::archive::detail::interface_iarchive<Boost137XmlIArchive>;
  friend class boost::archive::basic_xml_iarchive<Boost137XmlIArchive>;
  friend class boost::archive::load_access;

  // Each element's start and end tag. As in the stock archive, the end tags of the outermost
  // elements are not checked against their names, nested ones are; the names are the
  // archive's own literals.
  void load_start(const char* name);
  void load_end(const char* name);

  // Every other value goes through here. Numbers are read with white space skipped; the tag and
  // string parsers turn skipping off again for themselves.
  // A fixed array's count is read as an int, as earlier releases read it: a count beyond an int
  // is refused instead of wrapping into range.
  void load(boost::serialization::collection_size_type& count);

  template <class T>
  void load(T& value) {
    if (std::is_arithmetic<T>::value) get_is() >> std::skipws;
    boost::archive::xml_iarchive_impl<Boost137XmlIArchive>::load(value);
  }

 private:
  unsigned int depth_ = 0;
};

#endif
