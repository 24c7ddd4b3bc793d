// Known version-1 images and blocks, byte for byte. Shared by the coder tests, the fuzzing
// harness and the command-line tool's tests; change them only with the format.
#ifndef PROBE_TEST_GOLDEN_V1_H
#define PROBE_TEST_GOLDEN_V1_H

#include <cstddef>

namespace golden {

// Version block of image version 2.1.
constexpr unsigned char kVersion21[8] = {
    'Q',  'M',  'V', 'B',  // magic
    0x02, 0x00,            // major 2
    0x01, 0x00,            // minor 1
};

// Rigid body block, 388-byte layout: one target of size 1.5 at (1.0, -2.0, 0.0625), no normal,
// no angle. Zero fill after the checksum.
constexpr unsigned char kOneTargetBlock[388] = {
    0x01, 0x00,              // target count 1
    0x30, 0x30,              // normal flag '0', angle flag '0'
    0x96, 0x00,              // size 150 hundredths
    0xE8, 0x03, 0x00, 0x00,  // x 1000 thousandths
    0x30, 0xF8, 0xFF, 0xFF,  // y -2000 thousandths
    0x3F, 0x00, 0x00, 0x00,  // z 63 thousandths (62.5 rounds up)
    0xED, 0xFC,              // checksum 150 + 1000 + 0xF830 + 63 = 0xFCED
};

// Rigid body block, 320-byte layout: one target with an angle and no normal, and the default
// direction (0, 0, 1).
constexpr unsigned char kOldOneTargetBlock[320] = {
    'P',  'o',  'i',  'n',  't',  '#', ':', '1', 0, 0, 0, 0,  // count text "Point#:1"
    0,    0,    0,    0,    0,    0,   0,   0,   0, 0, 0, 0,  // second header
    0x30, 0x31,                                               // no normal, angle
    0x96, 0x00,                                               // size 150 hundredths
    0x64, 0x00,                                               // x 100 hundredths
    0x38, 0xFF,                                               // y -200 hundredths
    0x06, 0x00,                                               // z 6 hundredths
    0xE8, 0x03,                                               // angle 1000 hundredths
    0x00, 0x00, 0x00, 0x00, 0x64, 0x00,                       // default direction 0, 0, 100
    0x84, 0x04,  // checksum 150 + 100 + 0xFF38 + 6 + 1000 + 100 = 0x10484
};

// Default direction (0.001, -0.002, 1.0).
constexpr unsigned char kDefaultDir[8] = {
    0x01, 0x00,  // x 1 thousandth
    0xFE, 0xFF,  // y -2 thousandths
    0xE8, 0x03,  // z 1000 thousandths
    0xE7, 0x03,  // checksum 1 + 0xFFFE + 1000 = 0x103E7
};

// Mask thickness 4660.
constexpr unsigned char kMaskThickness[2] = {0x34, 0x12};

// An image written whole: empty rigid body with id "P1", default direction (0, 0, 1), mask
// thickness 2, stored checksum 0x1234.
struct Image {
  unsigned char bytes[428] = {};
};

constexpr unsigned char kEmptyImageDefaultDir[8] = {
    0x00, 0x00,  // x 0
    0x00, 0x00,  // y 0
    0xE8, 0x03,  // z 1000 thousandths
    0xE8, 0x03,  // checksum 1000
};
constexpr unsigned char kEmptyImageMaskThickness[2] = {0x02, 0x00};
constexpr unsigned char kEmptyImageDataCheck[22] = {
    0x50, 0x31,                                                                    // id "P1"
    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                    // id fill
    0x34, 0x12,  // stored checksum 0x1234
};

template <std::size_t N>
constexpr void place(Image& image, std::size_t offset, const unsigned char (&field)[N]) {
  for (std::size_t i = 0; i < N; ++i) image.bytes[offset + i] = field[i];
}

constexpr Image emptyBodyImage() {
  Image image{};
  place(image, 0, kVersion21);  // the rigid body block at 8 is all zero: count 0, checksum 0
  place(image, 396, kEmptyImageDefaultDir);
  place(image, 404, kEmptyImageMaskThickness);
  place(image, 406, kEmptyImageDataCheck);
  return image;
}
constexpr Image kEmptyBodyImage = emptyBodyImage();

}  // namespace golden

#endif
