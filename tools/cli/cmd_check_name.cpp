// hvxfer-cli check-name: the status text the dialog shows beside the user-name field.
#include <string>

#include "carryover/tool_data.h"
#include "command.h"
#include "username/name_status.h"

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
  const vmqdSDK::UserNameStatus status = vmqdSDK::CheckUserNameStatus(parsed.positional[0]);
  PrintOut(status.text + "\n");
  return status.IsUsable() ? kExitOk : kExitFailed;
}

const CommandRegistrar kRegistrar(kHelp, CheckName);

}  // namespace
}  // namespace hvxfer::cli
