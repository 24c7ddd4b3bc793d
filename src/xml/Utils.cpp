#include "Utils.h"

#include <log4cplus/loggingmacros.h>
#include <boost/algorithm/string/predicate.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <locale>
#include <memory>
#include <sstream>
#include <string>

#include "Admin.h"
#include "Boost137XmlIArchive.h"
#include "Boost137XmlOArchive.h"
#include "Crc16.h"
#include "ProbeLogger.h"
#include "XmlSchema.h"

namespace {

// Closes the file on every way out of the file functions.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// "line 4, column 21: ", where reading stopped after consumed characters of text.
std::string place(const std::string& text, std::size_t consumed) {
  const std::string read = text.substr(0, consumed);
  const std::size_t lineStart = read.rfind('\n') + 1;  // 0 on the first line
  return "line " + std::to_string(1 + std::count(read.begin(), read.end(), '\n')) + ", column " +
         std::to_string(read.size() - lineStart + 1) + ": ";
}

// Logs message at ERROR and keeps it, without the system message's newline, as the reason.
bool failed(std::string& reason, const std::string& message) {
  reason = message.substr(0, message.find_last_not_of('\n') + 1);
  try {
    LOG4CPLUS_ERROR(g_probeLogger, message);
  } catch (...) {
    // A host's appender may throw; these functions report by their result.
  }
  return false;
}

// Logs and keeps "FUNCTION(PATH) CALL failed " and the runtime's message for errno, which is read
// before anything else can change it. The message ends in a newline, as the Windows runtime's
// text does, so the log lines read the same on every platform.
bool systemFailed(std::string& reason, const char* function, const std::string& path,
                  const char* call) {
  const int error = errno;
  return failed(reason, std::string(function) + "(" + path + ") " + call + " failed " +
                            std::strerror(error) + '\n');
}

// The message of the exception being handled.
std::string currentMessage() {
  try {
    throw;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "unknown failure";
  }
}

}  // namespace

bool saveToString(std::string& text, const ProbeData& record) {
  std::string reason;
  return saveToString(text, record, reason);
}

// Never throws, memory exhaustion included: the reason may then stay empty.
bool saveToString(std::string& text, const ProbeData& record, std::string& reason) {
  try {
    reason.clear();
    text.clear();
    std::ostringstream os;
    // A host's global locale could group digits or change the decimal point.
    os.imbue(std::locale::classic());
    Boost137XmlOArchive archive(os);
    writeRecord(archive, record);
    // Taken before the archive goes: its release writes past the document.
    text = os.str();
    return true;
  } catch (...) {
    try {
      // The text is empty unless only the archive's release failed.
      failed(reason, "could not code to stream " + text);
      reason = currentMessage();
    } catch (...) {
    }
    text.clear();
    return false;
  }
}

bool saveToFile(const std::string& path, const ProbeData& record, bool binary) {
  std::string reason;
  return saveToFile(path, record, binary, reason);
}

bool saveToFile(const std::string& path, const ProbeData& record, bool binary,
                std::string& reason) {
  std::string text;
  if (!saveToString(text, record, reason)) return false;

  // An existing file is written from its first byte and keeps whatever lies beyond the new
  // text; a missing one is created.
  const char* mode = admin::exist(path) ? (binary ? "r+b" : "r+t") : (binary ? "a+b" : "a+t");
  FilePtr file(std::fopen(path.c_str(), mode));
  if (!file) return systemFailed(reason, "saveToFile", path, "fopen");
  if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
    const int indicator = std::ferror(file.get());
    return failed(reason, indicator != 0 ? "saveToFile() fwrite failed " + std::to_string(indicator)
                                         : std::string("saveToFile() fwrite failed unknown"));
  }
  // The text reaches the file only when the buffer is flushed and the file closed: a full disk
  // shows here, and a save that did not reach the file is not reported as done.
  if (std::fflush(file.get()) != 0) return systemFailed(reason, "saveToFile", path, "fflush");
  if (std::fclose(file.release()) != 0) return systemFailed(reason, "saveToFile", path, "fclose");
  return true;
}

bool loadFromString(const std::string& text, ProbeData& record) {
  std::string reason;
  return loadFromString(text, record, reason);
}

// Never throws, memory exhaustion included: the reason may then stay empty.
bool loadFromString(const std::string& text, ProbeData& record, std::string& reason) {
  std::istringstream is;  // where reading stopped is asked after a failure
  try {
    reason.clear();
    errno = 0;  // Boost words a stream error with the system's message
    is.str(text.substr(0, text.find('\0')));  // the document ends at the first NUL
    is.imbue(std::locale::classic());
    Boost137XmlIArchive archive(is);
    readRecord(archive, record);
    return true;
  } catch (...) {
    try {
      const std::streamoff read = is.rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
      // Boost appends the system's message to a stream error, also when there was none.
      std::string why = place(text, static_cast<std::size_t>(read)) + currentMessage();
      const std::string none = std::string("-") + std::strerror(0);
      if (boost::algorithm::ends_with(why, none)) why.resize(why.size() - none.size());
      failed(reason, "could not decode stream " + text);
      reason = why;
    } catch (...) {
    }
    return false;
  }
}

bool loadFromFile(const std::string& path, ProbeData& record) {
  std::string reason;
  return loadFromFile(path, record, reason);
}

// Every way out sets the reason: a failure here, or loadFromString.
bool loadFromFile(const std::string& path, ProbeData& record, std::string& reason) {
  // Read and write access: a file that cannot be written is refused here too.
  FilePtr file(std::fopen(path.c_str(), "r+b"));
  if (!file) return systemFailed(reason, "loadFromFile", path, "fopen");
  unsigned long size = 0;
  try {
    size = admin::getFileSize(path);
  } catch (...) {
    return failed(reason, "loadFromFile() Could not find file size " + path);
  }
  std::string text(size, '\0');
  if (std::fread(&text[0], 1, text.size(), file.get()) < text.size()) {
    return failed(reason, std::feof(file.get()) != 0 ? std::string("loadFromFile() eof reached")
                                                     : "loadFromFile() fread failed " +
                                                           std::to_string(std::ferror(file.get())));
  }
  file.reset();
  // The text ends at the first NUL, in what is logged should decoding fail as well.
  text.resize(std::strlen(text.c_str()));
  return loadFromString(text, record, reason);
}

// The record's checksum is a CRC of its XML text, so it is defined with that text.
unsigned int ProbeData::computeChecksum() const {
  std::string text;
  if (!saveToString(text, *this)) return 0;
  const unsigned int result = crc16Arc(text.data(), text.size());
  // The simulation coder's data checksum, which is this one, logs as the coder's.
  LOG4CPLUS_DEBUG(g_probeLogger, "PDSimuCoder::checksum result " << result);
  return result;
}
