// Writes the table by which the Emscripten build converts code page 932, taken from the build machine's own
// conversion (linux/linux_host.cpp, glibc's iconv): every byte and every pair of bytes one way, every code
// point the other. Built and run on the build machine by cmake/wasm.cmake:
//
//   make_cp932_table OUTPUT.inc
//
// The table holds what the host conversion answers and checks that the way emscripten_host.cpp reads it
// (a byte that converts alone is a character; one that does not starts a pair) gives the same answer for
// every pair of bytes, so that the two conversions agree on any text. It fails, writing nothing, where the
// host converts in some way the table cannot hold.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/platform/emscripten/utf8.h"
#include "foundation/platform/posix/host.h"

namespace {

using vmqdSDK::platform::host::Cp932ToUtf8;
using vmqdSDK::platform::host::Utf8ToCp932;

constexpr std::uint32_t kNotAlone = 0xFFFFFFFFu;
constexpr unsigned kNothing = 0x10000;

std::string Utf8Of(std::uint32_t cp) {
  std::string out;
  vmqdSDK::platform::host::AppendUtf8(cp, out);
  return out;
}

// The code point of a conversion's result when it is one character of the first plane (where code page 932
// lies, and what the table's pairs hold), else kNotAlone.
std::uint32_t DecodeOne(const std::string& utf8) {
  std::size_t i = 0;
  std::uint32_t cp = 0;
  return !utf8.empty() && vmqdSDK::platform::host::NextCodePoint(utf8, i, cp) && i == utf8.size() && cp < 0x10000
             ? cp
             : kNotAlone;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "make_cp932_table: %s\n", why.c_str());
  return 1;
}

std::string Hex(unsigned value, int digits) {
  std::ostringstream out;
  out << "0x" << std::uppercase << std::hex << std::setw(digits) << std::setfill('0') << value;
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return Fail("usage: make_cp932_table OUTPUT.inc");

  // One way: each byte alone, then every pair after a byte that is no character alone.
  std::uint32_t single[256];
  std::map<unsigned, std::vector<std::uint16_t>> pairs;  // lead byte -> code point by second byte, 0: none
  for (unsigned b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    std::string utf8;
    const bool converted = Cp932ToUtf8(&byte, 1, utf8);
    single[b] = converted ? DecodeOne(utf8) : kNotAlone;
    if (converted && single[b] == kNotAlone) return Fail("byte " + Hex(b, 2) + " is no one character");
  }
  for (unsigned lead = 0; lead < 256; ++lead) {
    std::vector<std::uint16_t> row(256, 0);
    bool any = false;
    for (unsigned second = 0; second < 256; ++second) {
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(second)};
      std::string utf8, expected;
      const bool converted = Cp932ToUtf8(bytes, 2, utf8);
      if (single[lead] != kNotAlone) {
        // Read as two characters: the host must agree.
        const bool both = single[second] != kNotAlone;
        if (both) expected = Utf8Of(single[lead]) + Utf8Of(single[second]);
        if (converted != both || utf8 != expected)
          return Fail("pair " + Hex(lead << 8 | second, 4) + " is not its two bytes' characters");
        continue;
      }
      if (!converted) continue;
      const std::uint32_t cp = DecodeOne(utf8);
      if (cp == kNotAlone || cp == 0) return Fail("pair " + Hex(lead << 8 | second, 4) + " is no one character");
      row[second] = static_cast<std::uint16_t>(cp);
      any = true;
    }
    if (any) pairs[lead] = row;
  }

  // The other way: every code point that UTF-8 can carry.
  std::vector<std::pair<std::uint32_t, unsigned>> encode;  // code point, code
  for (std::uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string cp932;
    if (!Utf8ToCp932(Utf8Of(cp), cp932)) continue;
    const auto* b = reinterpret_cast<const unsigned char*>(cp932.data());
    if (cp932.empty()) {
      encode.emplace_back(cp, kNothing);  // glibc drops the tag characters, U+E0000 to U+E007F
    } else if (cp932.size() == 1) {
      encode.emplace_back(cp, b[0]);
    } else if (cp932.size() == 2 && b[0] >= 0x80) {
      encode.emplace_back(cp, b[0] << 8 | b[1]);
    } else {
      return Fail("U+" + Hex(cp, 4).substr(2) + " is no one character");
    }
  }

  std::ostringstream out;
  out << "// Code page 932 as the build machine's iconv converts it: made by make_cp932_table, not edited.\n\n"
         "// Each byte's code point where it is a character alone, else kCp932NotAlone.\n"
         "constexpr std::uint32_t kCp932NotAlone = 0xFFFFFFFFu;\n"
         "constexpr std::uint32_t kCp932Single[256] = {";
  for (unsigned b = 0; b < 256; ++b)
    out << (b % 8 ? " " : "\n    ") << Hex(single[b], single[b] > 0xFFFF ? 8 : 4) << ",";
  out << "\n};\n\n"
         "// Of a byte that starts a pair: its row of kCp932Pairs plus one, else 0.\n"
         "constexpr std::uint8_t kCp932PairRow[256] = {";
  unsigned rows = 0;
  for (unsigned b = 0; b < 256; ++b) out << (b % 16 ? " " : "\n    ") << (pairs.count(b) ? ++rows : 0) << ",";
  out << "\n};\n\n"
         "// The code point of each pair by its second byte, 0 where the pair is no character.\n"
         "constexpr std::uint16_t kCp932Pairs[" << rows << "][256] = {";
  for (const auto& [lead, row] : pairs) {
    out << "\n    {  // " << Hex(lead, 2);
    for (unsigned second = 0; second < 256; ++second)
      out << (second % 8 ? " " : "\n        ") << Hex(row[second], 4) << ",";
    out << "\n    },";
  }
  out << "\n};\n\n"
         "// Code point and code page 932 code of every character that converts, by code point: one byte up to\n"
         "// 0xFF, else lead byte * 256 + second byte; kCp932Nothing for a character that converts to nothing.\n"
         "constexpr std::uint32_t kCp932Nothing = " << Hex(kNothing, 5) << ";\n"
         "constexpr std::uint32_t kCp932Encode[" << encode.size() << "][2] = {";
  for (std::size_t i = 0; i < encode.size(); ++i)
    out << (i % 4 ? " " : "\n    ") << "{" << Hex(encode[i].first, 4) << ", " << Hex(encode[i].second, 4) << "},";
  out << "\n};\n";

  std::ofstream file(argv[1], std::ios::binary);
  file << out.str();
  file.close();
  if (!file) {
    std::remove(argv[1]);
    return Fail(std::string("cannot write ") + argv[1]);
  }
  return 0;
}
