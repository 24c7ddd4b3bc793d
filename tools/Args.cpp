#include "Args.h"

#include <cctype>

namespace probetool {

namespace {

const OptionDef kGlobalOptions[] = {
    {"help", 'h', nullptr, "show this help and exit"},
    {"version", 0, nullptr, "print the library's version text and exit"},
    {"log", 0, "LEVEL",
     "write the library's log lines at LEVEL and above to standard error (TRACE, DEBUG, WARN, "
     "ERROR, OFF)"},
};

const OptionDef kFormat = {"format", 0, "raw|hex|carray",
                           "how an image is written: raw bytes, a hex dump or a C array "
                           "(default: by OUT's extension; raw to a file, hex to standard "
                           "output)"};

// One row per command: name, operands, their least and most count, summary, options, details.
// clang-format off
const std::vector<CommandDef> kCommands = {
    {"demo", "", 0, 0,
     "round-trip a built-in sample probe through both coders and a simulated device",
     {},
     "Saves the sample record through the version-1 coder into a simulated device memory and\n"
     "reads it back with a new coder, then does the same through the simulation coder. Prints\n"
     "the record, the image as an annotated hex dump, the XML text and both checksums.\n"
     "Exit status: 0 when every round trip gives back the record, 1 otherwise."},
    {"show", "FILE", 1, 1, "print a probe file's record, image version and checksums",
     {{"hex", 0, nullptr, "add the annotated hex dump of the image"}},
     "FILE is a version-1 image (raw bytes or a hex dump) or an XML file; - reads standard\n"
     "input. With --hex, an XML file is shown as the version 2.1 image it codes to.\n"
     "Exit status: 0 shown, 1 damaged or not a probe file, 2 usage or I/O error."},
    {"check", "FILE", 1, 1, "tell whether each block of a probe file is intact",
     {},
     "Checks the version, the length, the rigid body and default direction checksums, and\n"
     "whether the library decodes the file. A damaged block is named with what failed.\n"
     "Exit status: 0 intact, 1 damaged or not a probe file, 2 usage or I/O error."},
    {"convert", "IN OUT", 2, 2, "convert an image to XML or XML to an image",
     {{"to", 0, "xml|image",
       "what to write (default: by OUT's extension: .xml; .bin or .img; .hex for a hex dump, "
       ".c or .h for a C array)"},
      {"image-version", 0, "2.1|2.0", "the image version written (default 2.1)"},
      kFormat},
     "Either file may be -, standard input or output; with OUT - and no --to, an image\n"
     "becomes XML and XML an image. The output is decoded again before it is written and\n"
     "must give back the record; a file is replaced whole or not at all.\n"
     "Exit status: 0 written, 1 damaged input or output that does not read back, 2 usage or\n"
     "I/O error."},
    {"checksum", "FILE", 1, 1, "print the record checksum and the data checksum",
     {},
     "record checksum: CRC-16 of the record's XML text. data checksum: CRC-16 of the rigid\n"
     "body, default direction and mask thickness blocks of its image.\n"
     "Exit status: 0 printed, 1 damaged or not a probe file, 2 usage or I/O error."},
    {"plot", "FILE", 1, 1, "draw the probe's targets as an SVG picture",
     {{"output", 'o', "OUT.svg", "where the picture goes (- for standard output); required"}},
     "Draws a top view and a side view: targets as circles as wide as their size, labelled\n"
     "with their index, normals as arrows, and the default direction.\n"
     "Exit status: 0 drawn, 1 damaged or not a probe file, 2 usage or I/O error."},
};
// clang-format on

const OptionDef* findOption(const std::vector<const OptionDef*>& options, const std::string& name,
                            char shortName) {
  for (const OptionDef* option : options) {
    if (shortName != 0 ? option->shortName == shortName : name == option->name) return option;
  }
  return nullptr;
}

// Words of text in lines of at most 78 characters, each after the first led by indent blanks.
std::string wrap(const std::string& text, std::size_t column, std::size_t indent) {
  constexpr std::size_t kWidth = 78;
  std::string out;
  std::size_t at = column;
  std::size_t start = 0;
  bool first = true;
  while (start <= text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!first && at + 1 + word.size() > kWidth) {
      out += "\n" + std::string(indent, ' ');
      at = indent;
    } else if (!first) {
      out += ' ';
      ++at;
    }
    out += word;
    at += word.size();
    first = false;
    start = end + 1;
  }
  return out;
}

std::string optionLine(const OptionDef& option) {
  constexpr std::size_t kHelpColumn = 26;
  std::string left = "  ";
  left += option.shortName != 0 ? std::string("-") + option.shortName + ", " : "    ";
  left += std::string("--") + option.name;
  if (option.valueName != nullptr) left += std::string(" ") + option.valueName;
  if (left.size() < kHelpColumn) {
    left.resize(kHelpColumn, ' ');
  } else {
    left += "\n" + std::string(kHelpColumn, ' ');
  }
  return left + wrap(option.help, kHelpColumn, kHelpColumn) + "\n";
}

}  // namespace

const std::vector<CommandDef>& commandDefs() { return kCommands; }

const CommandDef* findCommand(const std::string& name) {
  for (const CommandDef& def : kCommands) {
    if (name == def.name) return &def;
  }
  return nullptr;
}

std::string Invocation::get(const std::string& option, const std::string& otherwise) const {
  const auto found = options.find(option);
  return found == options.end() ? otherwise : found->second;
}

Invocation parseArguments(const std::vector<std::string>& args) {
  Invocation invocation;
  const CommandDef* def = nullptr;
  bool optionsEnded = false;
  auto fail = [&invocation](const std::string& message) {
    if (invocation.error.empty()) invocation.error = message;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!isOption) {
      if (def == nullptr && invocation.command.empty()) {
        invocation.command = arg;
        def = findCommand(arg);
        if (def == nullptr) fail("unknown command \"" + arg + "\"");
      } else {
        invocation.operands.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::vector<const OptionDef*> known;
    for (const OptionDef& option : kGlobalOptions) known.push_back(&option);
    if (def != nullptr) {
      for (const OptionDef& option : def->options) known.push_back(&option);
    }
    std::string name, value;
    bool hasValue = false;
    const OptionDef* option = nullptr;
    if (arg[1] == '-') {
      const std::size_t equals = arg.find('=');
      name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
      hasValue = equals != std::string::npos;
      if (hasValue) value = arg.substr(equals + 1);
      option = findOption(known, name, 0);
    } else if (arg.size() == 2) {
      option = findOption(known, "", arg[1]);
    }
    if (option == nullptr) {
      fail("unknown option " + arg + (def != nullptr ? " for " + std::string(def->name) : ""));
      continue;
    }
    name = option->name;
    if (option->valueName == nullptr && hasValue) {
      fail("option --" + name + " takes no value");
      continue;
    }
    if (option->valueName != nullptr && !hasValue) {
      if (i + 1 >= args.size()) {
        fail("option --" + name + " needs a value (" + option->valueName + ")");
        continue;
      }
      value = args[++i];
    }
    if (name == "help") {
      invocation.help = true;
    } else if (name == "version") {
      invocation.version = true;
    } else if (name == "log") {
      if (invocation.hasLogLevel) fail("option --log given twice");
      invocation.hasLogLevel = true;
      invocation.logLevel = value;
    } else if (!invocation.options.emplace(name, value).second) {
      fail("option --" + name + " given twice");
    }
  }
  if (invocation.error.empty() && !invocation.help && !invocation.version) {
    if (def == nullptr) {
      fail("no command given");
    } else if (invocation.operands.size() < def->minOperands) {
      fail(std::string(def->name) + " needs " + def->operands);
    } else if (invocation.operands.size() > def->maxOperands) {
      fail(std::string(def->name) + " takes " +
           (def->maxOperands == 0 ? std::string("no operands") : def->operands) + ", not \"" +
           invocation.operands[def->maxOperands] + "\"");
    }
  }
  return invocation;
}

std::string usageText() {
  std::string text =
      "usage: probetool [--log LEVEL] COMMAND [OPTIONS] [FILES]\n"
      "       probetool --version | --help | COMMAND --help\n"
      "\n"
      "Looks at, checks, converts and draws the data of measurement probes: version-1 memory\n"
      "images (428 bytes, or older 328-byte and 2.0 images; raw bytes or a hex dump) and XML\n"
      "files of probe records. - stands for standard input or output.\n"
      "\n"
      "commands:\n";
  for (const CommandDef& def : kCommands) {
    std::string left = std::string("  ") + def.name;
    left.resize(12, ' ');
    text += left + def.summary + "\n";
  }
  text += "\noptions of every command:\n";
  for (const OptionDef& option : kGlobalOptions) text += optionLine(option);
  text += "\nexit status: 0 success, 1 damaged or unreadable probe data, 2 usage or I/O error\n";
  return text;
}

std::string commandHelp(const CommandDef& def) {
  std::string text = std::string("usage: probetool ") + def.name;
  if (!def.options.empty()) text += " [OPTIONS]";
  if (*def.operands != '\0') text += std::string(" ") + def.operands;
  std::string summary = def.summary;
  summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
  text += "\n\n" + summary + ".\n" + def.details + "\n";
  text += "\noptions:\n";
  for (const OptionDef& option : def.options) text += optionLine(option);
  for (const OptionDef& option : kGlobalOptions) text += optionLine(option);
  return text;
}

}  // namespace probetool
