#include "Commands.h"

#include <fcntl.h>
#include <log4cplus/loggingmacros.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>

#include "ProbeDataV1Coder.h"
#include "ProbeLogger.h"
#include "Utils.h"

#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#endif

namespace probetool {

namespace {

// Files by their names as given: UTF-8 on Windows, where main takes the words so, bytes
// elsewhere. openIn takes "-" for standard input, which it reads as bytes.
#if defined(_WIN32)
std::filesystem::path systemPath(const std::string& name) { return std::filesystem::u8path(name); }
int openIn(const std::string& name) {
  if (name == "-") return _setmode(0, O_BINARY), 0;
  return _wopen(systemPath(name).c_str(), O_RDONLY | O_BINARY);
}
#else
std::filesystem::path systemPath(const std::string& name) { return name; }
int openIn(const std::string& name) { return name == "-" ? 0 : ::open(name.c_str(), O_RDONLY); }
#endif

// What the image report finds an image in: the magic, blank or erased memory, or bytes as long
// as an image (which the library reads as version 1.0 without the magic) or with the magic off
// by one byte.
bool isImage(const ProbeImageReport& report, bool withoutMagic) {
  const ProbeImageReport::Fault fault = report.items.front().fault;
  const bool memory =
      fault == ProbeImageReport::BlankMemory || fault == ProbeImageReport::ErasedMemory;
  return report.hasMagic || memory ||
         (withoutMagic && ((report.hasVersion() && report.size == report.imageLength) ||
                           fault == ProbeImageReport::DamagedMagic));
}

// Whether the text starts with start, after blanks.
bool startsWith(const std::string& text, const char* start) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string::npos && text.compare(first, std::strlen(start), start) == 0;
}

// What raw holds, into file's format, bytes, report and how. The image report is made once, of
// the bytes the image is.
void recognise(const std::string& raw, ProbeFile& file) {
  // The library reads no byte order mark: a text is what follows one.
  file.bytes = raw.compare(0, 3, "\xEF\xBB\xBF") == 0 ? raw.substr(3) : raw;
  file.format = startsWith(file.bytes, "<?xml") ? Format::Xml
                : startsWith(file.bytes, "{")   ? Format::JsonText
                                                : Format::Image;
  file.how = file.format == Format::Xml ? "XML document" : "JSON text";
  if (file.format != Format::Image) return;
  // Images hold zero bytes, so text is a hex dump, or an image only by its magic.
  const bool printable = !raw.empty() && std::all_of(raw.begin(), raw.end(), [](unsigned char c) {
    return (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\r' || c == '\t';
  });
  std::string dumped;
  const std::string notDump = printable ? parseHexText(raw, dumped) : "not text";
  const bool hex = notDump.empty();
  file.bytes = hex ? dumped : raw;
  file.report = inspectImage(file.bytes);
  if (isImage(file.report, !printable || hex)) {
    file.how = hex                           ? "version-1 image, as a hex dump"
               : isImage(file.report, false) ? "version-1 image"
                                             : "version-1 image without magic";
    return;
  }
  file.format = Format::Unknown;
  file.how = raw.empty() ? "an empty file"
             : printable && !hex
                 ? "text that is neither XML nor a hex dump the tool reads (" + notDump + ")"
                 : (hex ? "a hex dump of " : "") + plural(file.bytes.size(), "byte", "bytes") +
                       " without the image magic, and not the length of an image";
}

const char* const kFormatNames[] = {"image", "xml", "json", "unknown"};  // by Format

ProbeDataV1Coder newCoder() { return ProbeDataV1Coder(boost::shared_ptr<DataHandler>()); }

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

int damaged(const ProbeFile& file) {
  return fail(kExitDamaged, file.name() + ": damaged: " + file.fault);
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
int printDocument(const ProbeFile& file) {
  Json checksums, record;
  unsigned int data = 0;
  if (!file.damaged()) {
    checksums = {{"record", file.record.computeChecksum()},
                 {"data", dataChecksum(file.record, data) ? Json(data) : Json()}};
    record = recordJson(file.view);
  }
  const Json document = {
      {"probetool", 2},
      {"file", nameJson(file.path)},
      {"input",
       {{"format", kFormatNames[static_cast<int>(file.format)]}, {"bytes", file.bytes.size()}}},
      {"image", file.isImage() ? imageJson(file.report) : Json()},
      {"intact", !file.damaged()},
      {"damage", file.damaged() ? Json::array({file.fault}) : Json::array()},
      {"checksums", checksums},
      {"record", record}};
  std::cout << document.dump(2, ' ', true) << "\n";
  return file.damaged() ? damaged(file) : kExitOk;
}

}  // namespace

bool decode(const std::string& raw, ProbeFile& file, bool lostAllowed) {
  recognise(raw, file);
  if (file.format == Format::Unknown) {
    file.fault = "not a probe image or XML document: " + file.how;
    return false;
  }
  if (file.format == Format::JsonText) {
    file.fault = readJsonRecord(file.bytes, file.view, lostAllowed);
    file.record = makeRecord(file.view);
    return file.fault.empty();
  }
  std::string reason;
  if (file.format == Format::Image) {
    file.record = file.report.record;
    file.fault = file.report.damage();
  } else if (!loadFromString(file.bytes, file.record, reason)) {
    // The library's own line carries the whole text (main drops it); this one says why.
    LOG4CPLUS_ERROR(g_probeLogger, "could not decode stream: " << reason);
    file.fault = "the library does not decode it: " + escaped(reason);
  }
  file.view = viewRecord(file.record);
  return true;
}

std::string readBack(const std::string& output, const RecordView& view, bool image,
                     bool lostAllowed) {
  ProbeFile back;
  if (!decode(output, back, lostAllowed) || back.damaged())
    return "it does not read back: " + back.fault;
  const std::string path = firstDifference(view, back.view, !image);
  return path.empty() ? "" : path + ": it does not read back as it is";
}

void checksumRows(const ProbeFile& file, TextTable& table) {
  unsigned int data = 0;
  if (!file.damaged()) {
    table.addRow({"record checksum", hex16(file.record.computeChecksum()),
                  "CRC-16 of the record's XML text"});
    table.addRow({"data checksum", dataChecksum(file.record, data) ? hex16(data) : "-",
                  "CRC-16 of the rigid body to mask thickness blocks of the image the record "
                  "codes to"});
  }
  const Report& report = file.report;
  if (file.isImage() && report.hasDataChecksum) {
    table.addRow({"image's own", hex16(report.dataChecksum),
                  "CRC-16 of the rigid body to mask thickness blocks of this image as they stand"});
  }
}

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

int load(const std::string& path, ProbeFile& file) {
  file.path = path;
  const int fd = openIn(path);
  if (fd < 0) return fail(kExitUsage, "cannot open " + file.name() + ": " + std::strerror(errno));
  std::string raw;
  char chunk[1 << 16];
  long count = 0;
  while (raw.size() <= kMaxInputSize && (count = ::read(fd, chunk, sizeof chunk)) != 0) {
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) break;
    raw.append(chunk, static_cast<std::size_t>(count));
  }
  const int error = errno;
  if (path != "-") ::close(fd);
  if (count < 0)
    return fail(kExitUsage, "cannot read " + file.name() + ": " + std::strerror(error));
  if (raw.size() > kMaxInputSize) {
    return fail(kExitUsage, "refusing " + file.name() + ": it holds more than " +
                                std::to_string(kMaxInputSize >> 20) +
                                " MiB, far more than any probe file");
  }
  return decode(raw, file) ? kExitOk : fail(kExitDamaged, file.name() + ": " + file.fault);
}

int written(const std::string& out, const std::string& bytes) {
  std::string reason;
  if (out == "-") std::cout << bytes;
  if (out == "-" || replaceFile(systemPath(out), bytes, reason)) return kExitOk;
  return fail(kExitUsage, "cannot write " + shown(out) + ": " + reason);
}

int show(const Options& options) {
  ProbeFile file;
  if (const int code = load(options.in, file)) return code;
  if (options.hex && !file.isImage()) {
    return fail(kExitUsage,
                file.name() + ": --hex shows an image's bytes, not those of this " + file.how);
  }
  if (options.json) return printDocument(file);
  TextTable head({"", ""});
  head.addRow({"file", file.name()});
  head.addRow({"format", file.formatText()});
  const Report& report = file.report;
  if (file.isImage() && report.hasVersion()) {
    head.addRow({"image version",
                 Report::versionText(report.version) + (report.hasMagic ? "" : " (no magic)")});
  }
  if (file.damaged()) head.addRow({"damage", file.fault});
  checksumRows(file, head);  // without what they are: that is the checksum command's
  std::cout << head.format("");
  if (!file.damaged()) std::cout << "\n" << formatRecordTable(file.view);
  if (options.hex) std::cout << "\n" << formatAnnotatedDump(file.bytes, report);
  return file.damaged() ? damaged(file) : kExitOk;
}

int check(const Options& options) {
  ProbeFile file;
  if (const int code = load(options.in, file)) return code;
  if (options.json) return printDocument(file);
  std::cout << file.name() << ": " << file.formatText() << "\n";
  TextTable table({"block", "verdict", "detail"});
  std::string unchecked;
  for (const Report::Item& item : file.report.items) {
    table.addRow({item.name, Report::verdictName(item.verdict), item.detail});
    if (item.verdict == Report::Intact && !item.unchecked.empty())
      unchecked += "  " + item.name + ": " + item.unchecked + "\n";
  }
  if (!file.isImage()) {
    table.addRow({"document", file.damaged() ? "FAILED" : "ok",
                  file.damaged() ? file.fault
                                 : plural(file.view.targets.size(), "target", "targets") +
                                       ", stored checksum " + hex16(file.view.checksum)});
  }
  if (!unchecked.empty())
    unchecked.insert(0, "\"intact\" says nothing of the bytes no checksum covers:\n");
  std::cout << table.format("  ") << unchecked << file.name()
            << (file.damaged() ? ": damaged: " + file.fault : ": intact") << "\n";
  return file.damaged() ? kExitDamaged : kExitOk;
}

int checksum(const Options& options) {
  ProbeFile file;
  if (const int code = load(options.in, file)) return code;
  if (options.json) return printDocument(file);
  TextTable table({"", "", ""});
  checksumRows(file, table);
  std::cout << table.format("");
  return file.damaged() ? damaged(file) : kExitOk;
}

int plot(const Options& options) {
  ProbeFile file;
  if (const int code = load(options.in, file)) return code;
  return file.damaged() ? damaged(file) : written(options.out, plotSvg(file.view));
}

}  // namespace probetool
