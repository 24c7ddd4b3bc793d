// From an item to its codec, and the whole image item by item. In the whole image each item is
// coded inside its own slot (offset and length of the current input version), so no codec
// reaches into its neighbour or past the bytes given.
#include "ByteCursor.h"
#include "ProbeDataV1Coder.h"
#include "V1Layout.h"

void ProbeDataV1Coder::setFromRaw(ProbeData& data, StreamItems item, unsigned char* raw) {
  setFromRaw(data, item, raw, getLength(item));
}

void ProbeDataV1Coder::setFromRaw(ProbeData& data, StreamItems item, unsigned char* raw,
                                  std::size_t size) {
  switch (item) {
    case VersionItem:
      setVersionFromRaw(raw, size);
      return;
    case RigidBodyItem:
      setRigidBodyFromRaw(data, raw, size);
      return;
    case DefaultDirItem:
      setDefaultDirFromRaw(data, raw, size);
      return;
    case MaskThicknessItem:
      setMaskThicknessFromRaw(data, raw, size);
      return;
    case DataCheckItem:
      setDataCheckFromRaw(data, raw, size);
      return;
    case AllItems:
      break;
    default:
      return;
  }

  const ByteWindow image{raw, size};
  // Slots are taken after the version block is decoded: its version decides what follows.
  const auto slot = [this, &image](StreamItems part) {
    return image.window(getOffset(part), getLength(part));
  };
  ByteWindow part = slot(VersionItem);
  setVersionFromRaw(part.data, part.size);
  part = slot(RigidBodyItem);
  setRigidBodyFromRaw(data, part.data, part.size);
  if (!v1::holdsItemsAfterRigidBody(inputVersion_)) return;
  part = slot(DefaultDirItem);
  setDefaultDirFromRaw(data, part.data, part.size);
  part = slot(MaskThicknessItem);
  setMaskThicknessFromRaw(data, part.data, part.size);
  part = slot(DataCheckItem);
  setDataCheckFromRaw(data, part.data, part.size);
}

void ProbeDataV1Coder::setToRaw(const ProbeData& data, StreamItems item,
                                unsigned char* raw) const {
  setToRaw(data, item, raw, codedLength(item));
}

void ProbeDataV1Coder::setToRaw(const ProbeData& data, StreamItems item, unsigned char* raw,
                                std::size_t size) const {
  switch (item) {
    case VersionItem:
      setVersionToRaw(raw, size);
      return;
    case RigidBodyItem:
      setRigidBodyToRaw(data, raw, size);
      return;
    case DefaultDirItem:
      setDefaultDirToRaw(data, raw, size);
      return;
    case MaskThicknessItem:
      setMaskThicknessToRaw(data, raw, size);
      return;
    case DataCheckItem:
      setDataCheckToRaw(data, raw, size);
      return;
    case AllItems:
      break;
    default:
      return;
  }

  // Slots come from the input version, which item follows which from the output version. The
  // cut image of input version 1 has a 320-byte rigid body slot, so its writer refuses there.
  const ByteWindow image{raw, size};
  const auto slot = [this, &image](StreamItems part) {
    return image.window(getOffset(part), getLength(part));
  };
  ByteWindow part = slot(VersionItem);
  setVersionToRaw(part.data, part.size);
  part = slot(RigidBodyItem);
  setRigidBodyToRaw(data, part.data, part.size);
  if (!v1::holdsItemsAfterRigidBody(outputVersion_)) return;
  part = slot(DefaultDirItem);
  setDefaultDirToRaw(data, part.data, part.size);
  part = slot(MaskThicknessItem);
  setMaskThicknessToRaw(data, part.data, part.size);
  part = slot(DataCheckItem);
  setDataCheckToRaw(data, part.data, part.size);
}
