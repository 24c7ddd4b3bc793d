// probetool: looks at, checks, converts and draws probe memory images and XML files through
// the probe library's public interface. Run with --help for the commands and exit codes.
#include <log4cplus/initializer.h>
#include <log4cplus/loglevel.h>

#include <iostream>
#include <string>
#include <vector>

#include "Args.h"
#include "Commands.h"
#include "LogSetup.h"
#include "ProbeVersion.h"

int main(int argc, char** argv) {
  using namespace probetool;
  log4cplus::Initializer initializer;
  const Invocation invocation =
      parseArguments(std::vector<std::string>(argv + 1, argv + (argc > 0 ? argc : 1)));
  const CommandDef* def = findCommand(invocation.command);

  if (!invocation.error.empty()) {
    std::cerr << "probetool: " << invocation.error << "\n\n"
              << (def != nullptr ? commandHelp(*def) : usageText());
    return kExitUsage;
  }
  if (invocation.help) {
    std::cout << (def != nullptr ? commandHelp(*def) : usageText());
    return kExitOk;
  }
  if (invocation.version) {
    std::cout << GetDllVersion() << "\n";
    return kExitOk;
  }
  int level = log4cplus::OFF_LOG_LEVEL;
  if (invocation.hasLogLevel && !parseLogLevel(invocation.logLevel, level)) {
    std::cerr << "probetool: --log takes TRACE, DEBUG, INFO, WARN, ERROR, FATAL or OFF, not \""
              << invocation.logLevel << "\"\n";
    return kExitUsage;
  }
  configureLogging(invocation.hasLogLevel, level);
  Streams streams{std::cin, std::cout, std::cerr};
  try {
    return runCommand(invocation, streams);
  } catch (const std::exception& error) {
    std::cerr << "probetool: unexpected failure: " << error.what() << "\n";
    return kExitUsage;
  }
}
