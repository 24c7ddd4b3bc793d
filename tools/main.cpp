// probetool: looks at, checks, converts and draws probe memory images and XML files through the
// probe library. Run with --help for the commands and exit codes.
#include <log4cplus/appender.h>
#include <log4cplus/helpers/loglog.h>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>
#include <log4cplus/spi/loggingevent.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "Commands.h"
#include "ProbeVersion.h"
#include "Text.h"

#if defined(_WIN32)
#include <windows.h>

#include <filesystem>

#include <shellapi.h>
#endif

namespace {

using namespace probetool;
using Command = int (*)(const Options&);

// The help is written in 72 columns (a description in 48 beside the names), so that the manual
// page made of it fits 80.
const char kDescription[] =
    "Looks at, checks, converts and draws the data of measurement probes:\n"
    "version-1 memory images (raw bytes or a hex dump), XML files of probe\n"
    "records, and records in JSON. - stands for standard input or output.\n"
    "COMMAND --help tells more of each command.";

const char kConvertFooter[] =
    "OUT's extension tells what to write: .xml; .bin or .img; .hex, a hex\n"
    "dump; .c or .h, a C array; .json with --salvage. With OUT - and no --to,\n"
    "an image becomes XML, and XML or JSON an image. --salvage writes what a\n"
    "damaged image still holds as a JSON record, the lost blocks listed in\n"
    "its \"lost\" member: fill them in, empty the list, convert it back.";

// log4cplus's own level for a name in any case; NOT_SET_LOG_LEVEL for anything else, which
// log4cplus would also complain of on standard error.
int logLevel(std::string name) {
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  log4cplus::helpers::LogLog& log = *log4cplus::helpers::LogLog::getLogLog();
  log.setQuietMode(true);
  const int level = log4cplus::getLogLevelManager().fromString(LOG4CPLUS_C_STR_TO_TSTRING(name));
  log.setQuietMode(false);
  return level;
}

// The library logs a text it cannot decode after these words; decode (Commands.cpp) logs why
// instead of the whole text.
const std::string kUndecoded = "could not decode stream ";

// "probetool: log ERROR message [Utils.cpp:139]", the message escaped.
class Console final : public log4cplus::Appender {
 public:
  ~Console() override { destructorImpl(); }
  void close() override {}

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent& event) override {
    const std::string message = LOG4CPLUS_TSTRING_TO_STRING(event.getMessage());
    const std::string file = LOG4CPLUS_TSTRING_TO_STRING(event.getFile());
    if (message.compare(0, kUndecoded.size(), kUndecoded) == 0) return;
    std::cerr << "probetool: log "
              << LOG4CPLUS_TSTRING_TO_STRING(
                     log4cplus::getLogLevelManager().toString(event.getLogLevel()))
              << " " << shown(message) << " [" << file.substr(file.find_last_of("/\\") + 1) << ":"
              << event.getLine() << "]\n";
  }
};

// Output that did not reach standard output is an error, as a full disk behind a redirection.
int finish(int code) {
  std::cout.flush();
  if (std::cout && std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return code;
  return fail(kExitUsage, std::string("cannot write standard output: ") + std::strerror(errno));
}

// The program's options into level, the commands' into options, and the command given into run.
void describe(CLI::App& app, Options& options, std::string& level, Command& run) {
  // On Windows CLI11 would take "/name" for an option; a file may be named so there too.
  app.allow_windows_style_options(false);
  app.get_formatter()->column_width(24);
  app.get_formatter()->label("SUBCOMMAND", "COMMAND");
  app.set_version_flag("--version", "probetool " + std::to_string(GetDllVersionMajor()) + "." +
                                        std::to_string(GetDllVersionMinor()) + "." +
                                        std::to_string(GetDllBuildNumber()));
  app.add_option("--log", level,
                 "write the library's log lines at that level\nand above to standard error (the "
                 "level in\nany case)")
      ->type_name("LEVEL:{TRACE,DEBUG,INFO,WARN,ERROR,FATAL,OFF}")
      ->check([](const std::string& name) {
        return logLevel(name) != log4cplus::NOT_SET_LOG_LEVEL
                   ? ""
                   : "takes TRACE, DEBUG, INFO, WARN, ERROR, FATAL or OFF, not \"" + shown(name) +
                         "\"";
      });
  app.footer("exit status: 0 success, 1 damaged or unreadable probe data,\n2 usage or I/O error");
  app.require_subcommand(1, 1);
  app.fallthrough();
  const auto command = [&](const char* name, Command body, const char* summary, bool file) {
    CLI::App* sub = app.add_subcommand(name, summary)->group("Commands");
    sub->callback([&run, body] { run = body; });
    if (file) sub->add_option("FILE", options.in, "the probe file")->required();
    return sub;
  };
  const auto json = [&options](CLI::App* sub) {
    return sub->add_flag("--json", options.json, "print the JSON document of the file instead");
  };
  command("demo", demo, "run a built-in probe through both coders and a\nsimulated device", false);
  CLI::App* show =
      command("show", probetool::show, "print a file's record, image version and\nchecksums", true);
  json(show)->excludes(show->add_flag("--hex", options.hex, "add the annotated hex dump"));
  json(command("check", probetool::check, "tell whether each block of a file is intact", true));
  CLI::App* convert = command("convert", probetool::convert,
                              "convert an image to XML, or XML or JSON to an\nimage", false);
  convert->footer(kConvertFooter);
  convert->add_option("IN", options.in, "the probe file to read")->required();
  convert->add_option("OUT", options.out, "the file to write")->required();
  convert->add_option("--to", options.to, "what to write (default: by OUT's extension)")
      ->check(CLI::IsMember({"xml", "image"}));
  convert
      ->add_option("--format", options.format,
                   "how to write an image (default: by OUT's\n"
                   "extension; raw to a file, hex to standard\noutput)")
      ->check(CLI::IsMember({"raw", "hex", "carray"}));
  convert->add_flag("--salvage", options.salvage, "write what a damaged image still holds");
  json(command("checksum", probetool::checksum,
               "print the checksums, each said of what bytes\nit is", true));
  command("plot", probetool::plot,
          "draw the targets, their normals and the\ndefault direction from above and from the\n"
          "side, as SVG",
          true)
      ->add_option("-o,--output", options.out, "where the picture goes (- for standard output)")
      ->type_name("OUT.svg")
      ->required();
  // Only the program's help shows every command's: the commands are made without it.
  app.set_help_all_flag("--help-all", "print this help and that of every command");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);  // after the program's name
#if defined(_WIN32)
  // argv holds them in the ANSI code page, which cannot spell every name: they are taken again
  // from the wide command line, in UTF-8, as the commands take names and show them; a console
  // shows UTF-8 while the program runs.
  int count = 0;
  wchar_t** const wide = CommandLineToArgvW(GetCommandLineW(), &count);
  words.clear();
  for (int i = 1; i < count; ++i) words.push_back(std::filesystem::path(wide[i]).u8string());
  LocalFree(wide);
  static const UINT console = GetConsoleOutputCP();
  if (SetConsoleOutputCP(CP_UTF8)) std::atexit([] { SetConsoleOutputCP(console); });
#endif
  log4cplus::Initializer initializer;
  Options options;
  std::string level;
  Command run = nullptr;
  CLI::App app(kDescription, "probetool");
  describe(app, options, level, run);
  // CLI11's message, and what it cannot tell: a first word that names no command, and a file
  // name before "--" taken for an option, which -- would have kept.
  const auto end = std::find(words.begin(), words.end(), "--");
  app.failure_message([&words, end](const CLI::App* parsed, const CLI::Error& error) {
    std::string message = "probetool: " + shown(error.what()) + "\n";
    for (const std::string& word : parsed->remaining(true)) {
      if (word[0] != '-' && parsed->get_subcommands().empty()) {
        std::vector<std::string> names;
        for (const CLI::App* sub : parsed->get_subcommands({})) names.push_back(sub->get_name());
        message = "probetool: unknown command \"" + shown(word) +
                  "\" (commands: " + joined(names, ", ") + ")\n";
        break;
      }
      if (word.size() > 1 && word[0] == '-' && std::find(words.begin(), end, word) != end) {
        message +=
            "probetool: \"" + shown(word) + "\" was taken for an option; -- ends the options\n";
      }
    }
    return message + "Run probetool --help (or COMMAND --help).\n";
  });
  try {
    // CLI11 takes the words last first.
    app.parse(std::vector<std::string>(words.rbegin(), words.rend()));
  } catch (const CLI::CallForAllHelp& error) {
    if (app.get_subcommands().empty()) return finish(app.exit(error));
    return finish(
        fail(kExitUsage, "--help-all is the program's, not a command's: probetool --help-all"));
  } catch (const CLI::ParseError& error) {
    return finish(app.exit(error) == 0 ? kExitOk : kExitUsage);
  }
  // The tool is the host, so it configures log4cplus: the library's "Probe" logger is off, or
  // with --log writes its lines at that level and above to standard error.
  log4cplus::Logger logger = log4cplus::Logger::getInstance("Probe");
  logger.setLogLevel(level.empty() ? log4cplus::OFF_LOG_LEVEL : logLevel(level));
  logger.addAppender(log4cplus::SharedAppenderPtr(new Console));
  try {
    return finish(run(options));
  } catch (const std::exception& error) {
    return finish(fail(kExitUsage, "unexpected failure: " + shown(error.what())));
  }
}
