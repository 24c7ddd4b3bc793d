#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "FileIo.h"

namespace probetool {
namespace {

namespace fs = std::filesystem;

class probetoolFileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        ("probetool-fileio-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const char* name) const { return (dir_ / name).string(); }
  static std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::size_t entries() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
  std::ostringstream out_;
};

TEST_F(probetoolFileIo, ReplacesAFileWhole) {
  const std::string file = path("out.bin");
  { std::ofstream(file) << "an older and much longer content"; }
  ASSERT_TRUE(writeOutput(file, out_, std::string("new\0bytes", 9)).ok);
  EXPECT_EQ(std::string("new\0bytes", 9), contents(file));
  EXPECT_EQ(1u, entries()) << "a temporary file was left behind";
}

TEST_F(probetoolFileIo, AFailedWriteLeavesNothingBehind) {
  // The output names a directory: the bytes are written beside it, then cannot replace it.
  const std::string target = path("taken");
  fs::create_directory(target);
  const IoResult result = writeOutput(target, out_, "bytes");
  EXPECT_FALSE(result.ok);
  EXPECT_NE(std::string::npos, result.error.find(target)) << result.error;
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_EQ(1u, entries()) << "a temporary file was left behind";

  const IoResult noDirectory = writeOutput(path("missing/out.bin"), out_, "bytes");
  EXPECT_FALSE(noDirectory.ok);
  EXPECT_EQ(1u, entries());
}

TEST_F(probetoolFileIo, DashIsTheStandardStreams) {
  ASSERT_TRUE(writeOutput("-", out_, "to stdout").ok);
  EXPECT_EQ("to stdout", out_.str());
  std::istringstream in(std::string("\x00\x01 stdin", 8));
  Bytes bytes;
  ASSERT_TRUE(readInput("-", in, bytes).ok);
  EXPECT_EQ(8u, bytes.size());
}

TEST_F(probetoolFileIo, AnUnreadableInputIsNamedWithTheReason) {
  std::istringstream in;
  Bytes bytes;
  const IoResult result = readInput(path("absent.bin"), in, bytes);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ("cannot open " + path("absent.bin") + ": No such file or directory", result.error);

  const IoResult directory = readInput(dir_.string(), in, bytes);
  EXPECT_FALSE(directory.ok);
  EXPECT_EQ("cannot read " + dir_.string() + ": it is a directory", directory.error);
}

}  // namespace
}  // namespace probetool
