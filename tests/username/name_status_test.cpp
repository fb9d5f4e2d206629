#include "username/name_status.h"

#include <gtest/gtest.h>

#include "foundation/cp932.h"
#include "username/user_name.h"

namespace vmqdSDK {
namespace {

// The one verdict on a user name that the dialog, check-name and the run share.
TEST(CheckUserNameStatus, EveryKind) {
  GetProhibitedLists() = ProhibitedLists{};
  GetProhibitedLists().chars = {"#"};
  struct Case {
    std::string name;
    UserNameStatus::Kind kind;
    std::string text;
  } cases[] = {
      {"", UserNameStatus::kEmpty, Sjis("ユーザー名を入力してください。")},
      {"abc", UserNameStatus::kRefused, Sjis("半角4～18(全角2～9)文字に制限されています")},
      {"ab#c", UserNameStatus::kRefused, Sjis("記号等の禁止文字(#)が含まれています")},
      {"a<b>", UserNameStatus::kRefused, Sjis("記号等の禁止文字(<>)が含まれています")},
      // The rules come first: a name they refuse is never asked whether it can be a file.
      {"ab\nc", UserNameStatus::kRefused, Sjis("改行等の使用不可能な制御文字が含まれています")},
      {"NUL.x", UserNameStatus::kNotAFileName, Sjis("使用不可能な名前です")},
      {"ab\\cd", UserNameStatus::kNotAFileName, Sjis("使用不可能な名前です")},
      {"ab\rcd", UserNameStatus::kNotAFileName, Sjis("使用不可能な名前です")},
      {"Hero", UserNameStatus::kUsable, Sjis("使用可能な名前です。")},
      {"ab\x7F" "cd", UserNameStatus::kUsable, Sjis("使用可能な名前です。")},
  };
  for (const Case& c : cases) {
    const UserNameStatus status = CheckUserNameStatus(c.name);
    EXPECT_EQ(status.kind, c.kind) << c.name;
    EXPECT_EQ(status.text, c.text) << c.name;
    EXPECT_EQ(status.IsUsable(), c.kind == UserNameStatus::kUsable) << c.name;
  }
  GetProhibitedLists() = ProhibitedLists{};
}

}  // namespace
}  // namespace vmqdSDK
