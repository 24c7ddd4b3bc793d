// The commands of probetool, each over the streams it is given.
#ifndef PROBETOOL_COMMANDS_H
#define PROBETOOL_COMMANDS_H

#include <iosfwd>
#include <string>

#include "ProbeData.h"

namespace probetool {

enum ExitCode {
  kExitOk = 0,
  kExitDamaged = 1,  // damaged, unreadable or unrecognised probe data; a failed round trip
  kExitUsage = 2,    // usage or I/O error
};

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// A command line as parsed; strings left empty were not given.
struct Options {
  std::string command;
  std::string in;   // FILE or IN
  std::string out;  // convert's OUT
  std::string to, format, imageVersion;
  std::string output;  // plot's picture
  bool hex = false;
  bool json = false;  // show, check, checksum: the JSON document
};

// The built-in probe of the demo: a readable id, five targets, some with normals and angles,
// all values on the image's stored grid so that they come back exactly.
ProbeData sampleProbe();

int runCommand(const Options& options, Streams& streams);

}  // namespace probetool

#endif
