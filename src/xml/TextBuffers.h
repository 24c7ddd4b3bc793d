// Stream buffers that let the XML archives write into and read from a std::string without the
// extra copies of the string streams: the written text is moved out whole, and the text read
// is used in place.
#ifndef PROBE_XML_TEXT_BUFFERS_H
#define PROBE_XML_TEXT_BUFFERS_H

#include <cstddef>
#include <streambuf>
#include <string>

// Collects everything written into one string. take() moves the text out; whatever is written
// after that (an archive's closing newline, say) collects in an emptied string and is dropped
// with the buffer.
class StringSinkBuf : public std::streambuf {
 public:
  StringSinkBuf() = default;
  StringSinkBuf(const StringSinkBuf&) = delete;
  StringSinkBuf& operator=(const StringSinkBuf&) = delete;

  // The text written so far. The buffer starts again from empty.
  std::string take();

 protected:
  int_type overflow(int_type ch) override;

 private:
  std::size_t used() const { return committed_ + static_cast<std::size_t>(pptr() - pbase()); }

  // Characters [0, used()) are the text; the rest of the string is the put area's free room,
  // which starts at committed_.
  std::string text_;
  std::size_t committed_ = 0;
};

// Reads the characters [begin, end) of a caller's text, which must stay alive and unchanged
// while the buffer is in use. Nothing is ever written through it.
class CharRangeBuf : public std::streambuf {
 public:
  CharRangeBuf(const char* begin, const char* end);
  // How many characters have been read.
  std::size_t consumed() const { return static_cast<std::size_t>(gptr() - eback()); }
  CharRangeBuf(const CharRangeBuf&) = delete;
  CharRangeBuf& operator=(const CharRangeBuf&) = delete;
};

#endif
