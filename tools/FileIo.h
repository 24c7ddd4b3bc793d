// Reading inputs and writing outputs. "-" is standard input or output. A file output appears
// whole or not at all: the bytes go to a temporary file beside it, which is renamed over it.
#ifndef PROBETOOL_FILE_IO_H
#define PROBETOOL_FILE_IO_H

#include <iosfwd>
#include <string>

#include "HexText.h"

namespace probetool {

struct IoResult {
  bool ok = true;
  std::string error;  // "cannot open in.bin: No such file or directory"
};

// All bytes of path, or of in when path is "-".
IoResult readInput(const std::string& path, std::istream& in, Bytes& bytes);

// Writes bytes to path, or to out when path is "-". A failure leaves no file behind and an
// existing file at path unchanged.
IoResult writeOutput(const std::string& path, std::ostream& out, const std::string& bytes);

}  // namespace probetool

#endif
