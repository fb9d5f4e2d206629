#include <string_view>

#include "carryover/tool_data.h"
#include "command.h"
#include "foundation/path.h"
#include "foundation/text.h"

namespace hvxfer::cli {
namespace {

bool IsOption(const char* name) { return std::string_view(name).substr(0, 2) == "--"; }

// Where an install puts the data archive, from the folder of the installed program; set by the build's
// install layout.
std::string InstalledDataArchive() {
  return vmqdSDK::GetModuleFolder() + vmqdSDK::NormalizeFolderPath(HVXFER_DATA_FROM_PROGRAM) + "main.cr";
}

bool IsInstalled() {
  return !vmqdSDK::FileExists(vmqdSDK::DefaultArchivePath()) && vmqdSDK::FileExists(InstalledDataArchive());
}

}  // namespace

const std::string& ParsedArgs::Option(const std::string& name) const {
  static const std::string kNone;
  for (const auto& [key, value] : options)
    if (key == name) return value;
  return kNone;
}

bool ParseArgs(const Args& args, const CommandHelp& help, const std::vector<std::pair<std::string, std::string>>& defaults,
               ParsedArgs& out) {
  out.positional.clear();
  out.options.clear();
  std::vector<const char*> names;
  for (const Param& param : help.params) {
    if (!IsOption(param.name)) {
      names.push_back(param.name);
      continue;
    }
    std::string value;
    for (const auto& [key, preset] : defaults)
      if (key == param.name) value = preset;
    out.options.emplace_back(param.name, value);
  }
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].compare(0, 2, "--") != 0) {
      out.positional.push_back(args[i]);
      continue;
    }
    std::string* value = nullptr;
    for (auto& [key, current] : out.options)
      if (args[i] == key) value = &current;
    if (value == nullptr) {
      UsageError(help.name, "unknown option " + args[i]);
      return false;
    }
    if (i + 1 == args.size()) {
      UsageError(help.name, args[i] + " needs a value");
      return false;
    }
    *value = args[++i];
  }
  return CheckArguments(help.name, out.positional, names);
}

bool CheckArguments(const std::string& command, const std::vector<std::string>& given,
                    const std::vector<const char*>& names) {
  for (const std::string& arg : given) {
    if (arg.compare(0, 2, "--") == 0) {
      UsageError(command, "unknown option " + arg);
      return false;
    }
  }
  if (given.size() < names.size()) {
    UsageError(command, std::string("missing argument ") + names[given.size()]);
    return false;
  }
  if (given.size() > names.size()) {
    UsageError(command, "unexpected argument " + given[names.size()]);
    return false;
  }
  return true;
}

std::string DefaultDataArchive() { return IsInstalled() ? InstalledDataArchive() : vmqdSDK::DefaultArchivePath(); }

// An installed program's folder is no place for a report, and may not be writable: the report goes where
// the user is.
std::string DefaultReport() { return IsInstalled() ? "log.txt" : vmqdSDK::DefaultReportPath(); }

bool LoadToolDataFor(const char* command, const std::string& archive) {
  const vmqdSDK::ToolDataStatus status = vmqdSDK::LoadToolData(archive);
  if (status == vmqdSDK::ToolDataStatus::kLoaded) return true;
  PrintErr(std::string(command) + ": " + vmqdSDK::ToolDataProblem(status, archive) + "\n");
  return false;
}

std::string ItemTotals(std::uint32_t carried, std::uint32_t removed, std::uint32_t failed) {
  return vmqdSDK::FormatText("%lu carried, %lu removed, %lu failed", static_cast<unsigned long>(carried),
                             static_cast<unsigned long>(removed), static_cast<unsigned long>(failed));
}

}  // namespace hvxfer::cli
