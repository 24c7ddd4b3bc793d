// probetool: looks at, checks, converts and draws probe memory images and XML files through the
// probe library. Run with --help for the commands and exit codes.
#include <log4cplus/consoleappender.h>
#include <log4cplus/helpers/loglog.h>
#include <log4cplus/initializer.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "ProbeVersion.h"
#include "Text.h"

namespace {

using namespace probetool;

const char kDescription[] =
    "Looks at, checks, converts and draws the data of measurement probes: version-1 memory\n"
    "images (raw bytes or a hex dump), XML files of probe records, and records in JSON. -\n"
    "stands for standard input or output. COMMAND --help tells more of each command.";

// log4cplus's own level names, in any case; NOT_SET_LOG_LEVEL for anything else, which log4cplus
// would also complain of on standard error.
int logLevel(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  log4cplus::helpers::LogLog& log = *log4cplus::helpers::LogLog::getLogLog();
  log.setQuietMode(true);
  const int level = log4cplus::getLogLevelManager().fromString(LOG4CPLUS_C_STR_TO_TSTRING(name));
  log.setQuietMode(false);
  return level;
}

// The tool is the host, so it configures log4cplus: the library's "Probe" logger is off, or
// with --log writes its lines at that level and above to standard error.
void configureLogging(const std::string& name) {
  log4cplus::Logger logger = log4cplus::Logger::getInstance("Probe");
  logger.setLogLevel(name.empty() ? log4cplus::OFF_LOG_LEVEL : logLevel(name));
  log4cplus::SharedAppenderPtr console(new log4cplus::ConsoleAppender(true, true));
  console->setLayout(std::unique_ptr<log4cplus::Layout>(
      new log4cplus::PatternLayout("probetool: log %-5p %m [%b:%L]%n")));
  logger.addAppender(console);
}

// Output that did not reach standard output is an error, as a full disk behind a redirection.
int finish(int code) {
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::cerr << "probetool: cannot write standard output: " << std::strerror(errno) << "\n";
    return kExitUsage;
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  log4cplus::Initializer initializer;
  Options options;
  std::string level;
  std::function<int(const Options&)> run;

  CLI::App app(kDescription, "probetool");
  // On Windows CLI11 would take "/name" for an option; a file may be named so there too.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", "probetool " + std::to_string(GetDllVersionMajor()) + "." +
                                        std::to_string(GetDllVersionMinor()) + "." +
                                        std::to_string(GetDllBuildNumber()));
  app.set_help_all_flag("--help-all", "print this help and that of every command");
  app.add_option("--log", level,
                 "write the library's log lines at that level and above to standard error (the "
                 "level in any case)")
      ->type_name("LEVEL:{TRACE,DEBUG,INFO,WARN,ERROR,FATAL,OFF}")
      ->check([](const std::string& name) {
        return logLevel(name) == log4cplus::NOT_SET_LOG_LEVEL
                   ? "takes TRACE, DEBUG, INFO, WARN, ERROR, FATAL or OFF, not \"" + escaped(name) +
                         "\""
                   : std::string();
      });
  app.footer("exit status: 0 success, 1 damaged or unreadable probe data, 2 usage or I/O error");
  app.require_subcommand(1, 1);
  app.fallthrough();
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return "probetool: " + escaped(error.what()) + "\nRun probetool --help (or COMMAND --help).\n";
  });

  const auto command = [&](const char* name, int (*body)(const Options&), const char* summary) {
    CLI::App* sub = app.add_subcommand(name, summary);
    sub->callback([&run, body] { run = body; });
    return sub;
  };
  const auto file = [&options](CLI::App* sub) {
    sub->add_option("FILE", options.in, "the probe file")->required();
  };
  const auto json = [&options](CLI::App* sub) {
    return sub->add_flag("--json", options.json,
                         "print the JSON document of the file (the same for show, check and "
                         "checksum)");
  };

  command("demo", demo,
          "save a built-in probe with each coder into a simulated device and read "
          "it back (exit status 0: every record came back)");
  CLI::App* show =
      command("show", probetool::show, "print a probe file's record, image version and checksums");
  file(show);
  json(show)->excludes(
      show->add_flag("--hex", options.hex, "add the annotated hex dump of an image"));
  CLI::App* check = command("check", probetool::check,
                            "tell whether each block of a probe file is intact (exit status 0)");
  file(check);
  json(check);
  CLI::App* convert = command("convert", probetool::convert,
                              "convert an image to XML, or XML or a JSON record to an image");
  convert->footer(
      "Either file may be -; with OUT - and no --to, an image becomes XML, and XML or JSON an\n"
      "image. A record that the output cannot hold as it is, or a damaged input, is not written.\n"
      "With --salvage, a damaged image's intact blocks are written as a JSON record, with the\n"
      "lost blocks listed in its \"lost\" member: fill them in, empty the list, convert it back.");
  convert->add_option("IN", options.in, "the probe file to read")->required();
  convert->add_option("OUT", options.out, "the file to write")->required();
  convert
      ->add_option("--to", options.to,
                   "what to write (default: by OUT's extension: .xml; .bin or .img; .hex for a "
                   "hex dump, .c or .h for a C array)")
      ->check(CLI::IsMember({"xml", "image"}));
  convert
      ->add_option("--format", options.format,
                   "how an image is written: raw bytes, a hex dump or a C array (default: by "
                   "OUT's extension; raw to a file, hex to standard output)")
      ->check(CLI::IsMember({"raw", "hex", "carray"}));
  convert->add_flag("--salvage", options.salvage,
                    "write what a damaged image still holds, as JSON");

  CLI::App* checksum = command("checksum", probetool::checksum,
                               "print the record checksum and the data checksum, each said of "
                               "what bytes it is");
  file(checksum);
  json(checksum);
  CLI::App* plot = command("plot", probetool::plot,
                           "draw the targets, their normals and the default direction, seen from "
                           "above and from the side, as SVG");
  file(plot);
  plot->add_option("-o,--output", options.out, "where the picture goes (- for standard output)")
      ->type_name("OUT.svg")
      ->required();

  // A word that is no command is named as such, before CLI11 would ask for a command.
  for (int i = 1; i < argc; i += std::string(argv[i]) == "--log" ? 2 : 1) {
    const std::string word = argv[i];
    if (word.empty() || word[0] == '-') continue;
    if (app.get_subcommands([&word](CLI::App* sub) { return sub->check_name(word); }).empty()) {
      std::cerr << "probetool: unknown command \"" << escaped(word)
                << "\" (commands: demo, show, check, convert, checksum, plot)\n";
      return finish(kExitUsage);
    }
    break;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return finish(app.exit(error) == 0 ? kExitOk : kExitUsage);
  }
  configureLogging(level);
  try {
    return finish(run(options));
  } catch (const std::exception& error) {
    std::cerr << "probetool: unexpected failure: " << escaped(error.what()) << "\n";
    return finish(kExitUsage);
  }
}
