// Scaled fields and the additive block checksum of the version-1 image, and the texts that name
// values. Real values are stored as signed integers times a fixed scale; writers and readers go
// through the pair below so that both sides round, cut and sum the same way.
#ifndef PROBE_V1_FIELDS_H
#define PROBE_V1_FIELDS_H

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ByteCursor.h"
#include "ProbeImageReport.h"

namespace v1 {

// The stored integer times factor is the value; writers multiply by inverse.
struct Scale {
  double factor;
  double inverse;
};
constexpr Scale kHundredths{0.01, 100.0};
constexpr Scale kThousandths{0.001, 1000.0};

// Rounds value * inverse half towards positive infinity (2.5 -> 3, -2.5 -> -2, -2.51 -> -3).
// A product that is not a number or does not fit a signed 32-bit integer is refused: converting
// it would be undefined, and no probe carries such a value.
inline std::int32_t toScaled(double value, double inverse) {
  double integral = 0.0;
  const double fraction = std::modf(value * inverse, &integral);
  const double rounded = integral + (fraction >= 0.5 ? 1.0 : fraction < -0.5 ? -1.0 : 0.0);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
    throw std::range_error("scaled value outside 32 bits");
  }
  return static_cast<std::int32_t>(rounded);
}

inline double fromScaled(std::int32_t stored, double factor) {
  return static_cast<double>(stored) * factor;
}

// Sum modulo 65536 of the unsigned bits of every scaled field of a block, which the scaled
// writer and reader keep as they go. Only the low 16 bits of a field count, so a 16-bit field
// cut from a wider integer sums the same on both sides.
class FieldSum {
 public:
  std::uint16_t sum() const { return static_cast<std::uint16_t>(sum_); }

 protected:
  void add(std::uint32_t fieldBits) { sum_ += fieldBits; }

 private:
  std::uint32_t sum_ = 0;
};

// Texts of values as people read them, in the classic form whatever the host's locale.

// As to_chars writes a number: to a precision, or as short as reads back without one.
inline std::string numberText(double value, std::chars_format format, int precision = -1) {
  char text[64];
  const std::to_chars_result result =
      precision < 0 ? std::to_chars(text, text + sizeof text, value, format)
                    : std::to_chars(text, text + sizeof text, value, format, precision);
  return std::string(text, result.ptr);
}

// To ten significant digits: "-255.36".
inline std::string decimal(double value) {
  return numberText(value, std::chars_format::general, 10);
}

// A value a record holds, as exactly as it takes to tell it from its neighbours: 2147483.6475
// stays 2147483.6475, never rounded onto a limit it lies beyond.
inline std::string exactly(double value) {
  const double size = std::fabs(value);
  return numberText(value, size == 0 || (size >= 1e-6 && size < 1e15) ? std::chars_format::fixed
                                                                      : std::chars_format::general);
}

// "(0.00, 0.00, 1.00)": decimals after each point.
inline std::string triple(double x, double y, double z, int decimals) {
  const auto fixed = [&](double value) {
    return numberText(value, std::chars_format::fixed, decimals);
  };
  return "(" + fixed(x) + ", " + fixed(y) + ", " + fixed(z) + ")";
}

// One number through a printf format: "0x%04X".
inline std::string printed(const char* format, unsigned int value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// "1 target", "5 targets".
inline std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A text in quotes: what does not print, and the quote and backslash, as \xNN.
inline std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const bool plain = byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\';
    out += plain ? std::string(1, c) : printed("\\x%02X", byte);
  }
  return out + "\"";
}

// A writer's account of the values an image cannot hold as they are. A writer given one goes on
// past a value it must refuse (storing 0 in its place), so that every such value is named.
class FitCheck {
 public:
  // Where in the record the values added next lie: "targets[2]." or "".
  void at(std::string prefix) { prefix_ = std::move(prefix); }
  void add(const std::string& name, const std::string& detail, bool refused) {
    problems.push_back(ImageFitProblem{prefix_ + name, detail, refused});
  }

  std::vector<ImageFitProblem> problems;

 private:
  std::string prefix_;
};

// Writes scaled fields and adds them to the block's sum. A 16-bit field keeps the low 16 bits
// of the scaled integer; without a FitCheck, that is silent, and a value outside 32 bits is
// refused with std::range_error.
class ScaledWriter : public FieldSum {
 public:
  explicit ScaledWriter(ByteWriter& out, FitCheck* check = nullptr) : out_(out), check_(check) {}

  void i16(double value, Scale scale, const char* name = "") {
    const std::int32_t stored = scaled<std::int16_t>(value, scale, name);
    const std::int32_t kept = static_cast<std::int16_t>(stored);
    if (check_ != nullptr && kept != stored) {
      check_->add(name,
                  outOfRange<std::int16_t>(value, scale) + ": the image reads back " +
                      decimal(fromScaled(kept, scale.factor)),
                  false);
    }
    out_.u16(static_cast<std::uint16_t>(stored));
    add(static_cast<std::uint32_t>(stored));
  }
  void i32(double value, Scale scale, const char* name = "") {
    const std::int32_t stored = scaled<std::int32_t>(value, scale, name);
    out_.i32(stored);
    add(static_cast<std::uint32_t>(stored));
  }

 private:
  // "400 is out of range (-327.68 to 327.67)": the field's limits are its integer limits over
  // the scale, exact to the field's last digit.
  template <class Field>
  static std::string outOfRange(double value, Scale scale) {
    return exactly(value) + " is out of range (" +
           decimal(std::numeric_limits<Field>::min() / scale.inverse) + " to " +
           decimal(std::numeric_limits<Field>::max() / scale.inverse) + ")";
  }

  template <class Field>
  std::int32_t scaled(double value, Scale scale, const char* name) {
    if (check_ == nullptr) return toScaled(value, scale.inverse);
    try {
      return toScaled(value, scale.inverse);
    } catch (const std::range_error&) {
      check_->add(name, std::isnan(value) ? "nan is not a number" : outOfRange<Field>(value, scale),
                  true);
      return 0;
    }
  }

  ByteWriter& out_;
  FitCheck* check_;
};

// Reads scaled fields and adds them to the block's sum.
class ScaledReader : public FieldSum {
 public:
  explicit ScaledReader(ByteReader& in) : in_(in) {}

  double i16(Scale scale) { return summed(in_.i16(), scale); }
  double i32(Scale scale) { return summed(in_.i32(), scale); }

 private:
  // A 16-bit field widens with its sign, which leaves its low 16 bits, all the sum keeps, alone.
  double summed(std::int32_t stored, Scale scale) {
    add(static_cast<std::uint32_t>(stored));
    return fromScaled(stored, scale.factor);
  }

  ByteReader& in_;
};

}  // namespace v1

#endif
