#include "AnnotatedDump.h"

#include <algorithm>

#include "Text.h"

namespace probetool {

namespace {

std::string range(std::size_t offset, std::size_t length) {
  return "bytes " + std::to_string(offset) + "-" + std::to_string(offset + length - 1) + " (" +
         plural(length, "byte", "bytes") + ")";
}

class Dumper {
 public:
  explicit Dumper(const std::string& image) : image_(image) {}

  std::string run(const ProbeImageReport& report) {
    for (const ProbeImageReport::Item& item : report.items) {
      if (item.verdict == ProbeImageReport::Absent || item.offset >= image_.size()) continue;
      gapTo(item.offset, "not part of any item");
      itemEnd_ = std::min<std::size_t>(item.offset + item.length, image_.size());
      const char* const verdict = item.verdict == ProbeImageReport::Damaged ? ": DAMAGED, " : ": ";
      out_ += "# " + item.name + " block, " + range(item.offset, itemEnd_ - item.offset) + verdict +
              item.detail + "\n";
      if (item.fields.empty()) rows(item.offset, item.length);
      for (const ProbeImageReport::Field& field : item.fields) {
        if (field.offset >= image_.size()) break;
        gapTo(field.offset, "not read");
        out_ += "#   " + field.name + "\n";
        rows(field.offset, field.length);
      }
      gapTo(itemEnd_, "not read");
    }
    gapTo(std::min<std::size_t>(report.imageLength, image_.size()),
          "not used by a version " + ProbeImageReport::versionText(report.version) + " image");
    gapTo(image_.size(), "past the image length, ignored");
    return out_;
  }

 private:
  void gapTo(std::size_t end, const std::string& why) {
    if (end <= pos_) return;
    out_ +=
        std::string(itemEnd_ > pos_ ? "#   " : "# ") + range(pos_, end - pos_) + ", " + why + "\n";
    rows(pos_, end - pos_);
  }

  void rows(std::size_t offset, std::size_t length) {
    out_ += formatHexDump(image_, offset, length);
    pos_ = std::max(pos_, std::min<std::size_t>(offset + length, image_.size()));
  }

  const std::string& image_;
  std::string out_;
  std::size_t pos_ = 0;
  std::size_t itemEnd_ = 0;
};

}  // namespace

std::string formatAnnotatedDump(const std::string& image, const ProbeImageReport& report) {
  return Dumper(image).run(report);
}

}  // namespace probetool
