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

// The system's calls on the path's own form: wide on Windows, bytes elsewhere. Windows keeps no
// owner or mode bits to carry over, and every file counts as the caller's own.
#if defined(_WIN32)
using FileStatus = struct _stat64;
constexpr auto statusOf = &_fstat64;
constexpr auto openFile = &_wopen;
constexpr auto accessible = &_waccess;
constexpr int kOpenFlags = _O_BINARY | _O_NOINHERIT;
int fsync(int fd) { return _commit(fd); }
int fchown(int, short, short) { return 0; }
int fchmod(int, mode_t) { return 0; }
int geteuid() { return 0; }
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
  sigset_t held, callers;
  HeldSignals() {
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
    bool any = false;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
      any = any || (sigismember(&pending, signal) == 1 && sigismember(&callers, signal) == 0 &&
                    sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN);
    }
    return any;
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
  return ::close(fd) == 0 && ok ? "" : std::strerror(ok ? errno : error);
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
  const bool owned =
      old == nullptr || ((::fchown(fd, old->st_uid, old->st_gid) == 0 || errno == EPERM) &&
                         ::fchmod(fd, static_cast<mode_t>(mode)) == 0);
  std::string why = owned ? writeAndClose(fd, bytes, true) : std::strerror(errno);
  if (!owned) ::close(fd);
  if (why.empty() && held.arrived()) why = "interrupted by a signal";
  std::error_code error;
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

}  // namespace

bool replaceFile(const fs::path& path, const std::string& bytes, std::string& reason) {
  std::error_code ignored;
  fs::path target = path;
  // The file the link names, which need not exist yet: the link itself stays.
  if (fs::is_symlink(fs::symlink_status(path, ignored)))
    target = fs::absolute(path, ignored).parent_path() / fs::read_symlink(path, ignored);
  const fs::path directory = target.has_parent_path() ? target.parent_path() : ".";
  // What the caller could not open for writing is refused, as a shell redirection refuses it.
  const int fd = openFile(path.c_str(), O_WRONLY | kOpenFlags);
  FileStatus old{};
  const bool regular = fd >= 0 && statusOf(fd, &old) == 0 && (old.st_mode & S_IFMT) == S_IFREG;
  if (fd < 0) {
    reason = errno == ENOENT ? replace(target, directory, bytes, nullptr) : std::strerror(errno);
  } else if (!regular || old.st_nlink > 1 || accessible(directory.c_str(), W_OK) != 0 ||
             (geteuid() != 0 && old.st_uid != geteuid())) {
    // Written in place, as cp writes: a device, a FIFO, a file with other hard links, which all
    // see the new text, another user's file, which keeps its owner (only root could give it
    // back), and a file in a directory that takes no new file.
    reason = writeAndClose(fd, bytes, regular);
  } else {
    ::close(fd);
    reason = replace(target, directory, bytes, &old);
  }
  return reason.empty();
}
