// The version-1 coder's identity, and its image item by item: where each item lies in an image
// of the input version, which codec codes it, and the runs of items in image order (the whole
// image, and the blocks the data checksum covers). In such a run each item is coded inside its
// own slot, so no codec reaches into its neighbour or past the bytes given.
#include "V1Layout.h"

#include <log4cplus/loggingmacros.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "ByteCursor.h"
#include "Crc16.h"
#include "ProbeDataV1Coder.h"
#include "ProbeLogger.h"

const unsigned short ProbeDataV1Coder::_nClassVersion;
const unsigned int ProbeDataV1Coder::_nVersionDataSize;
const unsigned int ProbeDataV1Coder::_nRigidBodyDataSize;
const unsigned int ProbeDataV1Coder::_nRigidBodyData20Size;
const unsigned int ProbeDataV1Coder::_nDefaultDirDataSize;
const unsigned int ProbeDataV1Coder::_nMaskThicknessDataSize;
const unsigned int ProbeDataV1Coder::_nDataCheckDataSize;

namespace {

// The coder's items as a derived class sees them.
struct Codecs : ProbeDataV1Coder {
  // The exported sizes are the layout's.
  static_assert(_nClassVersion == v1::kCurrentVersion, "the coder writes the current version");
  static_assert(_nVersionDataSize == v1::kVersionBlockSize, "");
  static_assert(_nRigidBodyDataSize == v1::kRigidBodyBlockSize, "");
  static_assert(_nRigidBodyData20Size == v1::kOldRigidBodyBlockSize, "");
  static_assert(_nDefaultDirDataSize == v1::kDefaultDirBlockSize, "");
  static_assert(_nMaskThicknessDataSize == v1::kMaskThicknessBlockSize, "");
  static_assert(_nDataCheckDataSize == v1::kDataCheckBlockSize, "");
  static_assert(NoVersionDefined == v1::kNoVersion, "");

  // The reader and writer of each item after the version block, in image order. The version
  // block's codecs read into and write from the coder's own versions, not a record.
  using Reader = void (ProbeDataV1Coder::*)(ProbeData&, unsigned char*, std::size_t) const;
  using Writer = void (ProbeDataV1Coder::*)(const ProbeData&, unsigned char*, std::size_t) const;
  struct Pair {
    Reader read;
    Writer write;
  };
  static constexpr Pair kAfterVersion[] = {
      {&Codecs::setRigidBodyFromRaw, &Codecs::setRigidBodyToRaw},
      {&Codecs::setDefaultDirFromRaw, &Codecs::setDefaultDirToRaw},
      {&Codecs::setMaskThicknessFromRaw, &Codecs::setMaskThicknessToRaw},
      {&Codecs::setDataCheckFromRaw, &Codecs::setDataCheckToRaw},
  };
  static const Pair* of(StreamItems item) {
    return item > VersionItem && item <= DataCheckItem ? &kAfterVersion[item - RigidBodyItem]
                                                       : nullptr;
  }
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

bool ProbeDataV1Coder::isWrittenVersion(unsigned int version) {
  return std::count(std::begin(v1::kWrittenVersions), std::end(v1::kWrittenVersions), version) != 0;
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

void ProbeDataV1Coder::setFromRaw(ProbeData& data, StreamItems item, unsigned char* raw) {
  setFromRaw(data, item, raw, getLength(item));
}

// The whole image is decoded item by item; after the rigid body, the version just decoded says
// whether more follows.
void ProbeDataV1Coder::setFromRaw(ProbeData& data, StreamItems item, unsigned char* raw,
                                  std::size_t size) {
  if (item == VersionItem) return setVersionFromRaw(raw, size);
  if (const Codecs::Pair* codecs = Codecs::of(item)) return (this->*codecs->read)(data, raw, size);
  if (item != AllItems) return;
  v1::walkItems(
      ByteWindow{raw, size}, 0, VersionItem, DataCheckItem, [&] { return inputVersion_; },
      [&](StreamItems part, ByteWindow slot) {
        setFromRaw(data, part, slot.data, slot.size);
        return part != RigidBodyItem || v1::holdsItemsAfterRigidBody(inputVersion_);
      });
}

void ProbeDataV1Coder::setToRaw(const ProbeData& data, StreamItems item, unsigned char* raw) const {
  setToRaw(data, item, raw, codedLength(item));
}

// Slots come from the input version, which items follow the rigid body from the output version.
// The cut image of input version 1 has a 320-byte rigid body slot, so its writer refuses there.
void ProbeDataV1Coder::setToRaw(const ProbeData& data, StreamItems item, unsigned char* raw,
                                std::size_t size) const {
  if (item == VersionItem) return setVersionToRaw(raw, size);
  if (const Codecs::Pair* codecs = Codecs::of(item)) return (this->*codecs->write)(data, raw, size);
  if (item != AllItems) return;
  v1::walkItems(
      ByteWindow{raw, size}, 0, VersionItem, DataCheckItem, [&] { return inputVersion_; },
      [&](StreamItems part, ByteWindow slot) {
        setToRaw(data, part, slot.data, slot.size);
        return part != RigidBodyItem || v1::holdsItemsAfterRigidBody(outputVersion_);
      });
}

// The rigid body, default direction and mask thickness blocks as an image of the current input
// version holds them, whatever the output version; not the version block, the id or the stored
// checksum.
unsigned int ProbeDataV1Coder::computeDataCheksum(const ProbeData& data) const {
  const std::size_t begin = getOffset(RigidBodyItem);
  std::vector<unsigned char> blocks(getOffset(DataCheckItem) - begin, 0);
  v1::walkItems(
      ByteWindow{blocks.data(), blocks.size()}, begin, RigidBodyItem, MaskThicknessItem,
      [&] { return inputVersion_; },
      [&](StreamItems part, ByteWindow slot) {
        setToRaw(data, part, slot.data, slot.size);
        return true;
      });
  const unsigned int result = crc16Arc(blocks.data(), blocks.size());
  LOG4CPLUS_DEBUG(g_probeLogger, "checksum result " << result);
  return result;
}
