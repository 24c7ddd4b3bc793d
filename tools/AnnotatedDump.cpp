#include "AnnotatedDump.h"

#include <algorithm>

namespace probetool {

namespace {

constexpr std::size_t kBytesPerRow = 16;

std::string range(std::size_t offset, std::size_t length) {
  return "bytes " + std::to_string(offset) + "-" + std::to_string(offset + length - 1) + " (" +
         std::to_string(length) + (length == 1 ? " byte)" : " bytes)");
}

class Dumper {
 public:
  Dumper(const Bytes& image, const ImageInspection& inspection)
      : image_(image), inspection_(inspection) {}

  std::string run() {
    const std::vector<Segment>& segments = inspection_.segments;
    for (std::size_t i = 0; i < segments.size(); ++i) {
      const Segment& segment = segments[i];
      const bool hasFields = i + 1 < segments.size() && segments[i + 1].level > segment.level;
      if (segment.level == 0) {
        gapTo(segment.offset, "not part of any item");
        out_ += "# " + segment.title + ", " + range(segment.offset, segment.length) +
                verdict(segment.block) + "\n";
        itemEnd_ = segment.offset + segment.length;
        if (!hasFields) rows(segment.offset, segment.length);
      } else {
        gapTo(segment.offset, "not read");
        out_ += "#   " + segment.title + "\n";
        rows(segment.offset, segment.length);
      }
      // Bytes at the end of an item that none of its fields claims.
      const bool itemEnds = i + 1 == segments.size() || segments[i + 1].level == 0;
      if (itemEnds) gapTo(std::min(itemEnd_, image_.size()), "not read");
    }
    gapTo(std::min(inspection_.needed, image_.size()),
          "not used by a version " + versionText(inspection_.version) + " image");
    gapTo(image_.size(), "past the image length, ignored");
    return out_;
  }

 private:
  std::string verdict(const std::string& block) const {
    const BlockCheck* check = inspection_.find(block);
    if (check == nullptr) return "";
    switch (check->verdict) {
      case Verdict::Damaged:
        return ": DAMAGED, " + check->detail;
      case Verdict::Absent:
        return "";
      case Verdict::Intact:
        break;
    }
    return ": " + check->detail;
  }

  void gapTo(std::size_t end, const std::string& why) {
    if (end <= pos_) return;
    out_ +=
        std::string(itemEnd_ > pos_ ? "#   " : "# ") + range(pos_, end - pos_) + ", " + why + "\n";
    rows(pos_, end - pos_);
  }

  void rows(std::size_t offset, std::size_t length) {
    const std::size_t end = std::min(offset + length, image_.size());
    for (std::size_t row = offset; row < end; row += kBytesPerRow) {
      out_ += formatHexRow(row, image_.data() + row, std::min(kBytesPerRow, end - row)) + "\n";
    }
    pos_ = std::max(pos_, end);
  }

  const Bytes& image_;
  const ImageInspection& inspection_;
  std::string out_;
  std::size_t pos_ = 0;
  std::size_t itemEnd_ = 0;
};

}  // namespace

std::string formatAnnotatedDump(const Bytes& image, const ImageInspection& inspection) {
  return Dumper(image, inspection).run();
}

}  // namespace probetool
