// The version-1 coder's identity, its image layout per input version, and the version block.
#include "V1Layout.h"

#include <functional>
#include <numeric>
#include <string>

#include "ByteCursor.h"
#include "ProbeDataV1Coder.h"
#include "ThrowError.h"
#include "V1Items.h"

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

// The cut image of input version 1 ends after a 320-byte rigid body block; its later items are
// empty.
std::size_t v1::itemLength(std::uint32_t version, ProbeDataV1Coder::StreamItems item) {
  const bool cutImage = version == kCutImageVersion;
  switch (item) {
    case ProbeDataV1Coder::AllItems:
      return itemLength(version, ProbeDataV1Coder::VersionItem) +
             itemLength(version, ProbeDataV1Coder::RigidBodyItem) +
             itemLength(version, ProbeDataV1Coder::DefaultDirItem) +
             itemLength(version, ProbeDataV1Coder::MaskThicknessItem) +
             itemLength(version, ProbeDataV1Coder::DataCheckItem);
    case ProbeDataV1Coder::VersionItem:
      return kVersionBlockSize;
    case ProbeDataV1Coder::RigidBodyItem:
      return cutImage ? kOldRigidBodyBlockSize : kRigidBodyBlockSize;
    case ProbeDataV1Coder::DefaultDirItem:
      return cutImage ? 0 : kDefaultDirBlockSize;
    case ProbeDataV1Coder::MaskThicknessItem:
      return cutImage ? 0 : kMaskThicknessBlockSize;
    case ProbeDataV1Coder::DataCheckItem:
      return cutImage ? 0 : kDataCheckBlockSize;
    default:
      return 0;
  }
}

// Each item follows the one before it.
std::size_t v1::itemOffset(std::uint32_t version, ProbeDataV1Coder::StreamItems item) {
  if (item <= ProbeDataV1Coder::VersionItem || item > ProbeDataV1Coder::DataCheckItem) return 0;
  const auto before = static_cast<ProbeDataV1Coder::StreamItems>(item - 1);
  return itemOffset(version, before) + itemLength(version, before);
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
  if (version > _nClassVersion) {
    PROBE_THROW("ProbeDataCoder::setOutputVersion() unhandled version : " +
                std::to_string(version));
  }
  ProbeDataCoder::setOutputVersion(version);
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

bool v1::VersionRead::hasMagic() const { return magicDifferences() == 0; }

std::size_t v1::VersionRead::magicDifferences() const {
  const std::string expected(kVersionMagic, kMagicSize);
  return static_cast<std::size_t>(std::inner_product(magic.begin(), magic.end(), expected.begin(),
                                                     0, std::plus<>(), std::not_equal_to<>()));
}

std::uint32_t v1::VersionRead::version() const {
  return hasMagic() ? packVersion(major, minor) : kNoMagicVersion;
}

v1::VersionRead v1::readVersion(ByteReader& in) {
  VersionRead read;
  read.magic = in.chars(kMagicSize);
  read.major = in.u16();
  read.minor = in.u16();
  return read;
}

// A block shorter than its 8 bytes is refused whole, magic or not.
void ProbeDataV1Coder::setVersionFromRaw(unsigned char* raw, std::size_t size) {
  std::uint32_t version = v1::kNoVersion;
  try {
    if (size < v1::kVersionBlockSize) throw CursorOverrun();
    ByteReader in(raw, size);
    version = v1::readVersion(in).version();
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
