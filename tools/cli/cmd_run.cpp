// hvxfer-cli run: the dialog's carry-over from a terminal, with the same data archive and report.
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/whole_file.h"
#include "carryover/carry_over.h"
#include "carryover/tool_data.h"
#include "command.h"

namespace hvxfer::cli {
namespace {

const CommandHelp kHelp{
    "run",
    "the dialog's carry-over: makes the new save, writes and prints the report, then sums up on standard error",
    {{"SOURCE_DIR", "", "the source game's install folder"},
     {"DEST_DIR", "", "the destination game's install folder; the new save goes to its save folder"},
     {"USER_NAME", "", "the new save's user name (its file is USER_NAME.sav)"},
     {"--data", "ARCHIVE", "the data archive (default: main.cr beside hvxfer-cli, or the installed one)"},
     {"--report", "REPORT",
      "where the report is written (default: log.txt beside hvxfer-cli; in the current folder when installed)"}},
};

// The report as written, or nothing when it could not be written.
std::string ReadReport(const std::string& path) {
  std::string bytes;
  vmqdSDK::ReadWholeFile(path, bytes);
  return bytes;
}

int Run(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, kHelp, {{"--data", DefaultDataArchive()}, {"--report", DefaultReport()}}, parsed))
    return kExitUsage;
  const std::vector<std::string>& positional = parsed.positional;
  if (!LoadToolDataFor(kHelp.name, parsed.Option("--data"))) return kExitUsage;
  const std::string& report = parsed.Option("--report");
  vmqdSDK::RunSummary summary;
  const bool ok = vmqdSDK::RunCarryOver({positional[0], positional[1], positional[2]}, report,
                                        *vmqdSDK::GetProcessArchive(), &summary);
  PrintOut(ReadReport(report));
  PrintErr("run: " + (summary.newSave.empty() ? "no new save written" : "new save written to " + summary.newSave) +
           "; items: " + ItemTotals(summary.carried, summary.removed, summary.failed) + "\n");
  return ok ? kExitOk : kExitFailed;
}

const CommandRegistrar kRegistrar(kHelp, Run);

}  // namespace
}  // namespace hvxfer::cli
