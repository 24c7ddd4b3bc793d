// Bounded little-endian cursors: the only code of the device coders that touches image bytes.
// A cursor starts at a field's first byte, knows where its buffer ends, advances by the width of
// each field and throws CursorOverrun rather than step past the end. Codecs catch that and throw
// their own Error, so a short or corrupt buffer never leads to a read or write outside it.
#ifndef PROBE_BYTE_CURSOR_H
#define PROBE_BYTE_CURSOR_H

#include <boost/endian/conversion.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

class CursorOverrun : public std::out_of_range {
 public:
  CursorOverrun() : std::out_of_range("byte cursor overrun") {}
};

// A buffer and its size; sub-windows never reach past the buffer (a window that would start past
// its end is empty). Writers work through a ByteWindow, readers of a caller's bytes through a
// ConstByteWindow.
template <class Byte>
struct BasicByteWindow {
  Byte* data;
  std::size_t size;

  BasicByteWindow window(std::size_t offset, std::size_t length) const {
    if (data == nullptr || offset >= size) return BasicByteWindow{nullptr, 0};
    return BasicByteWindow{data + offset, std::min(length, size - offset)};
  }
};
using ByteWindow = BasicByteWindow<unsigned char>;
using ConstByteWindow = BasicByteWindow<const unsigned char>;

// The bounds both cursors keep: take() hands out the next width bytes, or throws.
template <class Byte>
class ByteCursor {
 public:
  ByteCursor(Byte* begin, std::size_t size) : begin_(begin), size_(size) {}
  std::size_t consumed() const { return used_; }

 protected:
  Byte* take(std::size_t width) {
    if (width > size_ - used_) throw CursorOverrun();
    Byte* const field = begin_ + used_;
    used_ += width;
    return field;
  }

 private:
  Byte* begin_;
  std::size_t size_;
  std::size_t used_ = 0;
};

class ByteWriter : public ByteCursor<unsigned char> {
 public:
  using ByteCursor::ByteCursor;

  void u8(std::uint8_t value) { *take(1) = value; }
  void u16(std::uint16_t value) { boost::endian::store_little_u16(take(2), value); }
  void i32(std::int32_t value) { boost::endian::store_little_s32(take(4), value); }
  // The first count characters or bytes from, as bytes.
  template <class Byte>
  void bytes(const Byte* from, std::size_t count) {
    std::copy_n(from, count, take(count));
  }
};

class ByteReader : public ByteCursor<const unsigned char> {
 public:
  using ByteCursor::ByteCursor;

  std::uint8_t u8() { return *take(1); }
  std::uint16_t u16() { return boost::endian::load_little_u16(take(2)); }
  std::int16_t i16() { return boost::endian::load_little_s16(take(2)); }
  std::int32_t i32() { return boost::endian::load_little_s32(take(4)); }
  std::string chars(std::size_t count) {
    return std::string(reinterpret_cast<const char*>(take(count)), count);
  }
  void skip(std::size_t count) { take(count); }
};

#endif
