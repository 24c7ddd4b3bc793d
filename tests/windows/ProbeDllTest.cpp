// probedata.dll seen from a host that shares nothing with it but the Windows API: loaded by name,
// its plain version functions looked up by name. It runs in both Windows builds; make windows also
// checks the 32-bit DLL's export table and version resource in the file.
#include <gtest/gtest.h>
#include <log4cplus/logger.h>
#include <windows.h>

#include <string>

namespace {

static_assert(sizeof(wchar_t) == 2, "the wide version text is UTF-16");

template <typename Function>
Function lookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The version texts by their plain names, the wide one the narrow in UTF-16 (make windows checks
// every exported name); unloaded, the DLL is gone (the C host loads it again). The texts
// themselves are checked by the library's suite.
TEST(ProbeDllTest, VersionFunctionsByTheirPlainNames) {
  HMODULE dll = LoadLibraryW(L"probedata.dll");
  ASSERT_NE(nullptr, dll) << "LoadLibrary failed, error " << GetLastError();
  const auto narrow = lookUp<const char* (*)()>(dll, "GetDllVersion");
  const auto wide = lookUp<const wchar_t* (*)()>(dll, "GetDllVersionUnicode");
  ASSERT_TRUE(narrow && wide);
  const std::string text = narrow();
  EXPECT_EQ(std::u16string(text.begin(), text.end()), reinterpret_cast<const char16_t*>(wide()));
  FreeLibrary(dll);
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
