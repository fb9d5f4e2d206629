// hvxfer-cli run: the dialog's carry-over from a terminal, with the same data archive and report.
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/stream.h"
#include "carryover/carry_over.h"
#include "carryover/tool_data.h"
#include "command.h"

namespace hvxfer::cli {
namespace {

constexpr const char* kUsage = "run SOURCE_DIR DEST_DIR USER_NAME [--data ARCHIVE] [--report REPORT]";

// The report as written, or nothing when it could not be written.
std::string ReadReport(const std::string& path) {
  vmqdSDK::CFileStream file;
  if (!file.Open(1, vmqdSDK::kGenericRead, vmqdSDK::kNoValue, path)) return {};
  const std::uint32_t size = file.GetSize();
  if (size == vmqdSDK::kNoValue) return {};
  std::string bytes(size, '\0');
  if (size != 0 && !file.ReadAll(bytes.data(), size)) return {};
  return bytes;
}

int Run(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, kUsage, {{"--data", vmqdSDK::DefaultArchivePath()}, {"--report", vmqdSDK::DefaultReportPath()}},
                 parsed))
    return kExitUsage;
  const std::vector<std::string>& positional = parsed.positional;
  if (positional.size() != 3) return UsageError(kUsage);
  if (!LoadToolDataFor("run", parsed.Option("--data"))) return kExitUsage;
  const std::string& report = parsed.Option("--report");
  const bool ok = vmqdSDK::RunCarryOver({positional[0], positional[1], positional[2]}, report,
                                        *vmqdSDK::GetProcessArchive());
  PrintOut(ReadReport(report));
  return ok ? kExitOk : kExitFailed;
}

const CommandRegistrar kRegistrar("run", kUsage, Run);

}  // namespace
}  // namespace hvxfer::cli
