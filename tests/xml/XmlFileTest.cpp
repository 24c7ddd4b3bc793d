// The file functions on real files in a temporary directory, and on the few system files that
// fail in ways a test cannot arrange otherwise.
#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "GoldenXml.h"
#include "ProbeData.h"
#include "RigidBodies.h"
#include "Utils.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// The first of paths that a loading open refuses, or "" when there is none.
std::string firstUnwritable(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (file == nullptr && exists(path)) return path;
    if (file != nullptr) std::fclose(file);
  }
  return "";
}

// The first of paths that opens for reading and writing and holds fewer bytes than its size
// says, or "" when there is none.
std::string firstShorterThanItsSize(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (file == nullptr) continue;
    std::vector<char> bytes(static_cast<std::size_t>(info.st_size) + 1);
    const std::size_t count = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (count < static_cast<std::size_t>(info.st_size)) return path;
  }
  return "";
}

class XmlFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "probe_xml_XXXXXX").string();
    ASSERT_NE(nullptr, ::mkdtemp(&pattern[0]));
    dir_ = pattern;
  }
  void TearDown() override {
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  std::string dir_;
};

// An existing file is written from its first byte and never truncated: a longer one keeps its
// tail, which reading then ignores.
TEST_F(XmlFileTest, SavesOverWhateverIsThere) {
  const std::string golden = kGoldenP1;
  const std::string longer = std::string(3000, '#') + "TAIL";
  struct Case {
    const char* name;
    bool existing;
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"no file", false, "", golden},
      {"empty file", true, "", golden},
      {"shorter file", true, "short", golden},
      {"longer file", true, longer, golden + longer.substr(golden.size())},
  };
  for (const bool binary : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (binary ? ", binary" : ", text mode"));
      const std::string file = path(std::string(c.name) + (binary ? ".b" : ".t"));
      if (c.existing) writeFile(file, c.before);
      LogCapture capture;
      ASSERT_TRUE(saveToFile(file, goldenP1Record(), binary));
      // No line-end translation on this platform in text mode either.
      EXPECT_EQ(c.after, readFile(file));
      EXPECT_TRUE(capture.events().empty());

      ProbeData record;
      ASSERT_TRUE(loadFromFile(file, record));
      EXPECT_TRUE(sameRecord(goldenP1Record(), record));
    }
  }
}

TEST_F(XmlFileTest, SaveReportsAFailedOpen) {
  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {
      {path("missing/probe.xml"), "No such file or directory"},
      {dir_, "Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    LogCapture capture;
    EXPECT_FALSE(saveToFile(c.path, goldenP1Record(), true));
    EXPECT_EQ(std::vector<std::string>{"saveToFile(" + c.path + ") fopen failed " + c.reason +
                                       "\n"},
              capture.messages(log4cplus::ERROR_LOG_LEVEL));
  }
  EXPECT_FALSE(exists(path("missing")));
}

TEST_F(XmlFileTest, SaveOfARefusedRecordTouchesNoFile) {
  const ProbeData record =
      makeRecord(makeBody("N", {}), std::numeric_limits<double>::infinity(), 0, 0);
  LogCapture capture;
  EXPECT_FALSE(saveToFile(path("probe.xml"), record, true));
  EXPECT_FALSE(exists(path("probe.xml")));
  EXPECT_EQ(std::vector<std::string>{"could not code to stream "},
            capture.messages(log4cplus::ERROR_LOG_LEVEL));
}

// A text longer than the stream's buffer makes fwrite itself meet the full device.
TEST_F(XmlFileTest, SaveReportsAShortWrite) {
  if (!exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const ProbeData record = sampleRecord(100, true);
  std::string text;
  ASSERT_TRUE(saveToString(text, record));
  ASSERT_GT(text.size(), static_cast<std::size_t>(BUFSIZ));
  LogCapture capture;
  EXPECT_FALSE(saveToFile("/dev/full", record, true));
  const std::vector<std::string> messages = capture.messages(log4cplus::ERROR_LOG_LEVEL);
  ASSERT_EQ(1u, messages.size());
  const std::string prefix = "saveToFile() fwrite failed ";
  ASSERT_EQ(prefix, messages[0].substr(0, prefix.size()));
  // The error indicator's value, which is not 0.
  EXPECT_NE(0, std::stoi(messages[0].substr(prefix.size())));
}

// Failures before anything is read leave the record untouched.
TEST_F(XmlFileTest, LoadReportsFilesItCannotRead) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {path("missing.xml"), "loadFromFile(" + path("missing.xml") +
                                ") fopen failed No such file or directory\n"},
      {dir_, "loadFromFile(" + dir_ + ") fopen failed Is a directory\n"},
  };
  // Opens, but has no regular file's size.
  if (exists("/dev/null")) {
    cases.push_back({"/dev/null", "loadFromFile() Could not find file size /dev/null"});
  }
  // Read-only files; the temporary one is writable nonetheless for a privileged user.
  writeFile(path("readonly.xml"), kGoldenP1);
  std::filesystem::permissions(path("readonly.xml"), std::filesystem::perms::owner_read);
  const std::string unwritable =
      firstUnwritable({path("readonly.xml"), "/sys/kernel/mm/transparent_hugepage/hpage_pmd_size"});
  if (!unwritable.empty()) {
    cases.push_back(
        {unwritable, "loadFromFile(" + unwritable + ") fopen failed Permission denied\n"});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    ProbeData record = sampleRecord(2, true);
    LogCapture capture;
    EXPECT_FALSE(loadFromFile(c.first, record));
    EXPECT_EQ(std::vector<std::string>{c.second}, capture.messages(log4cplus::ERROR_LOG_LEVEL));
    EXPECT_TRUE(sameRecord(sampleRecord(2, true), record));
  }
  if (unwritable.empty()) GTEST_SKIP() << "no file here refuses writing";
}

// The size is asked after the open: a file that ends before it ends at end of file.
TEST_F(XmlFileTest, LoadReportsAFileShorterThanItsSize) {
  const std::string shorter = firstShorterThanItsSize(
      {"/sys/kernel/mm/transparent_hugepage/enabled", "/sys/kernel/mm/transparent_hugepage/defrag",
       "/sys/kernel/mm/ksm/run"});
  if (shorter.empty()) GTEST_SKIP() << "no file here holds less than its size";
  ProbeData record = sampleRecord(2, true);
  LogCapture capture;
  EXPECT_FALSE(loadFromFile(shorter, record));
  EXPECT_EQ(std::vector<std::string>{"loadFromFile() eof reached"},
            capture.messages(log4cplus::ERROR_LOG_LEVEL));
  EXPECT_TRUE(sameRecord(sampleRecord(2, true), record));
}

TEST_F(XmlFileTest, LoadedTextEndsAtTheFirstNul) {
  const std::string golden = kGoldenP1;
  struct Case {
    const char* name;
    std::string content;
    bool loads;
    std::string logged;
  };
  const Case cases[] = {
      {"empty file", "", false, "could not decode stream "},
      {"NUL after the document", golden + '\0' + "<<< junk", true, ""},
      {"NUL inside the document", golden.substr(0, 600) + '\0' + golden.substr(601), false,
       "could not decode stream " + golden.substr(0, 600)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(path("probe.xml"), c.content);
    ProbeData record = sampleRecord(2, true);
    LogCapture capture;
    EXPECT_EQ(c.loads, loadFromFile(path("probe.xml"), record));
    const std::vector<std::string> messages = capture.messages(log4cplus::ERROR_LOG_LEVEL);
    if (c.loads) {
      EXPECT_TRUE(messages.empty());
      EXPECT_TRUE(sameRecord(goldenP1Record(), record));
    } else {
      EXPECT_EQ(std::vector<std::string>{c.logged}, messages);
    }
  }
}

}  // namespace
