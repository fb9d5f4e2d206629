#include "foundation/coding.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace vmqdSDK {
namespace {

// The byte order, fixed at compile time: the lowest byte first.
constexpr std::array<std::uint8_t, 4> Encoded32(std::uint32_t v) {
  std::array<std::uint8_t, 4> b {};
  EncodeFixed32(b.data(), v);
  return b;
}
static_assert(Encoded32(0x11223344u) == std::array<std::uint8_t, 4>{0x44, 0x33, 0x22, 0x11});
constexpr std::uint8_t kBytes[] = {0x01, 0x80, 0xFE, 0x7F};
static_assert(DecodeFixed16(kBytes) == 0x8001);
static_assert(DecodeFixed32(kBytes) == 0x7FFE8001u);

TEST(Coding, FixedWidthsAreLittleEndian) {
  std::uint8_t b[4] = {};
  EncodeFixed16(b, 0xBEEF);
  EXPECT_EQ(b[0], 0xEF);
  EXPECT_EQ(b[1], 0xBE);
  EXPECT_EQ(b[2], 0x00) << "a 16-bit value writes two bytes";
  EncodeFixed32(b, 0xA1B2C3D4u);
  EXPECT_EQ(b[0], 0xD4);
  EXPECT_EQ(b[1], 0xC3);
  EXPECT_EQ(b[2], 0xB2);
  EXPECT_EQ(b[3], 0xA1);
  EXPECT_EQ(DecodeFixed16(b), 0xC3D4);
  EXPECT_EQ(DecodeFixed32(b), 0xA1B2C3D4u);
}

TEST(Coding, RoundTripsAtTheEdgesAndUnaligned) {
  std::uint8_t buffer[9] = {};
  for (std::uint32_t v : {0u, 1u, 0x7Fu, 0x80u, 0xFFu, 0x100u, 0x7FFFu, 0x8000u, 0xFFFFu, 0x10000u, 0x7FFFFFFFu,
                          0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
    for (std::size_t at = 0; at < 5; ++at) {
      EncodeFixed32(buffer + at, v);
      EXPECT_EQ(DecodeFixed32(buffer + at), v) << v << " at " << at;
      EncodeFixed16(buffer + at, static_cast<std::uint16_t>(v));
      EXPECT_EQ(DecodeFixed16(buffer + at), static_cast<std::uint16_t>(v)) << v << " at " << at;
    }
  }
  // A signed 16-bit value goes through its two's-complement bits.
  EncodeFixed16(buffer, static_cast<std::uint16_t>(std::int16_t{-2}));
  EXPECT_EQ(buffer[0], 0xFE);
  EXPECT_EQ(buffer[1], 0xFF);
  EXPECT_EQ(static_cast<std::int16_t>(DecodeFixed16(buffer)), -2);
}

TEST(Coding, PutAppends) {
  std::string out = "x";
  PutFixed16(out, 0x0201);
  PutFixed32(out, 0x06050403u);
  PutFixed32(out, 0);
  EXPECT_EQ(out, std::string("x\x01\x02\x03\x04\x05\x06\0\0\0\0", 11));
  EXPECT_EQ(DecodeFixed32(reinterpret_cast<const std::uint8_t*>(out.data()) + 3), 0x06050403u);
}

}  // namespace
}  // namespace vmqdSDK
