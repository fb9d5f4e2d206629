#include "username/name_status.h"

#include <utility>

#include "foundation/cp932.h"
#include "username/file_name.h"
#include "username/user_name.h"

namespace vmqdSDK {

UserNameStatus CheckUserNameStatus(const std::string& userName) {
  if (userName.empty()) return {UserNameStatus::kEmpty, Sjis("ユーザー名を入力してください。")};
  std::string refusal = CheckUserName(userName);
  if (!refusal.empty()) return {UserNameStatus::kRefused, std::move(refusal)};
  if (!IsSafeFileName(userName)) return {UserNameStatus::kNotAFileName, UserNameMessage(UserNameKey::kUnusable)};
  return {UserNameStatus::kUsable, Sjis("使用可能な名前です。")};
}

}  // namespace vmqdSDK
