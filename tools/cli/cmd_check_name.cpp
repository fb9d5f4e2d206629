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

const CommandHelp kHelp{
    "check-name",
    "the dialog's status text for a user name; exit 0 when the name can be used, else 1",
    {{"USER_NAME", "", "the name to check"},
     {"--data", "ARCHIVE", "the data archive with the name lists (default: as for run)"}},
};

int CheckName(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, kHelp, {{"--data", DefaultDataArchive()}}, parsed)) return kExitUsage;
  if (!LoadToolDataFor(kHelp.name, parsed.Option("--data"))) return kExitUsage;
  const std::string& name = parsed.positional[0];
  std::string refusal = name.empty() ? vmqdSDK::Sjis("ユーザー名を入力してください。") : vmqdSDK::CheckUserName(name);
  // As the dialog: a name the run would refuse as a file name is not offered as usable.
  if (refusal.empty() && !vmqdSDK::IsSafeSaveFileName(name)) refusal = vmqdSDK::UserNameMessage("ne_");
  PrintOut((refusal.empty() ? vmqdSDK::Sjis("使用可能な名前です。") : refusal) + "\n");
  return refusal.empty() ? kExitOk : kExitFailed;
}

const CommandRegistrar kRegistrar(kHelp, CheckName);

}  // namespace
}  // namespace hvxfer::cli
