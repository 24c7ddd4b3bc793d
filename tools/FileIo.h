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
// output for "-" (main checks that it was written). A file the user could not open for writing
// is refused with the system's reason and left as it was, as a shell redirection and cp refuse
// it. A new file, or a regular file (or the file a symbolic link names; the link stays a link),
// is replaced whole: a temporary file beside it is created with the file's permissions (and
// owner, where the process may give it), written, synced and renamed over it, and the directory
// synced; a failure, SIGINT, SIGTERM or SIGHUP removes the temporary file and leaves the old
// file. Written in place instead, as cp writes: a file with other hard links, so that every link
// sees the new text (not atomically), another user's file, which keeps its owner, a file in a
// directory that takes no new file, and anything that is no regular file, a device or a FIFO.
// Messages name path as given.
std::string writeOutput(const std::string& path, const std::string& bytes);

}  // namespace probetool

#endif
