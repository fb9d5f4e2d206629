// hvxfer-cli check-name: the status text the dialog shows beside the user-name field.
#include <string>
#include <vector>

#include "carryover/carry_over.h"
#include "carryover/tool_data.h"
#include "command.h"
#include "foundation/cp932.h"
#include "username/user_name.h"

namespace hvxfer::cli {
namespace {

constexpr const char* kUsage = "check-name USER_NAME [--data ARCHIVE]";

int CheckName(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, kUsage, {{"--data", vmqdSDK::DefaultArchivePath()}}, parsed)) return kExitUsage;
  if (parsed.positional.size() != 1) return UsageError(kUsage);
  if (!LoadToolDataFor("check-name", parsed.Option("--data"))) return kExitUsage;
  const std::string& name = parsed.positional[0];
  std::string refusal = name.empty() ? vmqdSDK::Sjis("ユーザー名を入力してください。") : vmqdSDK::CheckUserName(name);
  // As the dialog: a name the run would refuse as a file name is not offered as usable.
  if (refusal.empty() && !vmqdSDK::IsSafeSaveFileName(name)) refusal = vmqdSDK::UserNameMessage("ne_");
  PrintOut((refusal.empty() ? vmqdSDK::Sjis("使用可能な名前です。") : refusal) + "\n");
  return refusal.empty() ? kExitOk : kExitFailed;
}

const CommandRegistrar kRegistrar("check-name", kUsage, CheckName);

}  // namespace
}  // namespace hvxfer::cli
