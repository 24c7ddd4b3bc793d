#include "StockArchives.h"

#include <boost/archive/xml_iarchive.hpp>
#include <boost/archive/xml_oarchive.hpp>
#include <locale>
#include <sstream>

namespace bench {

std::string stockSave(const RecordValues& values) {
  std::ostringstream stream;
  stream.imbue(std::locale::classic());
  {
    boost::archive::xml_oarchive archive(stream);
    writeValues(archive, values);
  }
  return stream.str();
}

void stockLoad(const std::string& text, RecordValues& values) {
  std::istringstream stream(text);
  stream.imbue(std::locale::classic());
  boost::archive::xml_iarchive archive(stream);
  readValues(archive, values);
}

}  // namespace bench
