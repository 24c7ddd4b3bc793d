// The version-1 memory image as the device stores it, seen from the host side: the tool reads
// the image's fields itself to tell which block of a damaged image is at fault, and to mark the
// blocks in hex dumps. All integers are little-endian; fields follow one another with no gaps.
//
//   offset  length  item
//        0       8  version block: "QMVB", u16 major, u16 minor
//        8     388  rigid body block (the 320-byte layout of older images sits in its first
//                   320 bytes)
//      396       8  default direction block: i16 x, y, z (scale 0.001), u16 checksum
//      404       2  mask thickness block: u16
//      406      22  data check block: 20 id bytes, u16 low half of the stored record checksum
//
// Images of version 0.1 stop after a 320-byte rigid body block (328 bytes in all); images of
// version 2.0 and below hold nothing meaningful after the rigid body block.
#ifndef PROBETOOL_IMAGE_LAYOUT_H
#define PROBETOOL_IMAGE_LAYOUT_H

#include <cstddef>

namespace probetool {

constexpr char kMagic[] = "QMVB";
constexpr std::size_t kMagicLength = 4;

constexpr std::size_t kVersionLength = kMagicLength + 2 + 2;
constexpr std::size_t kRigidBodyLength = 388;
constexpr std::size_t kRigidBody20Length = 320;
constexpr std::size_t kDefaultDirLength = 2 + 2 + 2 + 2;
constexpr std::size_t kMaskThicknessLength = 2;
constexpr std::size_t kIdLength = 20;
constexpr std::size_t kDataCheckLength = kIdLength + 2;

constexpr std::size_t kVersionOffset = 0;
constexpr std::size_t kRigidBodyOffset = kVersionOffset + kVersionLength;
constexpr std::size_t kDefaultDirOffset = kRigidBodyOffset + kRigidBodyLength;
constexpr std::size_t kMaskThicknessOffset = kDefaultDirOffset + kDefaultDirLength;
constexpr std::size_t kDataCheckOffset = kMaskThicknessOffset + kMaskThicknessLength;
constexpr std::size_t kImageLength = kDataCheckOffset + kDataCheckLength;
constexpr std::size_t kShortImageLength = kVersionLength + kRigidBody20Length;

static_assert(kDefaultDirOffset == 396 && kMaskThicknessOffset == 404 && kDataCheckOffset == 406,
              "item offsets of the version-1 image");
static_assert(kImageLength == 428, "a version-1 image of version 2.1 is 428 bytes");
static_assert(kShortImageLength == 328, "an image of version 0.1 is 328 bytes");

// Rigid body records. 2.1 layout: two flag bytes, i16 size, i32 x, y, z; 320-byte layout: two
// flag bytes, i16 size, i16 x, y, z. Both then hold i16 nx, ny, nz and i16 angle when flagged.
constexpr std::size_t kTargetLength = 1 + 1 + 2 + 3 * 4;
constexpr std::size_t kTarget20Length = 1 + 1 + 2 + 3 * 2;
constexpr std::size_t kNormalLength = 3 * 2;
constexpr std::size_t kAngleLength = 2;
constexpr std::size_t kCountTextLength = 12;   // "Point#:" and the count in decimal
constexpr std::size_t kCountPrefixLength = 7;  // what the reader skips before the digits
constexpr std::size_t kSecondHeaderLength = 12;
constexpr unsigned char kFlagPresent = '1';
constexpr unsigned char kFlagAbsent = '0';

// Packed version numbers: major in the high nibbles, minor in the low one.
constexpr unsigned int packVersion(unsigned int major, unsigned int minor) {
  return (major << 4) | minor;
}
constexpr unsigned int kVersion21 = packVersion(2, 1);
constexpr unsigned int kVersion20 = packVersion(2, 0);
constexpr unsigned int kVersion10 = packVersion(1, 0);  // an image without the magic
constexpr unsigned int kVersion01 = packVersion(0, 1);  // the 328-byte image

// Scales of the stored integers.
constexpr double kPositionScale = 0.001;
constexpr double kPosition20Scale = 0.01;
constexpr double kSizeScale = 0.01;
constexpr double kNormalScale = 0.01;
constexpr double kAngleScale = 0.01;
constexpr double kDefaultDirScale = 0.001;
constexpr double kDefaultDir20Scale = 0.01;

}  // namespace probetool

#endif
