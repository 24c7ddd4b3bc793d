// The file functions on real files in a temporary directory, and on system files for the
// failures no test can arrange with ordinary files.
#include <gtest/gtest.h>
#include <log4cplus/loglevel.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "CapturingAppender.h"
#include "GoldenXml.h"
#include "Utils.h"

namespace {

namespace fs = std::filesystem;
using Messages = std::vector<std::string>;
const int kError = log4cplus::ERROR_LOG_LEVEL;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

class XmlFileTest : public ::testing::Test {
 protected:
  // A directory of the test's own, new under the system's temporary directory.
  void SetUp() override {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
      const fs::path dir = fs::temp_directory_path() / ("probe_xml_" + std::to_string(random()));
      if (fs::create_directory(dir)) dir_ = dir.string();
    }
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  std::string dir_;
};

// The bytes a save writes: text mode translates line ends where the runtime has such a mode.
std::string written(const std::string& text, bool binary) {
#ifdef _WIN32
  if (!binary) {
    std::string translated;
    for (const char c : text) translated += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return translated;
  }
#endif
  static_cast<void>(binary);
  return text;
}

// An existing file is written from its first byte and never truncated; reading ignores the tail
// that a longer file keeps.
TEST_F(XmlFileTest, SavesOverWhateverIsThere) {
  const std::string longer = std::string(3000, '#') + "TAIL";
  for (const bool binary : {true, false}) {
    const std::string golden = written(kGoldenP1, binary);
    fs::remove(path("new"));
    writeFile(path("short"), "short");
    writeFile(path("long"), longer);
    for (const std::string name : {"new", "short", "long"}) {
      SCOPED_TRACE(name + (binary ? " binary" : " text"));
      LogCapture capture;
      ASSERT_TRUE(saveToFile(path(name), goldenP1Record(), binary));
      EXPECT_EQ(name == "long" ? golden + longer.substr(golden.size()) : golden,
                readFile(path(name)));
      ProbeData record;
      ASSERT_TRUE(loadFromFile(path(name), record));
      EXPECT_TRUE(sameRecord(goldenP1Record(), record));
      EXPECT_TRUE(capture.events().empty());
    }
  }
}

// The file's text ends at its first NUL, in what is logged too.
TEST_F(XmlFileTest, LoadsUpToTheFirstNul) {
  const std::string golden = kGoldenP1;
  struct Case {
    std::string content;
    std::string logged;  // empty: the file loads
  };
  const Case cases[] = {{"", "could not decode stream "},
                        {golden + '\0' + "<<<", ""},
                        {golden.substr(0, 600) + '\0' + golden.substr(601),
                         "could not decode stream " + golden.substr(0, 600)}};
  for (const Case& c : cases) {
    writeFile(path("probe.xml"), c.content);
    ProbeData record;
    LogCapture capture;
    EXPECT_EQ(c.logged.empty(), loadFromFile(path("probe.xml"), record));
    EXPECT_EQ(c.logged.empty() ? Messages() : Messages{c.logged}, capture.messages(kError));
  }
}

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool opensForUpdate(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r+b");
  if (file != nullptr) std::fclose(file);
  return file != nullptr;
}

// Each failed file operation: its log line, false, and an untouched record. Some failures need
// files that only the system provides; their cases run where those files behave so.
TEST_F(XmlFileTest, ReportsEachFailedFileOperation) {
  struct Case {
    bool save;
    std::string path;
    std::string logged;
  };
  std::vector<Case> cases = {
      {true, path("none/p.xml"),
       "saveToFile(" + path("none/p.xml") + ") fopen failed No such file or directory\n"},
      {false, path("none.xml"),
       "loadFromFile(" + path("none.xml") + ") fopen failed No such file or directory\n"},
#ifdef _WIN32
      {false, dir_, "loadFromFile(" + dir_ + ") fopen failed Permission denied\n"},
#else
      {false, dir_, "loadFromFile(" + dir_ + ") fopen failed Is a directory\n"},
#endif
  };
#ifdef __linux__
  // Opens, but is no regular file.
  if (opensForUpdate("/dev/null")) {
    cases.push_back({false, "/dev/null", "loadFromFile() Could not find file size /dev/null"});
  }
  // A text longer than the stream's buffer makes fwrite itself meet the full device.
  if (opensForUpdate("/dev/full")) {
    cases.push_back({true, "/dev/full", "saveToFile() fwrite failed 1"});
  }
  // Holds 4096 bytes by its size, fewer when read.
  const std::string sizedLarger = "/sys/kernel/mm/transparent_hugepage/enabled";
  if (opensForUpdate(sizedLarger)) {
    cases.push_back({false, sizedLarger, "loadFromFile() eof reached"});
  }
  // Refuses writing even to a privileged user, who could write a read-only file of ours.
  const std::string readOnly = "/sys/kernel/mm/transparent_hugepage/hpage_pmd_size";
  if (exists(readOnly) && !opensForUpdate(readOnly)) {
    cases.push_back(
        {false, readOnly, "loadFromFile(" + readOnly + ") fopen failed Permission denied\n"});
  }
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ProbeData record = sampleRecord(100, true);
    LogCapture capture;
    EXPECT_FALSE(c.save ? saveToFile(c.path, record, true) : loadFromFile(c.path, record));
    EXPECT_EQ(Messages{c.logged}, capture.messages(kError));
    EXPECT_TRUE(sameRecord(sampleRecord(100, true), record));
  }
  EXPECT_FALSE(exists(path("none")));
}

}  // namespace
