// Little-endian integers in bytes: the byte order of every format this system reads and writes, spelled
// out here and nowhere else (in the spirit of LevelDB's util/coding.h).
//
// Encode/Decode work on a buffer the caller owns and has checked the size of; Put appends to a byte text.
// The byte-wise forms with constant shifts are what compilers turn into one plain load or store on a
// little-endian machine, and they mean the same on any other. Header only, nothing but the standard
// library.
#pragma once

#include <cstdint>
#include <string>

namespace vmqdSDK {

inline constexpr void EncodeFixed16(std::uint8_t* dst, std::uint16_t value) {
  dst[0] = static_cast<std::uint8_t>(value);
  dst[1] = static_cast<std::uint8_t>(value >> 8);
}

inline constexpr void EncodeFixed32(std::uint8_t* dst, std::uint32_t value) {
  dst[0] = static_cast<std::uint8_t>(value);
  dst[1] = static_cast<std::uint8_t>(value >> 8);
  dst[2] = static_cast<std::uint8_t>(value >> 16);
  dst[3] = static_cast<std::uint8_t>(value >> 24);
}

inline constexpr std::uint16_t DecodeFixed16(const std::uint8_t* src) {
  return static_cast<std::uint16_t>(static_cast<std::uint16_t>(src[0]) | (static_cast<std::uint16_t>(src[1]) << 8));
}

inline constexpr std::uint32_t DecodeFixed32(const std::uint8_t* src) {
  return static_cast<std::uint32_t>(src[0]) | (static_cast<std::uint32_t>(src[1]) << 8) |
         (static_cast<std::uint32_t>(src[2]) << 16) | (static_cast<std::uint32_t>(src[3]) << 24);
}

inline void PutFixed16(std::string& dst, std::uint16_t value) {
  std::uint8_t bytes[2];
  EncodeFixed16(bytes, value);
  dst.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

inline void PutFixed32(std::string& dst, std::uint32_t value) {
  std::uint8_t bytes[4];
  EncodeFixed32(bytes, value);
  dst.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

}  // namespace vmqdSDK
