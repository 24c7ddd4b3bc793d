#include "ProbeVersion.h"

#include <cstdio>
#include <cwchar>

namespace {

const int kMajor = 1;
const int kMinor = 1;
const int kBuild = 1112;
const char kBuildDate[] = "2010-02-08";
const char kSuffix[] = "";
const wchar_t kBuildDateW[] = L"2010-02-08";
const wchar_t kSuffixW[] = L"";

// Formatted once, on first use; a concurrent first caller waits for the text to be complete.
struct VersionTexts {
  char narrow[256];
  wchar_t wide[256];

  VersionTexts() {
    std::snprintf(narrow, sizeof narrow, "32-bit Edition Version %d.%d Build %d %s %s", kMajor,
                  kMinor, kBuild, kBuildDate, kSuffix);
    std::swprintf(wide, sizeof wide / sizeof wide[0],
                  L"32-bit Edition Version %d.%d Build %d %ls %ls", kMajor, kMinor, kBuild,
                  kBuildDateW, kSuffixW);
  }
};

const VersionTexts& texts() {
  static const VersionTexts instance;
  return instance;
}

}  // namespace

extern "C" {

const char* GetDllVersion() { return texts().narrow; }
const wchar_t* GetDllVersionUnicode() { return texts().wide; }
int GetDllVersionMajor() { return kMajor; }
int GetDllVersionMinor() { return kMinor; }
int GetDllBuildNumber() { return kBuild; }
}
