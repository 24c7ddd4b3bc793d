// Text the tool prints and reads: bytes made safe to show, numbers, aligned tables, and bytes as
// the hex dumps engineers paste from service logs.
#ifndef PROBETOOL_TEXT_H
#define PROBETOOL_TEXT_H

#include <charconv>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace probetool {

using Bytes = std::vector<unsigned char>;

// Printable ASCII as it is; \n, \r and \t for line ends and tabs, \\ for a backslash, \xNN for
// every other byte. Whatever the tool prints of a file or a name goes through here, so no byte
// of theirs reaches a terminal raw.
std::string escaped(const std::string& text);

// "0x03E8".
std::string hex16(unsigned int value);
// A value in the classic form whatever the locale, by default to ten significant digits: "2.5",
// "-0.6", "40"; never "-0".
std::string number(double value, std::chars_format format = std::chars_format::general,
                   int precision = 10);
// "(1, -2.5, 0)": three values as number() writes them.
std::string triple(double x, double y, double z);
// "5 targets", "1 target".
std::string plural(std::size_t count, const char* one, const char* many);

// Columns of text, each as wide as its widest cell and aligned alike; the headings on the first
// line unless all are empty. Missing cells are blank; lines have no trailing blank.
class TextTable {
 public:
  enum Align { Left, Right };
  explicit TextTable(std::vector<std::string> headings, Align align = Left)
      : align_(align), rows_{std::move(headings)} {}
  void addRow(std::vector<std::string> cells);
  std::string format(const std::string& indent) const;

 private:
  Align align_;
  std::vector<std::vector<std::string>> rows_;  // the headings first
};

struct HexParse {
  bool ok = false;
  Bytes bytes;
  std::size_t line = 0;  // when not ok: the line (from 1) that is not hex dump text
  std::string error;
};

// Reads the dumps engineers have: this tool's own (with or without its annotations), xxd, xxd -p,
// hexdump -C (a "*" line stands for repeats of the line before it, up to the next offset),
// od -An -tx1, and a C array such as formatCArray writes. Text with no byte at all is not a dump.
HexParse parseHexText(const std::string& text);

// One row of a dump: the offset ("01A0:"), up to 16 bytes padded to a fixed width, and an ASCII
// gutter between bars; and the rows of all bytes. parseHexText reads them back.
std::string formatHexRow(std::size_t offset, const unsigned char* bytes, std::size_t count);
std::string formatHexDump(const Bytes& bytes);
// `const unsigned char name[n] = { 0x51, ... };` after a // line holding the comment, escaped.
std::string formatCArray(const Bytes& bytes, const std::string& name, const std::string& comment);

}  // namespace probetool

#endif
