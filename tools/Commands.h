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

}  // namespace probetool

#endif
