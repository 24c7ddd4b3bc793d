// The only file that includes Boost's input archive implementation files: anywhere else they
// would also instantiate members of the stock xml_iarchive that the Boost library already holds.
#include "Boost137XmlIArchive.h"

#include <boost/archive/archive_exception.hpp>
#include <boost/archive/impl/archive_serializer_map.ipp>
#include <boost/archive/impl/basic_xml_iarchive.ipp>
#include <boost/archive/impl/xml_iarchive_impl.ipp>
#include <boost/archive/xml_archive_exception.hpp>
#include <boost/serialization/throw_exception.hpp>

// no_header keeps the destructor from parsing the root's end tag; the header that no_header
// skipped is read here, as the stock init() reads it, except that the root's version attribute
// is cut to the 16 bits of the library version type. The stock archive, compiled without
// assertions, cuts it the same way; an assertion build of init() would abort on a text whose
// version does not fit.
namespace {

[[noreturn]] void streamError() {
  boost::serialization::throw_exception(
      boost::archive::archive_exception(boost::archive::archive_exception::input_stream_error));
}

}  // namespace

Boost137XmlIArchive::Boost137XmlIArchive(std::istream& stream)
    : xml_iarchive_impl<Boost137XmlIArchive>(stream, boost::archive::no_header) {
  gimpl->init(get_is());
  const auto version = static_cast<boost::uint16_t>(gimpl->rv.version & 0xFFFFu);
  set_library_version(boost::serialization::library_version_type(version));
}

Boost137XmlIArchive::~Boost137XmlIArchive() = default;

void Boost137XmlIArchive::load_start(const char* name) {
  if (name == nullptr) return;
  if (!gimpl->parse_start_tag(get_is())) streamError();
  ++depth_;
}

// The tag read is compared as a whole string with the name, whatever its length.
void Boost137XmlIArchive::load_end(const char* name) {
  if (name == nullptr) return;
  if (!gimpl->parse_end_tag(get_is())) streamError();
  if (--depth_ == 0) return;
  if (gimpl->rv.object_name != name) {
    boost::serialization::throw_exception(boost::archive::xml_archive_exception(
        boost::archive::xml_archive_exception::xml_archive_tag_mismatch, name));
  }
}

void Boost137XmlIArchive::load(boost::serialization::collection_size_type& count) {
  int value = 0;
  get_is() >> std::skipws >> value;
  if (get_is().fail()) streamError();
  count = boost::serialization::collection_size_type(static_cast<std::size_t>(value));
}

namespace boost {
namespace archive {

template class detail::archive_serializer_map<Boost137XmlIArchive>;
template class basic_xml_iarchive<Boost137XmlIArchive>;
template class xml_iarchive_impl<Boost137XmlIArchive>;

}  // namespace archive
}  // namespace boost
