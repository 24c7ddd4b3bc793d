// The record's XML text: the golden texts of tests/data both ways, what reading takes and
// refuses and what a failed read leaves, and the file functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <list>
#include <locale>
#include <map>
#include <sstream>

#include "Support.h"
#include "Utils.h"

namespace {

// text with the one occurrence of from replaced by to.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_TRUE(at != std::string::npos && text.find(from, at + 1) == std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The text written; a success leaves no reason.
std::string save(const ProbeData& record) {
  std::string text = "previous content", reason = "stale";
  EXPECT_TRUE(saveToString(text, record, reason));
  EXPECT_EQ("", reason);
  return text;
}

// A record that differs from the sample in every part.
const ProbeData kOld = makeRecord(makeBody("old", {TargetSpec{1, 1, 1, 1}}), 1, 2, 3, 4, 5);

ProbeData edgesRecord() {
  return makeRecord(makeBody("A<B>&\"C\"'D'", {}), -0.0, std::numeric_limits<double>::denorm_min(),
                    std::numeric_limits<double>::max(), 65535, 4294967295u);
}

// Written byte for byte as the golden texts, checksums included; read back whole, and written
// again to the same text, targets renumbered 0 to n-1.
TEST(XmlTest, GoldenTextsBothWays) {
  const ProbeData spaced = makeRecord(
      makeBody("ids 7, 10",
               {TargetSpec{1, 0.1, 0.2, 1e-7, true, 0, 1, 0}, TargetSpec{2, 1.0 / 3, 2, 2}}, 7, 3));
  ProbeData sample = sampleRecord();
  const std::string sampleText = golden("probe.xml");
  EXPECT_EQ(sampleText, save(sample));
  EXPECT_EQ(golden("edges.xml"), save(edgesRecord()));
  EXPECT_EQ(51339u, edgesRecord().computeChecksum());
  for (const ProbeData& record : {edgesRecord(), spaced, sample}) {
    const std::string text = save(record);
    ProbeData read = kOld;
    ASSERT_TRUE(loadFromString(text, read));
    EXPECT_EQ(text, save(read));
    std::list<int> ids;
    read.getRigidBody().getTargetsList(ids);
    int expected = 0;
    for (const int id : ids) EXPECT_EQ(expected++, id);
  }
}

// text with \t \n \r \0 as the characters they stand for, and \i as 1 << 20 letters i.
std::string unescaped(const std::string& text) {
  static const std::map<char, std::string> kEscapes = {{'t', "\t"},
                                                       {'n', "\n"},
                                                       {'r', "\r"},
                                                       {'0', std::string(1, '\0')},
                                                       {'i', std::string(1 << 20, 'i')}};
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto escape = text[i] == '\\' ? kEscapes.find(text[i + 1]) : kEscapes.end();
    out += escape == kEscapes.end() ? std::string(1, text[i]) : escape->second;
    i += escape == kEscapes.end() ? 0 : 1;
  }
  return out;
}

// What loadFromString makes of the edited texts tests/data/expected/xml-reads.txt lists, read
// into a record that differs from the sample in every part: whether it reads, the reason given,
// and the record, written under each case. Both forms of the call leave the same record, and
// each logs a text it refuses.
TEST(XmlTest, ReadsEditedTexts) {
  const std::string base = replaced(golden("probe.xml"), "<Data_Checksum>0<", "<Data_Checksum>7<");
  std::vector<std::pair<std::string, std::string>> cases;  // the lines before a result, the text
  std::istringstream file(golden("expected/xml-reads.txt"));
  std::string comments, from;
  for (std::string line; std::getline(file, line);) {
    const char kind = line.empty() ? ' ' : line[0];
    if (kind == '=') cases.emplace_back(comments, base), comments.clear();
    if (kind == '#') comments += line + "\n";
    if (kind == '=' || kind == '-' || kind == '+') cases.back().first += line + "\n";
    if (kind == '-') from = unescaped(line.substr(2));
    if (kind == '+')
      cases.back().second = replaced(cases.back().second, from, unescaped(line.substr(2)));
  }
  std::string reads;
  for (const auto& [head, text] : cases) {
    SCOPED_TRACE(head);
    ProbeData record = kOld, again = kOld;
    Trace trace;
    std::string reason = "stale";
    bool ok = false;
    {
      LogLines lines(trace, log4cplus::ERROR_LOG_LEVEL);
      ok = loadFromString(text, record);
      EXPECT_EQ(ok, loadFromString(text, again, reason));
    }
    EXPECT_EQ(describe(record), describe(again));
    EXPECT_EQ(ok ? Trace() : Trace(2, "ERROR could not decode stream " + text), trace);
    reads += head + (ok ? "read" : "refused") + (reason.empty() ? "" : ": ") + reason + "\n" +
             describe(record) + "\n";
  }
  expectGolden("expected/xml-reads.txt", reads);
  // A text without targets may give a negative count; a text cut short is refused.
  ProbeData record;
  ASSERT_TRUE(loadFromString(
      replaced(golden("edges.xml"), ">0</Data_RB_TargetCount>", ">-5</Data_RB_TargetCount>"),
      record));
  EXPECT_EQ(describe(edgesRecord()), describe(record));
  std::string reason;
  EXPECT_FALSE(loadFromString(golden("broken.xml"), record, reason));
  EXPECT_EQ("line 35, column 12: input stream error", reason);
}

// Values no reader could read back are refused, and a host's locale never reaches the text.
TEST(XmlTest, WritesOnlyWhatReadsBack) {
  for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
    Trace trace;
    LogLines lines(trace, log4cplus::ERROR_LOG_LEVEL);
    const ProbeData record = makeRecord(makeBody("", {TargetSpec{bad, 0, 0, 0}}));
    std::string text = "previous content";
    EXPECT_FALSE(saveToString(text, record));
    EXPECT_EQ("", text);
    // Nor is it saved to a file, which is not even created.
    const std::string path = testing::TempDir() + "probe_unwritable.xml";
    std::remove(path.c_str());
    EXPECT_FALSE(saveToFile(path, record, true));
    EXPECT_FALSE(std::ifstream(path).good());
    EXPECT_EQ(Trace(2, "ERROR could not code to stream "), trace);
  }
  struct Grouping : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\1"; }
  };
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new Grouping));
  const std::string text = save(edgesRecord());
  std::locale::global(previous);
  EXPECT_EQ(golden("edges.xml"), text);
}

// A save writes an existing file from its first byte and never truncates it; a load reads up to
// the first NUL. Text mode translates line ends where the runtime has such a mode.
TEST(XmlTest, SavesAndLoadsFiles) {
  const std::string dir = testing::TempDir();
  const std::string path = dir + "probe_xml_test.xml";
  const std::string text = golden("edges.xml");
  const std::string tail = std::string(3000, '#') + "TAIL";
  for (const bool binary : {true, false}) {
    std::string written = text;
#ifdef _WIN32
    if (!binary) {
      written.clear();
      for (const char c : text) written += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
#endif
    for (const std::string& before : {std::string(), std::string("short"), tail}) {
      std::remove(path.c_str());
      if (!before.empty()) std::ofstream(path, std::ios::binary) << before;
      ASSERT_TRUE(saveToFile(path, edgesRecord(), binary));
      EXPECT_EQ(before == tail ? written + tail.substr(written.size()) : written, readFile(path));
      ProbeData record;
      ASSERT_TRUE(loadFromFile(path, record));
      EXPECT_EQ(describe(edgesRecord()), describe(record));
    }
  }
  std::ofstream(path, std::ios::binary) << text.substr(0, 300) + '\0' + text.substr(301);
  Trace trace;
  {
    LogLines lines(trace, log4cplus::ERROR_LOG_LEVEL);
    ProbeData record;
    EXPECT_FALSE(loadFromFile(path, record));
    std::ofstream{path};
    EXPECT_FALSE(loadFromFile(path, record));
  }
  EXPECT_EQ((Trace{"ERROR could not decode stream " + text.substr(0, 300),
                   "ERROR could not decode stream "}),
            trace);
  std::remove(path.c_str());
}

// How many files the process holds open, where the system tells (Linux); 0 elsewhere.
std::size_t openFiles() {
#ifdef __linux__
  std::error_code error;
  std::filesystem::directory_iterator fds("/proc/self/fd", error);
  return error ? 0 : static_cast<std::size_t>(std::distance(fds, {}));
#else
  return 0;
#endif
}

// Each failed file operation: its log line, which the form with a reason gives, false, an
// untouched record, and no file left open. Some failures need
// files that only the system provides; they run where those files behave so. A text longer
// than the stream's buffer (100 targets) meets a full device in fwrite, a short one only when
// it is flushed.
TEST(XmlTest, ReportsEachFailedFileOperation) {
  const std::string missing = testing::TempDir() + "no_such_dir/p.xml";
  struct Case {
    bool save;
    std::string path;
    std::string logged;
    int targets;
  };
  std::vector<Case> cases = {
      {true, missing, "saveToFile(" + missing + ") fopen failed No such file or directory\n", 1},
      {false, missing, "loadFromFile(" + missing + ") fopen failed No such file or directory\n", 1},
  };
#ifdef __linux__
  const auto opens = [](const char* path) {
    return std::fstream(path, std::ios::in | std::ios::out).is_open();
  };
  if (opens("/dev/null")) {
    cases.push_back({false, "/dev/null", "loadFromFile() Could not find file size /dev/null", 1});
  }
  if (opens("/dev/full")) {
    cases.push_back({true, "/dev/full", "saveToFile() fwrite failed 1", 100});
    cases.push_back(
        {true, "/dev/full", "saveToFile(/dev/full) fflush failed No space left on device\n", 1});
  }
  const char* const sizedLarger = "/sys/kernel/mm/transparent_hugepage/enabled";
  if (opens(sizedLarger)) cases.push_back({false, sizedLarger, "loadFromFile() eof reached", 1});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Rb::RigidBody body;
    for (int i = 0; i < c.targets; ++i) body.insertTarget(i, 1.0 / 3, 1, 1);
    ProbeData record = makeRecord(body);
    Trace trace;
    std::string reason;
    const std::size_t files = openFiles();
    {
      LogLines lines(trace, log4cplus::ERROR_LOG_LEVEL);
      EXPECT_FALSE(c.save ? saveToFile(c.path, record, true) : loadFromFile(c.path, record));
      EXPECT_FALSE(c.save ? saveToFile(c.path, record, true, reason)
                          : loadFromFile(c.path, record, reason));
    }
    EXPECT_EQ(files, openFiles());
    EXPECT_EQ(Trace(2, "ERROR " + c.logged), trace);
    EXPECT_EQ(c.logged.substr(0, c.logged.find_last_not_of('\n') + 1), reason);
    EXPECT_EQ(describe(makeRecord(body)), describe(record));
  }
}

}  // namespace
