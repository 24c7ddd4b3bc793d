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
constexpr bool isWrittenVersion(std::uint32_t version) {
  return version == kCurrentVersion || version == kLastShortVersion || version == kCutImageVersion;
}

// "2.1", as messages name a version.
std::string versionText(std::uint32_t version);
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

// The image.
constexpr std::size_t kRigidBodyOffset = kVersionBlockSize;
constexpr std::size_t kDefaultDirOffset = kRigidBodyOffset + kRigidBodyBlockSize;
constexpr std::size_t kMaskThicknessOffset = kDefaultDirOffset + kDefaultDirBlockSize;
constexpr std::size_t kDataCheckOffset = kMaskThicknessOffset + kMaskThicknessBlockSize;
constexpr std::size_t kImageSize = kDataCheckOffset + kDataCheckBlockSize;
// A string image must hold this many bytes before its version block is read.
constexpr std::size_t kStringHeadSize = 10;

// Length and offset of an item in an image of an input version; 0 for values above
// DataCheckItem. The image (AllItems) is its items one after another, so its length is the
// offset of the item after the last.
std::size_t itemLength(std::uint32_t version, ProbeDataV1Coder::StreamItems item);
std::size_t itemOffset(std::uint32_t version, ProbeDataV1Coder::StreamItems item);

static_assert(kVersionBlockSize == 8, "version block is on devices");
static_assert(kTargetBaseSize == 16 && kFullTargetSize == 24, "target record is on devices");
static_assert(kRigidBodyBlockSize == 388, "rigid body block is on devices");
static_assert(kOldRigidBodyBlockSize == 320, "old rigid body block is on devices");
static_assert(kDefaultDirBlockSize == 8 && kDataCheckBlockSize == 22, "items are on devices");
static_assert(kDefaultDirOffset == 396 && kMaskThicknessOffset == 404 && kDataCheckOffset == 406,
              "item offsets are on devices");
static_assert(kImageSize == 428, "the image size is on devices");

}  // namespace v1

#endif
