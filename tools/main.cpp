// probetool: looks at, checks, converts and draws probe memory images and XML files through the
// probe library. Run with --help for the commands and exit codes.
#include <CLI/CLI.hpp>
#include <log4cplus/consoleappender.h>
#include <log4cplus/helpers/loglog.h>
#include <log4cplus/initializer.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>
#include <log4cplus/nullappender.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "ProbeVersion.h"

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

// The tool is the host, so it configures log4cplus. The root logger gets a null appender, so
// log4cplus never complains of none. With --log, the library's "Probe" logger writes its lines at
// that level and above to standard error; it stays enabled for ERROR in any case, as the tool
// listens to those lines to tell why a decode failed.
void configureLogging(const std::string& name) {
  log4cplus::Logger::getRoot().addAppender(
      log4cplus::SharedAppenderPtr(new log4cplus::NullAppender));
  log4cplus::Logger logger = log4cplus::Logger::getInstance("Probe");
  const int level = name.empty() ? log4cplus::OFF_LOG_LEVEL : logLevel(name);
  logger.setLogLevel(std::min(level, static_cast<int>(log4cplus::ERROR_LOG_LEVEL)));
  if (level == log4cplus::OFF_LOG_LEVEL) return;
  log4cplus::SharedAppenderPtr console(new log4cplus::ConsoleAppender(true, true));
  console->setThreshold(level);
  console->setLayout(std::unique_ptr<log4cplus::Layout>(
      new log4cplus::PatternLayout("probetool: log %-5p %m [%b:%L]%n")));
  logger.addAppender(console);
}

CLI::App* command(CLI::App& app, const char* name, const char* summary, const char* details,
                  Options& options) {
  CLI::App* sub = app.add_subcommand(name, summary);
  sub->footer(details);
  sub->callback([name, &options] { options.command = name; });
  return sub;
}

CLI::Option* file(CLI::App* sub, const char* name, std::string& target, const char* help) {
  return sub->add_option(name, target, help)->required();
}

CLI::Option* json(CLI::App* sub, Options& options) {
  return sub->add_flag("--json", options.json,
                       "print the JSON document of the file (the same for show, check and "
                       "checksum)");
}

}  // namespace

int main(int argc, char** argv) {
  log4cplus::Initializer initializer;
  Options options;
  std::string level;

  CLI::App app(kDescription, "probetool");
  // On Windows CLI11 would take "/name" for an option; a file may be named so there too.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", GetDllVersion(), "print the library's version text and exit");
  app.add_option("--log", level,
                 "write the library's log lines at that level and above to standard error (the "
                 "level in any case)")
      ->type_name("LEVEL:{TRACE,DEBUG,INFO,WARN,ERROR,FATAL,OFF}")
      ->check([](const std::string& name) {
        return logLevel(name) == log4cplus::NOT_SET_LOG_LEVEL
                   ? "takes TRACE, DEBUG, INFO, WARN, ERROR, FATAL or OFF, not \"" + name +
                         "\""
                   : std::string();
      });
  app.footer("exit status: 0 success, 1 damaged or unreadable probe data, 2 usage or I/O error");
  app.require_subcommand(1, 1);
  app.fallthrough();
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return std::string("probetool: ") + error.what() + "\nRun probetool --help (or COMMAND --help).\n";
  });

  command(app, "demo", "round-trip a built-in sample probe through both coders and a simulated device",
          "Saves the sample record with each coder into a simulated device memory and reads it\n"
          "back with a new coder. Exit status: 0 when every round trip gives back the record.",
          options);

  CLI::App* show = command(app, "show", "print a probe file's record, image version and checksums",
                           "FILE is a version-1 image (raw bytes or a hex dump), an XML file or a\n"
                           "JSON record; - reads standard input. With --hex, an XML file is shown\n"
                           "as the image it codes to.",
                           options);
  file(show, "FILE", options.in, "the probe file");
  CLI::Option* hex =
      show->add_flag("--hex", options.hex, "add the annotated hex dump of the image");
  json(show, options)->excludes(hex);

  CLI::App* check = command(app, "check", "tell whether each block of a probe file is intact",
                            "Reports, block by block, the version, the length, the checksums and\n"
                            "whether the library decodes the file. Exit status 0: intact.",
                            options);
  file(check, "FILE", options.in, "the probe file");
  json(check, options);

  CLI::App* convert =
      command(app, "convert", "convert an image to XML, or XML or a JSON record to an image",
              "Either file may be -; with OUT - and no --to, an image becomes XML, and XML or\n"
              "JSON an image. The output must decode to the record again, or it is not written.",
              options);
  file(convert, "IN", options.in, "the probe file to read");
  file(convert, "OUT", options.out, "the file to write");
  convert
      ->add_option("--to", options.to,
                   "what to write (default: by OUT's extension: .xml; .bin or .img; .hex for a "
                   "hex dump, .c or .h for a C array)")
      ->check(CLI::IsMember({"xml", "image"}));
  convert->add_option("--image-version", options.imageVersion, "the image version written (default 2.1)")
      ->check(CLI::IsMember({"2.1", "2.0"}));
  convert
      ->add_option("--format", options.format,
                   "how an image is written: raw bytes, a hex dump or a C array (default: by "
                   "OUT's extension; raw to a file, hex to standard output)")
      ->check(CLI::IsMember({"raw", "hex", "carray"}));

  CLI::App* checksum = command(app, "checksum", "print the record checksum and the data checksum",
                               "record checksum: CRC-16 of the record's XML text. data checksum:\n"
                               "CRC-16 of the rigid body to mask thickness blocks of its image.",
                               options);
  file(checksum, "FILE", options.in, "the probe file");
  json(checksum, options);

  CLI::App* plot = command(app, "plot", "draw the probe's targets as an SVG picture",
                           "Draws a top view and a side view: targets as circles as wide as their\n"
                           "size, normals as arrows, and the default direction.",
                           options);
  file(plot, "FILE", options.in, "the probe file");
  plot->add_option("-o,--output", options.output,
                   "where the picture goes (- for standard output)")
      ->type_name("OUT.svg")
      ->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? kExitOk : kExitUsage;
  }
  configureLogging(level);
  Streams streams{std::cin, std::cout, std::cerr};
  try {
    return runCommand(options, streams);
  } catch (const std::exception& error) {
    std::cerr << "probetool: unexpected failure: " << error.what() << "\n";
    return kExitUsage;
  }
}
