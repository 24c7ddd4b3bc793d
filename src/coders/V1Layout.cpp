// The version-1 coder's identity, its image layout per input version, and the version block.
#include <string>

#include "ByteCursor.h"
#include "ProbeDataV1Coder.h"
#include "ThrowError.h"
#include "V1Layout.h"

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

// Item lengths. The cut image of input version 1 ends after a 320-byte rigid body block; its
// later items are empty.
unsigned int itemLength(bool cutImage, ProbeDataV1Coder::StreamItems item) {
  std::size_t length = 0;
  switch (item) {
    case ProbeDataV1Coder::VersionItem:
      length = v1::kVersionBlockSize;
      break;
    case ProbeDataV1Coder::RigidBodyItem:
      length = cutImage ? v1::kOldRigidBodyBlockSize : v1::kRigidBodyBlockSize;
      break;
    case ProbeDataV1Coder::DefaultDirItem:
      length = cutImage ? 0 : v1::kDefaultDirBlockSize;
      break;
    case ProbeDataV1Coder::MaskThicknessItem:
      length = cutImage ? 0 : v1::kMaskThicknessBlockSize;
      break;
    case ProbeDataV1Coder::DataCheckItem:
      length = cutImage ? 0 : v1::kDataCheckBlockSize;
      break;
    case ProbeDataV1Coder::AllItems:
    default:
      break;
  }
  return static_cast<unsigned int>(length);
}

}  // namespace

ProbeDataV1Coder::ProbeDataV1Coder(boost::shared_ptr<DataHandler> dataHandler)
    : ProbeDataCoder(dataHandler) {
  outputVersion_ = _nClassVersion;
}

ProbeDataV1Coder::ProbeDataV1Coder(const ProbeDataV1Coder& other) = default;
ProbeDataV1Coder& ProbeDataV1Coder::operator=(const ProbeDataV1Coder& other) = default;
ProbeDataV1Coder::~ProbeDataV1Coder() = default;

unsigned short ProbeDataV1Coder::getClassVersion() { return _nClassVersion; }

void ProbeDataV1Coder::setOutputVersion(unsigned short version) {
  if (version > _nClassVersion) {
    PROBE_THROW("ProbeDataCoder::setOutputVersion() unhandled version : " +
                std::to_string(version));
  }
  ProbeDataCoder::setOutputVersion(version);
}

unsigned int ProbeDataV1Coder::getLength(StreamItems item) const {
  const bool cutImage = inputVersion_ == v1::kCutImageVersion;
  if (item != AllItems) return itemLength(cutImage, item);
  return itemLength(cutImage, VersionItem) + itemLength(cutImage, RigidBodyItem) +
         itemLength(cutImage, DefaultDirItem) + itemLength(cutImage, MaskThicknessItem) +
         itemLength(cutImage, DataCheckItem);
}

unsigned int ProbeDataV1Coder::getOffset(StreamItems item) const {
  switch (item) {
    case RigidBodyItem:
      return getLength(VersionItem);
    case DefaultDirItem:
      return getOffset(RigidBodyItem) + getLength(RigidBodyItem);
    case MaskThicknessItem:
      return getOffset(DefaultDirItem) + getLength(DefaultDirItem);
    case DataCheckItem:
      return getOffset(MaskThicknessItem) + getLength(MaskThicknessItem);
    case AllItems:
    case VersionItem:
    default:
      return 0;
  }
}

// What the writers write for an item, and what an image of the current input version holds.
unsigned int ProbeDataV1Coder::codedLength(StreamItems item) const {
  switch (item) {
    case RigidBodyItem:
      return _nRigidBodyDataSize;
    case AllItems:
    case VersionItem:
    case DefaultDirItem:
    case MaskThicknessItem:
    case DataCheckItem:
      return getLength(item);
    default:
      return 0;
  }
}

void ProbeDataV1Coder::setVersionFromRaw(unsigned char* raw) {
  setVersionFromRaw(raw, v1::kVersionBlockSize);
}

// An image without the magic is taken for version 1.0. A block shorter than its 8 bytes is
// refused whole, magic or not.
void ProbeDataV1Coder::setVersionFromRaw(unsigned char* raw, std::size_t size) {
  std::uint32_t version = v1::kNoMagicVersion;
  try {
    if (size < v1::kVersionBlockSize) throw CursorOverrun();
    ByteReader in(raw, size);
    if (in.chars(v1::kMagicSize) == std::string(v1::kVersionMagic, v1::kMagicSize)) {
      const std::uint16_t major = in.u16();
      const std::uint16_t minor = in.u16();
      version = v1::packVersion(major, minor);
    }
  } catch (...) {
    PROBE_THROW("setVersionFromRaw error");
  }
  inputVersion_ = version;
}

void ProbeDataV1Coder::setVersionToRaw(unsigned char* raw) const {
  setVersionToRaw(raw, v1::kVersionBlockSize);
}

void ProbeDataV1Coder::setVersionToRaw(unsigned char* raw, std::size_t size) const {
  try {
    if (size < v1::kVersionBlockSize) throw CursorOverrun();  // nothing written when short
    ByteWriter out(raw, size);
    out.chars(v1::kVersionMagic, v1::kMagicSize);
    out.u16(v1::majorOf(outputVersion_));
    out.u16(v1::minorOf(outputVersion_));
  } catch (...) {
    PROBE_THROW("setVersionToRaw error");
  }
}
