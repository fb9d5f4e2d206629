#include "foundation/cp932.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vmqdSDK {
namespace {

TEST(IsLeadByte, Boundaries) {
  struct Case {
    unsigned char byte;
    bool lead;
  } cases[] = {{0x5C, false}, {0x80, false}, {0x81, true}, {0x9F, true}, {0xA0, false},
               {0xDF, false}, {0xE0, true},  {0xFC, true}, {0xFD, false}};
  for (const Case& c : cases) EXPECT_EQ(IsLeadByte(c.byte), c.lead) << int(c.byte);
}

TEST(ForEachCharacter, LeadBytesTakeTheNextByteButNotPastTheEnd) {
  struct Case {
    std::string text;
    std::vector<std::string> characters;
  } cases[] = {
      {"", {}},
      {"a\\b", {"a", "\\", "b"}},
      {"\x83\x5C/", {"\x83\x5C", "/"}},       // "ソ": its second byte is no separator
      {"a\xE0\x40\xB1", {"a", "\xE0\x40", "\xB1"}},  // a half-width katakana is one byte
      {"ab\x81", {"a", "b", "\x81"}},         // a lead byte at the very end stands alone
  };
  for (const Case& c : cases) {
    std::vector<std::string> characters;
    ForEachCharacter(c.text, [&](std::size_t i, std::size_t size) { characters.push_back(c.text.substr(i, size)); });
    EXPECT_EQ(characters, c.characters) << c.text;
  }
}

TEST(Sjis, TheCodePage932Form) { EXPECT_EQ(Sjis("勇者ソ"), "\x97\x45\x8E\xD2\x83\x5C"); }

}  // namespace
}  // namespace vmqdSDK
