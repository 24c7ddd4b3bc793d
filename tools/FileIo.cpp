#include "FileIo.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <system_error>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace probetool {

namespace fs = std::filesystem;

namespace {

IoResult failure(const std::string& what, const std::string& path, const std::string& why) {
  return IoResult{false, what + " " + (path == "-" ? "standard input" : escaped(path)) +
                             (why.empty() ? "" : ": " + why)};
}

std::string systemError() { return errno != 0 ? std::strerror(errno) : ""; }

bool writeTo(const fs::path& file, const std::string& bytes) {
  errno = 0;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

}  // namespace

IoResult readInput(const std::string& path, Bytes& bytes) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    // A directory opens like a file on some systems and then reads as nothing.
    std::error_code ignored;
    if (fs::is_directory(path, ignored)) return failure("cannot read", path, "it is a directory");
    errno = 0;
    file.open(path, std::ios::binary);
    if (!file) return failure("cannot open", path, systemError());
    in = &file;
  }
  bytes.clear();
  char chunk[1 << 16];
  while (bytes.size() <= kMaxInputSize && in->read(chunk, sizeof chunk).gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in->gcount());
  }
  if (in->bad()) return failure("cannot read", path, systemError());
  if (bytes.size() > kMaxInputSize) {
    return failure("refusing", path, "it holds more than 16 MiB, far more than any probe file");
  }
  return IoResult();
}

IoResult writeOutput(const std::string& path, const std::string& bytes) {
  if (path == "-") {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return IoResult();
  }
  std::error_code error;
  fs::path target = path;
  if (fs::is_symlink(fs::symlink_status(target, error))) {
    // The file the link names, which need not exist yet: the link itself stays.
    target = fs::weakly_canonical(fs::absolute(target).parent_path() / fs::read_symlink(target));
  }
  const fs::file_status status = fs::status(target, error);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    return writeTo(target, bytes) ? IoResult() : failure("cannot write", path, systemError());
  }
  const fs::path temporary =
      target.string() + ".probetool-" + std::to_string(std::random_device()()) + ".tmp";
  if (!writeTo(temporary, bytes)) {
    const std::string why = systemError();
    fs::remove(temporary, error);
    return failure("cannot write", path, why);
  }
  if (fs::exists(status)) {
    fs::permissions(temporary, status.permissions(), error);
#if !defined(_WIN32)
    // The old file's owner, where this process may give it; else the process's own, as any new
    // file has.
    struct stat old;
    if (::stat(target.c_str(), &old) == 0 && ::chown(temporary.c_str(), old.st_uid, old.st_gid)) {
      errno = 0;
    }
#endif
  }
  fs::rename(temporary, target, error);
  if (error) {
    const std::string why = error.message();
    fs::remove(temporary, error);
    return failure("cannot replace", path, why);
  }
  return IoResult();
}

}  // namespace probetool
