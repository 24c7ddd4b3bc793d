// replaceFile (Utils.h): a file written whole, through a temporary file beside it where it can.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>

#include "Utils.h"

#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#endif

namespace fs = std::filesystem;

namespace {

// The system's calls on the path's own form: wide on Windows, bytes elsewhere.
#if defined(_WIN32)
using FileStatus = struct _stat64;
constexpr auto statusOf = &_fstat64;
constexpr auto openFile = &_wopen;
constexpr auto accessible = &_waccess;
constexpr int kOpenFlags = _O_BINARY | _O_NOINHERIT;
int fsync(int fd) { return _commit(fd); }
struct HeldSignals {  // Windows has none of the three
  bool arrived() const { return false; }
};
#else
using FileStatus = struct stat;
constexpr auto statusOf = &::fstat;
constexpr auto openFile = &::open;
constexpr auto accessible = &::access;
constexpr int kOpenFlags = O_CLOEXEC;
// SIGINT, SIGTERM and SIGHUP blocked in the calling thread while the object lives, so that none
// ends the process between the temporary file's creation and its rename or removal; the
// destructor brings the caller's mask back, and so delivers what arrived meanwhile.
struct HeldSignals {
  sigset_t callers;
  HeldSignals() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &callers);
  }
  ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &callers, nullptr); }
  // One is pending that the caller neither blocks nor ignores (under nohup SIGHUP is ignored,
  // and dropped as the mask comes back).
  bool arrived() const {
    sigset_t pending;
    struct sigaction action;
    sigpending(&pending);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
      if (sigismember(&pending, signal) == 1 && sigismember(&callers, signal) == 0 &&
          sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN) {
        return true;
      }
    }
    return false;
  }
};
#endif

// Writes bytes and closes fd; a regular file is emptied first and synced after. "" or the
// system's reason.
std::string writeAndClose(int fd, const std::string& bytes, bool regular) {
  errno = 0;
  bool ok = !regular || ::ftruncate(fd, 0) == 0;
  for (std::size_t at = 0; ok && at < bytes.size();) {
    const auto written = ::write(fd, bytes.data() + at, static_cast<unsigned>(bytes.size() - at));
    ok = written > 0 || errno == EINTR;
    at += static_cast<std::size_t>(written > 0 ? written : 0);
  }
  ok = ok && (!regular || fsync(fd) == 0);
  const int error = errno;
  const bool closed = ::close(fd) == 0;
  return ok && closed ? "" : std::strerror(ok ? errno : error);
}

// A new file beside target, ".NAME.1A2B3C.tmp" (without NAME where that would make too long a
// name), created exclusively with old's mode, given old's owner where the process may (and the
// mode the umask narrowed), written, synced and renamed over target; then the directory synced.
std::string replace(const fs::path& target, const fs::path& directory, const std::string& bytes,
                    const FileStatus* old) {
  const int mode = old != nullptr ? static_cast<int>(old->st_mode & 07777) : 0666;
  const HeldSignals held;
  std::random_device random;
  fs::path temporary;
  int fd = -1;
  for (int tries = 0; fd < 0 && tries < 100 && (tries == 0 || errno == EEXIST); ++tries) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "%06X.tmp", random() & 0xFFFFFFu);
    temporary = ".";
    if (target.filename().native().size() <= 200) (temporary += target.filename()) += ".";
    temporary = directory / (temporary += tail);
    fd = openFile(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, mode);
  }
  if (fd < 0) return std::strerror(errno);
  std::string why;
#if !defined(_WIN32)
  if (old != nullptr && ((::fchown(fd, old->st_uid, old->st_gid) != 0 && errno != EPERM) ||
                         ::fchmod(fd, static_cast<mode_t>(mode)) != 0)) {
    why = std::strerror(errno);
    ::close(fd);
  }
#endif
  std::error_code error;
  if (why.empty()) why = writeAndClose(fd, bytes, true);
  if (why.empty() && held.arrived()) why = "interrupted by a signal";
  if (why.empty()) fs::rename(temporary, target, error);
  if (why.empty() && error) why = error.message();
  if (!why.empty()) fs::remove(temporary, error);
#if !defined(_WIN32)
  // So that the rename outlives a power loss, as far as the file system syncs a directory.
  if (why.empty() && (fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
#endif
  return why;
}

std::string replaced(const fs::path& path, const std::string& bytes) {
  std::error_code ignored;
  fs::path target = path;
  if (fs::is_symlink(fs::symlink_status(path, ignored))) {
    // The file the link names, which need not exist yet: the link itself stays.
    target = fs::absolute(path, ignored).parent_path() / fs::read_symlink(path, ignored);
  }
  const fs::path directory = target.has_parent_path() ? target.parent_path() : ".";
  // What the caller could not open for writing is refused, as a shell redirection refuses it.
  const int fd = openFile(path.c_str(), O_WRONLY | kOpenFlags);
  if (fd < 0) {
    return errno == ENOENT ? replace(target, directory, bytes, nullptr) : std::strerror(errno);
  }
  // Written in place, as cp writes: a device, a FIFO, a file with other hard links, which all see
  // the new text, another user's file, which keeps its owner (only root could give it back), and
  // a file in a directory that takes no new file.
  FileStatus old;
  const bool regular = statusOf(fd, &old) == 0 && (old.st_mode & S_IFMT) == S_IFREG;
  bool inPlace = !regular || old.st_nlink > 1 || accessible(directory.c_str(), W_OK) != 0;
#if !defined(_WIN32)
  inPlace = inPlace || (geteuid() != 0 && old.st_uid != geteuid());
#endif
  if (inPlace) return writeAndClose(fd, bytes, regular);
  ::close(fd);
  return replace(target, directory, bytes, &old);
}

}  // namespace

bool replaceFile(const fs::path& path, const std::string& bytes, std::string& reason) {
  reason = replaced(path, bytes);
  return reason.empty();
}
