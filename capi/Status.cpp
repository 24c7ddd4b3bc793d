// Status and reason, memory, version and the log of the C interface, and the helpers every part
// of it shares.
#include <log4cplus/appender.h>
#include <log4cplus/logger.h>
#include <log4cplus/spi/loggingevent.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>

#include "Error.h"
#include "Handles.h"
#include "ProbeVersion.h"

namespace {

// The reason of the thread's last call, and the system's error number behind it; one object, so
// that a call that succeeds finds both with one lookup of the thread's storage.
struct LastError {
  std::string reason;
  int system = 0;
};
thread_local LastError t_last;

// The library's own refusals of a request, and everything else it throws.
probedata_status statusOf(const char* function, std::string& reason) {
  try {
    throw;
  } catch (const capi::Failure& failure) {
    reason = failure.mistake ? std::string(function) + ": " + failure.reason : failure.reason;
    t_last.system = failure.system;
    return failure.status;
  } catch (const Error& error) {
    reason = error.getMessage();
    return PROBEDATA_ERROR_STATE;
  } catch (const std::bad_alloc&) {
    reason = "memory ran out: free some, or ask for less";
    return PROBEDATA_ERROR_MEMORY;
  } catch (const std::length_error&) {
    reason = "memory ran out: the request needs more than this process can hold";
    return PROBEDATA_ERROR_MEMORY;
  } catch (const std::exception& error) {
    reason = std::string("the library met an unexpected failure: ") + error.what();
  } catch (...) {
    reason = "the library met an unexpected failure";
  }
  return PROBEDATA_ERROR_INTERNAL;
}

// The one appender through which the C interface logs, attached to "Probe" on first use and never
// removed, so that the host's log function may change it from inside. It delivers nothing until
// a host sets a function, and keeps log4cplus from complaining that no appender is set.
class HostLog : public log4cplus::Appender {
 public:
  HostLog() { setName(LOG4CPLUS_TEXT("probedata_c")); }
  ~HostLog() override { destructorImpl(); }
  void close() override {}

  void set(probedata_log_function function, void* user, int level) {
    std::lock_guard<std::mutex> lock(mutex_);
    function_ = function;
    user_ = user;
    level_ = level;
  }
  int level() {
    std::lock_guard<std::mutex> lock(mutex_);
    return level_;
  }

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent& event) override {
    thread_local bool inside = false;
    if (inside) return;  // a line logged by a call the log function made
    probedata_log_function function;
    void* user;
    int level;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      function = function_, user = user_, level = level_;
    }
    const int lineLevel = event.getLogLevel() / log4cplus::DEBUG_LOG_LEVEL;
    if (function == nullptr || lineLevel < level) return;
    std::string message = LOG4CPLUS_TSTRING_TO_STRING(event.getMessage());
    const std::size_t kLongest = 1000;
    if (message.size() > kLongest) {
      std::size_t cut = kLongest;
      while (cut > 0 && (static_cast<unsigned char>(message[cut]) & 0xC0) == 0x80) --cut;
      message = message.substr(0, cut) + "... (" + std::to_string(message.size()) + " bytes)";
    }
    inside = true;
    function(user, lineLevel, message.c_str());
    inside = false;
  }

 private:
  std::mutex mutex_;
  probedata_log_function function_ = nullptr;
  void* user_ = nullptr;
  int level_ = PROBEDATA_LOG_OFF;
};

HostLog& hostLog() {
  static HostLog* const log = [] {
    auto* made = new HostLog();
    log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("Probe"))
        .addAppender(log4cplus::SharedAppenderPtr(made));
    return made;
  }();
  return *log;
}

}  // namespace

namespace capi {

void fail(probedata_status status, const std::string& reason) {
  throw Failure{status, reason, false, 0};
}
void failIo(const std::string& reason, int system) {
  throw Failure{PROBEDATA_ERROR_IO, reason + ": " + std::strerror(system), false, system};
}
void mistake(const std::string& reason) {
  throw Failure{PROBEDATA_ERROR_ARGUMENT, reason, true, 0};
}

void missing(const char* name) { mistake(std::string(name) + " is NULL"); }

void unbounded(std::size_t count, const char* name) {
  mistake(std::string(name) + " " + std::to_string(count) +
          " is more than any object can hold: pass the real one");
}

probedata_status reportException(const char* function) noexcept {
  try {
    hostLog();
    std::string reason;
    t_last.system = 0;
    const probedata_status status = statusOf(function, reason);
    t_last.reason = reason;
    return status;
  } catch (...) {
    t_last.reason.clear();
    return PROBEDATA_ERROR_MEMORY;
  }
}

void succeeded() noexcept {
  LastError& last = t_last;
  last.reason.clear();
  last.system = 0;
  try {
    hostLog();
  } catch (...) {
    // Without memory for the appender the library logs as a C++ host would have it.
  }
}

void* copyOut(const std::string& bytes) {
  void* memory = std::malloc(bytes.size() + 1);
  if (memory == nullptr) throw std::bad_alloc();
  std::memcpy(memory, bytes.data(), bytes.size());
  static_cast<char*>(memory)[bytes.size()] = '\0';
  return memory;
}

std::string textOf(const char* text, std::size_t length) {
  if (length != 0) need(text, "text");
  bounded(length, 1, "length");
  const void* nul = length == 0 ? nullptr : std::memchr(text, '\0', length);
  if (nul != nullptr) length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
  const std::size_t mark = length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
  return length == 0 ? std::string() : std::string(text + mark, length - mark);
}

std::filesystem::path pathOf(const char* path) {
  need(path, "path");
#if defined(_WIN32)
  return std::filesystem::u8path(path);
#else
  return std::filesystem::path(path);
#endif
}

std::string shown(const char* path) { return std::string("\"") + path + "\""; }

void refuseNulInId(const ProbeData& record) {
  const std::string& id = record.getRigidBody().getId();
  const std::size_t nul = id.find('\0');
  if (nul != std::string::npos) {
    fail(PROBEDATA_ERROR_ENCODE, "the id holds a NUL byte at " + std::to_string(nul) +
                                     ", which no XML text or image keeps: set an id without one");
  }
}

std::string xmlReason(const std::string& reason) {
  static const struct {
    const char* archive;
    const char* plain;
  } kPlain[] = {
      {"input stream error", "the text ends, or holds what a probe record's document does not"},
      {"XML start/end tag mismatch", "an element is not the one a probe record has here"},
      {"unrecognized XML syntax", "this is not the XML of a probe record"},
      {"invalid signature", "this is not a probe record's archive"},
      {"unsupported version", "the archive is newer than this library reads"},
      {"unsupported class version", "a part is of a newer version than this library reads"},
      {"array size too short", "a vector holds more than three values"},
  };
  const std::size_t colon = reason.rfind(": ");
  const std::string place = colon == std::string::npos ? "" : reason.substr(0, colon);
  const std::string archive = colon == std::string::npos ? reason : reason.substr(colon + 2);
  std::string plain = "it does not read";
  for (const auto& entry : kPlain) {
    if (archive.rfind(entry.archive, 0) == 0) plain = entry.plain;
  }
  return "the text is not a probe record's XML" + (place.empty() ? "" : " at " + place) + ": " +
         plain + " (" + archive + ")";
}

}  // namespace capi

extern "C" {

const char* PROBEDATA_CALL probedata_last_error(void) { return t_last.reason.c_str(); }

int PROBEDATA_CALL probedata_last_system_error(void) { return t_last.system; }

const char* PROBEDATA_CALL probedata_status_name(probedata_status status) {
  switch (capi::passed(&status)) {
    case PROBEDATA_OK:
      return "ok";
    case PROBEDATA_ERROR_ARGUMENT:
      return "argument";
    case PROBEDATA_ERROR_STATE:
      return "state";
    case PROBEDATA_ERROR_DECODE:
      return "decode";
    case PROBEDATA_ERROR_ENCODE:
      return "encode";
    case PROBEDATA_ERROR_IO:
      return "io";
    case PROBEDATA_ERROR_MEMORY:
      return "memory";
    case PROBEDATA_ERROR_INTERNAL:
      return "internal";
  }
  return "unknown";
}

void PROBEDATA_CALL probedata_free(void* memory) { std::free(memory); }

const char* PROBEDATA_CALL probedata_version_text(void) { return GetDllVersion(); }

void PROBEDATA_CALL probedata_version(int* major, int* minor, int* build) {
  if (major != nullptr) *major = GetDllVersionMajor();
  if (minor != nullptr) *minor = GetDllVersionMinor();
  if (build != nullptr) *build = GetDllBuildNumber();
}

probedata_status PROBEDATA_CALL probedata_set_log(probedata_log_function function, void* user,
                                                  int level) {
  return capi::run(__func__, [&] {
    if (level < PROBEDATA_LOG_TRACE || level > PROBEDATA_LOG_OFF) {
      capi::mistake("level " + std::to_string(level) +
                    " is none of PROBEDATA_LOG_TRACE (0) to PROBEDATA_LOG_OFF (6)");
    }
    hostLog().set(function, user, level);
    log4cplus::Logger logger = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("Probe"));
    const log4cplus::LogLevel wanted = level * log4cplus::DEBUG_LOG_LEVEL;
    if (level != PROBEDATA_LOG_OFF && wanted < logger.getChainedLogLevel()) {
      logger.setLogLevel(wanted);
    }
  });
}

probedata_status PROBEDATA_CALL probedata_get_log_level(int* level) {
  return capi::run(__func__, [&] {
    capi::need(level, "level");
    *level = hostLog().level();
  });
}

}  // extern "C"
