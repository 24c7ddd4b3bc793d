// From an item to its codec, and a run of items of the image in order: the whole image, and the
// blocks the data checksum covers. In such a run each item is coded inside its own slot (offset
// and length of the current input version), so no codec reaches into its neighbour or past the
// bytes given.
#include <log4cplus/loggingmacros.h>

#include <vector>

#include "ByteCursor.h"
#include "Crc16.h"
#include "ProbeDataV1Coder.h"
#include "ProbeLogger.h"
#include "V1Layout.h"

namespace {

// The reader and writer of each item after the version block, in image order. The version
// block's codecs read into and write from the coder's own versions, not a record.
struct Codecs : ProbeDataV1Coder {
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
