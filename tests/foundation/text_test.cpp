#include "foundation/text.h"

#include <gtest/gtest.h>

#include <regex>

namespace vmqdSDK {
namespace {

TEST(ReplaceAll, Cases) {
  struct Case {
    const char* text;
    const char* what;
    const char* with;
    const char* expected;
  } cases[] = {
      {"<_UN__UN_>", "_UN_", "ab", "<abab>"},        // adjacent placeholders both replaced
      {"x_UN_y", "_UN_", "_UN__UN_", "x_UN__UN_y"},  // inserted text is not scanned again
      {"none", "_UN_", "z", "none"},
      {"", "_UN_", "z", ""},
      {"a\nb\n", "\n", "\r\n", "a\r\nb\r\n"},
      {"_UN_", "_UN_", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceAll(c.text, c.what, c.with), c.expected) << c.text;
}

TEST(FormatText, WholeTextAtEveryLength) {
  // Around the first 256-byte buffer and well past it.
  for (size_t length : {0u, 255u, 256u, 257u, 511u, 512u, 1000u, 70000u}) {
    const std::string body(length, 'x');
    EXPECT_EQ(FormatText("%s", body.c_str()), body) << length;
    EXPECT_EQ(FormatText("<%s>%d", body.c_str(), 7), "<" + body + ">7") << length;
  }
}

TEST(DateTimeText, Formats) {
  const std::string withTime = DateTimeText(true), dateOnly = DateTimeText(false);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(withTime, m, std::regex(R"((\d{4})/(\d{2})/(\d{2}) \d{2}:\d{2}:\d{2})"))) << withTime;
  // A real local time, not the all-zero fallback.
  EXPECT_GE(std::stoi(m[1]), 2000) << withTime;
  EXPECT_GE(std::stoi(m[2]), 1) << withTime;
  EXPECT_GE(std::stoi(m[3]), 1) << withTime;
  EXPECT_TRUE(std::regex_match(dateOnly, std::regex(R"(\d{4}/\d{2}/\d{2})"))) << dateOnly;
}

}  // namespace
}  // namespace vmqdSDK
