// The command line: a command, its operands and its options, parsed by hand.
#ifndef PROBETOOL_ARGS_H
#define PROBETOOL_ARGS_H

#include <map>
#include <string>
#include <vector>

namespace probetool {

struct OptionDef {
  const char* name;       // long name, without the dashes
  char shortName;         // 0: none
  const char* valueName;  // nullptr: a flag
  const char* help;
};

struct CommandDef {
  const char* name;
  const char* operands;  // for the synopsis: "IN OUT"
  std::size_t minOperands;
  std::size_t maxOperands;
  const char* summary;
  std::vector<OptionDef> options;
  const char* details;
};

// Every command, in the order the usage text lists them.
const std::vector<CommandDef>& commandDefs();
const CommandDef* findCommand(const std::string& name);

struct Invocation {
  std::string command;  // empty: none given
  std::vector<std::string> operands;
  std::map<std::string, std::string> options;  // by long name; "" for a flag
  bool help = false;
  bool version = false;
  bool hasLogLevel = false;
  std::string logLevel;
  std::string error;  // a usage error; the rest may be incomplete

  bool has(const std::string& option) const { return options.count(option) != 0; }
  std::string get(const std::string& option, const std::string& otherwise = "") const;
};

// args without the program name. --help, --version and --log LEVEL may stand anywhere; a
// command's options only after it. "--name=value" and "--name value" are alike; "--" ends the
// options; "-" is an operand. Operand counts are checked unless help or version was asked for.
Invocation parseArguments(const std::vector<std::string>& args);

std::string usageText();
std::string commandHelp(const CommandDef& def);

}  // namespace probetool

#endif
