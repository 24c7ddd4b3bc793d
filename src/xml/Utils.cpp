#include "Utils.h"

#include <log4cplus/loggingmacros.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <istream>
#include <locale>
#include <memory>
#include <ostream>
#include <string>

#include "Admin.h"
#include "LegacyXmlIArchive.h"
#include "LegacyXmlOArchive.h"
#include "ProbeLogger.h"
#include "TextBuffers.h"
#include "XmlSchema.h"

namespace {

// Closes the file on every way out of the file functions.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The runtime's message for an errno value. It ends in a newline, as the Windows runtime's text
// does, so the log lines read the same on every platform.
std::string systemMessage(int error) { return std::string(std::strerror(error)) + '\n'; }

}  // namespace

bool saveToString(std::string& text, const ProbeData& record) {
  try {
    text.clear();
    StringSinkBuf sink;
    std::ostream os(&sink);
    // A host's global locale could group digits or change the decimal point.
    os.imbue(std::locale::classic());
    LegacyXmlOArchive archive(os);
    writeRecord(archive, record);
    // Taken before the archive goes: its release writes past the document.
    text = sink.take();
    return true;
  } catch (...) {
    // A host's appender may throw too; these functions never do.
    try {
      LOG4CPLUS_ERROR(g_probeLogger, "could not code to stream " << text);
    } catch (...) {
    }
    text.clear();
    return false;
  }
}

bool saveToFile(const std::string& path, const ProbeData& record, bool binary) {
  std::string text;
  if (!saveToString(text, record)) return false;

  // An existing file is written from its first byte and keeps whatever lies beyond the new
  // text; a missing one is created.
  const char* mode;
  if (admin::exist(path)) {
    mode = binary ? "r+b" : "r+t";
  } else {
    mode = binary ? "a+b" : "a+t";
  }
  FilePtr file(std::fopen(path.c_str(), mode));
  if (!file) {
    const int error = errno;
    LOG4CPLUS_ERROR(g_probeLogger,
                    "saveToFile(" << path << ") fopen failed " << systemMessage(error));
    return false;
  }
  const std::size_t written = std::fwrite(text.data(), 1, text.size(), file.get());
  if (written != text.size()) {
    if (std::ferror(file.get()) != 0) {
      LOG4CPLUS_ERROR(g_probeLogger, "saveToFile() fwrite failed " << std::ferror(file.get()));
    } else {
      LOG4CPLUS_ERROR(g_probeLogger, "saveToFile() fwrite failed unknown");
    }
    return false;
  }
  // The text reaches the file only when the buffer is flushed and the file closed: a full disk
  // shows here, and a save that did not reach the file is not reported as done.
  if (std::fflush(file.get()) != 0) {
    const int error = errno;
    LOG4CPLUS_ERROR(g_probeLogger,
                    "saveToFile(" << path << ") fflush failed " << systemMessage(error));
    return false;
  }
  if (std::fclose(file.release()) != 0) {
    const int error = errno;
    LOG4CPLUS_ERROR(g_probeLogger,
                    "saveToFile(" << path << ") fclose failed " << systemMessage(error));
    return false;
  }
  return true;
}

bool loadFromString(const std::string& text, ProbeData& record) {
  try {
    // The document ends at the first NUL. The archive reads the caller's text in place.
    const char* const begin = text.c_str();
    CharRangeBuf source(begin, begin + std::strlen(begin));
    std::istream is(&source);
    is.imbue(std::locale::classic());
    LegacyXmlIArchive archive(is);
    readRecord(archive, record);
    return true;
  } catch (...) {
    try {
      LOG4CPLUS_ERROR(g_probeLogger, "could not decode stream " << text);
    } catch (...) {
    }
    return false;
  }
}

bool loadFromFile(const std::string& path, ProbeData& record) {
  // Read and write access: a file that cannot be written is refused here too.
  FilePtr file(std::fopen(path.c_str(), "r+b"));
  if (!file) {
    const int error = errno;
    LOG4CPLUS_ERROR(g_probeLogger,
                    "loadFromFile(" << path << ") fopen failed " << systemMessage(error));
    return false;
  }
  unsigned long size = 0;
  try {
    size = admin::getFileSize(path);
  } catch (...) {
    LOG4CPLUS_ERROR(g_probeLogger, "loadFromFile() Could not find file size " << path);
    return false;
  }
  std::string text(size, '\0');
  const std::size_t count = std::fread(&text[0], 1, text.size(), file.get());
  if (count < text.size()) {
    if (std::feof(file.get()) != 0) {
      LOG4CPLUS_ERROR(g_probeLogger, "loadFromFile() eof reached");
    } else {
      LOG4CPLUS_ERROR(g_probeLogger, "loadFromFile() fread failed " << std::ferror(file.get()));
    }
    return false;
  }
  file.reset();
  // The text ends at the first NUL, in what is logged should decoding fail as well.
  text.resize(std::strlen(text.c_str()));
  return loadFromString(text, record);
}
