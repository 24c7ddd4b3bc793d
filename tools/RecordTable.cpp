#include "RecordTable.h"

#include <algorithm>
#include <cstdio>

namespace probetool {

void TextTable::addColumn(const std::string& heading, Align align) {
  headings_.push_back(heading);
  aligns_.push_back(align);
}

void TextTable::addRow(const std::vector<std::string>& cells) {
  std::vector<std::string> row(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                  cells.size(), headings_.size())));
  row.resize(headings_.size());
  rows_.push_back(row);
}

std::string TextTable::format(const std::string& indent) const {
  std::vector<std::size_t> widths;
  for (const std::string& heading : headings_) widths.push_back(heading.size());
  for (const auto& row : rows_) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::string out;
  auto line = [&](const std::vector<std::string>& cells) {
    std::string text = indent;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const std::string pad(widths[i] - cells[i].size(), ' ');
      if (i > 0) text += "  ";
      text += aligns_[i] == Right ? pad + cells[i] : cells[i] + pad;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out += text + "\n";
  };
  line(headings_);
  for (const auto& row : rows_) line(row);
  return out;
}

namespace {

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string result = text;
  // -0.000 says nothing that 0.000 does not.
  if (result.find_first_not_of("-0.") == std::string::npos && result[0] == '-') result.erase(0, 1);
  return result;
}

}  // namespace

std::string hex16(unsigned int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

std::string formatRecordTable(const RecordView& record) {
  std::string out;
  out += "probe id           " + (record.id.empty() ? std::string("(none)") : record.id) + "\n";
  out += "targets            " + std::to_string(record.targets.size()) + "\n";
  out += "default direction  (" + fixed(record.dirX, 3) + ", " + fixed(record.dirY, 3) + ", " +
         fixed(record.dirZ, 3) + ")\n";
  out += "mask thickness     " + std::to_string(record.maskThickness) + "\n";
  out += "stored checksum    " + hex16(record.checksum) + "\n";
  if (record.targets.empty()) return out;

  TextTable table;
  table.addColumn("#", TextTable::Right);
  table.addColumn("size", TextTable::Right);
  for (const char* heading : {"x", "y", "z", "normal x", "normal y", "normal z", "angle"}) {
    table.addColumn(heading, TextTable::Right);
  }
  for (std::size_t i = 0; i < record.targets.size(); ++i) {
    const TargetRow& t = record.targets[i];
    const std::string none = "-";
    table.addRow({std::to_string(i), fixed(t.size, 2), fixed(t.x, 3), fixed(t.y, 3), fixed(t.z, 3),
                  t.hasNormal ? fixed(t.nx, 2) : none, t.hasNormal ? fixed(t.ny, 2) : none,
                  t.hasNormal ? fixed(t.nz, 2) : none, t.hasAngle ? fixed(t.angle, 2) : none});
  }
  return out + "\n" + table.format("  ");
}

}  // namespace probetool
