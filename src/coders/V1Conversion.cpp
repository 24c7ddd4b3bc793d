// The image as a string of raw bytes, and the data checksum, without any transfer.
#include <log4cplus/loggingmacros.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "ByteCursor.h"
#include "Crc16.h"
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
  const std::size_t length = std::size_t{getLength(DataCheckItem)} +
                             getLength(MaskThicknessItem) + getLength(DefaultDirItem) +
                             getLength(RigidBodyItem) + getLength(VersionItem);
  std::vector<unsigned char> buffer;
  if (!allocate(buffer, length)) {
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
  try {
    if (image.size() < v1::kStringHeadSize) throw CursorOverrun();
    unsigned char head[v1::kStringHeadSize];
    std::copy_n(image.begin(), sizeof head, head);
    setFromRaw(data, VersionItem, head, sizeof head);
  } catch (...) {
    LOG4CPLUS_ERROR(g_probeLogger,
                    "ProbeDataV1Coder::convertFromString could not read version");
    return false;
  }

  const std::size_t needed = std::size_t{getLength(VersionItem)} + getLength(RigidBodyItem) +
                             getLength(DefaultDirItem) + getLength(MaskThicknessItem) +
                             getLength(DataCheckItem);
  if (image.size() < needed) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertFromString too short "
                                       << image.size() << " where needed is " << needed);
    return false;
  }
  // Only the image is copied: bytes past it are ignored anyway.
  std::vector<unsigned char> buffer;
  if (!allocate(buffer, needed)) {
    LOG4CPLUS_ERROR(g_probeLogger, "ProbeDataV1Coder::convertFromString could not allocate");
    return false;
  }
  std::copy_n(image.begin(), needed, buffer.begin());
  try {
    setFromRaw(data, AllItems, buffer.data(), buffer.size());
    return true;
  } catch (...) {
    // The failing codec has logged its own Error.
    return false;
  }
}

// Covers the rigid body, default direction and mask thickness blocks, whatever the output
// version; not the version block, the id or the stored checksum.
unsigned int ProbeDataV1Coder::computeDataCheksum(const ProbeData& data) const {
  const std::size_t rigidBody = getLength(RigidBodyItem);
  const std::size_t defaultDir = getLength(DefaultDirItem);
  const std::size_t maskThickness = getLength(MaskThicknessItem);
  std::vector<unsigned char> buffer(rigidBody + defaultDir + maskThickness, 0);
  const ByteWindow blocks{buffer.data(), buffer.size()};

  ByteWindow part = blocks.window(0, rigidBody);
  setToRaw(data, RigidBodyItem, part.data, part.size);
  part = blocks.window(rigidBody, defaultDir);
  setToRaw(data, DefaultDirItem, part.data, part.size);
  part = blocks.window(rigidBody + defaultDir, maskThickness);
  setToRaw(data, MaskThicknessItem, part.data, part.size);

  const unsigned int result = crc16Arc(buffer.data(), buffer.size());
  LOG4CPLUS_DEBUG(g_probeLogger, "checksum result " << result);
  return result;
}
