// Reading inputs and writing outputs; "-" is standard input or output.
#ifndef PROBETOOL_FILE_IO_H
#define PROBETOOL_FILE_IO_H

#include <cstddef>
#include <string>

#include "Text.h"

namespace probetool {

// A probe file is small: an image is 428 bytes, the XML of 30 targets about 30 kB.
constexpr std::size_t kMaxInputSize = std::size_t{16} << 20;

struct IoResult {
  bool ok = true;
  std::string error;  // "cannot open in.bin: No such file or directory"
};

// All bytes of path, or of standard input for "-"; more than kMaxInputSize is an error that
// names the limit, and no more is read.
IoResult readInput(const std::string& path, Bytes& bytes);

// Writes bytes to path, or to standard output for "-" (main checks that it was written). A
// regular file, or the file a symbolic link names, is replaced whole through a temporary file
// beside it that takes the file's permissions (and owner, where the process may set it); the
// link stays a link. Anything else, a device or a FIFO, is written through, as a shell
// redirection does. A failure leaves an existing file as it was; messages name path.
IoResult writeOutput(const std::string& path, const std::string& bytes);

}  // namespace probetool

#endif
