// A probe record as text: its fields, then its targets as an aligned table.
#ifndef PROBETOOL_RECORD_TABLE_H
#define PROBETOOL_RECORD_TABLE_H

#include <string>
#include <vector>

#include "RecordView.h"

namespace probetool {

// Columns of text, each as wide as its widest cell; headings on the first line.
class TextTable {
 public:
  enum Align { Left, Right };

  void addColumn(const std::string& heading, Align align);
  // Missing cells are blank; extra cells are dropped.
  void addRow(const std::vector<std::string>& cells);
  // One line per row, each led by indent, with two blanks between columns and no trailing blank.
  std::string format(const std::string& indent) const;

 private:
  std::vector<std::string> headings_;
  std::vector<Align> aligns_;
  std::vector<std::vector<std::string>> rows_;
};

// "0x03E8".
std::string hex16(unsigned int value);

// Positions and the default direction to 0.001, sizes, normals and angles to 0.01: the
// precision of the device image. "-" where a target has no normal or angle.
std::string formatRecordTable(const RecordView& record);

}  // namespace probetool

#endif
