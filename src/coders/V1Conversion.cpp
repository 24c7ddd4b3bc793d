// The image as a string of raw bytes, without any transfer.
#include <log4cplus/loggingmacros.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "ByteCursor.h"
#include "ProbeDataV1Coder.h"
#include "ProbeLogger.h"
#include "V1Layout.h"

namespace {

// A zeroed working buffer, or an empty one when memory is exhausted.
bool allocate(std::vector<unsigned char>& buffer, std::size_t size) {
  try {
    buffer.assign(size, 0);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

// Bytes the image does not carry for the output version (those after the rigid body block up to
// version 2.0) are zero.
bool ProbeDataV1Coder::convertToString(const ProbeData& data, std::string& image) const {
  std::vector<unsigned char> buffer;
  if (!allocate(buffer, getLength(AllItems))) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertToString could not allocate");
    return false;
  }
  try {
    setToRaw(data, AllItems, buffer.data(), buffer.size());
    image.assign(buffer.begin(), buffer.end());
    return true;
  } catch (...) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertToString");
    return false;
  }
}

// The version is read from a copy of the string's head before anything else, since it decides
// how long the image must be. A failure after that leaves the input version read; a failing
// item leaves the items decoded before it in data.
bool ProbeDataV1Coder::convertFromString(const std::string& image, ProbeData& data) {
  return convertFromString(reinterpret_cast<const unsigned char*>(image.data()), image.size(),
                           data);
}

bool ProbeDataV1Coder::convertFromString(const unsigned char* image, std::size_t size,
                                         ProbeData& data) {
  try {
    if (size < v1::kStringHeadSize) throw CursorOverrun();
    unsigned char head[v1::kStringHeadSize];
    std::copy_n(image, sizeof head, head);
    setFromRaw(data, VersionItem, head, sizeof head);
  } catch (...) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertFromString could not read version");
    return false;
  }

  const std::size_t needed = getLength(AllItems);
  if (size < needed) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertFromString too short "
                                       << size << " where needed is " << needed);
    return false;
  }
  // Only the image is copied: bytes past it are ignored anyway.
  std::vector<unsigned char> buffer;
  if (!allocate(buffer, needed)) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertFromString could not allocate");
    return false;
  }
  std::copy_n(image, needed, buffer.begin());
  try {
    setFromRaw(data, AllItems, buffer.data(), buffer.size());
    return true;
  } catch (...) {
    // The failing codec has logged its own Error.
    return false;
  }
}
