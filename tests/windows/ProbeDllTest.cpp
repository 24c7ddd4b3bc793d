// probedata.dll seen from a host that shares nothing with it but the Windows API: loaded by name,
// its plain version functions looked up by name. (make windows checks the 32-bit DLL's export
// table and version resource without running it.)
#include <gtest/gtest.h>
#include <log4cplus/logger.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace {

static_assert(sizeof(wchar_t) == 2, "the wide version text is UTF-16");

template <typename Function>
Function lookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The plain names, the texts (UTF-16 for the wide one) and numbers, on two loads of the DLL: a
// host may unload it and load it again.
TEST(ProbeDllTest, VersionFunctionsByTheirPlainNames) {
  for (int load = 0; load < 2; ++load) {
    HMODULE dll = LoadLibraryW(L"probedata.dll");
    ASSERT_NE(nullptr, dll) << "LoadLibrary failed, error " << GetLastError();
    const auto narrow = lookUp<const char* (*)()>(dll, "GetDllVersion");
    const auto wide = lookUp<const wchar_t* (*)()>(dll, "GetDllVersionUnicode");
    const auto major = lookUp<int (*)()>(dll, "GetDllVersionMajor");
    const auto minor = lookUp<int (*)()>(dll, "GetDllVersionMinor");
    const auto build = lookUp<int (*)()>(dll, "GetDllBuildNumber");
    ASSERT_TRUE(narrow && wide && major && minor && build);
    EXPECT_STREQ("32-bit Edition Version 1.1 Build 1112 2010-02-08 ", narrow());
    const std::u16string expected(u"32-bit Edition Version 1.1 Build 1112 2010-02-08 ");
    EXPECT_EQ(0, std::memcmp(expected.c_str(), wide(), (expected.size() + 1) * sizeof(char16_t)));
    EXPECT_EQ(wide(), wide());
    EXPECT_EQ(1, major());
    EXPECT_EQ(1, minor());
    EXPECT_EQ(1112, build());
    FreeLibrary(dll);
  }
  EXPECT_EQ(nullptr, GetModuleHandleW(L"probedata.dll"));
}

// The module logger lives in the log4cplus DLL's hierarchy: the level the host sets on "Probe"
// is the level the library logs at.
TEST(ProbeDllTest, ModuleLoggerIsTheHostsProbeLogger) {
  HMODULE dll = LoadLibraryW(L"probedata.dll");
  ASSERT_NE(nullptr, dll);
  auto* logger = reinterpret_cast<log4cplus::Logger*>(GetProcAddress(dll, "g_probeLogger"));
  ASSERT_NE(nullptr, logger);
  EXPECT_EQ("Probe", logger->getName());
  log4cplus::Logger host = log4cplus::Logger::getInstance("Probe");
  host.setLogLevel(log4cplus::WARN_LOG_LEVEL);
  EXPECT_FALSE(logger->isEnabledFor(log4cplus::DEBUG_LOG_LEVEL));
  EXPECT_TRUE(logger->isEnabledFor(log4cplus::WARN_LOG_LEVEL));
  host.setLogLevel(log4cplus::NOT_SET_LOG_LEVEL);
  FreeLibrary(dll);
}

}  // namespace
