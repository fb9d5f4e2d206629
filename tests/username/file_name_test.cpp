#include "username/file_name.h"

#include <gtest/gtest.h>

#include "foundation/cp932.h"

namespace vmqdSDK {
namespace {

TEST(IsSafeFileName, OnlyAFileOfItsOwn) {
  struct Case {
    std::string name;
    bool safe;
  } cases[] = {
      {"", false},
      {".", false},
      {"..", false},
      {"...", true},
      {".hidden", true},
      {"a\\b", false},
      {"a/b", false},
      {"c:x", false},  // a drive, or a stream of a file
      {"a\x01" "b", false},
      {"a\x1F", false},
      {"a\tb", false},
      {"a\x7F", true},
      {Sjis("表示ソフト"), true},  // second bytes 0x5C are no "\"
      {"NUL", false},
      {"nul.sav", false},
      {"COM1.x.y", false},
      {"Aux ", false},
      {"aux  .txt", false},
      {"conout$", false},
      {"CONIN$.sav", false},
      {"lpt9", false},
      {"nul1", true},
      {"com10", true},
      {"console", true},
      {"xnul", true},
      {"a*b?c\"d<e>f|g", true},  // not the guard's to refuse: the name rules or the system do
  };
  for (const Case& c : cases) EXPECT_EQ(IsSafeFileName(c.name), c.safe) << c.name;
}

}  // namespace
}  // namespace vmqdSDK
