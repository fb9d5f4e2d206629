#include <algorithm>
#include <string_view>

#include "carryover/tool_data.h"
#include "command.h"
#include "foundation/path.h"
#include "foundation/text.h"

namespace hvxfer::cli {
namespace {

bool IsOption(std::string_view arg) { return arg.substr(0, 2) == "--"; }

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

bool ParseArgs(const Args& args, const std::string& command, const std::vector<const char*>& names,
               const std::vector<OptionRule>& rules, ParsedArgs& out) {
  const auto refuse = [&](const std::string& problem) {
    UsageError(command, problem);
    return false;
  };
  out = ParsedArgs{};
  for (const OptionRule& rule : rules) out.options.emplace_back(rule.name, rule.preset);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (!IsOption(args[i])) {
      out.positional.push_back(args[i]);
      continue;
    }
    const auto rule = std::find_if(rules.begin(), rules.end(), [&](const OptionRule& r) { return r.name == args[i]; });
    if (rule == rules.end()) return refuse("unknown option " + args[i]);
    if (i + 1 == args.size()) return refuse(args[i] + " needs a value");
    const std::string& value = args[++i];
    const auto earlier = std::find_if(out.given.begin(), out.given.end(), [&](const auto& g) { return g.first == rule->name; });
    if (rule->once && earlier != out.given.end()) return refuse(rule->name + " is given twice");
    if (rule->check) {
      if (const std::string problem = rule->check(value); !problem.empty()) return refuse(problem);
    }
    out.given.emplace_back(rule->name, value);
    out.options[static_cast<std::size_t>(rule - rules.begin())].second = value;
  }
  if (out.positional.size() < names.size()) return refuse(std::string("missing argument ") + names[out.positional.size()]);
  if (out.positional.size() > names.size()) return refuse("unexpected argument " + out.positional[names.size()]);
  return true;
}

bool ParseArgs(const Args& args, const CommandHelp& help, const std::vector<std::pair<std::string, std::string>>& defaults,
               ParsedArgs& out) {
  std::vector<const char*> names;
  std::vector<OptionRule> rules;
  for (const Param& param : help.params) {
    if (!IsOption(param.name)) {
      names.push_back(param.name);
      continue;
    }
    OptionRule rule{param.name, ""};
    for (const auto& [key, preset] : defaults)
      if (key == param.name) rule.preset = preset;
    rules.push_back(rule);
  }
  return ParseArgs(args, help.name, names, rules, out);
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
