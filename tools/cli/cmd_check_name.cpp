// hvxfer-cli check-name: the status text the dialog shows beside the user-name field.
#include <string>

#include "carryover/carry_over.h"
#include "carryover/tool_data.h"
#include "command.h"

namespace hvxfer::cli {
namespace {

constexpr const char* kUsage = "check-name USER_NAME [--data ARCHIVE]";

int CheckName(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, kUsage, {{"--data", vmqdSDK::DefaultArchivePath()}}, parsed)) return kExitUsage;
  if (parsed.positional.size() != 1) return UsageError(kUsage);
  if (!LoadToolDataFor("check-name", parsed.Option("--data"))) return kExitUsage;
  const vmqdSDK::UserNameStatus status = vmqdSDK::CheckUserNameStatus(parsed.positional[0]);
  PrintOut(status.text + "\n");
  return status.IsUsable() ? kExitOk : kExitFailed;
}

const CommandRegistrar kRegistrar("check-name", kUsage, CheckName);

}  // namespace
}  // namespace hvxfer::cli
