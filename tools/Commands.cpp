#include "Commands.h"

#include <algorithm>
#include <cctype>
#include <iostream>

#include "AnnotatedDump.h"
#include "FileIo.h"
#include "ImageChecker.h"
#include "ImageLayout.h"
#include "InputFormat.h"
#include "ProbeCodec.h"
#include "RecordTable.h"
#include "RecordView.h"
#include "SvgPlot.h"

namespace probetool {

namespace {

const char kToolName[] = "probetool";

int fail(Streams& streams, int code, const std::string& message) {
  streams.err << kToolName << ": " << message << "\n";
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

std::string joinedErrors(const std::vector<std::string>& messages) {
  std::string text;
  for (const std::string& message : messages)
    text += (text.empty() ? "" : "; ") + shortLine(message);
  return text.empty() ? "no reason logged" : text;
}

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A probe file, read, recognised, inspected and decoded.
struct Loaded {
  std::string name;
  DetectedInput input;
  ImageInspection inspection;  // images only
  Decoded decoded;
  std::vector<std::string> faults;  // each damaged block, or why the library refused the file

  bool isImage() const { return input.format == Format::Image; }
  bool damaged() const { return !faults.empty(); }
  std::string fault() const {
    std::string text;
    for (const std::string& one : faults) text += (text.empty() ? "" : "; ") + one;
    return text;
  }
};

// kExitOk when the file was read and recognised (it may still be damaged); otherwise the
// message is out and the exit code returned.
int load(const std::string& path, Streams& streams, Loaded& loaded) {
  loaded.name = path == "-" ? "standard input" : path;
  Bytes raw;
  const IoResult read = readInput(path, streams.in, raw);
  if (!read.ok) return fail(streams, kExitUsage, read.error);
  loaded.input = detectInput(raw);
  switch (loaded.input.format) {
    case Format::Unknown:
      return fail(streams, kExitDamaged,
                  loaded.name + ": not a probe image or XML document: " + loaded.input.how);
    case Format::Xml:
      loaded.decoded = decodeXml(loaded.input.bytes);
      if (!loaded.decoded.ok) {
        loaded.faults.push_back("the library cannot read the XML document (" +
                                joinedErrors(loaded.decoded.libraryErrors) + ")");
      }
      return kExitOk;
    case Format::Image:
      break;
  }
  loaded.inspection = inspectImage(loaded.input.bytes);
  loaded.decoded = decodeImage(loaded.input.bytes);
  // A short image is named once, by its length, not again by every block it cuts off.
  const BlockCheck* length = loaded.inspection.find("length");
  const bool isShort = length != nullptr && length->verdict == Verdict::Damaged;
  for (const BlockCheck& block : loaded.inspection.blocks) {
    if (block.verdict != Verdict::Damaged || (isShort && block.cutShort)) continue;
    loaded.faults.push_back(block.hasChecksum ? block.detail : block.name + ": " + block.detail);
  }
  if (!loaded.decoded.ok && loaded.faults.empty()) {
    loaded.faults.push_back("the library cannot decode the image (" +
                            joinedErrors(loaded.decoded.libraryErrors) + ")");
  }
  return kExitOk;
}

std::string describeInput(const Loaded& loaded) {
  std::string text = formatName(loaded.input.format);
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
  return "none (" +
         shortLine(decoded.dataChecksumFailure.empty() ? "the library computes none"
                                                       : decoded.dataChecksumFailure) +
         ")";
}

// --- show ----------------------------------------------------------------------------------

int show(const Invocation& invocation, Streams& streams) {
  Loaded loaded;
  const int code = load(invocation.operands[0], streams, loaded);
  if (code != kExitOk) return code;
  std::ostream& out = streams.out;
  out << field("file") << loaded.name << "\n";
  out << field("format") << describeInput(loaded) << "\n";
  if (loaded.isImage()) {
    out << field("image version") << versionText(loaded.inspection.version)
        << (loaded.inspection.magic ? "" : " (no magic)") << "\n";
  }
  if (loaded.damaged()) out << field("damage") << loaded.fault() << "\n";
  if (loaded.decoded.ok) {
    out << field("record checksum") << hex16(loaded.decoded.record.computeChecksum()) << "\n";
    out << field("data checksum") << dataChecksumText(loaded.decoded) << "\n\n";
    out << formatRecordTable(viewRecord(loaded.decoded.record));
  }
  if (invocation.has("hex")) {
    out << "\n";
    if (loaded.isImage()) {
      out << formatAnnotatedDump(loaded.input.bytes, loaded.inspection);
    } else if (loaded.decoded.ok) {
      const Encoded image = encodeImage(loaded.decoded.record, kVersion21);
      if (image.ok) {
        const Bytes bytes(image.bytes.begin(), image.bytes.end());
        out << "# the version 2.1 image this record codes to\n"
            << formatAnnotatedDump(bytes, inspectImage(bytes));
      } else {
        out << "# the record does not code to an image: " << joinedErrors(image.libraryErrors)
            << "\n";
      }
    }
  }
  if (loaded.damaged())
    return fail(streams, kExitDamaged, loaded.name + ": damaged: " + loaded.fault());
  return kExitOk;
}

// --- check ---------------------------------------------------------------------------------

const char* verdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Intact:
      return "ok";
    case Verdict::Damaged:
      return "DAMAGED";
    case Verdict::Absent:
      break;
  }
  return "-";
}

int check(const Invocation& invocation, Streams& streams) {
  Loaded loaded;
  const int code = load(invocation.operands[0], streams, loaded);
  if (code != kExitOk) return code;
  std::ostream& out = streams.out;
  out << loaded.name << ": " << describeInput(loaded) << "\n";
  TextTable table;
  table.addColumn("block", TextTable::Left);
  table.addColumn("verdict", TextTable::Left);
  table.addColumn("detail", TextTable::Left);
  for (const BlockCheck& block : loaded.inspection.blocks) {
    table.addRow({block.name, verdictText(block.verdict), block.detail});
  }
  const Decoded& decoded = loaded.decoded;
  std::string result;
  if (decoded.ok) {
    const RecordView view = viewRecord(decoded.record);
    result = plural(view.targets.size(), "target", "targets") + ", stored checksum " +
             hex16(view.checksum);
  } else {
    result = joinedErrors(decoded.libraryErrors);
  }
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

// --- convert -------------------------------------------------------------------------------

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int convert(const Invocation& invocation, Streams& streams) {
  const std::string& inPath = invocation.operands[0];
  const std::string& outPath = invocation.operands[1];

  // What to write, decided before anything is read.
  std::string to = invocation.get("to");
  if (!to.empty() && to != "xml" && to != "image") {
    return fail(streams, kExitUsage, "--to takes xml or image, not \"" + to + "\"");
  }
  std::string format = invocation.get("format");
  if (to.empty()) {
    const std::string name = lower(outPath);
    if (endsWith(name, ".xml")) {
      to = "xml";
    } else if (endsWith(name, ".bin") || endsWith(name, ".img")) {
      to = "image";
    } else if (endsWith(name, ".hex")) {
      to = "image";
      if (format.empty()) format = "hex";
    } else if (endsWith(name, ".c") || endsWith(name, ".h")) {
      to = "image";
      if (format.empty()) format = "carray";
    } else if (outPath != "-") {
      return fail(streams, kExitUsage,
                  "cannot tell what to write to " + outPath +
                      ": name it .xml, .bin or .img, or give --to xml|image");
    }
  }
  const std::string imageVersion = invocation.get("image-version", "2.1");
  if (imageVersion != "2.1" && imageVersion != "2.0") {
    return fail(streams, kExitUsage,
                "--image-version takes 2.1 or 2.0, not \"" + imageVersion + "\"");
  }
  if (format.empty()) format = outPath == "-" ? "hex" : "raw";
  if (format != "raw" && format != "hex" && format != "carray") {
    return fail(streams, kExitUsage, "--format takes raw, hex or carray, not \"" + format + "\"");
  }
  // Options that only images have ask for an image.
  const bool imageOptions = invocation.has("format") || invocation.has("image-version");
  if (to.empty() && outPath == "-" && imageOptions) to = "image";
  if (to == "xml" && imageOptions) {
    return fail(streams, kExitUsage, "--format and --image-version apply to image output only");
  }

  Loaded loaded;
  const int code = load(inPath, streams, loaded);
  if (code != kExitOk) return code;
  if (loaded.damaged()) {
    return fail(streams, kExitDamaged, loaded.name + ": damaged, not converted: " + loaded.fault());
  }
  if (to.empty()) to = loaded.isImage() ? "xml" : "image";
  const ProbeData& record = loaded.decoded.record;

  // Code the record, then decode what was coded: only output that gives the record back is
  // written.
  std::string bytes;
  std::vector<std::string> differences;
  if (to == "xml") {
    const Encoded xml = encodeXml(record);
    if (!xml.ok) {
      return fail(
          streams, kExitDamaged,
          "the library cannot write the record as XML (" + joinedErrors(xml.libraryErrors) + ")");
    }
    bytes = xml.bytes;
    const Decoded again = decodeXml(Bytes(bytes.begin(), bytes.end()));
    differences =
        again.ok ? compareRecords(viewRecord(record), viewRecord(again.record), Precision::exact())
                 : std::vector<std::string>{"it does not load"};
  } else {
    const bool old = imageVersion == "2.0";
    const Encoded image =
        encodeImage(record, static_cast<unsigned short>(old ? kVersion20 : kVersion21));
    if (!image.ok) {
      return fail(streams, kExitDamaged,
                  "the library cannot code the record as a version " + imageVersion + " image (" +
                      joinedErrors(image.libraryErrors) + ")");
    }
    const Bytes coded(image.bytes.begin(), image.bytes.end());
    const Decoded again = decodeImage(coded);
    differences = again.ok ? compareRecords(viewRecord(record), viewRecord(again.record),
                                            old ? Precision::image20() : Precision::image21())
                           : std::vector<std::string>{"it does not decode (" +
                                                      joinedErrors(again.libraryErrors) + ")"};
    if (format == "hex") {
      bytes = formatHexDump(coded);
    } else if (format == "carray") {
      bytes = formatCArray(coded, "probe_image",
                           "probe " + viewRecord(record).id + ": version " + imageVersion +
                               " image, " + std::to_string(coded.size()) + " bytes");
    } else {
      bytes = image.bytes;
    }
  }
  if (!differences.empty()) {
    std::string what = to == "xml" ? "the XML text" : "the version " + imageVersion + " image";
    return fail(
        streams, kExitDamaged,
        what + " does not give the record back, not written: " + differences.front() +
            (differences.size() > 1
                 ? " (and " +
                       plural(differences.size() - 1, "more difference", "more differences") + ")"
                 : ""));
  }
  const IoResult written = writeOutput(outPath, streams.out, bytes);
  if (!written.ok) return fail(streams, kExitUsage, written.error);
  return kExitOk;
}

// --- checksum ------------------------------------------------------------------------------

int checksum(const Invocation& invocation, Streams& streams) {
  Loaded loaded;
  const int code = load(invocation.operands[0], streams, loaded);
  if (code != kExitOk) return code;
  if (loaded.damaged())
    return fail(streams, kExitDamaged, loaded.name + ": damaged: " + loaded.fault());
  streams.out << field("record checksum") << hex16(loaded.decoded.record.computeChecksum()) << "\n";
  streams.out << field("data checksum") << dataChecksumText(loaded.decoded) << "\n";
  return kExitOk;
}

// --- plot ----------------------------------------------------------------------------------

int plot(const Invocation& invocation, Streams& streams) {
  if (!invocation.has("output")) return fail(streams, kExitUsage, "plot needs -o OUT.svg");
  Loaded loaded;
  const int code = load(invocation.operands[0], streams, loaded);
  if (code != kExitOk) return code;
  if (loaded.damaged())
    return fail(streams, kExitDamaged, loaded.name + ": damaged: " + loaded.fault());
  const IoResult written = writeOutput(invocation.get("output"), streams.out,
                                       plotSvg(viewRecord(loaded.decoded.record)));
  if (!written.ok) return fail(streams, kExitUsage, written.error);
  return kExitOk;
}

// --- demo ----------------------------------------------------------------------------------

void heading(std::ostream& out, const std::string& title) { out << "\n== " << title << " ==\n"; }

int demo(const Invocation&, Streams& streams) {
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
  const Bytes image(v1.memory.begin(), v1.memory.end());
  out << formatAnnotatedDump(image, inspectImage(image));

  heading(out, "XML text in the simulation coder's device memory (" +
                   plural(simu.memory.size(), "byte", "bytes") + ")");
  out << simu.memory << (simu.memory.empty() || simu.memory.back() == '\n' ? "" : "\n");

  // Both checksums, each checked against the bytes it covers.
  const unsigned int recordChecksum = record.computeChecksum();
  const std::size_t covered = kRigidBodyLength + kDefaultDirLength + kMaskThicknessLength;
  const unsigned int imageCrc = v1.memory.size() >= kRigidBodyOffset + covered
                                    ? crc16(v1.memory.substr(kRigidBodyOffset, covered))
                                    : 0;
  std::vector<std::string> checksumProblems;
  if (recordChecksum != crc16(simu.memory)) {
    checksumProblems.push_back("the record checksum is not the CRC-16 of the XML text");
  }
  if (simu.dataChecksum != recordChecksum) {
    checksumProblems.push_back("the simulation coder's data checksum differs from it");
  }
  if (v1.dataChecksum != imageCrc) {
    checksumProblems.push_back("the data checksum is not the CRC-16 of image bytes 8-405");
  }
  heading(out, "checksums");
  out << field("record checksum") << hex16(recordChecksum) << "  CRC-16 of the XML text\n";
  out << field("data checksum") << hex16(v1.dataChecksum)
      << "  CRC-16 of image bytes 8-405 (rigid body to mask thickness)\n";

  heading(out, "round trips");
  TextTable table;
  table.addColumn("", TextTable::Left);
  table.addColumn("", TextTable::Left);
  table.addColumn("", TextTable::Left);
  bool allOk = true;
  for (const RoundTrip* trip : {&v1, &simu}) {
    std::string steps;
    for (const std::string& step : trip->steps) steps += (steps.empty() ? "" : ", ") + step;
    table.addRow({trip->coder, trip->ok ? "ok" : "FAILED", steps});
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
  Rb::RigidBody body;
  body.setId("DEMO-PROBE-01");
  struct Target {
    double size, x, y, z;
    bool normal;
    double nx, ny, nz;
    bool angle;
    double degrees;
  };
  const Target targets[] = {
      {3.00, 0.0, 0.0, 0.0, true, 0.0, 0.0, 1.0, false, 0},
      {2.50, 40.0, 0.0, 5.0, true, 0.6, 0.0, 0.8, true, 30.0},
      {2.50, 0.0, 30.0, 5.0, true, 0.0, 0.6, 0.8, true, 45.0},
      {2.00, -25.0, -20.0, 12.5, false, 0, 0, 0, false, 0},
      {1.50, 20.0, -35.0, 2.25, false, 0, 0, 0, true, 15.0},
  };
  int id = 0;
  for (const Target& t : targets) {
    body.insertTarget(id, t.x, t.y, t.z);
    body.setTargetSize(id, t.size);
    if (t.normal) body.updateTargetNormal(id, t.nx, t.ny, t.nz);
    if (t.angle) body.setAngleTarget(id, t.degrees);
    ++id;
  }
  ProbeData record;
  record.setRigidBody(body);
  record.setDefaultDir(0.0, 0.0, 1.0);
  record.setMaskThickness(2);
  return record;
}

int runCommand(const Invocation& invocation, Streams& streams) {
  static const struct {
    const char* name;
    int (*run)(const Invocation&, Streams&);
  } kRunners[] = {{"demo", demo},       {"show", show},         {"check", check},
                  {"convert", convert}, {"checksum", checksum}, {"plot", plot}};
  for (const auto& runner : kRunners) {
    if (invocation.command == runner.name) return runner.run(invocation, streams);
  }
  return fail(streams, kExitUsage, "unknown command \"" + invocation.command + "\"");
}

}  // namespace probetool
