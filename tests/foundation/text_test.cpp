#include "foundation/text.h"

#include <gtest/gtest.h>

#include "foundation/path.h"

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
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceAll(c.text, c.what, c.with), c.expected) << c.text;
}

TEST(FormatText, LongerThanFirstBuffer) {
  const std::string long_text(1000, 'x');
  EXPECT_EQ(FormatText("<%s>%d", long_text.c_str(), 7), "<" + long_text + ">7");
}

TEST(NormalizeFolderPath, Cases) {
  struct Case {
    std::string in, expected;
  } cases[] = {
      {"", ""},
      {"C:/games/halvor", "C:\\games\\halvor\\"},
      {"C:\\games\\", "C:\\games\\"},
      // "ソ" is 83 5C: its second byte is no separator, so the folder still gets one.
      {"C:\\\x83\x5C", "C:\\\x83\x5C\\"},
      // "表" is 95 5C; a "/" right after it is a separator.
      {"a\x95\x5C/b", "a\x95\x5C\\b\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeFolderPath(c.in), c.expected) << c.in;
}

}  // namespace
}  // namespace vmqdSDK
