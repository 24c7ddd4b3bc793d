// The host system's error exception. Building one reports its message through the given logger
// at the given level; the object then travels by value like any std::exception.
#ifndef PROBE_OUTSIDE_ERROR_H
#define PROBE_OUTSIDE_ERROR_H

#include <exception>
#include <string>

#include "OutsideExport.h"

namespace log4cplus {
class Logger;
}

class PROBEOUTSIDE_API Error : public std::exception {
 public:
  // logger may be null: the message is then only carried, not reported.
  Error(int line, const std::string& file, const std::string& message, log4cplus::Logger* logger,
        int level);

  const char* what() const noexcept override;
  const std::string& getMessage() const;
  const std::string& getFile() const;
  int getLine() const;
  int getLevel() const;

 private:
  int line_;
  std::string file_;
  std::string message_;
  int level_;
};

#endif
