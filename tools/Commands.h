// The commands of probetool, each over the streams it is given so that it runs the same from
// main and from tests.
#ifndef PROBETOOL_COMMANDS_H
#define PROBETOOL_COMMANDS_H

#include <iosfwd>

#include "Args.h"
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

// The built-in probe of the demo: a readable id, five targets, some with normals and angles,
// all values on the image's stored grid so that they come back exactly.
ProbeData sampleProbe();

// Runs a parsed command line that carries no usage error.
int runCommand(const Invocation& invocation, Streams& streams);

}  // namespace probetool

#endif
