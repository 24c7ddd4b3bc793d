#include "Commands.h"

#include <log4cplus/loggingmacros.h>

#include <boost/make_shared.hpp>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "AnnotatedDump.h"
#include "FileIo.h"
#include "InputFormat.h"
#include "JsonRecord.h"
#include "PDSimuCoder.h"
#include "ProbeDataV1Coder.h"
#include "ProbeLogger.h"
#include "SimDeviceMemory.h"
#include "SvgPlot.h"
#include "Text.h"
#include "Utils.h"

namespace probetool {

namespace {

using Report = ProbeImageReport;
using probesim::SimDeviceMemory;
const char* const kFormatNames[] = {"image", "xml", "json", "unknown"};  // by Format

ProbeDataV1Coder newCoder() { return ProbeDataV1Coder(boost::shared_ptr<DataHandler>()); }

// loadFromString into record; reason says why not ("line 4, column 21: ..."), and so does the
// log, in place of the library's line that carries the whole text (see main).
bool decodeXml(const std::string& text, ProbeData& record, std::string& reason) {
  if (loadFromString(text, record, reason)) return true;
  LOG4CPLUS_ERROR(g_probeLogger, "could not decode stream: " << reason);
  return false;
}

// The data checksum a version-1 coder computes of the record; false when the coder cannot
// write the record (the library has logged why).
bool dataChecksum(const ProbeData& record, unsigned int& checksum) {
  try {
    checksum = newCoder().computeDataCheksum(record);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// What the library writes of a record: an image, an XML text; "" when it refuses it.
std::string encodeImage(const ProbeData& record) {
  std::string image;
  return newCoder().convertToString(record, image) ? image : "";
}
std::string encodeXml(const ProbeData& record) {
  std::string text;
  return saveToString(text, record) ? text : "";
}

int fail(int code, const std::string& message) {
  std::cerr << "probetool: " << message << "\n";
  return code;
}

int written(const std::string& out, const std::string& bytes) {
  const std::string error = writeOutput(out, bytes);
  return error.empty() ? kExitOk : fail(kExitUsage, error);
}

// A probe file, recognised, inspected and decoded once.
struct Loaded {
  // The path as given ("-" for standard input); what is damaged, or why the file does not
  // decode (empty when it is intact).
  std::string path, fault;
  DetectedInput input;
  ProbeData record;  // the file's record; for a damaged image, what its intact blocks hold
  RecordView view;   // of the record, as tables, pictures and JSON show it

  std::string name() const { return path == "-" ? "standard input" : shown(path); }
  Json jsonName() const { return path == "-" ? Json("standard input") : nameJson(path); }
  bool isImage() const { return input.format == Format::Image; }
  bool damaged() const { return !fault.empty(); }
  std::string format() const {
    return input.how + ", " + plural(input.bytes.size(), "byte", "bytes");
  }
};

// The record of the bytes of a probe file: false when they are none (or a JSON text that holds
// no record), and fault says why; otherwise fault says what is damaged, if anything.
// lostAllowed: a salvage document is read whole.
bool decode(const std::string& raw, Loaded& loaded, bool lostAllowed = false) {
  loaded.input = detectInput(raw);
  const DetectedInput& input = loaded.input;
  if (input.format == Format::Unknown) {
    loaded.fault = "not a probe image or XML document: " + input.how;
    return false;
  }
  if (input.format == Format::Json) {
    const JsonRecord json = readJsonRecord(input.bytes, lostAllowed);
    loaded.fault = json.error;
    loaded.view = json.record;
    loaded.record = makeRecord(json.record);
    return json.ok;
  }
  std::string reason;
  if (input.format == Format::Image) {
    loaded.record = input.report.record;
    loaded.fault = input.report.damage();
  } else if (!decodeXml(input.bytes, loaded.record, reason)) {
    loaded.fault = "the library does not decode it: " + escaped(reason);
  }
  loaded.view = viewRecord(loaded.record);
  return true;
}

// The preamble of every command that reads a probe file: kExitOk when the file was read and
// recognised (it may still be damaged); otherwise the message is out and the code returned.
int load(const std::string& path, Loaded& loaded) {
  loaded.path = path;
  std::string raw;
  if (const std::string error = readInput(path, raw); !error.empty()) {
    return fail(kExitUsage, error);
  }
  return decode(raw, loaded) ? kExitOk : fail(kExitDamaged, loaded.name() + ": " + loaded.fault);
}

int damaged(const Loaded& loaded) {
  return fail(kExitDamaged, loaded.name() + ": damaged: " + loaded.fault);
}

// The first value of view that an output does not give back when it is read as an input is;
// empty when it gives back every one. An image holds real values to a resolution of its own,
// which checkImageFit judges.
std::string readBack(const std::string& output, const RecordView& view, bool image,
                     bool lostAllowed = false) {
  Loaded back;
  if (!decode(output, back, lostAllowed) || back.damaged()) {
    return "it does not read back: " + back.fault;
  }
  const std::string path = firstDifference(view, back.view, !image);
  return path.empty() ? "" : path + ": it does not read back as it is";
}

Json imageJson(const Report& report) {
  Json blocks = Json::array();
  for (const Report::Item& item : report.items) {
    blocks.push_back({{"name", item.name},
                      {"offset", item.offset},
                      {"length", item.length},
                      {"verdict", Report::verdictName(item.verdict)},
                      {"fault", Report::faultName(item.fault)},
                      {"storedChecksum", item.hasChecksum ? Json(item.storedChecksum) : Json()},
                      {"computedChecksum", item.hasChecksum ? Json(item.computedChecksum) : Json()},
                      {"detail", item.detail},
                      {"unchecked", item.unchecked.empty() ? Json() : Json(item.unchecked)}});
  }
  return {{"version", report.hasVersion() ? Json(Report::versionText(report.version)) : Json()},
          {"magic", report.hasMagic},
          {"length", report.imageLength},
          {"dataChecksum", report.hasDataChecksum ? Json(report.dataChecksum) : Json()},
          {"blocks", blocks}};
}

// The document of show, check and checksum with --json: one shape for all three.
int printDocument(const Loaded& loaded) {
  Json checksums, record;
  unsigned int data = 0;
  if (!loaded.damaged()) {
    checksums = {{"record", loaded.record.computeChecksum()},
                 {"data", dataChecksum(loaded.record, data) ? Json(data) : Json()}};
    record = recordJson(loaded.view);
  }
  const Json document = {{"probetool", 2},
                         {"file", loaded.jsonName()},
                         {"input",
                          {{"format", kFormatNames[static_cast<int>(loaded.input.format)]},
                           {"bytes", loaded.input.bytes.size()}}},
                         {"image", loaded.isImage() ? imageJson(loaded.input.report) : Json()},
                         {"intact", !loaded.damaged()},
                         {"damage", loaded.damaged() ? Json::array({loaded.fault}) : Json::array()},
                         {"checksums", checksums},
                         {"record", record}};
  std::cout << document.dump(2, ' ', true) << "\n";
  return loaded.damaged() ? damaged(loaded) : kExitOk;
}

// The two checksums of a record, and for an image the CRC of its own data blocks, each said of
// what it is; and a line each in the table given.
void checksumRows(const Loaded& loaded, TextTable& table) {
  unsigned int data = 0;
  if (!loaded.damaged()) {
    table.addRow({"record checksum", hex16(loaded.record.computeChecksum()),
                  "CRC-16 of the record's XML text"});
    table.addRow({"data checksum", dataChecksum(loaded.record, data) ? hex16(data) : "-",
                  "CRC-16 of the rigid body to mask thickness blocks of the image the record "
                  "codes to"});
  }
  const Report& report = loaded.input.report;
  if (loaded.isImage() && report.hasDataChecksum) {
    table.addRow({"image's own", hex16(report.dataChecksum),
                  "CRC-16 of the rigid body to mask thickness blocks of this image as they stand"});
  }
}

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
  if (options.to == "xml" && !options.format.empty()) {
    return fail(kExitUsage, "--format applies to images only");
  }
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
int salvage(const Loaded& loaded, const std::string& out) {
  if (!loaded.isImage()) return fail(kExitUsage, loaded.name() + ": --salvage reads images only");
  Json lost = Json::array();
  bool carried = false;
  for (const Report::Item& item : loaded.input.report.items) {
    carried = carried || item.inRecord;
    const bool version = item.item == ProbeDataV1Coder::VersionItem;
    const bool kept = item.inRecord || (version && item.verdict == Report::Intact);
    if (!kept && item.verdict != Report::Absent)
      lost.push_back({{"block", item.name}, {"why", item.detail}});
  }
  if (!carried) return fail(kExitDamaged, loaded.name() + ": nothing to salvage: " + loaded.fault);
  const Json document = {{"probetool", 1},
                         {"salvagedFrom", loaded.jsonName()},
                         {"lost", lost},
                         {"record", recordJson(loaded.view)}};
  const std::string text = document.dump(2, ' ', true) + "\n";
  const std::string back = readBack(text, loaded.view, false, true);
  if (!back.empty()) return fail(kExitDamaged, "JSON cannot hold the record, not written: " + back);
  return written(out, text);
}

// The record in the form asked for, written only when it reads back as the record; otherwise
// the values the form cannot carry are named.
int writeRecord(const Loaded& loaded, const Options& output) {
  const bool image = output.to == "image";
  std::string problems;
  for (const auto& fit : image ? checkImageFit(loaded.record) : std::vector<ImageFitProblem>())
    problems += (problems.empty() ? "" : "; ") + fit.path + ": " + fit.detail;
  const std::string encoded = image ? encodeImage(loaded.record) : encodeXml(loaded.record);
  const std::string comment =
      "probe " + loaded.view.id + ": version-1 image, " + plural(encoded.size(), "byte", "bytes");
  const std::string bytes = !image || output.format == "raw" ? encoded
                            : output.format == "hex"
                                ? formatHexDump(encoded)
                                : formatCArray(encoded, "probe_image", comment);
  if (problems.empty() && encoded.empty()) problems = "the library refuses it (--log ERROR)";
  if (problems.empty()) problems = readBack(bytes, loaded.view, image);
  if (!problems.empty() && !image && !loaded.view.id.empty()) {
    // The id is the record's one free text: when the text reads back without it, it is the id.
    RecordView withoutId = loaded.view;
    withoutId.id.clear();
    if (readBack(encodeXml(makeRecord(withoutId)), withoutId, false).empty())
      problems = "id: \"" + shown(loaded.view.id) + "\" does not read back";
  }
  if (problems.empty()) return written(output.out, bytes);
  return fail(kExitDamaged, std::string(image ? "an image" : "the XML text") +
                                " cannot hold the record, not written: " + problems);
}

// A record saved into a simulated device memory by one coder and read back by a new coder of its
// kind, as two hosts would do it.
struct RoundTrip {
  std::string coder;
  std::vector<std::string> steps;     // the requests the device saw: "read 8 bytes at 0", ...
  std::vector<std::string> problems;  // empty when the record came back
  std::string memory;                 // the device memory after the save
  unsigned int dataChecksum = 0;      // the reading coder's data checksum of what it read
};

// The callback of one coder: every report, in order ("onSaved(true)").
class Reports final : public ProbeDataCoderCB {
 public:
  void onChecksumRed(bool ok) override { add(ok ? "onChecksumRed(true)" : "onChecksumRed(false)"); }
  void onAllRed(bool ok) override { add(ok ? "onAllRed(true)" : "onAllRed(false)"); }
  void onSaved(bool ok) override { add(ok ? "onSaved(true)" : "onSaved(false)"); }
  void onError() override { add("onError()"); }
  void add(const char* event) { events += (events.empty() ? "" : ", ") + std::string(event); }
  std::string events;
};

// Saves record with one coder and reads it back with a new one, completions queued and pumped
// as a device delivers them later. The memory must then hold written(record), and the record
// read back must write the same bytes again.
template <class Coder>
RoundTrip roundTrip(const char* name, const ProbeData& record, SimDeviceMemory::Storage storage,
                    std::string (*written)(const ProbeData&)) {
  RoundTrip trip{name, {}, {}, "", 0};
  const auto memory = boost::make_shared<SimDeviceMemory>(ProbeDataV1Coder::getImageLength());
  memory->setCompletion(SimDeviceMemory::Completion::Queued);
  memory->setStorage(storage);
  const auto run = [&](Coder& coder, bool save, const std::string& expected) {
    const auto reports = boost::make_shared<Reports>();
    coder.setCB(reports);
    memory->bind(&coder);
    save ? coder.save(record) : coder.readAll();
    memory->pump();
    memory->bind(nullptr);
    for (const SimDeviceMemory::Request& seen : memory->requests()) {
      const bool all = seen.length == SimDeviceMemory::kWholeText;
      trip.steps.push_back((seen.kind == SimDeviceMemory::Request::Read ? "read " : "save ") +
                           (all ? "all" : plural(seen.length, "byte", "bytes")) + " at " +
                           std::to_string(seen.offset));
    }
    memory->clearRequests();
    if (reports->events == expected) return;
    trip.problems.push_back(std::string(save ? "save" : "readAll") + " reported " +
                            (reports->events.empty() ? "nothing" : reports->events) + ", not " +
                            expected);
  };
  try {
    Coder writer(memory), reader(memory);
    run(writer, true, "onSaved(true)");
    trip.memory = memory->contents();
    run(reader, false, "onAllRed(true)");
    if (trip.memory != written(record)) {
      trip.problems.push_back("the memory does not hold what the library writes of the record");
    }
    if (written(reader.getProbeData()) != trip.memory) {
      trip.problems.push_back("the record read back does not write the same bytes");
    }
    trip.dataChecksum = reader.computeDataCheksum(reader.getProbeData());
  } catch (const std::exception& error) {
    trip.problems.push_back(std::string("the library threw: ") + escaped(error.what()));
  }
  return trip;
}

// The sample probe: five targets, some with normals and angles.
const std::vector<TargetRow> kSampleTargets = {
    {3.00, 0.0, 0.0, 0.0, true, 0.0, 0.0, 1.0, false, 0},
    {2.50, 40.0, 0.0, 5.0, true, 0.6, 0.0, 0.8, true, 30.0},
    {2.50, 0.0, 30.0, 5.0, true, 0.0, 0.6, 0.8, true, 45.0},
    {2.00, -25.0, -20.0, 12.5, false, 0, 0, 0, false, 0},
    {1.50, 20.0, -35.0, 2.25, false, 0, 0, 0, true, 15.0}};
const RecordView kSample = {"DEMO-PROBE-01", kSampleTargets, 0, 0, 1.0, 2, 0};

void heading(const std::string& title) { std::cout << "\n== " << title << " ==\n"; }

// The library's own account of the bytes: the simulation coder's checksum is the record's, and
// the version-1 coder's is the image report's CRC of the blocks in memory.
std::string checksumProblems(const ProbeData& record, const RoundTrip& v1, const RoundTrip& simu,
                             const Report& report) {
  std::vector<std::string> problems;
  if (simu.dataChecksum != record.computeChecksum()) {
    problems.push_back("the simulation coder's data checksum is not the record checksum");
  }
  if (!report.hasDataChecksum || report.dataChecksum != v1.dataChecksum) {
    problems.push_back("the data checksum is not the CRC-16 of the blocks in device memory");
  }
  return joined(problems, "; ");
}

}  // namespace

int show(const Options& options) {
  Loaded loaded;
  if (const int code = load(options.in, loaded)) return code;
  if (options.hex && !loaded.isImage()) {
    return fail(kExitUsage, loaded.name() + ": --hex shows an image's bytes, not those of this " +
                                loaded.input.how);
  }
  if (options.json) return printDocument(loaded);
  TextTable head({"", ""});
  head.addRow({"file", loaded.name()});
  head.addRow({"format", loaded.format()});
  const Report& report = loaded.input.report;
  if (loaded.isImage() && report.hasVersion()) {
    head.addRow({"image version",
                 Report::versionText(report.version) + (report.hasMagic ? "" : " (no magic)")});
  }
  if (loaded.damaged()) head.addRow({"damage", loaded.fault});
  checksumRows(loaded, head);  // without what they are: that is the checksum command's
  std::cout << head.format("");
  if (!loaded.damaged()) std::cout << "\n" << formatRecordTable(loaded.view);
  if (options.hex) std::cout << "\n" << formatAnnotatedDump(loaded.input.bytes, report);
  return loaded.damaged() ? damaged(loaded) : kExitOk;
}

int check(const Options& options) {
  Loaded loaded;
  if (const int code = load(options.in, loaded)) return code;
  if (options.json) return printDocument(loaded);
  std::cout << loaded.name() << ": " << loaded.format() << "\n";
  TextTable table({"block", "verdict", "detail"});
  std::string unchecked;
  for (const Report::Item& item : loaded.input.report.items) {
    table.addRow({item.name, Report::verdictName(item.verdict), item.detail});
    if (item.verdict == Report::Intact && !item.unchecked.empty()) {
      unchecked += "  " + item.name + ": " + item.unchecked + "\n";
    }
  }
  if (!loaded.isImage()) {
    table.addRow({"document", loaded.damaged() ? "FAILED" : "ok",
                  loaded.damaged() ? loaded.fault
                                   : plural(loaded.view.targets.size(), "target", "targets") +
                                         ", stored checksum " + hex16(loaded.view.checksum)});
  }
  std::cout << table.format("  ")
            << (unchecked.empty() ? ""
                                  : "\"intact\" says nothing of the bytes no checksum covers:\n")
            << unchecked;
  std::cout << loaded.name() << (loaded.damaged() ? ": damaged: " + loaded.fault : ": intact")
            << "\n";
  return loaded.damaged() ? kExitDamaged : kExitOk;
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
  return loaded.damaged() ? damaged(loaded) : written(options.out, plotSvg(loaded.view));
}

int convert(const Options& given) {
  Options options = given;  // what to write, decided before anything is read
  if (const int code = chooseOutput(options)) return code;
  Loaded loaded;
  if (const int code = load(options.in, loaded)) return code;
  if (options.salvage) return salvage(loaded, options.out);
  if (loaded.damaged()) {
    return fail(kExitDamaged, loaded.name() + ": damaged, not converted: " + loaded.fault +
                                  (loaded.isImage() ? " (--salvage keeps what is intact)" : ""));
  }
  if (options.to.empty()) options.to = loaded.isImage() ? "xml" : "image";
  return writeRecord(loaded, options);
}

int demo(const Options&) {
  const ProbeData record = makeRecord(kSample);
  const RoundTrip v1 = roundTrip<ProbeDataV1Coder>("version-1 coder", record,
                                                   SimDeviceMemory::Storage::Image, encodeImage);
  const RoundTrip simu =
      roundTrip<PDSimuCoder>("simulation coder", record, SimDeviceMemory::Storage::Text, encodeXml);
  Loaded image;  // the device memory, as the other commands read a file
  decode(v1.memory, image);
  const Report& report = image.input.report;
  std::cout << "probetool demo: the sample probe through the version-1 coder and the simulation\n"
               "coder, each into a simulated device memory and back with a new coder\n";
  heading("record");
  std::cout << formatRecordTable(kSample);
  heading("version-1 image in device memory (" + plural(v1.memory.size(), "byte", "bytes") + ")");
  std::cout << "the image format of the version-1 coder; its version block names the version of\n"
               "that format the coder writes, "
            << Report::versionText(report.version) << "\n"
            << formatAnnotatedDump(v1.memory, report);
  heading("XML text in the simulation coder's device memory (" +
          plural(simu.memory.size(), "byte", "bytes") + ")");
  std::cout << simu.memory << (simu.memory.empty() || simu.memory.back() == '\n' ? "" : "\n");
  heading("checksums");
  TextTable checksums({"", "", ""});
  checksumRows(image, checksums);
  checksums.addRow({"stored checksum", hex16(record.getChecksum()),
                    "a value carried in the record, not computed: it need not match the CRCs "
                    "above"});
  std::cout << checksums.format("");
  const std::string problems = checksumProblems(record, v1, simu, report);
  heading("round trips");
  TextTable table({"", "", ""});
  for (const RoundTrip* trip : {&v1, &simu}) {
    table.addRow(
        {trip->coder, trip->problems.empty() ? "ok" : "FAILED", joined(trip->steps, ", ")});
    for (const std::string& problem : trip->problems) table.addRow({"", "", problem});
  }
  table.addRow({"checksums", problems.empty() ? "ok" : "FAILED",
                problems.empty() ? "each matches the bytes it covers" : problems});
  std::cout << table.format("  ");
  if (problems.empty() && v1.problems.empty() && simu.problems.empty()) {
    std::cout << "\nevery round trip gave back the record\n";
    return kExitOk;
  }
  return fail(kExitDamaged, "demo: a round trip did not give back the record");
}

}  // namespace probetool
