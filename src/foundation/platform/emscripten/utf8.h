// UTF-8 by code point, as the code page 932 table is made (make_cp932_table.cpp) and read
// (emscripten_host.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vmqdSDK::platform::host {

inline void AppendUtf8(std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The character at `i` of well-formed UTF-8, as iconv reads it: no overlong form, no surrogate, nothing past
// U+10FFFF, nothing cut short; `i` moves past it. False for anything else.
inline bool NextCodePoint(const std::string& utf8, std::size_t& i, std::uint32_t& cp) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(utf8[at]); };
  const unsigned first = byte(i);
  std::size_t length;
  std::uint32_t least;
  if (first < 0x80) {
    cp = first;
    ++i;
    return true;
  } else if (first >= 0xC2 && first <= 0xDF) {
    length = 2, least = 0x80, cp = first & 0x1Fu;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3, least = 0x800, cp = first & 0x0Fu;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, least = 0x10000, cp = first & 0x07u;
  } else {
    return false;
  }
  if (utf8.size() - i < length) return false;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return false;
    cp = cp << 6 | (byte(i + k) & 0x3Fu);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  i += length;
  return true;
}

}  // namespace vmqdSDK::platform::host
