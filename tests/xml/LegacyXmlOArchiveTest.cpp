#include <gtest/gtest.h>

#include <boost/serialization/nvp.hpp>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "LegacyXmlOArchive.h"

namespace {

// The old archive streamed doubles with precision 17 into a classic-locale stream. The writer
// must agree with that stream on every finite double: random bit patterns cover every exponent,
// scaled integers the values of everyday size where the notation switches.
TEST(LegacyXmlOArchiveTest, WritesDoublesAsAPrecisionSeventeenStream) {
  std::mt19937_64 random(20100208);
  std::vector<double> values;
  while (values.size() < 200000) {
    const std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value)) values.push_back(value);
    values.push_back(std::ldexp(static_cast<double>(bits >> 11), -static_cast<int>(bits % 80)));
  }
  std::ostringstream os, expected;
  for (std::ostringstream* stream : {&os, &expected}) stream->imbue(std::locale::classic());
  {
    LegacyXmlOArchive archive(os);
    for (const double value : values) archive << boost::serialization::make_nvp("v", value);
  }
  std::istringstream written(os.str());
  std::string line;
  std::getline(written, line);  // the prologue's three lines
  std::getline(written, line);
  std::getline(written, line);
  expected << std::setprecision(17);
  int mismatches = 0;
  for (const double value : values) {
    expected.str("");
    expected << "<v>" << value << "</v>";
    std::getline(written, line);
    if (line != expected.str() && ++mismatches <= 10)
      ADD_FAILURE() << expected.str() << " != " << line;
  }
  EXPECT_EQ(0, mismatches);
}

}  // namespace
