// Reading inputs and writing outputs; "-" is standard input or output.
#ifndef PROBETOOL_FILE_IO_H
#define PROBETOOL_FILE_IO_H

#include <string>

namespace probetool {

// Both return "" or what went wrong: "cannot open in.bin: No such file or directory".

// All bytes of path, or of standard input for "-"; more than kMaxInputSize is an error that
// names the limit, and no more is read. A file or a standard input that cannot be read, a
// directory among them, is an error with the system's reason.
std::string readInput(const std::string& path, std::string& bytes);

// Writes bytes, which the caller has checked and which are complete, to path, or to standard
// output for "-" (main checks that it was written). A file is replaced whole by the library's
// replaceFile (Utils.h), which says where it writes in place instead and what it refuses; path is
// taken as the system's narrow calls take it. Messages name path as given.
std::string writeOutput(const std::string& path, const std::string& bytes);

}  // namespace probetool

#endif
