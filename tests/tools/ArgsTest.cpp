#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Args.h"

namespace probetool {
namespace {

struct Case {
  std::vector<std::string> args;
  std::string command;
  std::vector<std::string> operands;
  std::map<std::string, std::string> options;
  std::string error;  // a part of the usage error; empty: none
};

std::string joined(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) text += arg + " ";
  return text;
}

TEST(probetoolArgs, ParsesCommandsOperandsAndOptions) {
  const Case cases[] = {
      {{"show", "a.bin"}, "show", {"a.bin"}, {}, ""},
      {{"show", "--hex", "-"}, "show", {"-"}, {{"hex", ""}}, ""},
      {{"convert", "in.bin", "out.xml", "--to=image", "--format", "hex"},
       "convert",
       {"in.bin", "out.xml"},
       {{"to", "image"}, {"format", "hex"}},
       ""},
      {{"plot", "a.bin", "-o", "a.svg"}, "plot", {"a.bin"}, {{"output", "a.svg"}}, ""},
      {{"plot", "--", "-o"}, "plot", {"-o"}, {}, ""},
      {{"demo"}, "demo", {}, {}, ""},
      {{}, "", {}, {}, "no command given"},
      {{"shwo", "a"}, "shwo", {"a"}, {}, "unknown command \"shwo\""},
      {{"show"}, "show", {}, {}, "show needs FILE"},
      {{"show", "a", "b"}, "show", {"a", "b"}, {}, "show takes FILE, not \"b\""},
      {{"demo", "x"}, "demo", {"x"}, {}, "demo takes no operands"},
      {{"show", "--to", "xml", "a"}, "show", {"xml", "a"}, {}, "unknown option --to for show"},
      {{"--hex", "show", "a"}, "show", {"a"}, {}, "unknown option --hex"},
      {{"convert", "a", "b", "--to"}, "convert", {"a", "b"}, {}, "--to needs a value"},
      {{"show", "--hex=yes", "a"}, "show", {"a"}, {}, "--hex takes no value"},
      {{"convert", "a", "b", "--to", "xml", "--to", "image"},
       "convert",
       {"a", "b"},
       {{"to", "xml"}},
       "--to given twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(joined(c.args));
    const Invocation invocation = parseArguments(c.args);
    EXPECT_EQ(c.command, invocation.command);
    EXPECT_EQ(c.operands, invocation.operands);
    EXPECT_EQ(c.options, invocation.options);
    if (c.error.empty()) {
      EXPECT_EQ("", invocation.error);
    } else {
      EXPECT_NE(std::string::npos, invocation.error.find(c.error)) << invocation.error;
    }
  }
}

TEST(probetoolArgs, CommonOptionsStandAnywhere) {
  const Invocation before = parseArguments({"--log", "debug", "check", "a.bin"});
  EXPECT_TRUE(before.hasLogLevel);
  EXPECT_EQ("debug", before.logLevel);
  EXPECT_EQ("", before.error);

  const Invocation after = parseArguments({"check", "a.bin", "--log=TRACE"});
  EXPECT_EQ("TRACE", after.logLevel);

  // Help and version need no operands.
  EXPECT_EQ("", parseArguments({"convert", "--help"}).error);
  EXPECT_TRUE(parseArguments({"convert", "-h"}).help);
  EXPECT_TRUE(parseArguments({"--version"}).version);
  EXPECT_EQ("", parseArguments({"--version"}).error);
}

TEST(probetoolArgs, EveryCommandHasHelpNamingItsOptions) {
  for (const CommandDef& def : commandDefs()) {
    SCOPED_TRACE(def.name);
    const std::string help = commandHelp(def);
    EXPECT_EQ(0u, help.find(std::string("usage: probetool ") + def.name));
    for (const OptionDef& option : def.options) {
      EXPECT_NE(std::string::npos, help.find(std::string("--") + option.name));
    }
    EXPECT_NE(std::string::npos, help.find("--log LEVEL"));
    EXPECT_NE(std::string::npos, usageText().find(std::string("  ") + def.name));
  }
}

}  // namespace
}  // namespace probetool
