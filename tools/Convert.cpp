#include <cctype>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "Commands.h"

namespace probetool {

namespace {

// What convert writes, in options.to ("xml" or "image") and options.format ("raw", "hex" or
// "carray"): as given, else by OUT's extension; otherwise the message is out and the code
// returned.
int chooseOutput(Options& options) {
  static const std::map<std::string, std::pair<const char*, const char*>> kExtensions = {
      {".bin", {"image", ""}},    {".c", {"image", "carray"}}, {".h", {"image", "carray"}},
      {".hex", {"image", "hex"}}, {".img", {"image", ""}},     {".xml", {"xml", ""}}};
  std::string extension = std::filesystem::path(options.out).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (options.salvage && (!options.to.empty() || !options.format.empty() ||
                          (options.out != "-" && extension != ".json"))) {
    return fail(kExitUsage, "--salvage writes JSON to OUT.json or -, without --to or --format");
  }
  const auto known = kExtensions.find(extension);
  if (options.to.empty() && known != kExtensions.end()) {
    options.to = known->second.first;
    if (options.format.empty()) options.format = known->second.second;
  }
  if (options.to.empty() && !options.format.empty()) options.to = "image";
  if (options.to == "xml" && !options.format.empty())
    return fail(kExitUsage, "--format applies to images only");
  if (options.to.empty() && options.out != "-" && !options.salvage) {
    std::string names;
    for (const auto& entry : kExtensions) names += (names.empty() ? "" : ", ") + entry.first;
    return fail(kExitUsage, "cannot tell what to write to " + shown(options.out) + ": name it " +
                                names.replace(names.rfind(", "), 2, " or ") +
                                " (.json with --salvage), or give --to xml|image");
  }
  if (options.format.empty()) options.format = options.out == "-" ? "hex" : "raw";
  return kExitOk;
}

// What a damaged image still holds, as a JSON record, with every block the record does not
// carry listed in "lost"; the version block only when it is damaged, as the record is written
// in the version the coder writes.
int salvage(const ProbeFile& file, const std::string& out) {
  if (!file.isImage()) return fail(kExitUsage, file.name() + ": --salvage reads images only");
  Json lost = Json::array();
  bool carried = false;
  for (const Report::Item& item : file.report.items) {
    carried = carried || item.inRecord;
    const bool version = item.item == ProbeDataV1Coder::VersionItem;
    const bool kept = item.inRecord || (version && item.verdict == Report::Intact);
    if (!kept && item.verdict != Report::Absent)
      lost.push_back({{"block", item.name}, {"why", item.detail}});
  }
  if (!carried) return fail(kExitDamaged, file.name() + ": nothing to salvage: " + file.fault);
  const Json document = {{"probetool", 1},
                         {"salvagedFrom", nameJson(file.path)},
                         {"lost", lost},
                         {"record", recordJson(file.view)}};
  const std::string text = document.dump(2, ' ', true) + "\n";
  const std::string back = readBack(text, file.view, false, true);
  if (!back.empty()) return fail(kExitDamaged, "JSON cannot hold the record, not written: " + back);
  return written(out, text);
}

// The record in the form asked for, written only when it reads back as the record; otherwise
// the values the form cannot carry are named.
int writeRecord(const ProbeFile& file, const Options& output) {
  const bool image = output.to == "image";
  std::string problems;
  for (const auto& fit : image ? checkImageFit(file.record) : std::vector<ImageFitProblem>())
    problems += (problems.empty() ? "" : "; ") + fit.path + ": " + fit.detail;
  const std::string encoded = image ? encodeImage(file.record) : encodeXml(file.record);
  const std::string comment =
      "probe " + file.view.id + ": version-1 image, " + plural(encoded.size(), "byte", "bytes");
  const std::string bytes = !image || output.format == "raw" ? encoded
                            : output.format == "hex"
                                ? formatHexDump(encoded)
                                : formatCArray(encoded, "probe_image", comment);
  if (problems.empty() && encoded.empty()) problems = "the library refuses it (--log ERROR)";
  if (problems.empty()) problems = readBack(bytes, file.view, image);
  if (!problems.empty() && !image && !file.view.id.empty()) {
    // The id is the record's one free text: when the text reads back without it, it is the id.
    RecordView withoutId = file.view;
    withoutId.id.clear();
    if (readBack(encodeXml(makeRecord(withoutId)), withoutId, false).empty())
      problems = "id: \"" + shown(file.view.id) + "\" does not read back";
  }
  if (problems.empty()) return written(output.out, bytes);
  return fail(kExitDamaged, std::string(image ? "an image" : "the XML text") +
                                " cannot hold the record, not written: " + problems);
}

}  // namespace

int convert(const Options& given) {
  Options options = given;  // what to write, decided before anything is read
  if (const int code = chooseOutput(options)) return code;
  ProbeFile file;
  if (const int code = load(options.in, file)) return code;
  if (options.salvage) return salvage(file, options.out);
  if (file.damaged()) {
    return fail(kExitDamaged, file.name() + ": damaged, not converted: " + file.fault +
                                  (file.isImage() ? " (--salvage keeps what is intact)" : ""));
  }
  if (options.to.empty()) options.to = file.isImage() ? "xml" : "image";
  return writeRecord(file, options);
}

}  // namespace probetool
