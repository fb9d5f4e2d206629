// Texts in code page 932 (Shift-JIS), the one encoding of every text inside the tool: its characters, and
// the tool's own Japanese texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vmqdSDK {

// A lead byte: it and the byte after it form one character. (The only place the range is written.)
inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The bytes of the character at `i`: a lead byte with the byte after it, else one. A lead byte at the very
// end is a character of its own.
inline std::size_t CharacterSize(std::string_view text, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// Calls f(offset, size) for every character in order. The second byte of a double-byte character can be
// 0x5C or "/" and is never seen as one of those characters: a caller tests `size == 1` first. f may change
// a single-byte character of a text it walks in place.
template <class F>
void ForEachCharacter(const std::string& text, F&& f) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t size = CharacterSize(text, i);
    f(i, size);
    i += size;
  }
}

// The CP932 form of a UTF-8 literal of the program's own, converted on first use and kept for the life of
// the process: Japanese texts are written in source as UTF-8 so that they stay readable.
const std::string& Sjis(const char* utf8Literal);

}  // namespace vmqdSDK
