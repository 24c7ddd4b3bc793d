#include "TextBuffers.h"

#include <algorithm>
#include <utility>

namespace {

// Room for a record of a few targets at the first growth; the text doubles from there.
constexpr std::size_t kFirstSize = 2048;

}  // namespace

std::string StringSinkBuf::take() {
  text_.resize(used());
  std::string text(std::move(text_));
  text_.clear();
  committed_ = 0;
  setp(nullptr, nullptr);
  return text;
}

StringSinkBuf::int_type StringSinkBuf::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
  // The put area restarts at the first free character, so pbump never has to move it by more
  // than one.
  committed_ = used();
  text_.resize(std::max(kFirstSize, 2 * text_.size()));
  char* const base = &text_[0];
  setp(base + committed_, base + text_.size());
  *pptr() = traits_type::to_char_type(ch);
  pbump(1);
  return ch;
}

CharRangeBuf::CharRangeBuf(const char* begin, const char* end) {
  // The get area never writes: putting back a different character fails instead.
  char* const first = const_cast<char*>(begin);
  setg(first, first, const_cast<char*>(end));
}
