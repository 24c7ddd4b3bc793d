#include "ProbeVersion.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

// The text after the date, empty in this release.
#define PROBEDATA_VERSION_SUFFIX ""

// Formatted once, on first use; a concurrent first caller waits for the text to be complete.
struct VersionTexts {
  char narrow[256];
  wchar_t wide[256];

  VersionTexts() {
    std::snprintf(narrow, sizeof narrow, "32-bit Edition Version %d.%d Build %d %s %s",
                  PROBEDATA_VERSION_MAJOR, PROBEDATA_VERSION_MINOR, PROBEDATA_VERSION_BUILD,
                  PROBEDATA_BUILD_DATE, PROBEDATA_VERSION_SUFFIX);
    std::copy(std::begin(narrow), std::end(narrow), wide);  // the text is ASCII
  }
};

const VersionTexts& texts() {
  static const VersionTexts instance;
  return instance;
}

}  // namespace

extern "C" {

const char* PROBEDATA_CALL GetDllVersion() { return texts().narrow; }
const wchar_t* PROBEDATA_CALL GetDllVersionUnicode() { return texts().wide; }
int PROBEDATA_CALL GetDllVersionMajor() { return PROBEDATA_VERSION_MAJOR; }
int PROBEDATA_CALL GetDllVersionMinor() { return PROBEDATA_VERSION_MINOR; }
int PROBEDATA_CALL GetDllBuildNumber() { return PROBEDATA_VERSION_BUILD; }
}
