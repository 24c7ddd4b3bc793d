// Bytes as text: hex dumps as engineers paste them from service logs, and the text forms the
// tool writes images in.
#ifndef PROBETOOL_HEX_TEXT_H
#define PROBETOOL_HEX_TEXT_H

#include <cstddef>
#include <string>
#include <vector>

namespace probetool {

using Bytes = std::vector<unsigned char>;

struct HexParse {
  bool ok = false;
  Bytes bytes;
  // When not ok: the first line (from 1) that is not hex dump text, and why.
  std::size_t line = 0;
  std::string error;
};

// Reads a hex dump: whitespace-separated pairs of hex digits, either case. On each line a first
// token that ends in ':' is an offset label and is skipped; '#' and '|' start a comment (an
// ASCII gutter) that runs to the end of the line. Text with no byte at all is not a dump.
HexParse parseHexText(const std::string& text);

// 16 bytes a line, each line led by its offset ("01A0: "), upper-case digits. parseHexText
// reads it back.
std::string formatHexDump(const Bytes& bytes);

// A C definition of the bytes: `const unsigned char name[n] = { 0x51, ... };`.
std::string formatCArray(const Bytes& bytes, const std::string& name, const std::string& comment);

// One row of a dump: offset label, up to 16 bytes padded to a fixed width, and an ASCII gutter
// between bars. Rows of different lengths line up.
std::string formatHexRow(std::size_t offset, const unsigned char* bytes, std::size_t count);

}  // namespace probetool

#endif
