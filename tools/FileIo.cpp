#include "FileIo.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "Text.h"
#include "Utils.h"

#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#endif

namespace probetool {

namespace {

#if defined(_WIN32)
constexpr int kBinary = O_BINARY;
// The name as the system's narrow calls take it, in the ANSI code page.
std::filesystem::path systemPath(const std::string& name) {
  std::wstring wide(name.size(), L'\0');
  const int size = static_cast<int>(name.size());
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_ACP, 0, name.data(), size, wide.data(), size)));
  return wide;
}
#else
constexpr int kBinary = 0;
std::filesystem::path systemPath(const std::string& name) { return name; }
#endif

std::string failure(const std::string& what, const std::string& path,
                    const std::string& why = std::strerror(errno)) {
  return what + " " + (path == "-" ? "standard input" : shown(path)) + ": " + why;
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
  std::string reason;
  return replaceFile(systemPath(path), bytes, reason) ? "" : failure("cannot write", path, reason);
}

}  // namespace probetool
