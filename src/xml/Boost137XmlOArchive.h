// The XML output archive whose text is byte for byte what the records' XML files, device
// memories and stored checksums have always held. It differs from Boost's xml_oarchive in two
// ways only: the root element carries archive version 5, and doubles are written in the
// stream's general notation with 17 significant digits instead of forced scientific notation.
// Everything else (prologue lines, layout, name-value pairs, arrays, escaping) is Boost's own.
#ifndef PROBE_XML_BOOST137_XML_OARCHIVE_H
#define PROBE_XML_BOOST137_XML_OARCHIVE_H

#include <boost/archive/xml_oarchive.hpp>

#include <ostream>

class Boost137XmlOArchive : public boost::archive::xml_oarchive_impl<Boost137XmlOArchive> {
 public:
  // Writes the prologue and the root's start tag at once. The stream must outlive the archive
  // and should carry the classic locale: the archive keeps the stream's number punctuation.
  explicit Boost137XmlOArchive(std::ostream& stream);
  // Writes a newline, as every Boost text archive does when it is released, but never the
  // root's end tag: take the text before the archive goes.
  ~Boost137XmlOArchive() override;

 protected:
  friend class boost::archive::detail::interface_oarchive<Boost137XmlOArchive>;
  friend class boost::archive::basic_xml_oarchive<Boost137XmlOArchive>;
  friend class boost::archive::save_access;

  using boost::archive::xml_oarchive_impl<Boost137XmlOArchive>::save;
  // Throws std::domain_error for nan and infinities: they would be written as text that no
  // archive reads back.
  void save(const double& value);
};

#endif
