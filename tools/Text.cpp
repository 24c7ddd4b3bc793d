#include "Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <sstream>

namespace probetool {

std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    char code[8];
    std::snprintf(code, sizeof code, byte >= 0x20 && byte < 0x7F ? "%c" : "\\x%02X", byte);
    out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : c == '\\' ? "\\\\" : code;
  }
  return out;
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

bool isHex(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](unsigned char c) { return std::isxdigit(c) != 0; });
}

std::string hexByte(unsigned char byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

std::string offsetLabel(std::size_t offset) {
  char label[32];
  std::snprintf(label, sizeof label, "%04zX:", offset);
  return label;
}

}  // namespace

HexParse parseHexText(const std::string& text) {
  HexParse result;
  const auto refuse = [&result](const std::string& why) {
    result.error = why;
    result.bytes.clear();
    return result;
  };
  // A C array: the bytes between its braces.
  const std::size_t open = text.find('{');
  std::istringstream lines(
      open == std::string::npos ? text : text.substr(open + 1, text.find('}', open) - open - 1));
  std::string line;
  Bytes previous;                              // the bytes of the line before, which "*" repeats
  std::size_t repeatFrom = std::string::npos;  // where a "*" line stands
  bool labelled = false;
  while (std::getline(lines, line)) {
    ++result.line;
    line.erase(std::min(line.find_first_of("#|"), line.size()));  // comments, ASCII gutters
    std::replace(line.begin(), line.end(), ',', ' ');
    std::istringstream tokens(line);
    std::vector<std::string> words{std::istream_iterator<std::string>(tokens), {}};
    if (words.empty()) continue;
    if (words.size() == 1 && words[0] == "*") {
      repeatFrom = result.bytes.size();
      continue;
    }
    // An offset: "01A0:" (this tool, xxd), or hexdump's "000001a0" before the bytes, or alone
    // at the end. After xxd's colon, two blanks start its ASCII column.
    std::string label = words[0];
    const bool colon = label.size() > 1 && label.back() == ':';
    if (colon) label.pop_back();
    const bool offset = isHex(label) && label.size() <= 16 &&
                        (colon || (label.size() >= 4 && (words.size() > 1 || labelled)));
    if (offset) {
      labelled = true;
      words.erase(words.begin());
      if (colon) {
        const std::size_t data = std::min(line.find(':') + 1, line.size());
        std::istringstream row(line.substr(data, line.find("  ", data + 1) - data));
        words.assign(std::istream_iterator<std::string>(row), {});
      }
      const std::size_t at = std::stoull(label, nullptr, 16);
      while (repeatFrom != std::string::npos && !previous.empty() && result.bytes.size() < at) {
        result.bytes.push_back(previous[(result.bytes.size() - repeatFrom) % previous.size()]);
      }
      repeatFrom = std::string::npos;
      if (at != result.bytes.size()) {
        return refuse("offset " + label + " does not follow the " +
                      plural(result.bytes.size(), "byte", "bytes") + " before it");
      }
    }
    if (repeatFrom != std::string::npos) break;
    previous.clear();
    for (std::string word : words) {
      if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) word.erase(0, 2);
      if (!isHex(word) || word.size() % 2 != 0) {
        return refuse("\"" + escaped(word.substr(0, 16)) + "\" is not hex bytes");
      }
      for (std::size_t i = 0; i < word.size(); i += 2) {
        previous.push_back(static_cast<unsigned char>(std::stoi(word.substr(i, 2), nullptr, 16)));
      }
    }
    result.bytes.insert(result.bytes.end(), previous.begin(), previous.end());
  }
  if (repeatFrom != std::string::npos) {
    return refuse("\"*\" stands for repeated lines, but no offset follows it (dump with -v)");
  }
  if (result.bytes.empty()) return refuse("no hex bytes");
  result.ok = true;
  return result;
}

std::string formatHexRow(std::size_t offset, const unsigned char* bytes, std::size_t count) {
  std::string row = offsetLabel(offset);
  std::string gutter;
  for (std::size_t i = 0; i < kBytesPerRow; ++i) {
    row += i < count ? " " + hexByte(bytes[i]) : "   ";
    if (i < count)
      gutter += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
  }
  return row + "  |" + gutter + "|";
}

std::string formatHexDump(const Bytes& bytes) {
  std::string dump;
  for (std::size_t offset = 0; offset < bytes.size(); offset += kBytesPerRow) {
    dump +=
        formatHexRow(offset, bytes.data() + offset, std::min(kBytesPerRow, bytes.size() - offset)) +
        "\n";
  }
  return dump;
}

std::string formatCArray(const Bytes& bytes, const std::string& name, const std::string& comment) {
  constexpr std::size_t kBytesPerCRow = 12;
  std::string out = "// " + escaped(comment) + "\nconst unsigned char " + name + "[" +
                    std::to_string(bytes.size()) + "] = {";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += (i % kBytesPerCRow == 0 ? "\n    0x" : " 0x") + hexByte(bytes[i]) +
           (i + 1 < bytes.size() ? "," : "");
  }
  return out + "\n};\n";
}

}  // namespace probetool
