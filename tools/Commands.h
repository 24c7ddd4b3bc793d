// The commands of probetool. Each prints to standard output and standard error and returns the
// exit code; main checks that standard output was written.
#ifndef PROBETOOL_COMMANDS_H
#define PROBETOOL_COMMANDS_H

#include <string>

namespace probetool {

enum ExitCode {
  kExitOk = 0,
  kExitDamaged = 1,  // damaged, unreadable or unrecognised probe data; a value an image cannot hold
  kExitUsage = 2,    // usage or I/O error
};

// A command line as parsed; strings left empty were not given.
struct Options {
  std::string in;   // FILE or IN
  std::string out;  // convert's OUT, plot's picture
  std::string to, format;
  bool hex = false;
  bool json = false;     // show, check, checksum: the JSON document
  bool salvage = false;  // convert: what a damaged image still holds, as JSON
};

int demo(const Options& options);
int show(const Options& options);
int check(const Options& options);
int convert(const Options& options);
int checksum(const Options& options);
int plot(const Options& options);

}  // namespace probetool

#endif
