// Prints how the platform layer converts every code of code page 932 to UTF-8 and every code point back,
// refusals included, and some texts that are no well-formed CP932 or UTF-8. Built natively and for
// WebAssembly; the two outputs must be the same (tests/wasm/CMakeLists.txt). Runs of refused inputs are
// printed as one line.
#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/platform/emscripten/utf8.h"
#include "foundation/platform/platform.h"

namespace {

using vmqdSDK::platform::Cp932ToUtf8;
using vmqdSDK::platform::Utf8ToCp932;

std::string Hex(const std::string& bytes) {
  std::string out;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", c);
    out += digits;
  }
  return out;
}

std::string Utf8Of(std::uint32_t cp) {
  std::string out;
  vmqdSDK::platform::host::AppendUtf8(cp, out);
  return out;
}

// Prints "WHAT FIRST..LAST refused" for each run of refused inputs, one line for each converted one.
class Listing {
 public:
  explicit Listing(const char* what) : what_(what) {}
  ~Listing() { EndRun(); }

  void Add(const std::string& input, bool converted, const std::string& output) {
    if (!converted) {
      if (first_.empty()) first_ = input;
      last_ = input;
      return;
    }
    EndRun();
    std::printf("%s %s -> %s\n", what_, input.c_str(), output.c_str());
  }

 private:
  void EndRun() {
    if (first_.empty()) return;
    std::printf("%s %s..%s refused\n", what_, first_.c_str(), last_.c_str());
    first_.clear();
  }

  const char* what_;
  std::string first_, last_;
};

void FromCp932(Listing& listing, const std::string& bytes) {
  std::string utf8;
  const bool converted = Cp932ToUtf8(bytes, utf8);
  listing.Add(Hex(bytes), converted, Hex(utf8));
}

void FromUtf8(Listing& listing, const std::string& utf8, const std::string& label) {
  std::string cp932;
  const bool converted = Utf8ToCp932(utf8, cp932);
  listing.Add(label, converted, Hex(cp932));
}

// A text on a line of its own, whatever becomes of it.
void Text(const char* what, bool converted, const std::string& in, const std::string& out) {
  std::printf("%s %s %s\n", what, Hex(in).c_str(), converted ? ("-> " + Hex(out)).c_str() : "refused");
}

}  // namespace

int main() {
  {
    // Every byte, then every pair of bytes: each double-byte code, and what follows a byte of each kind.
    Listing cp932("cp932");
    for (unsigned b = 0; b < 256; ++b) FromCp932(cp932, std::string(1, static_cast<char>(b)));
    for (unsigned b = 0; b < 0x10000; ++b) FromCp932(cp932, {static_cast<char>(b >> 8), static_cast<char>(b & 0xFF)});
  }
  // Texts: a lead byte cut off at the end, after text and alone; a run of double-byte characters with ASCII
  // and half-width katakana between them; a 0x5C second byte; a bad pair among good ones.
  for (const std::string text : {"abc\x81", "\x81", "\x83\x5C\x95\x5C" "a\xB1\x88\x9F", "\x82\xA0" "b\x81\x7F" "c",
                                 "\x87\x40\xED\x40\xFA\x40\xEE\xEF\x81\xCA\xFA\x54"}) {
    std::string utf8;
    const bool converted = Cp932ToUtf8(text, utf8);
    Text("cp932-text", converted, text, utf8);
  }
  {
    Listing utf8("utf8");
    for (std::uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;
      char label[16];
      std::snprintf(label, sizeof label, "U+%04X", cp);
      FromUtf8(utf8, Utf8Of(cp), label);
    }
  }
  // Texts, a line each: overlong forms (of characters that would convert); surrogates and past U+10FFFF; cut
  // short, lone continuation bytes, bytes UTF-8 never uses, some after good characters; well-formed texts;
  // characters that convert one way only, alone and among others.
  for (const std::string text : {"\xC1\x81", "\xC0\x80", "\xE0\x81\x81", "\xE0\x9F\xBF", "\xF0\x80\x81\x81",
                                 "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80",
                                 "\xE3\x81", "\xE3", "a\xE3\x81", "\x80", "\xBF", "\xFE", "\xFF", "\xE3\x81\x82\xC1",
                                 "\xE3\x81\x82\xE3\x81\x84", "\xEF\xBB\xBF" "a",
                                 "a\xC2\xA5" "b", "\xE2\x80\xBE", "\xEF\xBD\x9E", "\xE3\x80\x9C", "\xF3\xA0\x80\x81"}) {
    std::string cp932;
    const bool converted = Utf8ToCp932(text, cp932);
    Text("utf8-text", converted, text, cp932);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
