// probedata.dll seen from a host that shares nothing with it but the Windows API: loaded by name,
// its plain version functions looked up by name, its version resource read by the system.
#include <gtest/gtest.h>
#include <log4cplus/logger.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

static_assert(sizeof(wchar_t) == 2, "the wide version text is UTF-16");

const char kVersionText[] = "32-bit Edition Version 1.1 Build 1112 2010-02-08 ";

using TextFunction = const char* (*)();
using WideTextFunction = const wchar_t* (*)();
using NumberFunction = int (*)();

// Holds one load of the DLL.
class LoadedDll {
 public:
  LoadedDll() : module_(LoadLibraryW(L"probedata.dll")) {}
  ~LoadedDll() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  LoadedDll(const LoadedDll&) = delete;
  LoadedDll& operator=(const LoadedDll&) = delete;

  HMODULE module() const { return module_; }

  void* symbol(const char* name) const {
    return reinterpret_cast<void*>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }
  template <typename Function>
  Function function(const char* name) const {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }

  std::wstring path() const {
    std::vector<wchar_t> buffer(MAX_PATH * 4);
    DWORD length = GetModuleFileNameW(module_, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::wstring(buffer.data(), length);
  }

 private:
  HMODULE module_;
};

class ProbeDllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, dll_.module()) << "LoadLibrary failed, error " << GetLastError();
  }
  LoadedDll dll_;
};

TEST_F(ProbeDllTest, VersionFunctionsAreFoundByTheirPlainNames) {
  for (const char* name : {"GetDllVersion", "GetDllVersionUnicode", "GetDllVersionMajor",
                           "GetDllVersionMinor", "GetDllBuildNumber"}) {
    EXPECT_NE(nullptr, dll_.symbol(name)) << name;
  }
}

TEST_F(ProbeDllTest, VersionNumbersAreOneOneBuild1112) {
  auto major = dll_.function<NumberFunction>("GetDllVersionMajor");
  auto minor = dll_.function<NumberFunction>("GetDllVersionMinor");
  auto build = dll_.function<NumberFunction>("GetDllBuildNumber");
  ASSERT_TRUE(major && minor && build);
  EXPECT_EQ(1, major());
  EXPECT_EQ(1, minor());
  EXPECT_EQ(1112, build());
}

TEST_F(ProbeDllTest, VersionTextsAreTheFortyNineCharactersNarrowAndUtf16) {
  auto narrow = dll_.function<TextFunction>("GetDllVersion");
  auto wide = dll_.function<WideTextFunction>("GetDllVersionUnicode");
  ASSERT_TRUE(narrow && wide);

  EXPECT_STREQ(kVersionText, narrow());
  EXPECT_EQ(narrow(), narrow());

  // UTF-16 code units, terminator included, as a host reading raw memory sees them.
  const std::u16string expected(u"32-bit Edition Version 1.1 Build 1112 2010-02-08 ");
  ASSERT_EQ(49u, expected.size());
  const wchar_t* text = wide();
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(0, std::memcmp(expected.c_str(), text, (expected.size() + 1) * sizeof(char16_t)));
  EXPECT_EQ(text, wide());
}

// A host may unload the library and load it again; the texts are formatted anew.
TEST(ProbeDllReloadTest, TextsAreRightAfterUnloadAndReload) {
  for (int load = 0; load < 2; ++load) {
    LoadedDll dll;
    ASSERT_NE(nullptr, dll.module()) << "load " << load;
    auto narrow = dll.function<TextFunction>("GetDllVersion");
    auto wide = dll.function<WideTextFunction>("GetDllVersionUnicode");
    ASSERT_TRUE(narrow && wide);
    EXPECT_STREQ(kVersionText, narrow()) << "load " << load;
    EXPECT_EQ(49u, std::wcslen(wide())) << "load " << load;
  }
  EXPECT_EQ(nullptr, GetModuleHandleW(L"probedata.dll"));
}

// The module logger lives in the log4cplus DLL's hierarchy: the level the host sets on "Probe"
// is the level the library logs at.
TEST_F(ProbeDllTest, ModuleLoggerIsTheHostsProbeLogger) {
  auto* logger = static_cast<log4cplus::Logger*>(dll_.symbol("g_probeLogger"));
  ASSERT_NE(nullptr, logger);
  EXPECT_EQ("Probe", logger->getName());

  log4cplus::Logger host = log4cplus::Logger::getInstance("Probe");
  const log4cplus::LogLevel before = host.getLogLevel();
  host.setLogLevel(log4cplus::WARN_LOG_LEVEL);
  EXPECT_FALSE(logger->isEnabledFor(log4cplus::DEBUG_LOG_LEVEL));
  EXPECT_TRUE(logger->isEnabledFor(log4cplus::WARN_LOG_LEVEL));
  host.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
  EXPECT_TRUE(logger->isEnabledFor(log4cplus::TRACE_LOG_LEVEL));
  host.setLogLevel(before);
}

// The version resource names the module and says 1.0.0.0, "Release build"; it does not follow
// the version functions.
class ProbeDllResourceTest : public ProbeDllTest {
 protected:
  void SetUp() override {
    ProbeDllTest::SetUp();
    const std::wstring path = dll_.path();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_NE(0u, size) << "no version resource, error " << GetLastError();
    info_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info_.data()));
  }

  std::wstring text(const wchar_t* name) {
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info_.data(), key.c_str(), &value, &length) || value == nullptr) {
      return L"<missing>";
    }
    return std::wstring(static_cast<const wchar_t*>(value));
  }

  std::vector<unsigned char> info_;
};

TEST_F(ProbeDllResourceTest, FileAndProductVersionAre1000) {
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info_.data(), L"\\", &value, &length));
  ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
  EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
  EXPECT_EQ(0u, fixed->dwFileVersionLS);
  EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
  EXPECT_EQ(0u, fixed->dwProductVersionLS);
  EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
  EXPECT_EQ(0u, fixed->dwFileFlags & fixed->dwFileFlagsMask) << "not a debug or special build";
}

TEST_F(ProbeDllResourceTest, TextsNameTheModuleAndTheReleaseBuild) {
  EXPECT_EQ(L"Release build", text(L"Comments"));
  EXPECT_EQ(L"1.0.0.0", text(L"FileVersion"));
  EXPECT_EQ(L"1.0.0.0", text(L"ProductVersion"));
  EXPECT_EQ(L"probedata", text(L"InternalName"));
  EXPECT_EQ(L"probedata", text(L"ProductName"));
  EXPECT_EQ(L"probedata", text(L"FileDescription"));
  EXPECT_EQ(L"probedata.dll", text(L"OriginalFilename"));
}

}  // namespace
