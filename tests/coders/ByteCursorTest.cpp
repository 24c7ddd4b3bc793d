#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "ByteCursor.h"
#include "V1Fields.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(ByteCursorTest, FieldsAreLittleEndianAndReadBackSigned) {
  Bytes buffer(13);
  ByteWriter out(buffer.data(), buffer.size());
  out.u8(0xA5);
  out.u16(0x0123);
  out.i16(-2);
  out.u32(0x04030201u);
  out.i32(-2000);
  EXPECT_EQ(13u, out.written());
  EXPECT_EQ((Bytes{0xA5, 0x23, 0x01, 0xFE, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x30, 0xF8, 0xFF, 0xFF}),
            buffer);

  ByteReader in(buffer.data(), buffer.size());
  EXPECT_EQ(0xA5, in.u8());
  EXPECT_EQ(0x0123, in.u16());
  EXPECT_EQ(-2, in.i16());
  EXPECT_EQ(0x04030201u, in.u32());
  EXPECT_EQ(-2000, in.i32());
  EXPECT_EQ(13u, in.consumed());
}

// A field that does not fit fails before touching a byte, and leaves the cursor where it was.
TEST(ByteCursorTest, FieldPastTheEndThrowsAndWritesNothing) {
  Bytes buffer(3, 0xAA);
  ByteWriter out(buffer.data(), 2);
  out.u8(1);
  EXPECT_THROW(out.u16(0xFFFF), CursorOverrun);
  EXPECT_EQ((Bytes{1, 0xAA, 0xAA}), buffer);
  EXPECT_NO_THROW(out.u8(2));
  EXPECT_THROW(out.zeros(1), CursorOverrun);

  ByteReader in(buffer.data(), 2);
  EXPECT_THROW(in.u32(), CursorOverrun);
  EXPECT_EQ(0u, in.consumed());
  EXPECT_THROW(in.chars(3), CursorOverrun);
  ByteReader empty(nullptr, 0);
  EXPECT_THROW(empty.u8(), CursorOverrun);
}

TEST(ByteCursorTest, WindowsStayInsideTheirBuffer) {
  unsigned char bytes[10] = {};
  const ByteWindow whole{bytes, sizeof bytes};
  EXPECT_EQ(4u, whole.window(2, 4).size);
  EXPECT_EQ(bytes + 2, whole.window(2, 4).data);
  EXPECT_EQ(2u, whole.window(8, 4).size);
  EXPECT_EQ(0u, whole.window(10, 4).size);
  EXPECT_EQ(0u, whole.window(400, 4).size);
}

// Halves go towards positive infinity; the products below are exact in binary.
TEST(ScaledFieldTest, RoundsHalvesUpAndRefusesWhatNoIntegerHolds) {
  struct Case {
    double value;
    double inverse;
    std::int32_t expected;
  } const cases[] = {
      {1.5, 100, 150},       {0.125, 100, 13},          {-0.125, 100, -12},
      {0.0625, 1000, 63},    {-0.0625, 1000, -62},      {-0.0251, 100, -3},
      {0.12, 100, 12},       {400, 100, 40000},         {-2.0, 1000, -2000},
      {2147483.647, 1000, 2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(c.expected, v1::toScaled(c.value, c.inverse));
  }
  EXPECT_THROW(v1::toScaled(std::nan(""), 100), v1::ScaledOutOfRange);
  EXPECT_THROW(v1::toScaled(std::numeric_limits<double>::infinity(), 100), v1::ScaledOutOfRange);
  EXPECT_THROW(v1::toScaled(2147483.648, 1000), v1::ScaledOutOfRange);
}

}  // namespace
