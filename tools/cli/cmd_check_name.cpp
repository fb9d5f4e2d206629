// hvxfer-cli check-name: the status text the dialog shows beside the user-name field.
#include <string>
#include <vector>

#include "carryover/carry_over.h"
#include "carryover/tool_data.h"
#include "command.h"
#include "username/sjis.h"
#include "username/user_name.h"

namespace hvxfer::cli {
namespace {

constexpr const char* kUsage = "check-name USER_NAME [--data ARCHIVE]";

int CheckName(const Args& args) {
  std::vector<std::string> positional;
  std::string archive = vmqdSDK::DefaultArchivePath();
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--data") {
      if (i + 1 == args.size()) return UsageError(std::string(kUsage) + " (--data needs a value)");
      archive = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 1) return UsageError(kUsage);

  const vmqdSDK::ToolDataStatus status = vmqdSDK::LoadToolData(archive);
  if (status != vmqdSDK::ToolDataStatus::kLoaded) {
    PrintErr("check-name: " + vmqdSDK::ToolDataProblem(status, archive) + "\n");
    return kExitUsage;
  }
  const std::string& name = positional[0];
  std::string refusal = name.empty() ? vmqdSDK::Sjis("ユーザー名を入力してください。") : vmqdSDK::CheckUserName(name);
  // As the dialog: a name the run would refuse as a file name is not offered as usable.
  if (refusal.empty() && !vmqdSDK::IsSafeSaveFileName(name)) refusal = vmqdSDK::UserNameMessage("ne_");
  PrintOut((refusal.empty() ? vmqdSDK::Sjis("使用可能な名前です。") : refusal) + "\n");
  return refusal.empty() ? kExitOk : kExitFailed;
}

const CommandRegistrar kRegistrar("check-name", kUsage, CheckName);

}  // namespace
}  // namespace hvxfer::cli
