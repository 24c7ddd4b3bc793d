// Status and reason, memory, version and logging of the C interface.
#include <log4cplus/appender.h>
#include <log4cplus/logger.h>
#include <log4cplus/spi/loggingevent.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "Error.h"
#include "Handles.h"
#include "ProbeVersion.h"

namespace capi {

namespace {

thread_local std::string t_lastError;

// The library's own refusals of a request, and everything else it throws.
probedata_status statusOf(const char* function, std::string& reason) {
  try {
    throw;
  } catch (const Failure& failure) {
    reason = failure.mistake ? std::string(function) + ": " + failure.reason : failure.reason;
    return failure.status;
  } catch (const Error& error) {
    reason = error.getMessage();
    return PROBEDATA_ERROR_STATE;
  } catch (const std::bad_alloc&) {
    reason = "memory ran out";
    return PROBEDATA_ERROR_MEMORY;
  } catch (const std::exception& error) {
    reason = error.what();
  } catch (...) {
    reason = "an unknown failure";
  }
  return PROBEDATA_ERROR_INTERNAL;
}

}  // namespace

void fail(probedata_status status, const std::string& reason) {
  throw Failure{status, reason, false};
}
void mistake(const std::string& reason) { throw Failure{PROBEDATA_ERROR_ARGUMENT, reason, true}; }

void need(const void* pointer, const char* name) {
  if (pointer == nullptr) mistake(std::string(name) + " is NULL");
}

probedata_status reportException(const char* function) noexcept {
  try {
    std::string reason;
    const probedata_status status = statusOf(function, reason);
    t_lastError = reason;
    return status;
  } catch (...) {
    t_lastError.clear();
    return PROBEDATA_ERROR_MEMORY;
  }
}

const std::string& asString(const void* bytes, std::size_t length) {
  thread_local std::string buffer;
  buffer.assign(static_cast<const char*>(bytes), length);
  return buffer;
}

void* copyOut(const std::string& bytes) {
  void* memory = std::malloc(bytes.size() + 1);
  if (memory == nullptr) throw std::bad_alloc();
  std::memcpy(memory, bytes.data(), bytes.size());
  static_cast<char*>(memory)[bytes.size()] = '\0';
  return memory;
}

}  // namespace capi

namespace {

// Hands each line to the host's function. One at a time: the host's function need not be
// reentrant.
class HostLog : public log4cplus::Appender {
 public:
  HostLog(probedata_log_function function, void* user) : function_(function), user_(user) {
    setName(LOG4CPLUS_TEXT("probedata_c"));
  }
  ~HostLog() override { destructorImpl(); }
  void close() override {}

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent& event) override {
    const std::string message = LOG4CPLUS_TSTRING_TO_STRING(event.getMessage());
    function_(user_, event.getLogLevel(), message.c_str());
  }

 private:
  probedata_log_function function_;
  void* user_;
};

}  // namespace

extern "C" {

const char* probedata_last_error(void) { return capi::t_lastError.c_str(); }

const char* probedata_status_name(probedata_status status) {
  switch (status) {
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

void probedata_free(void* memory) { std::free(memory); }

const char* probedata_version_text(void) { return GetDllVersion(); }

void probedata_version(int* major, int* minor, int* build) {
  if (major != nullptr) *major = GetDllVersionMajor();
  if (minor != nullptr) *minor = GetDllVersionMinor();
  if (build != nullptr) *build = GetDllBuildNumber();
}

probedata_status probedata_set_log(probedata_log_function function, void* user, int level) {
  return capi::run(__func__, [&] {
    log4cplus::Logger logger = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("Probe"));
    if (logger.getAppender(LOG4CPLUS_TEXT("probedata_c"))) {
      logger.removeAppender(LOG4CPLUS_TEXT("probedata_c"));
    }
    if (function != nullptr)
      logger.addAppender(log4cplus::SharedAppenderPtr(new HostLog(function, user)));
    logger.setLogLevel(level);
  });
}

}  // extern "C"
