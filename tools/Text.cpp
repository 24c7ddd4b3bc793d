#include "Text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <sstream>

#include "ProbeImageReport.h"

#if !defined(_WIN32)
#include <langinfo.h>
#include <locale.h>
#endif

namespace probetool {

std::pair<std::size_t, char32_t> utf8At(const std::string& text, std::size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  // By the lead byte's upper four bits: ASCII, a continuation byte (none), 2, 3 or 4 bytes.
  const std::size_t length = static_cast<std::size_t>("1111111100002234"[lead >> 4] - '0');
  char32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
    if ((next & 0xC0) != 0x80) return {0, 0};
    code = code << 6 | (next & 0x3Fu);
  }
  static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool valid =
      length > 0 && code >= kLeast[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
  return {valid ? length : 0, code};
}

std::string escaped(const std::string& text, bool utf8) {
  std::string out;
  for (std::size_t at = 0, length = 1; at < text.size(); at += length) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    const auto [sequence, code] = utf8At(text, at);
    length = utf8 && byte >= 0x80 && sequence > 0 && code >= 0xA0 ? sequence : 1;
    char code8[8];
    std::snprintf(code8, sizeof code8, byte >= 0x20 && byte < 0x7F ? "%c" : "\\x%02X", byte);
    const char* const special = byte == 0 ? nullptr : std::strchr("\n\r\t\\", byte);
    out += length > 1           ? text.substr(at, length)
           : special != nullptr ? std::string("\\") + "nrt\\"[special - "\n\r\t\\"]
                                : std::string(code8);
  }
  return out;
}

std::string shown(const std::string& text) {
#if defined(_WIN32)
  static const bool utf8 = true;  // main takes the words, and a console shows them, in UTF-8
#else
  static const locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  static const bool utf8 =
      user != static_cast<locale_t>(0) && std::strcmp(nl_langinfo_l(CODESET, user), "UTF-8") == 0;
#endif
  return escaped(text, utf8);
}

std::string hex16(unsigned int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

std::string number(double value, std::chars_format format, int precision) {
  char text[512];  // the longest double in fixed notation, and more
  const std::to_chars_result result =
      std::to_chars(text, text + sizeof text, value, format, precision);
  std::string shown(text, result.ptr);
  if (shown[0] == '-' && shown.find_first_not_of("-0.") == std::string::npos) shown.erase(0, 1);
  return shown;
}

std::string triple(double x, double y, double z) {
  return "(" + number(x) + ", " + number(y) + ", " + number(z) + ")";
}

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

void TextTable::addRow(std::vector<std::string> cells) {
  cells.resize(rows_.front().size());
  rows_.push_back(std::move(cells));
}

std::string TextTable::format(const std::string& indent) const {
  std::vector<std::size_t> widths(rows_.front().size());
  for (const auto& row : rows_) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  const bool headings = std::any_of(rows_.front().begin(), rows_.front().end(),
                                    [](const std::string& heading) { return !heading.empty(); });
  std::string out;
  for (auto row = rows_.begin() + (headings ? 0 : 1); row != rows_.end(); ++row) {
    std::string line = indent;
    for (std::size_t i = 0; i < row->size(); ++i) {
      const std::string pad(widths[i] - (*row)[i].size(), ' ');
      line += (i > 0 ? "  " : "") + (align_ == Right ? pad + (*row)[i] : (*row)[i] + pad);
    }
    out += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
  }
  return out;
}

namespace {

constexpr std::size_t kBytesPerRow = 16;
constexpr std::size_t npos = std::string::npos;

bool isDigits(const std::string& text, const char* digits) {
  return !text.empty() && text.find_first_not_of(digits) == npos;
}
const char kHexDigits[] = "0123456789ABCDEFabcdef";  // the first sixteen as the tool writes them

std::string hexByte(unsigned char byte) { return {kHexDigits[byte >> 4], kHexDigits[byte & 0xF]}; }

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), {}};
}

// The dumps the tool reads, by the offset that starts a line: its digits, how many, its base,
// whether a colon follows it (and two blanks end the bytes after it, before xxd's text), and
// the most hex digits a group of bytes holds (0: any even number). A group of more digits is a
// word, whose bytes are in the order of the machine that dumped it. A line is read by the first
// row it starts like; an offset alone on a line ends the dump there, once it has had offsets.
struct Dialect {
  const char* digits;
  std::size_t fewest, most, group;
  int base;
  bool colon;
};
constexpr Dialect kDialects[] = {
    // this tool's dumps, "01A0: 51 4D 56 42  |QMVB|", and xxd's, "000001a0: 514d 5642  QMVB"
    {kHexDigits, 1, 16, 4, 16, true},
    // od -tx1, "0000640 51 4d 56 42": its offsets are octal
    {"01234567", 7, 7, 2, 8, false},
    // hexdump -C, "000001a0  51 4d 56 42  |QMVB|" (a "*" line repeats the line before it)
    {kHexDigits, 4, 16, 2, 16, false},
    // no offset: xxd -p, "514d5642"; od -An -tx1, " 51 4d 56 42"; a C array, "0x51, 0x4D,"
    {"", 0, 0, 0, 0, false},
};

constexpr const char* kLoneStar =
    "\"*\" stands for repeated lines, but no offset follows it (dump with -v)";

}  // namespace

std::string parseHexText(const std::string& text, std::string& bytes) {
  const std::size_t open = text.find('{');  // a C array: the bytes between its braces
  std::istringstream lines(open == npos ? text
                                        : text.substr(open + 1, text.find('}', open) - open - 1));
  bytes.clear();
  std::string previous, error;    // the bytes of the line before, which a "*" line repeats
  std::size_t repeatFrom = npos;  // where a "*" line stands, up to the next offset
  bool labelled = false;          // the dump has had an offset
  std::size_t count = 0;          // of the lines read
  // Adds the bytes of a line; "" or why it is no part of a dump the tool reads.
  const auto add = [&](std::string line) -> std::string {
    line.erase(std::min(line.find_first_of("#|"), line.size()));  // comments, ASCII gutters
    std::replace(line.begin(), line.end(), ',', ' ');
    std::vector<std::string> row = words(line);
    if (row.empty()) return "";
    if (row.size() == 1 && row[0] == "*") {
      repeatFrom = bytes.size();
      return "";
    }
    const Dialect* dialect = kDialects;
    std::string label;
    for (; dialect->base != 0; ++dialect) {
      label = row[0].substr(0, row[0].size() - (dialect->colon ? 1 : 0));
      if ((row[0].back() == ':') == dialect->colon && isDigits(label, dialect->digits) &&
          label.size() >= dialect->fewest && label.size() <= dialect->most &&
          (dialect->colon || row.size() > 1 || labelled)) {
        break;
      }
    }
    if (dialect->base != 0) {
      // The offset off the row; a "*" line's repeats filled up to it; the bytes end there.
      labelled = true;
      const std::size_t data = line.find(row[0]) + row[0].size();
      row = words(line.substr(data, dialect->colon ? line.find("  ", data + 1) - data : npos));
      const unsigned long long at = std::stoull(label, nullptr, dialect->base);
      if (at > kMaxInputSize) return "offset " + label + " lies past any probe file";
      while (repeatFrom != npos && !previous.empty() && bytes.size() < at) {
        bytes += previous[(bytes.size() - repeatFrom) % previous.size()];
      }
      repeatFrom = npos;
      if (at != bytes.size()) {
        return "offset " + label + " does not follow the " + plural(bytes.size(), "byte", "bytes") +
               " before it";
      }
    }
    if (repeatFrom != npos) return kLoneStar;
    previous.clear();
    for (std::string word : row) {
      if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) word.erase(0, 2);
      if (dialect->group != 0 && isDigits(word, kHexDigits) && word.size() > dialect->group) {
        return "\"" + escaped(word.substr(0, 16)) +
               "\" is no byte: a dump of words is in the byte order of the machine that made it; "
               "dump bytes with hexdump -C, xxd or od -tx1";
      }
      if (!isDigits(word, kHexDigits) || word.size() % 2 != 0) {
        return "\"" + escaped(word.substr(0, 16)) + "\" is not hex bytes";
      }
      for (std::size_t i = 0; i < word.size(); i += 2) {
        previous += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
      }
    }
    bytes += previous;
    return "";
  };
  for (std::string line; error.empty() && std::getline(lines, line); ++count) error = add(line);
  if (error.empty() && repeatFrom != npos) error = kLoneStar;
  if (error.empty() && bytes.empty()) error = "no hex bytes";
  if (error.empty()) return "";
  bytes.clear();
  return "line " + std::to_string(count) + ": " + error;
}

std::string formatHexDump(const std::string& bytes, std::size_t offset, std::size_t length) {
  const std::size_t end = offset + std::min(length, bytes.size() - std::min(offset, bytes.size()));
  std::string dump;
  for (std::size_t row = offset; row < end; row += kBytesPerRow) {
    char label[32];
    std::snprintf(label, sizeof label, "%04zX:", row);
    std::string line = label, gutter;
    for (std::size_t at = row; at < row + kBytesPerRow; ++at) {
      const unsigned char byte = at < end ? static_cast<unsigned char>(bytes[at]) : 0;
      line += at < end ? " " + hexByte(byte) : "   ";
      if (at < end) gutter += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
    }
    dump += line + "  |" + gutter + "|\n";
  }
  return dump;
}

std::string formatAnnotatedDump(const std::string& image, const ProbeImageReport& report) {
  std::string out;
  std::size_t pos = 0, itemEnd = 0;  // the bytes dumped so far; the end of the item being dumped
  const auto range = [](std::size_t offset, std::size_t length) {
    return "bytes " + std::to_string(offset) + "-" + std::to_string(offset + length - 1) + " (" +
           plural(length, "byte", "bytes") + ")";
  };
  const auto rows = [&](std::size_t offset, std::size_t length) {
    out += formatHexDump(image, offset, length);
    pos = std::max(pos, std::min(offset + length, image.size()));
  };
  // The bytes before end that are not dumped yet, headed by why.
  const auto gapTo = [&](std::size_t end, const std::string& why) {
    if (end <= pos) return;
    out += std::string(itemEnd > pos ? "#   " : "# ") + range(pos, end - pos) + ", " + why + "\n";
    rows(pos, end - pos);
  };
  for (const ProbeImageReport::Item& item : report.items) {
    if (item.verdict == ProbeImageReport::Absent || item.offset >= image.size()) continue;
    gapTo(item.offset, "not part of any item");
    itemEnd = std::min<std::size_t>(item.offset + item.length, image.size());
    const char* const verdict = item.verdict == ProbeImageReport::Damaged ? ": DAMAGED, " : ": ";
    out += "# " + item.name + " block, " + range(item.offset, itemEnd - item.offset) + verdict +
           item.detail + "\n";
    if (item.fields.empty()) rows(item.offset, item.length);
    for (const ProbeImageReport::Field& field : item.fields) {
      if (field.offset >= image.size()) break;
      gapTo(field.offset, "not read");
      out += "#   " + field.name + "\n";
      rows(field.offset, field.length);
    }
    gapTo(itemEnd, "not read");
  }
  gapTo(std::min<std::size_t>(report.imageLength, image.size()),
        "not used by a version " + ProbeImageReport::versionText(report.version) + " image");
  gapTo(image.size(), "past the image length, ignored");
  return out;
}

std::string formatCArray(const std::string& bytes, const std::string& name,
                         const std::string& comment) {
  constexpr std::size_t kBytesPerCRow = 12;
  std::string out = "// " + escaped(comment) + "\nconst unsigned char " + name + "[" +
                    std::to_string(bytes.size()) + "] = {";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += (i % kBytesPerCRow == 0 ? "\n    0x" : " 0x") +
           hexByte(static_cast<unsigned char>(bytes[i])) + (i + 1 < bytes.size() ? "," : "");
  }
  return out + "\n};\n";
}

}  // namespace probetool
