#include "Commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "FileIo.h"
#include "InputFormat.h"
#include "JsonRecord.h"
#include "LibraryCalls.h"

namespace probetool {

NLOHMANN_JSON_SERIALIZE_ENUM(Format, {{Format::Image, "image"},
                                      {Format::Xml, "xml"},
                                      {Format::Json, "json"},
                                      {Format::Unknown, "unknown"}})

namespace {

using Report = ProbeImageReport;

int fail(int code, const std::string& message) {
  std::cerr << "probetool: " << message << "\n";
  return code;
}

std::string joined(const std::vector<std::string>& parts, const char* separator,
                   const char* none = "") {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text.empty() ? none : text;
}

// A probe file, read, recognised, inspected and decoded.
struct Loaded {
  std::string name;  // as given, escaped
  DetectedInput input;
  Decoded decoded;
  std::vector<std::string> faults;  // each damaged block, or why the library refused the file

  bool isImage() const { return input.format == Format::Image; }
  bool damaged() const { return !faults.empty(); }
  std::string fault() const { return joined(faults, "; "); }
  std::string format() const {
    return input.how + ", " + plural(input.bytes.size(), "byte", "bytes");
  }
};

// The preamble of every command that reads a probe file: kExitOk when the file was read and
// recognised (it may still be damaged); otherwise the message is out and the code returned.
int load(const std::string& path, Loaded& loaded) {
  loaded.name = path == "-" ? "standard input" : escaped(path);
  Bytes raw;
  const IoResult read = readInput(path, raw);
  if (!read.ok) return fail(kExitUsage, read.error);
  loaded.input = detectInput(raw);
  const Bytes& bytes = loaded.input.bytes;
  switch (loaded.input.format) {
    case Format::Unknown:
      return fail(kExitDamaged,
                  loaded.name + ": not a probe image or XML document: " + loaded.input.how);
    case Format::Json: {
      const JsonRecord json = readJsonRecord(std::string(bytes.begin(), bytes.end()));
      if (!json.ok) return fail(kExitDamaged, loaded.name + ": " + json.error);
      loaded.decoded = decodedRecord(makeRecord(json.record));
      break;
    }
    case Format::Xml:
      loaded.decoded = decodeXml(bytes);
      break;
    case Format::Image:
      loaded.decoded = decodeImage(bytes);
      if (!loaded.input.report.intact()) loaded.faults.push_back(loaded.input.report.damage());
      break;
  }
  if (!loaded.decoded.ok && loaded.faults.empty()) {
    loaded.faults.push_back("the library does not decode it (--log ERROR tells why)");
  }
  return kExitOk;
}

int damaged(const Loaded& loaded) {
  return fail(kExitDamaged, loaded.name + ": damaged: " + loaded.fault());
}

// The document of show, check and checksum with --json: one shape for all three.
int printDocument(const Loaded& loaded) {
  Json image;
  if (loaded.isImage()) {
    const Report& report = loaded.input.report;
    Json blocks = Json::array();
    for (const Report::Item& item : report.items) {
      blocks.push_back(
          {{"name", item.name},
           {"offset", item.offset},
           {"length", item.length},
           {"verdict", ProbeImageReport::verdictName(item.verdict)},
           {"fault", ProbeImageReport::faultName(item.fault)},
           {"storedChecksum", item.hasChecksum ? Json(item.storedChecksum) : Json()},
           {"computedChecksum", item.hasChecksum ? Json(item.computedChecksum) : Json()},
           {"detail", item.detail}});
    }
    image = {{"version", report.imageLength != 0 ? Json(versionText(report)) : Json()},
             {"magic", report.hasMagic},
             {"length", report.imageLength},
             {"dataChecksum", report.hasDataChecksum ? Json(report.dataChecksum) : Json()},
             {"blocks", blocks}};
  }
  const Decoded& decoded = loaded.decoded;
  Json checksums, record;
  if (decoded.ok) {
    checksums = {{"record", decoded.record.computeChecksum()},
                 {"data", decoded.hasDataChecksum ? Json(decoded.dataChecksum) : Json()}};
    record = recordJson(viewRecord(decoded.record));
  }
  const Json document = {
      {"probetool", 1},
      {"file", loaded.name},
      {"input", {{"format", loaded.input.format}, {"bytes", loaded.input.bytes.size()}}},
      {"image", image},
      {"decoded", decoded.ok},
      {"intact", !loaded.damaged()},
      {"damage", loaded.faults},
      {"checksums", checksums},
      {"record", record}};
  std::cout << document.dump(2, ' ', true) << "\n";
  return loaded.damaged() ? damaged(loaded) : kExitOk;
}

// The two checksums of a record, and for an image the CRC of its own data blocks, each said of
// what it is; and a line each in the table given.
void checksumRows(const Loaded& loaded, TextTable& table) {
  const Decoded& decoded = loaded.decoded;
  if (decoded.ok) {
    table.addRow({"record checksum", hex16(decoded.record.computeChecksum()),
                  "CRC-16 of the record's XML text"});
    table.addRow({"data checksum", decoded.hasDataChecksum ? hex16(decoded.dataChecksum) : "-",
                  "CRC-16 of the rigid body to mask thickness blocks of the image the record "
                  "codes to"});
  }
  const Report& report = loaded.input.report;
  if (loaded.isImage() && report.hasDataChecksum) {
    table.addRow({"image's own", hex16(report.dataChecksum),
                  "CRC-16 of the rigid body to mask thickness blocks of this image as they stand"});
  }
}

}  // namespace

int show(const Options& options) {
  Loaded loaded;
  if (const int code = load(options.in, loaded)) return code;
  if (options.json) return printDocument(loaded);
  TextTable head({"", ""});
  head.addRow({"file", loaded.name});
  head.addRow({"format", loaded.format()});
  const Report& report = loaded.input.report;
  if (loaded.isImage() && report.imageLength != 0) {
    head.addRow({"image version", versionText(report) + (report.hasMagic ? "" : " (no magic)")});
  }
  if (loaded.damaged()) head.addRow({"damage", loaded.fault()});
  checksumRows(loaded, head);  // without what they are: that is the checksum command's
  std::cout << head.format("");
  if (loaded.decoded.ok) std::cout << "\n" << formatRecordTable(viewRecord(loaded.decoded.record));
  if (options.hex && loaded.isImage()) {
    std::cout << "\n" << formatAnnotatedDump(loaded.input.bytes, report);
  }
  return loaded.damaged() ? damaged(loaded) : kExitOk;
}

int check(const Options& options) {
  Loaded loaded;
  if (const int code = load(options.in, loaded)) return code;
  if (options.json) return printDocument(loaded);
  std::cout << loaded.name << ": " << loaded.format() << "\n";
  TextTable table({"block", "verdict", "detail"});
  for (const Report::Item& item : loaded.input.report.items) {
    if (loaded.isImage()) table.addRow({item.name, ProbeImageReport::verdictName(item.verdict), item.detail});
  }
  const Decoded& decoded = loaded.decoded;
  table.addRow({loaded.isImage() ? "library decode" : "document", decoded.ok ? "ok" : "FAILED",
                decoded.ok
                    ? plural(decoded.record.getRigidBody().getNbTargets(), "target", "targets") +
                          ", stored checksum " + hex16(decoded.record.getChecksum())
                    : "the library does not decode it"});
  std::cout << table.format("  ");
  if (loaded.damaged()) {
    std::cout << loaded.name << ": damaged: " << loaded.fault() << "\n";
    return kExitDamaged;
  }
  std::cout << loaded.name << ": intact\n";
  return kExitOk;
}

int checksum(const Options& options) {
  Loaded loaded;
  if (const int code = load(options.in, loaded)) return code;
  if (options.json) return printDocument(loaded);
  TextTable table({"", "", ""});
  checksumRows(loaded, table);
  std::cout << table.format("");
  return loaded.damaged() ? damaged(loaded) : kExitOk;
}

int plot(const Options& options) {
  Loaded loaded;
  if (const int code = load(options.in, loaded)) return code;
  if (loaded.damaged()) return damaged(loaded);
  const IoResult written = writeOutput(options.out, plotSvg(viewRecord(loaded.decoded.record)));
  return written.ok ? kExitOk : fail(kExitUsage, written.error);
}

int convert(const Options& options) {
  // What to write, decided before anything is read: by default, by OUT's extension.
  std::string to = options.to, format = options.format;
  std::string extension = std::filesystem::path(options.out).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  static const std::map<std::string, std::pair<const char*, const char*>> kExtensions = {
      {".xml", {"xml", ""}},      {".bin", {"image", ""}},     {".img", {"image", ""}},
      {".hex", {"image", "hex"}}, {".c", {"image", "carray"}}, {".h", {"image", "carray"}}};
  const auto known = kExtensions.find(extension);
  if (to.empty() && !options.salvage && known != kExtensions.end()) {
    to = known->second.first;
    if (format.empty()) format = known->second.second;
  }
  if (options.salvage && !(options.to.empty() && options.format.empty())) {
    return fail(kExitUsage, "--salvage writes JSON: --to and --format do not apply");
  }
  if (to.empty() && !format.empty()) to = "image";
  if (to == "xml" && !format.empty()) return fail(kExitUsage, "--format applies to images only");
  if (to.empty() && options.out != "-" && !options.salvage) {
    return fail(kExitUsage, "cannot tell what to write to " + escaped(options.out) +
                                ": name it .xml, .bin or .img, or give --to xml|image");
  }
  if (format.empty()) format = options.out == "-" ? "hex" : "raw";

  Loaded loaded;
  if (const int code = load(options.in, loaded)) return code;
  if (options.salvage) {
    if (!loaded.isImage()) return fail(kExitUsage, loaded.name + ": --salvage reads images only");
    const Report& report = loaded.input.report;
    Json lost = Json::array();
    for (const auto item : {ProbeDataV1Coder::RigidBodyItem, ProbeDataV1Coder::DefaultDirItem,
                            ProbeDataV1Coder::MaskThicknessItem, ProbeDataV1Coder::DataCheckItem}) {
      const Report::Item* entry = report.find(item);
      if (entry == nullptr || entry->verdict == Report::Damaged ||
          entry->verdict == Report::Missing) {
        lost.push_back({{"block", entry == nullptr ? "" : entry->name},
                        {"why", entry == nullptr ? loaded.fault() : entry->detail}});
      }
    }
    if (lost.size() == 4)
      return fail(kExitDamaged, loaded.name + ": nothing to salvage: " + loaded.fault());
    const Json document = {{"probetool", 1},
                           {"salvagedFrom", loaded.name},
                           {"lost", lost},
                           {"record", recordJson(viewRecord(report.record))}};
    const IoResult written = writeOutput(options.out, document.dump(2, ' ', true) + "\n");
    return written.ok ? kExitOk : fail(kExitUsage, written.error);
  }
  if (loaded.damaged()) {
    return fail(kExitDamaged, loaded.name + ": damaged, not converted: " + loaded.fault() +
                                  (loaded.isImage() ? " (--salvage keeps what is intact)" : ""));
  }
  if (to.empty()) to = loaded.isImage() ? "xml" : "image";
  const ProbeData& record = loaded.decoded.record;
  // An image must hold every value as it is; the library says which it cannot.
  std::vector<std::string> problems;
  if (to == "image") {
    for (const ImageFitProblem& problem : checkImageFit(record)) {
      problems.push_back(problem.path + ": " + problem.detail);
    }
  }
  const Encoded encoded = to == "xml" ? encodeXml(record) : encodeImage(record);
  if (!encoded.ok && problems.empty()) problems.push_back("the library refuses it (--log ERROR)");
  if (!problems.empty()) {
    return fail(kExitDamaged,
                std::string(to == "xml" ? "the XML text" : "a version 2.1 image") +
                    " cannot hold the record, not written: " + joined(problems, "; "));
  }
  const Bytes coded(encoded.bytes.begin(), encoded.bytes.end());
  std::string bytes = encoded.bytes;
  if (to == "image" && format == "hex") bytes = formatHexDump(coded);
  if (to == "image" && format == "carray") {
    bytes = formatCArray(coded, "probe_image",
                         "probe " + record.getRigidBody().getId() + ": version-1 image, " +
                             plural(coded.size(), "byte", "bytes"));
  }
  const IoResult written = writeOutput(options.out, bytes);
  return written.ok ? kExitOk : fail(kExitUsage, written.error);
}

int demo(const Options&) {
  const auto heading = [](const std::string& title) { std::cout << "\n== " << title << " ==\n"; };
  RecordView view;
  view.id = "DEMO-PROBE-01";
  view.targets = {
      {3.00, 0.0, 0.0, 0.0, true, 0.0, 0.0, 1.0, false, 0},
      {2.50, 40.0, 0.0, 5.0, true, 0.6, 0.0, 0.8, true, 30.0},
      {2.50, 0.0, 30.0, 5.0, true, 0.0, 0.6, 0.8, true, 45.0},
      {2.00, -25.0, -20.0, 12.5, false, 0, 0, 0, false, 0},
      {1.50, 20.0, -35.0, 2.25, false, 0, 0, 0, true, 15.0},
  };
  view.dirZ = 1.0;
  view.maskThickness = 2;
  const ProbeData record = makeRecord(view);
  const RoundTrip v1 = roundTripV1(record);
  const RoundTrip simu = roundTripSimu(record);
  const Report report = inspectImage(v1.memory);

  std::cout << "probetool demo: the sample probe through the version-1 coder and the simulation\n"
               "coder, each into a simulated device memory and back with a new coder\n";
  heading("record");
  std::cout << formatRecordTable(view);
  heading("version-1 image in device memory (" + plural(v1.memory.size(), "byte", "bytes") + ")");
  std::cout << formatAnnotatedDump(Bytes(v1.memory.begin(), v1.memory.end()), report);
  heading("XML text in the simulation coder's device memory (" +
          plural(simu.memory.size(), "byte", "bytes") + ")");
  std::cout << simu.memory << (simu.memory.empty() || simu.memory.back() == '\n' ? "" : "\n");
  heading("checksums");
  const unsigned int recordChecksum = record.computeChecksum();
  TextTable checksums({"", "", ""});
  checksums.addRow({"record checksum", hex16(recordChecksum), "CRC-16 of the XML text"});
  checksums.addRow({"data checksum", hex16(v1.dataChecksum),
                    "CRC-16 of the image's rigid body to mask thickness blocks"});
  std::cout << checksums.format("");

  // The library's own account of the bytes: the simulation coder's checksum is the record's,
  // and the version-1 coder's is the image report's CRC of the blocks in memory.
  std::vector<std::string> problems;
  if (simu.dataChecksum != recordChecksum) {
    problems.push_back("the simulation coder's data checksum is not the record checksum");
  }
  if (!report.hasDataChecksum || report.dataChecksum != v1.dataChecksum) {
    problems.push_back("the data checksum is not the CRC-16 of the blocks in device memory");
  }
  heading("round trips");
  TextTable table({"", "", ""});
  for (const RoundTrip* trip : {&v1, &simu}) {
    table.addRow(
        {trip->coder, trip->problems.empty() ? "ok" : "FAILED", joined(trip->steps, ", ")});
    for (const std::string& problem : trip->problems) table.addRow({"", "", problem});
  }
  table.addRow({"checksums", problems.empty() ? "ok" : "FAILED",
                problems.empty() ? "each matches the bytes it covers" : joined(problems, "; ")});
  std::cout << table.format("  ");
  if (!problems.empty() || !v1.problems.empty() || !simu.problems.empty()) {
    return fail(kExitDamaged, "demo: a round trip did not give back the record");
  }
  std::cout << "\nevery round trip gave back the record\n";
  return kExitOk;
}

}  // namespace probetool
