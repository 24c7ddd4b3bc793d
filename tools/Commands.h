// The commands of probetool, and what they share. Each command prints to standard output and
// standard error and returns the exit code; main checks that standard output was written.
// demo is in Demo.cpp, convert in Convert.cpp, the commands that read one file and print what it
// holds in Commands.cpp.
#ifndef PROBETOOL_COMMANDS_H
#define PROBETOOL_COMMANDS_H

#include <string>

class ProbeData;

namespace probetool {

struct ProbeFile;
class TextTable;

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
// says where it writes in place instead and what it refuses; out is taken as the system's narrow
// calls take it, and the message names it as given.
int written(const std::string& out, const std::string& bytes);
// What the library writes of a record: an image, an XML text; "" when it refuses it.
std::string encodeImage(const ProbeData& record);
std::string encodeXml(const ProbeData& record);
// The two checksums of a record, and for an image the CRC of its own data blocks, each said of
// what it is; a line each in table.
void checksumRows(const ProbeFile& file, TextTable& table);

}  // namespace probetool

#endif
