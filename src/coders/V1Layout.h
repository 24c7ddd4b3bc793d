// The version-1 image as it sits in the probe's memory, from device offset 0. These bytes are on
// devices in the field: never change a size or an order here.
//
//   offset  size  item
//        0     8  version block     "QMVB", u16 major, u16 minor
//        8   388  rigid body block  u16 count N, N target records, u16 checksum, zero fill
//                                   (older images: the 320-byte layout in the first 320 bytes)
//      396     8  default direction i16 x, y, z (thousandths), u16 checksum
//      404     2  mask thickness    u16, unscaled
//      406    22  data check        20 bytes of rigid body id (NUL-filled), u16 stored checksum
//      428        end of image
//
//   Target record, 388-byte layout     Target record, 320-byte layout
//     u8  normal flag '1'/'0'            u8  normal flag
//     u8  angle flag  '1'/'0'            u8  angle flag
//     i16 size        hundredths         i16 size        hundredths
//     i32 x, y, z     thousandths        i16 x, y, z     hundredths
//     i16 nx, ny, nz  hundredths  (if normal flag is '1')
//     i16 angle       hundredths  (if angle flag is '1')
//
//   320-byte layout: 12 bytes "Point#:" + count in decimal (NUL-filled), 12 bytes not
//   interpreted, the records, i16 default direction x, y, z (hundredths), u16 checksum.
//
// Images of input version 1 were cut after the 320-byte rigid body: a 328-byte image whose last
// three items are empty.
#ifndef PROBE_V1_LAYOUT_H
#define PROBE_V1_LAYOUT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ProbeDataV1Coder.h"

namespace v1 {

// Image versions: (major << 4) | minor.
constexpr std::uint32_t packVersion(std::uint32_t major, std::uint32_t minor) {
  return (major << 4) | minor;
}
constexpr std::uint16_t majorOf(std::uint32_t version) {
  return static_cast<std::uint16_t>(version >> 4);
}
constexpr std::uint16_t minorOf(std::uint32_t version) {
  return static_cast<std::uint16_t>(version & 0xFu);
}

constexpr std::uint32_t kNoVersion = 0xFFFFFFFFu;
constexpr std::uint32_t kCutImageVersion = 1;                   // the 328-byte image
constexpr std::uint32_t kNoMagicVersion = packVersion(1, 0);    // an image without the magic
constexpr std::uint32_t kLastShortVersion = packVersion(2, 0);  // up to here: no items after RB
constexpr std::uint32_t kCurrentVersion = packVersion(2, 1);    // 388-byte rigid body layout

// Images up to version 2.0 end with the rigid body block; later ones hold all five items.
constexpr bool holdsItemsAfterRigidBody(std::uint32_t version) {
  return version > kLastShortVersion;
}

// The versions devices write after the magic, newest first: 2.1, 2.0 and the cut image 0.1. An
// image without the magic is read as version 1.0.
constexpr std::uint32_t kWrittenVersions[] = {kCurrentVersion, kLastShortVersion, kCutImageVersion};

// "2.1", as messages name a version: from its two numbers, or packed.
std::string versionText(unsigned int major, unsigned int minor);
inline std::string versionText(std::uint32_t version) {
  return versionText(majorOf(version), minorOf(version));
}
// "2.1, 2.0 or 0.1".
std::string writtenVersionsText();

// Version block.
using Magic = std::array<char, 4>;
constexpr Magic kVersionMagic = {'Q', 'M', 'V', 'B'};
constexpr std::size_t kMagicSize = kVersionMagic.size();
constexpr std::size_t kVersionBlockSize = kMagicSize + 2 + 2;

// Rigid body block, 388-byte layout.
constexpr unsigned char kFlagPresent = '1';
constexpr unsigned char kFlagAbsent = '0';
constexpr std::size_t kCountSize = 2;
constexpr std::size_t kBlockChecksumSize = 2;
constexpr std::size_t kTargetBaseSize = 1 + 1 + 2 + 3 * 4;
constexpr std::size_t kTargetNormalSize = 3 * 2;
constexpr std::size_t kTargetAngleSize = 2;
constexpr std::size_t kFullTargetSize = kTargetBaseSize + kTargetNormalSize + kTargetAngleSize;
constexpr std::size_t kMaxFullTargets = 16;
constexpr std::size_t kRigidBodyBlockSize =
    kCountSize + kMaxFullTargets * kFullTargetSize + kBlockChecksumSize;

// Rigid body block, 320-byte layout.
constexpr std::size_t kCountTextSize = 12;
constexpr std::size_t kCountPrefixSize = 7;  // "Point#:"
constexpr std::size_t kSecondHeaderSize = 12;
constexpr std::size_t kOldTargetBaseSize = 1 + 1 + 2 + 3 * 2;
constexpr std::size_t kOldDefaultDirSize = 3 * 2;
constexpr std::size_t kOldRigidBodyBlockSize =
    kCountTextSize + kSecondHeaderSize +
    kMaxFullTargets * (kOldTargetBaseSize + kTargetNormalSize + kTargetAngleSize) +
    kOldDefaultDirSize + kBlockChecksumSize;

// The scalar items.
constexpr std::size_t kDefaultDirBlockSize = 3 * 2 + kBlockChecksumSize;
constexpr std::size_t kMaskThicknessBlockSize = 2;
constexpr std::size_t kIdFieldSize = 20;
constexpr std::size_t kDataCheckBlockSize = kIdFieldSize + 2;

// A string image must hold this many bytes before its version block is read.
constexpr std::size_t kStringHeadSize = 10;

// The image is its items one after another, each named as the report names it. Every version
// gives them the lengths of version 2.1 but the cut image of version 1, which ends after a
// 320-byte rigid body: its later items are empty.
using Item = ProbeDataV1Coder::StreamItems;
struct ItemLayout {
  const char* name;
  std::size_t length;
  std::size_t cutLength;
};
constexpr ItemLayout kItems[] = {
    {"version", kVersionBlockSize, kVersionBlockSize},
    {"rigid body", kRigidBodyBlockSize, kOldRigidBodyBlockSize},
    {"default direction", kDefaultDirBlockSize, 0},
    {"mask thickness", kMaskThicknessBlockSize, 0},
    {"data check", kDataCheckBlockSize, 0},
};

// Length and offset of an item in an image of an input version; 0 for values above
// DataCheckItem. The whole image (AllItems) ends where its last item does.
constexpr std::size_t itemOffset(std::uint32_t version, Item item);
constexpr std::size_t itemLength(std::uint32_t version, Item item) {
  const Item last = ProbeDataV1Coder::DataCheckItem;
  if (item == ProbeDataV1Coder::AllItems)
    return itemOffset(version, last) + itemLength(version, last);
  if (item > last) return 0;
  return version == kCutImageVersion ? kItems[item - 1].cutLength : kItems[item - 1].length;
}
constexpr std::size_t itemOffset(std::uint32_t version, Item item) {
  std::size_t offset = 0;
  for (int i = ProbeDataV1Coder::VersionItem; i < item; ++i) {
    offset += itemLength(version, static_cast<Item>(i));
  }
  return item <= ProbeDataV1Coder::DataCheckItem ? offset : 0;
}

// Runs code(item, slot) over the items from first to last in image order, each on its slot in
// bytes, which hold an image of version() from its byte base on; a slot is cut where bytes end.
// version() is asked as each item's turn comes, so that a version block decoded first decides
// where the others lie. code returns false to end the walk.
template <class Bytes, class Version, class Code>
void walkItems(Bytes bytes, std::size_t base, Item first, Item last, Version version, Code code) {
  for (int i = first; i <= last; ++i) {
    const auto item = static_cast<Item>(i);
    if (!code(item,
              bytes.window(itemOffset(version(), item) - base, itemLength(version(), item)))) {
      return;
    }
  }
}

static_assert(kVersionBlockSize == 8, "version block is on devices");
static_assert(kTargetBaseSize == 16 && kFullTargetSize == 24, "target record is on devices");
static_assert(kRigidBodyBlockSize == 388, "rigid body block is on devices");
static_assert(kOldRigidBodyBlockSize == 320, "old rigid body block is on devices");
static_assert(kDefaultDirBlockSize == 8 && kDataCheckBlockSize == 22, "items are on devices");
static_assert(itemOffset(kCurrentVersion, ProbeDataV1Coder::DefaultDirItem) == 396 &&
                  itemOffset(kCurrentVersion, ProbeDataV1Coder::MaskThicknessItem) == 404 &&
                  itemOffset(kCurrentVersion, ProbeDataV1Coder::DataCheckItem) == 406,
              "item offsets are on devices");
static_assert(itemLength(kCurrentVersion, ProbeDataV1Coder::AllItems) == 428,
              "the image size is on devices");

}  // namespace v1

#endif
