#include <boost/archive/archive_exception.hpp>
#include <boost/serialization/nvp.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <limits>
#include <locale>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "GoldenXml.h"
#include "LegacyXmlIArchive.h"
#include "LegacyXmlOArchive.h"

namespace {

using boost::archive::archive_exception;
using boost::serialization::make_nvp;

// The document of values written as top-level elements <v>, taken before the archive goes.
std::string writeDoubles(const std::vector<double>& values) {
  std::ostringstream os;
  os.imbue(std::locale::classic());
  LegacyXmlOArchive archive(os);
  for (const double value : values) archive << make_nvp("v", value);
  return os.str();
}

// The contents of the <v> elements of a document written by writeDoubles.
std::vector<std::string> contents(const std::string& text) {
  std::vector<std::string> result;
  const std::string open = "<v>", close = "</v>";
  for (std::string::size_type at = text.find(open); at != std::string::npos;
       at = text.find(open, at)) {
    const std::string::size_type end = text.find(close, at);
    result.push_back(text.substr(at + open.size(), end - at - open.size()));
    at = end;
  }
  return result;
}

TEST(LegacyXmlOArchiveTest, WritesTheOldPrologueAndNoEndTag) {
  std::ostringstream os;
  std::string taken;
  {
    LegacyXmlOArchive archive(os);
    taken = os.str();
  }
  EXPECT_EQ(GOLDEN_PROLOGUE, taken);
  // Releasing the archive adds a newline, which is why texts are taken before.
  EXPECT_EQ(GOLDEN_PROLOGUE "\n", os.str());
}

// Doubles in general notation with 17 significant digits, never forced scientific.
TEST(LegacyXmlOArchiveTest, WritesDoublesWithSeventeenDigitsInGeneralNotation) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0.0, "0"},
      {-0.0, "-0"},
      {2.0, "2"},
      {-3.25, "-3.25"},
      {0.1, "0.10000000000000001"},
      {0.3, "0.29999999999999999"},
      {1.0 / 3.0, "0.33333333333333331"},
      {123.456, "123.456"},
      {0.0001, "0.0001"},  // the last power of ten before the exponent form
      {0.00001, "1.0000000000000001e-05"},
      {9.999999999999999e-05, "9.9999999999999991e-05"},
      {1e16, "10000000000000000"},  // seventeen digits still fit
      {1e17, "1e+17"},
      {123456789012345678.0, "1.2345678901234568e+17"},
      {4294967296.0, "4294967296"},
      {1e-300, "1e-300"},
      {1e300, "1.0000000000000001e+300"},
      {std::numeric_limits<double>::denorm_min(), "4.9406564584124654e-324"},
      {std::numeric_limits<double>::min(), "2.2250738585072014e-308"},
      {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
      {-std::numeric_limits<double>::max(), "-1.7976931348623157e+308"},
  };
  std::vector<double> values;
  for (const Case& c : cases) values.push_back(c.value);
  const std::vector<std::string> written = contents(writeDoubles(values));
  ASSERT_EQ(values.size(), written.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(cases[i].text, written[i]) << "value #" << i;
  }
}

// The old archive streamed doubles with precision 17 into a classic-locale stream; the writer
// must agree with that on every finite double, whatever the runtime's formatting code does.
TEST(LegacyXmlOArchiveTest, AgreesWithStreamOutputOnRandomBitPatterns) {
  std::mt19937_64 random(20100208);
  std::vector<double> values;
  while (values.size() < 100000) {
    const std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value)) values.push_back(value);
    // Values of everyday size too, where the notation switches.
    values.push_back(std::ldexp(static_cast<double>(bits >> 11), -static_cast<int>(bits % 80)));
  }
  const std::vector<std::string> written = contents(writeDoubles(values));
  ASSERT_EQ(values.size(), written.size());
  std::ostringstream expected;
  expected.imbue(std::locale::classic());
  expected << std::setprecision(17);
  int mismatches = 0;
  for (std::size_t i = 0; i < values.size() && mismatches < 10; ++i) {
    expected.str("");
    expected << values[i];
    if (expected.str() != written[i]) {
      ++mismatches;
      ADD_FAILURE() << expected.str() << " written as " << written[i];
    }
  }
}

// nan and the infinities would be written as text that no archive reads back.
TEST(LegacyXmlOArchiveTest, RefusesNonFiniteDoubles) {
  for (const double value : {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(value);
    std::ostringstream os;
    LegacyXmlOArchive archive(os);
    EXPECT_THROW(archive << make_nvp("v", value), std::domain_error);
  }
}

// How the reader's archive refuses what is not its prologue. Errors are told apart by code:
// the text of what() carries whatever errno held. XML parse errors carry other_exception.
TEST(LegacyXmlIArchiveTest, RefusesForeignPrologues) {
  struct Case {
    const char* name;
    std::string text;
    archive_exception::exception_code code;
  };
  const std::string prologue = GOLDEN_PROLOGUE;
  const Case cases[] = {
      {"empty", "", archive_exception::input_stream_error},
      {"not xml", "hello", archive_exception::input_stream_error},
      {"no root", replaceOnce(prologue, "<boost_serialization signature", ""),
       archive_exception::other_exception},
      {"no doctype", replaceOnce(prologue, "<!DOCTYPE boost_serialization>\n", ""),
       archive_exception::other_exception},
      {"other signature",
       replaceOnce(prologue, "serialization::archive", "serialization::archivX"),
       archive_exception::invalid_signature},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream is(c.text);
    try {
      LegacyXmlIArchive archive(is);
      ADD_FAILURE() << "accepted";
    } catch (const archive_exception& e) {
      EXPECT_EQ(c.code, e.code);
    }
  }
}

// Reading a value leaves the stream where the next element starts, and releasing the archive
// reads nothing more, whatever follows.
TEST(LegacyXmlIArchiveTest, ReleaseReadsNothingAfterTheLastElement) {
  for (const char* rest : {"", "</boost_serialization>\n", "<<<junk", "\n\n"}) {
    SCOPED_TRACE(rest);
    std::istringstream is(std::string(GOLDEN_PROLOGUE "<v>1.5</v>\n") + rest);
    double value = 0;
    {
      LegacyXmlIArchive archive(is);
      archive >> make_nvp("v", value);
    }
    EXPECT_EQ(1.5, value);
  }
}

}  // namespace
