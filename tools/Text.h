// Text the tool prints and reads: bytes made safe to show, numbers, aligned tables, and bytes as
// the hex dumps engineers paste from service logs, an image's annotated too. Bytes are std::string,
// as the library's are.
#ifndef PROBETOOL_TEXT_H
#define PROBETOOL_TEXT_H

#include <charconv>
#include <string>
#include <utility>
#include <vector>

struct ProbeImageReport;

namespace probetool {

// The most bytes the tool takes from one file, or makes of one hex dump. A probe file is small:
// an image is a few hundred bytes, the XML of 30 targets about 30 kB.
constexpr std::size_t kMaxInputSize = std::size_t{16} << 20;

// Printable ASCII as it is; with utf8, also every valid UTF-8 sequence of a character that
// prints (no C1 control); \n, \r and \t for line ends and tabs, \\ for a backslash, \xNN for
// every other byte. Whatever the tool shows of a file, a name or an id goes through here, so no
// byte of theirs reaches a terminal raw.
std::string escaped(const std::string& text, bool utf8 = false);
// escaped for the terminal: UTF-8 passes when the user's locale is a UTF-8 one, and on Windows,
// where main takes the words in UTF-8 and has a console show it.
std::string shown(const std::string& text);
// The length of the valid UTF-8 sequence at text[at] and the character it codes; length 0 when
// the bytes there are none (cut short, overlong, a surrogate, past U+10FFFF).
std::pair<std::size_t, char32_t> utf8At(const std::string& text, std::size_t at);

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
// The parts joined by separator.
std::string joined(const std::vector<std::string>& parts, const char* separator);

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

// Reads the dumps of bytes engineers have: this tool's own (with or without its annotations),
// xxd, xxd -p, hexdump -C (a "*" line stands for repeats of the line before it, up to the next
// offset), od -tx1 (its offsets are octal) and od -An -tx1, and a C array such as formatCArray
// writes. Dumps of 2- or 4-byte words (hexdump's and od's defaults, xxd -e) are refused: their
// byte order is the dumping machine's. Text with no byte at all is not a dump. "" with the dump's
// bytes in bytes, or the first line that is no dump text and why ("line 11: ...").
std::string parseHexText(const std::string& text, std::string& bytes);

// The rows of a dump of the bytes from offset, length of them or up to the end: each the offset
// of its first byte ("01A0:"), up to 16 bytes padded to a fixed width, and an ASCII gutter
// between bars. parseHexText reads them.
std::string formatHexDump(const std::string& bytes, std::size_t offset = 0,
                          std::size_t length = std::string::npos);
// The dump of an image with its items and their fields marked, for people reading an image:
// every byte of image once, in order; each item headed by its name, byte range and verdict,
// each field by its own line, and bytes no item claims by why. Marks are '#' comment lines, so
// parseHexText reads the dump back as the image's bytes.
std::string formatAnnotatedDump(const std::string& image, const ProbeImageReport& report);
// `const unsigned char name[n] = { 0x51, ... };` after a // line holding the comment, escaped
// to ASCII so that the file compiles in any encoding.
std::string formatCArray(const std::string& bytes, const std::string& name,
                         const std::string& comment);

}  // namespace probetool

#endif
