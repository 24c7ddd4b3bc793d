#include "HexText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace probetool {

namespace {

constexpr std::size_t kBytesPerRow = 16;
constexpr std::size_t kBytesPerCRow = 12;

bool isHex(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return std::isxdigit(c) != 0;
  });
}

std::string offsetLabel(std::size_t offset) {
  char label[32];
  std::snprintf(label, sizeof label, "%04zX:", offset);
  return label;
}

std::string hexByte(unsigned char byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

}  // namespace

HexParse parseHexText(const std::string& text) {
  HexParse result;
  std::istringstream lines(text);
  std::string line;
  std::size_t lineNumber = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    const std::size_t comment = line.find_first_of("#|");
    if (comment != std::string::npos) line.erase(comment);
    std::istringstream tokens(line);
    std::string token;
    bool first = true;
    while (tokens >> token) {
      const bool label = first && token.size() >= 2 && token.back() == ':' &&
                         isHex(token.substr(0, token.size() - 1));
      first = false;
      if (label) continue;
      if (token.size() != 2 || !isHex(token)) {
        result.line = lineNumber;
        result.error = "\"" + token.substr(0, 16) + "\" is not a hex byte";
        result.bytes.clear();
        return result;
      }
      result.bytes.push_back(static_cast<unsigned char>(std::stoi(token, nullptr, 16)));
    }
  }
  if (result.bytes.empty()) {
    result.line = lineNumber;
    result.error = "no hex bytes";
    return result;
  }
  result.ok = true;
  return result;
}

std::string formatHexRow(std::size_t offset, const unsigned char* bytes, std::size_t count) {
  std::string row = offsetLabel(offset);
  std::string gutter;
  for (std::size_t i = 0; i < kBytesPerRow; ++i) {
    if (i < count) {
      row += ' ' + hexByte(bytes[i]);
      gutter += std::isprint(bytes[i]) ? static_cast<char>(bytes[i]) : '.';
    } else {
      row += "   ";
    }
  }
  return row + "  |" + gutter + "|";
}

std::string formatHexDump(const Bytes& bytes) {
  std::string dump;
  for (std::size_t offset = 0; offset < bytes.size(); offset += kBytesPerRow) {
    dump += offsetLabel(offset);
    for (std::size_t i = offset; i < bytes.size() && i < offset + kBytesPerRow; ++i) {
      dump += ' ' + hexByte(bytes[i]);
    }
    dump += '\n';
  }
  return dump;
}

std::string formatCArray(const Bytes& bytes, const std::string& name, const std::string& comment) {
  std::string out;
  if (!comment.empty()) out += "// " + comment + "\n";
  out += "const unsigned char " + name + "[" + std::to_string(bytes.size()) + "] = {";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += (i % kBytesPerCRow == 0) ? "\n   " : "";
    out += " 0x" + hexByte(bytes[i]) + (i + 1 < bytes.size() ? "," : "");
  }
  out += "\n};\n";
  return out;
}

}  // namespace probetool
