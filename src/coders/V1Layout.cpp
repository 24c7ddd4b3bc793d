// The version-1 coder's identity and its image layout per input version.
#include "V1Layout.h"

#include <iterator>
#include <string>

#include "ProbeDataV1Coder.h"

const unsigned short ProbeDataV1Coder::_nClassVersion;
const unsigned int ProbeDataV1Coder::_nVersionDataSize;
const unsigned int ProbeDataV1Coder::_nRigidBodyDataSize;
const unsigned int ProbeDataV1Coder::_nRigidBodyData20Size;
const unsigned int ProbeDataV1Coder::_nDefaultDirDataSize;
const unsigned int ProbeDataV1Coder::_nMaskThicknessDataSize;
const unsigned int ProbeDataV1Coder::_nDataCheckDataSize;

namespace {

// The exported sizes are the layout's.
struct LayoutCheck : ProbeDataV1Coder {
  static_assert(_nClassVersion == v1::kCurrentVersion, "the coder writes the current version");
  static_assert(_nVersionDataSize == v1::kVersionBlockSize, "");
  static_assert(_nRigidBodyDataSize == v1::kRigidBodyBlockSize, "");
  static_assert(_nRigidBodyData20Size == v1::kOldRigidBodyBlockSize, "");
  static_assert(_nDefaultDirDataSize == v1::kDefaultDirBlockSize, "");
  static_assert(_nMaskThicknessDataSize == v1::kMaskThicknessBlockSize, "");
  static_assert(_nDataCheckDataSize == v1::kDataCheckBlockSize, "");
  static_assert(NoVersionDefined == v1::kNoVersion, "");
};

}  // namespace

std::string v1::versionText(unsigned int major, unsigned int minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

std::string v1::writtenVersionsText() {
  std::string text;
  const std::size_t count = std::size(kWrittenVersions);
  for (std::size_t i = 0; i < count; ++i) {
    text += (i == 0 ? "" : i + 1 < count ? ", " : " or ") + versionText(kWrittenVersions[i]);
  }
  return text;
}

ProbeDataV1Coder::ProbeDataV1Coder(boost::shared_ptr<DataHandler> dataHandler)
    : ProbeDataCoder(dataHandler) {
  outputVersion_ = _nClassVersion;
}

ProbeDataV1Coder::ProbeDataV1Coder(const ProbeDataV1Coder& other) = default;
ProbeDataV1Coder& ProbeDataV1Coder::operator=(const ProbeDataV1Coder& other) = default;
ProbeDataV1Coder::~ProbeDataV1Coder() = default;

unsigned short ProbeDataV1Coder::getClassVersion() { return _nClassVersion; }

void ProbeDataV1Coder::setOutputVersion(unsigned short version) {
  acceptOutputVersion(version, _nClassVersion, "ProbeDataCoder");
}

unsigned int ProbeDataV1Coder::getImageLength(unsigned int inputVersion) {
  return static_cast<unsigned int>(v1::itemLength(inputVersion, AllItems));
}

unsigned int ProbeDataV1Coder::getLength(StreamItems item) const {
  return static_cast<unsigned int>(v1::itemLength(inputVersion_, item));
}

unsigned int ProbeDataV1Coder::getOffset(StreamItems item) const {
  return static_cast<unsigned int>(v1::itemOffset(inputVersion_, item));
}

// What the writers write for an item: the rigid body writer always writes the 388-byte layout;
// every other item fills its slot of the current input version.
unsigned int ProbeDataV1Coder::codedLength(StreamItems item) const {
  return item == RigidBodyItem ? _nRigidBodyDataSize : getLength(item);
}
