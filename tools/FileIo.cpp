#include "FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>

#include "Text.h"

#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#endif

namespace probetool {

namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
constexpr int kBinary = O_BINARY, kSignals[] = {SIGINT, SIGTERM};
int fsync(int fd) { return _commit(fd); }
bool othersFile(const struct stat&) { return false; }
#else
constexpr int kBinary = 0, kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Another user's file, to which only root could give its owner back.
bool othersFile(const struct stat& file) { return geteuid() != 0 && file.st_uid != geteuid(); }
#endif

// The temporary file that a signal removes, while it exists.
const char* volatile g_temporary = nullptr;

void removeTemporary(int signal) {
  if (g_temporary != nullptr) ::unlink(g_temporary);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

std::string failure(const std::string& what, const std::string& path,
                    const std::string& why = std::strerror(errno)) {
  return what + " " + (path == "-" ? "standard input" : shown(path)) + ": " + why;
}

bool writeAll(int fd, const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const auto written = ::write(fd, bytes.data() + at, static_cast<unsigned>(bytes.size() - at));
    if (written <= 0 && errno != EINTR) return false;
    at += static_cast<std::size_t>(written > 0 ? written : 0);
  }
  return true;
}

// Writes into an open file and closes it: a regular file is emptied first and synced after.
std::string writeThrough(int fd, const std::string& path, const std::string& bytes, bool regular) {
  bool ok =
      (!regular || ::ftruncate(fd, 0) == 0) && writeAll(fd, bytes) && (!regular || fsync(fd) == 0);
  const int error = errno;
  ok = ::close(fd) == 0 && ok;
  return ok ? "" : failure("cannot write", path, std::strerror(error != 0 ? error : errno));
}

// A new file beside target, created with old's mode and given its owner where the process may,
// written, synced and renamed over target; then the directory synced.
std::string replace(const fs::path& target, const std::string& path, const std::string& bytes,
                    const struct stat* old) {
  for (const int signal : kSignals) {
    if (std::signal(signal, removeTemporary) == SIG_IGN) std::signal(signal, SIG_IGN);  // nohup
  }
  const fs::path directory = target.parent_path();
  const unsigned int mode = old != nullptr ? old->st_mode & 07777 : 0666;
  static std::string temporary;
  std::random_device random;
  int fd = -1;
  for (int tries = 0; fd < 0 && tries < 100 && (tries == 0 || errno == EEXIST); ++tries) {
    temporary = (directory / ("probetool-" + std::to_string(random()) + ".tmp")).string();
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | kBinary, mode);
  }
  if (fd < 0) return failure("cannot write", path);
  g_temporary = temporary.c_str();
  bool ok = true;
#if !defined(_WIN32)
  // A group the process may not give is not given; a mode umask narrowed is widened again.
  ok = old == nullptr ||
       ((::fchown(fd, old->st_uid, old->st_gid) == 0 || errno == EPERM) && ::fchmod(fd, mode) == 0);
#endif
  ok = ok && writeAll(fd, bytes) && fsync(fd) == 0;
  const int error = errno;
  ok = ::close(fd) == 0 && ok;
  std::error_code renamed;
  if (ok) fs::rename(temporary, target, renamed);
  if (!ok || renamed) ::unlink(temporary.c_str());
  g_temporary = nullptr;
  if (!ok || renamed) {
    return failure("cannot write", path, renamed ? renamed.message() : std::strerror(error));
  }
#if !defined(_WIN32)
  const int dir = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) fsync(dir);  // as far as the file system syncs a directory
  if (dir >= 0) ::close(dir);
#endif
  return "";
}

}  // namespace

std::string readInput(const std::string& path, std::string& bytes) {
  const bool standard = path == "-";
#if defined(_WIN32)
  if (standard) _setmode(0, O_BINARY);
#endif
  const int fd = standard ? 0 : ::open(path.c_str(), O_RDONLY | kBinary);
  if (fd < 0) return failure("cannot open", path);
  bytes.clear();
  char chunk[1 << 16];
  long count = 0;
  while (bytes.size() <= kMaxInputSize && (count = ::read(fd, chunk, sizeof chunk)) != 0) {
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) break;
    bytes.append(chunk, static_cast<std::size_t>(count));
  }
  const int error = errno;
  if (!standard) ::close(fd);
  if (count < 0) return failure("cannot read", path, std::strerror(error));
  if (bytes.size() <= kMaxInputSize) return "";
  return failure("refusing", path,
                 "it holds more than " + std::to_string(kMaxInputSize >> 20) +
                     " MiB, far more than any probe file");
}

std::string writeOutput(const std::string& path, const std::string& bytes) {
  if (path == "-") {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return "";
  }
  struct stat old;
  const bool exists = ::stat(path.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return failure("cannot write", path);
  std::error_code ignored;
  fs::path target = path;
  if (fs::is_symlink(fs::symlink_status(target, ignored))) {
    // The file the link names, which need not exist yet: the link itself stays.
    target = fs::absolute(target, ignored).parent_path() / fs::read_symlink(target, ignored);
  }
  if (!exists) return replace(target, path, bytes, nullptr);
  // What the user could not open for writing is refused, as a redirection refuses it.
  const int fd = ::open(target.string().c_str(), O_WRONLY | kBinary);
  if (fd < 0) return failure("cannot write", path);
  // Written in place, as cp writes: a device, a FIFO, a file with other hard links, which all see
  // the new text, another user's file, which keeps its owner, and a file in a directory that
  // takes no new file.
  const bool regular = S_ISREG(old.st_mode);
  const fs::path directory = target.has_parent_path() ? target.parent_path() : ".";
  if (!regular || old.st_nlink > 1 || othersFile(old) ||
      ::access(directory.string().c_str(), W_OK) != 0) {
    return writeThrough(fd, path, bytes, regular);
  }
  ::close(fd);
  return replace(target, path, bytes, &old);
}

}  // namespace probetool
