// The commands of probetool, and what they share. Each command prints to standard output and
// standard error and returns the exit code; main checks that standard output was written.
// demo is in Demo.cpp, convert in Convert.cpp; Commands.cpp holds what every command shares
// (reading a file and writing one, and the probe file read: recognised by what it holds, a
// version-1 image as raw bytes or as a hex dump, a probe record's XML document or a JSON text,
// probetool's own document or a record alone; inspected and decoded once) and the commands that
// read one file and print what it holds.
#ifndef PROBETOOL_COMMANDS_H
#define PROBETOOL_COMMANDS_H

#include <string>

#include "ProbeData.h"
#include "ProbeImageReport.h"
#include "RecordView.h"
#include "Text.h"

namespace probetool {

using Report = ProbeImageReport;

enum ExitCode {
  kExitOk = 0,
  kExitDamaged = 1,  // damaged, unreadable or unrecognised probe data; a value an image cannot hold
  kExitUsage = 2,    // usage or I/O error
};

// A command line as parsed; strings left empty were not given.
struct Options {
  std::string in, out;  // FILE or IN; convert's OUT, plot's picture
  std::string to, format;
  bool hex = false, json = false, salvage = false;
};

int demo(const Options& options);
int show(const Options& options);
int check(const Options& options);
int convert(const Options& options);
int checksum(const Options& options);
int plot(const Options& options);

// A probe file as the commands read it.
enum class Format { Image, Xml, JsonText, Unknown };

struct ProbeFile {
  std::string path;  // as given, "-" for standard input
  Format format = Format::Unknown;
  // Image: the image's bytes; Xml, JsonText: the text, without a byte order mark, which the
  // library does not read.
  std::string bytes;
  ProbeImageReport report;  // Image: the library's report on the bytes
  std::string how;          // how it was recognised, or why it was not
  std::string fault;        // what is damaged, or why it does not decode; empty when intact
  ProbeData record;         // the file's record; for a damaged image, what its intact blocks hold
  RecordView view;          // of the record, as tables, pictures and JSON show it

  std::string name() const { return path == "-" ? "standard input" : shown(path); }
  bool isImage() const { return format == Format::Image; }
  bool damaged() const { return !fault.empty(); }
  std::string formatText() const { return how + ", " + plural(bytes.size(), "byte", "bytes"); }
};

// Recognises raw's bytes and decodes them into file: false when they are no probe file (or a JSON
// text that holds no record), and fault says why; otherwise fault says what is damaged, if
// anything. What they are, in this order:
// an XML prologue (after an optional byte order mark and blanks); a "{" there, for JSON; bytes
// that start with the image magic, however few, or memory of one repeated 0x00 or 0xFF byte; a
// hex dump, whose bytes are then judged as raw bytes are; bytes as long as an image without the
// magic, or with the magic damaged in one byte. lostAllowed: a salvage document is read whole.
bool decode(const std::string& raw, ProbeFile& file, bool lostAllowed = false);

// The first value of view that an output does not give back when it is read as an input is;
// empty when it gives back every one. An image holds real values to a resolution of its own,
// which checkImageFit judges.
std::string readBack(const std::string& output, const RecordView& view, bool image,
                     bool lostAllowed = false);

// "probetool: message" on standard error; returns code.
int fail(int code, const std::string& message);
// Reads the probe file at path, or standard input for "-", and decodes it: kExitOk when it was
// read and recognised (it may still be damaged); otherwise the message is out and the code
// returned. More than kMaxInputSize is refused, naming the limit, and no more is read; a file or
// a standard input that cannot be read, a directory among them, is refused with the system's
// reason.
int load(const std::string& path, ProbeFile& file);
// Writes bytes, which the caller has checked and which are complete, to out, or to standard
// output for "-" (main checks that it was written): kExitOk, or the message is out and
// kExitUsage returned. A file is replaced whole by the library's replaceFile (Utils.h), which
// says where it writes in place instead and what it refuses; out is a name as main takes the
// words (UTF-8 on Windows, bytes elsewhere), and the message names it as given.
int written(const std::string& out, const std::string& bytes);
// What the library writes of a record: an image, an XML text; "" when it refuses it.
std::string encodeImage(const ProbeData& record);
std::string encodeXml(const ProbeData& record);
// The two checksums of a record, and for an image the CRC of its own data blocks, each said of
// what it is; a line each in table.
void checksumRows(const ProbeFile& file, TextTable& table);

}  // namespace probetool

#endif
