// The only file that includes Boost's archive implementation files: anywhere else they would
// also instantiate the members of the stock xml_oarchive that the Boost library already holds.
#include "Boost137XmlOArchive.h"

#include <boost/archive/archive_exception.hpp>
#include <boost/archive/impl/archive_serializer_map.ipp>
#include <boost/archive/impl/basic_xml_oarchive.ipp>
#include <boost/archive/impl/xml_oarchive_impl.ipp>
#include <boost/serialization/throw_exception.hpp>

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace {

// The prologue and the root's start tag, through the newline before the first element.
constexpr char kPrologue[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    "<!DOCTYPE boost_serialization>\n"
    "<boost_serialization signature=\"serialization::archive\" version=\"5\">\n";

}  // namespace

Boost137XmlOArchive::Boost137XmlOArchive(std::ostream& stream)
    : xml_oarchive_impl<Boost137XmlOArchive>(stream, boost::archive::no_header) {
  put(kPrologue);
}

Boost137XmlOArchive::~Boost137XmlOArchive() = default;

// to_chars in general notation with precision 17 gives exactly what printf's %.17g, and so a
// classic-locale stream with precision 17, gives; it neither consults the locale nor touches
// the stream's flags.
void Boost137XmlOArchive::save(const double& value) {
  if (os.fail()) {
    boost::serialization::throw_exception(
        boost::archive::archive_exception(boost::archive::archive_exception::output_stream_error));
  }
  if (!std::isfinite(value))
    throw std::domain_error("the record holds a value that is not a finite number");
  // "-d.dddddddddddddddde-ddd", 24 characters, is the longest a double gets with 17 significant
  // digits.
  char text[32];
  const std::to_chars_result result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17);
  os.write(text, result.ptr - text);
}

namespace boost {
namespace archive {

template class detail::archive_serializer_map<Boost137XmlOArchive>;
template class basic_xml_oarchive<Boost137XmlOArchive>;
template class xml_oarchive_impl<Boost137XmlOArchive>;

}  // namespace archive
}  // namespace boost
