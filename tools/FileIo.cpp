#include "FileIo.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#define PROBETOOL_GETPID _getpid
#else
#include <unistd.h>
#define PROBETOOL_GETPID getpid
#endif

namespace probetool {

namespace {

IoResult failure(const std::string& what, const std::string& path, int error) {
  IoResult result;
  result.ok = false;
  result.error = what + " " + path + (error != 0 ? std::string(": ") + std::strerror(error) : "");
  return result;
}

// A name beside path that no other run of the tool picks at the same time.
std::string temporaryName(const std::string& path) {
  static std::atomic<unsigned int> counter{0};
  return path + ".probetool-" + std::to_string(PROBETOOL_GETPID()) + "-" +
         std::to_string(counter++) + ".tmp";
}

}  // namespace

IoResult readInput(const std::string& path, std::istream& in, Bytes& bytes) {
  if (path == "-") {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return failure("cannot read", "standard input", 0);
    return IoResult();
  }
  // A directory opens like a file on some systems and then reads as nothing.
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    IoResult result;
    result.ok = false;
    result.error = "cannot read " + path + ": it is a directory";
    return result;
  }
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) return failure("cannot open", path, errno);
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) return failure("cannot read", path, errno);
  return IoResult();
}

IoResult writeOutput(const std::string& path, std::ostream& out, const std::string& bytes) {
  if (path == "-") {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) return failure("cannot write", "standard output", 0);
    return IoResult();
  }
  const std::string temporary = temporaryName(path);
  errno = 0;
  std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
  if (!file) return failure("cannot create", temporary, errno);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    const int error = errno;
    std::remove(temporary.c_str());
    return failure("cannot write", temporary, error);
  }
  std::error_code renamed;
  std::filesystem::rename(temporary, path, renamed);
  if (renamed) {
    std::remove(temporary.c_str());
    IoResult result;
    result.ok = false;
    result.error = "cannot replace " + path + ": " + renamed.message();
    return result;
  }
  return IoResult();
}

}  // namespace probetool
