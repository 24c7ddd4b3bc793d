// The image as a string of raw bytes, without any transfer.
#include <log4cplus/loggingmacros.h>

#include <new>
#include <string>

#include "ProbeDataV1Coder.h"
#include "ProbeLogger.h"
#include "V1Layout.h"

// Bytes the image does not carry for the output version (those after the rigid body block up to
// version 2.0) are zero. The caller's image changes only once the whole image is coded.
bool ProbeDataV1Coder::convertToString(const ProbeData& data, std::string& image) const try {
  std::string coded(getLength(AllItems), '\0');
  setToRaw(data, AllItems, reinterpret_cast<unsigned char*>(&coded[0]), coded.size());
  image.swap(coded);
  return true;
} catch (const std::bad_alloc&) {
  LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertToString could not allocate");
  return false;
} catch (...) {
  LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertToString");
  return false;
}

bool ProbeDataV1Coder::convertFromString(const std::string& image, ProbeData& data) {
  return convertFromString(reinterpret_cast<const unsigned char*>(image.data()), image.size(),
                           data);
}

// The version is read first, since it decides how long the image must be. A failure after that
// leaves the input version read; a failing item leaves the items decoded before it in data.
// The item readers only read: the caller's bytes go to them as the codecs' signatures take them.
bool ProbeDataV1Coder::convertFromString(const unsigned char* image, std::size_t size,
                                         ProbeData& data) try {
  unsigned char* const bytes = const_cast<unsigned char*>(image);
  if (size < v1::kStringHeadSize) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertFromString could not read version");
    return false;
  }
  setFromRaw(data, VersionItem, bytes, v1::kVersionBlockSize);
  const std::size_t needed = getLength(AllItems);
  if (size < needed) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertFromString too short "
                                       << size << " where needed is " << needed);
    return false;
  }
  setFromRaw(data, AllItems, bytes, needed);
  return true;
} catch (...) {
  // The failing codec has logged its own Error.
  return false;
}
