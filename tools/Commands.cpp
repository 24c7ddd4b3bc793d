#include "Commands.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <iostream>

#include "AnnotatedDump.h"
#include "FileIo.h"
#include "InputFormat.h"
#include "JsonRecord.h"
#include "ProbeCodec.h"
#include "ProbeImageReport.h"
#include "RecordTable.h"
#include "RecordView.h"
#include "SvgPlot.h"

namespace probetool {

namespace {

int fail(Streams& streams, int code, const std::string& message) {
  streams.err << "probetool: " << message << "\n";
  return code;
}

// A library log line fit for one line of a report: first line only, and not the whole document
// the XML functions append to their messages.
std::string shortLine(const std::string& message) {
  constexpr std::size_t kMaxLength = 72;
  std::string line = message.substr(0, message.find_first_of("\r\n"));
  const std::size_t document = line.find(" <?xml");
  if (document != std::string::npos) line.erase(document);
  if (line.size() > kMaxLength) line = line.substr(0, kMaxLength) + "...";
  return line;
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

std::string joinedErrors(const std::vector<std::string>& messages) {
  std::vector<std::string> lines;
  for (const std::string& message : messages) lines.push_back(shortLine(message));
  return lines.empty() ? "no reason logged" : joined(lines, "; ");
}

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// One row of check's table: an item of the image report, or the image's length.
struct Row {
  std::string name;
  ProbeImageReport::Verdict verdict;
  std::string detail;
  std::string fault;  // how a damaged row is named on its own
};

// The image's length against what its version needs; a short image is named once, here, and
// not again by each item it cuts off.
Row lengthRow(const ProbeImageReport& report) {
  Row row{"length", ProbeImageReport::Intact, plural(report.size, "byte", "bytes"), ""};
  const std::size_t needed = report.imageLength;
  if (needed == 0) {
    row.verdict = ProbeImageReport::Damaged;
    row.detail += ", too short for a version block";
  } else if (report.size < needed) {
    row.verdict = ProbeImageReport::Damaged;
    row.detail += ", version " + versionText(report) + " needs " + std::to_string(needed) + " (" +
                  std::to_string(needed - report.size) + " missing)";
  } else if (report.size > needed) {
    row.detail += "; the " + std::to_string(report.size - needed) + " bytes after " +
                  std::to_string(needed) + " are ignored";
  }
  row.fault = "length: " + row.detail;
  return row;
}

std::vector<Row> imageRows(const ProbeImageReport& report) {
  std::vector<Row> rows;
  const bool isShort = report.size < report.imageLength;
  for (const ProbeImageReport::Item& item : report.items) {
    const bool named = item.fault == ProbeImageReport::ChecksumMismatch;
    rows.push_back(Row{item.name, item.verdict, item.detail,
                       isShort && item.fault == ProbeImageReport::CutShort ? ""
                       : named                                             ? item.detail
                                                                           : item.name + ": " + item.detail});
    if (item.item == ProbeDataV1Coder::VersionItem) rows.push_back(lengthRow(report));
  }
  return rows;
}

// A probe file, read, recognised, inspected and decoded.
struct Loaded {
  std::string name;
  DetectedInput input;
  ProbeImageReport report;  // images only
  Decoded decoded;
  std::vector<std::string> faults;  // each damaged block, or why the library refused the file

  bool isImage() const { return input.format == Format::Image; }
  bool damaged() const { return !faults.empty(); }
  std::string fault() const { return joined(faults, "; "); }
};

// kExitOk when the file was read and recognised (it may still be damaged); otherwise the
// message is out and the exit code returned.
int load(const std::string& path, Streams& streams, Loaded& loaded) {
  loaded.name = path == "-" ? "standard input" : path;
  Bytes raw;
  const IoResult read = readInput(path, streams.in, raw);
  if (!read.ok) return fail(streams, kExitUsage, read.error);
  loaded.input = detectInput(raw);
  if (loaded.input.format == Format::Unknown) {
    return fail(streams, kExitDamaged,
                loaded.name + ": not a probe image or XML document: " + loaded.input.how);
  }
  if (loaded.input.format == Format::Json) {
    const JsonRecord json =
        readJsonRecord(std::string(loaded.input.bytes.begin(), loaded.input.bytes.end()));
    if (!json.ok) return fail(streams, kExitDamaged, loaded.name + ": " + json.error);
    loaded.decoded = decodedRecord(makeRecord(json.record));
    return kExitOk;
  }
  if (!loaded.isImage()) {
    loaded.decoded = decodeXml(loaded.input.bytes);
    if (!loaded.decoded.ok) {
      loaded.faults.push_back("the library cannot read the XML document (" +
                              joinedErrors(loaded.decoded.libraryErrors) + ")");
    }
    return kExitOk;
  }
  loaded.report = inspectImage(std::string(loaded.input.bytes.begin(), loaded.input.bytes.end()));
  loaded.decoded = decodeImage(loaded.input.bytes);
  for (const Row& row : imageRows(loaded.report)) {
    if (row.verdict == ProbeImageReport::Damaged && !row.fault.empty()) {
      loaded.faults.push_back(row.fault);
    }
  }
  if (!loaded.decoded.ok && loaded.faults.empty()) {
    loaded.faults.push_back("the library cannot decode the image (" +
                            joinedErrors(loaded.decoded.libraryErrors) + ")");
  }
  return kExitOk;
}

std::string describeInput(const Loaded& loaded) {
  std::string text = loaded.isImage()                      ? "version-1 image"
                     : loaded.input.format == Format::Json ? "JSON record"
                                                           : "XML document";
  if (loaded.input.hexText) text += " (hex dump)";
  return text + ", " + plural(loaded.input.bytes.size(), "byte", "bytes");
}

std::string field(const std::string& name) {
  std::string padded = name;
  padded.resize(19, ' ');
  return padded;
}

std::string dataChecksumText(const Decoded& decoded) {
  if (decoded.hasDataChecksum) return hex16(decoded.dataChecksum);
  return "none (" + shortLine(decoded.dataChecksumFailure) + ")";
}

int damaged(Streams& streams, const Loaded& loaded) {
  return fail(streams, kExitDamaged, loaded.name + ": damaged: " + loaded.fault());
}

// The document of --json, the same for show, check and checksum; docs/probetool.md describes it.
int printDocument(Streams& streams, const Loaded& loaded) {
  static const char* const kFormats[] = {"image", "xml", "json"};
  Json image;
  if (loaded.isImage()) {
    const ProbeImageReport& report = loaded.report;
    Json blocks = Json::array();
    for (const ProbeImageReport::Item& item : report.items) {
      blocks.push_back(
          {{"name", item.name},
           {"offset", item.offset},
           {"length", item.length},
           {"verdict", toString(item.verdict)},
           {"fault", toString(item.fault)},
           {"storedChecksum", item.hasChecksum ? Json(item.storedChecksum) : Json()},
           {"computedChecksum", item.hasChecksum ? Json(item.computedChecksum) : Json()},
           {"detail", item.detail}});
    }
    image = {{"version", report.imageLength != 0 ? Json(versionText(report)) : Json()},
             {"magic", report.hasMagic},
             {"length", report.imageLength},
             {"blocks", blocks}};
  }
  const Decoded& decoded = loaded.decoded;
  Json errors = Json::array();
  for (const std::string& message : decoded.libraryErrors) errors.push_back(shortLine(message));
  Json checksums, record;
  if (decoded.ok) {
    checksums = {{"record", decoded.record.computeChecksum()},
                 {"data", decoded.hasDataChecksum ? Json(decoded.dataChecksum) : Json()}};
    record = recordJson(viewRecord(decoded.record));
  }
  const Json document = {{"probetool", 1},
                         {"file", loaded.name},
                         {"input",
                          {{"format", kFormats[static_cast<int>(loaded.input.format)]},
                           {"hexDump", loaded.input.hexText},
                           {"bytes", loaded.input.bytes.size()}}},
                         {"image", image},
                         {"decode", {{"ok", decoded.ok}, {"errors", errors}}},
                         {"intact", !loaded.damaged()},
                         {"damage", loaded.faults},
                         {"checksums", checksums},
                         {"record", record}};
  streams.out << document.dump(2) << "\n";
  return loaded.damaged() ? damaged(streams, loaded) : kExitOk;
}

int show(const Options& options, Streams& streams) {
  Loaded loaded;
  if (const int code = load(options.in, streams, loaded)) return code;
  if (options.json) return printDocument(streams, loaded);
  std::ostream& out = streams.out;
  out << field("file") << loaded.name << "\n";
  out << field("format") << describeInput(loaded) << "\n";
  if (loaded.isImage()) {
    out << field("image version") << versionText(loaded.report)
        << (loaded.report.hasMagic ? "" : " (no magic)") << "\n";
  }
  if (loaded.damaged()) out << field("damage") << loaded.fault() << "\n";
  if (loaded.decoded.ok) {
    out << field("record checksum") << hex16(loaded.decoded.record.computeChecksum()) << "\n";
    out << field("data checksum") << dataChecksumText(loaded.decoded) << "\n\n";
    out << formatRecordTable(viewRecord(loaded.decoded.record));
  }
  if (options.hex) {
    out << "\n";
    if (loaded.isImage()) {
      out << formatAnnotatedDump(loaded.input.bytes, loaded.report);
    } else if (loaded.decoded.ok) {
      const Encoded image = encodeImage(loaded.decoded.record, ProbeDataV1Coder::getClassVersion());
      if (image.ok) {
        out << "# the version 2.1 image this record codes to\n"
            << formatAnnotatedDump(Bytes(image.bytes.begin(), image.bytes.end()),
                                   inspectImage(image.bytes));
      } else {
        out << "# the record does not code to an image: " << joinedErrors(image.libraryErrors)
            << "\n";
      }
    }
  }
  return loaded.damaged() ? damaged(streams, loaded) : kExitOk;
}

int check(const Options& options, Streams& streams) {
  Loaded loaded;
  if (const int code = load(options.in, streams, loaded)) return code;
  if (options.json) return printDocument(streams, loaded);
  std::ostream& out = streams.out;
  out << loaded.name << ": " << describeInput(loaded) << "\n";
  TextTable table;
  for (const char* heading : {"block", "verdict", "detail"}) table.addColumn(heading, TextTable::Left);
  static const char* const kVerdicts[] = {"ok", "DAMAGED", "-", "MISSING"};
  if (loaded.isImage()) {
    for (const Row& row : imageRows(loaded.report)) {
      table.addRow({row.name, kVerdicts[row.verdict], row.detail});
    }
  }
  const Decoded& decoded = loaded.decoded;
  const std::string result =
      decoded.ok ? plural(viewRecord(decoded.record).targets.size(), "target", "targets") +
                       ", stored checksum " + hex16(decoded.record.getChecksum())
                 : joinedErrors(decoded.libraryErrors);
  table.addRow(
      {loaded.isImage() ? "library decode" : "document", decoded.ok ? "ok" : "FAILED", result});
  out << table.format("  ");
  if (loaded.damaged()) {
    out << loaded.name << ": damaged: " << loaded.fault() << "\n";
    return kExitDamaged;
  }
  out << loaded.name << ": intact\n";
  return kExitOk;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int convert(const Options& options, Streams& streams) {
  const std::string& outPath = options.out;
  // What to write, decided before anything is read.
  std::string to = options.to;
  std::string format = options.format;
  std::string name = outPath;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  static const struct {
    const char* suffix;
    const char* to;
    const char* format;
  } kSuffixes[] = {{".xml", "xml", ""},    {".bin", "image", ""},     {".img", "image", ""},
                   {".hex", "image", "hex"}, {".c", "image", "carray"}, {".h", "image", "carray"}};
  for (const auto& known : kSuffixes) {
    if (!to.empty() || !endsWith(name, known.suffix)) continue;
    to = known.to;
    if (format.empty()) format = known.format;
  }
  if (to.empty() && outPath != "-") {
    return fail(streams, kExitUsage,
                "cannot tell what to write to " + outPath +
                    ": name it .xml, .bin or .img, or give --to xml|image");
  }
  // Options that only images have ask for an image.
  const bool imageOptions = !options.format.empty() || !options.imageVersion.empty();
  if (to.empty() && imageOptions) to = "image";
  if (to == "xml" && imageOptions) {
    return fail(streams, kExitUsage, "--format and --image-version apply to image output only");
  }
  const std::string imageVersion = options.imageVersion.empty() ? "2.1" : options.imageVersion;
  if (format.empty()) format = outPath == "-" ? "hex" : "raw";

  Loaded loaded;
  if (const int code = load(options.in, streams, loaded)) return code;
  if (loaded.damaged()) {
    return fail(streams, kExitDamaged, loaded.name + ": damaged, not converted: " + loaded.fault());
  }
  if (to.empty()) to = loaded.isImage() ? "xml" : "image";
  const ProbeData& record = loaded.decoded.record;
  // A JSON record's values are named as its text names them.
  const FieldNames names =
      loaded.input.format == Format::Json ? FieldNames::Json : FieldNames::Words;
  const unsigned short version = imageVersion == "2.0" ? 0x20 : ProbeDataV1Coder::getClassVersion();

  // Code the record, then decode what was coded: only output that gives the record back is
  // written.
  const std::string what = to == "xml" ? "the XML text" : "the version " + imageVersion + " image";
  const Encoded encoded = to == "xml" ? encodeXml(record) : encodeImage(record, version);
  if (!encoded.ok) {
    const std::string value =
        to == "xml" ? "" : unwritableValue(viewRecord(record), version, names);
    return fail(streams, kExitDamaged,
                "the library cannot write the record as " + what.substr(4) +
                    (value.empty() ? "" : ": " + value + " does not fit") + " (" +
                    joinedErrors(encoded.libraryErrors) + ")");
  }
  const Bytes coded(encoded.bytes.begin(), encoded.bytes.end());
  const Decoded again = to == "xml" ? decodeXml(coded) : decodeImage(coded);
  const std::vector<std::string> differences =
      again.ok ? compareRecords(viewRecord(record), viewRecord(again.record), names)
               : std::vector<std::string>{"it does not decode (" +
                                          joinedErrors(again.libraryErrors) + ")"};
  if (!differences.empty()) {
    return fail(streams, kExitDamaged,
                what + " does not give the record back, not written: " + differences.front() +
                    (differences.size() > 1
                         ? " (and " +
                               plural(differences.size() - 1, "more difference",
                                      "more differences") +
                               ")"
                         : ""));
  }
  std::string bytes = encoded.bytes;
  if (to == "image" && format == "hex") bytes = formatHexDump(coded);
  if (to == "image" && format == "carray") {
    bytes = formatCArray(coded, "probe_image",
                         "probe " + viewRecord(record).id + ": version " + imageVersion +
                             " image, " + std::to_string(coded.size()) + " bytes");
  }
  const IoResult written = writeOutput(outPath, streams.out, bytes);
  return written.ok ? kExitOk : fail(streams, kExitUsage, written.error);
}

int checksum(const Options& options, Streams& streams) {
  Loaded loaded;
  if (const int code = load(options.in, streams, loaded)) return code;
  if (options.json) return printDocument(streams, loaded);
  if (loaded.damaged()) return damaged(streams, loaded);
  streams.out << field("record checksum") << hex16(loaded.decoded.record.computeChecksum()) << "\n";
  streams.out << field("data checksum") << dataChecksumText(loaded.decoded) << "\n";
  return kExitOk;
}

int plot(const Options& options, Streams& streams) {
  Loaded loaded;
  if (const int code = load(options.in, streams, loaded)) return code;
  if (loaded.damaged()) return damaged(streams, loaded);
  const IoResult written =
      writeOutput(options.output, streams.out, plotSvg(viewRecord(loaded.decoded.record)));
  return written.ok ? kExitOk : fail(streams, kExitUsage, written.error);
}

void heading(std::ostream& out, const std::string& title) { out << "\n== " << title << " ==\n"; }

int demo(const Options&, Streams& streams) {
  std::ostream& out = streams.out;
  const ProbeData record = sampleProbe();
  const RoundTrip v1 = roundTripV1(record);
  const RoundTrip simu = roundTripSimu(record);

  out << "probetool demo: the sample probe through the version-1 coder and the simulation\n"
         "coder, each into a simulated device memory and back with a new coder\n";
  heading(out, "record");
  out << formatRecordTable(viewRecord(record));

  heading(out,
          "version-1 image in device memory (" + plural(v1.memory.size(), "byte", "bytes") + ")");
  const ProbeImageReport report = inspectImage(v1.memory);
  out << formatAnnotatedDump(Bytes(v1.memory.begin(), v1.memory.end()), report);

  heading(out, "XML text in the simulation coder's device memory (" +
                   plural(simu.memory.size(), "byte", "bytes") + ")");
  out << simu.memory << (simu.memory.empty() || simu.memory.back() == '\n' ? "" : "\n");

  // Both checksums, each checked against the bytes it covers: the data checksum covers the
  // rigid body block up to the end of the mask thickness block.
  const unsigned int recordChecksum = record.computeChecksum();
  const ProbeImageReport::Item* first = report.find(ProbeDataV1Coder::RigidBodyItem);
  const ProbeImageReport::Item* last = report.find(ProbeDataV1Coder::MaskThicknessItem);
  const std::size_t begin = first != nullptr ? first->offset : 0;
  const std::size_t end = last != nullptr ? last->offset + last->length : 0;
  const std::string covered = std::to_string(begin) + "-" + std::to_string(end - 1);
  std::vector<std::string> checksumProblems;
  if (recordChecksum != crc16(simu.memory)) {
    checksumProblems.push_back("the record checksum is not the CRC-16 of the XML text");
  }
  if (simu.dataChecksum != recordChecksum) {
    checksumProblems.push_back("the simulation coder's data checksum differs from it");
  }
  if (end > v1.memory.size() || v1.dataChecksum != crc16(v1.memory.substr(begin, end - begin))) {
    checksumProblems.push_back("the data checksum is not the CRC-16 of image bytes " + covered);
  }
  heading(out, "checksums");
  out << field("record checksum") << hex16(recordChecksum) << "  CRC-16 of the XML text\n";
  out << field("data checksum") << hex16(v1.dataChecksum) << "  CRC-16 of image bytes " << covered
      << " (rigid body to mask thickness)\n";

  heading(out, "round trips");
  TextTable table;
  for (int column = 0; column < 3; ++column) table.addColumn("", TextTable::Left);
  bool allOk = true;
  for (const RoundTrip* trip : {&v1, &simu}) {
    table.addRow({trip->coder, trip->ok ? "ok" : "FAILED", joined(trip->steps, ", ")});
    for (const std::string& problem : trip->problems) table.addRow({"", "", problem});
    allOk = allOk && trip->ok;
  }
  table.addRow({"checksums", checksumProblems.empty() ? "ok" : "FAILED",
                checksumProblems.empty() ? "each matches the CRC-16 of the bytes it covers" : ""});
  for (const std::string& problem : checksumProblems) table.addRow({"", "", problem});
  allOk = allOk && checksumProblems.empty();
  // The heading line of a table without headings is blank; drop it.
  const std::string rows = table.format("  ");
  out << rows.substr(rows.find('\n') + 1);
  if (!allOk) return fail(streams, kExitDamaged, "demo: a round trip did not give back the record");
  out << "\nevery round trip gave back the record\n";
  return kExitOk;
}

}  // namespace

ProbeData sampleProbe() {
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
  return makeRecord(view);
}

int runCommand(const Options& options, Streams& streams) {
  static const struct {
    const char* name;
    int (*run)(const Options&, Streams&);
  } kRunners[] = {{"demo", demo},       {"show", show},         {"check", check},
                  {"convert", convert}, {"checksum", checksum}, {"plot", plot}};
  for (const auto& runner : kRunners) {
    if (options.command == runner.name) return runner.run(options, streams);
  }
  return fail(streams, kExitUsage, "unknown command \"" + options.command + "\"");
}

}  // namespace probetool
