#include "carryover/tool_data.h"
#include "command.h"

namespace hvxfer::cli {

const std::string& ParsedArgs::Option(const std::string& name) const {
  static const std::string kNone;
  for (const auto& [key, value] : options)
    if (key == name) return value;
  return kNone;
}

bool ParseArgs(const Args& args, const char* usage, std::vector<std::pair<std::string, std::string>> options,
               ParsedArgs& out) {
  out.positional.clear();
  out.options = std::move(options);
  for (size_t i = 0; i < args.size(); ++i) {
    std::string* value = nullptr;
    for (auto& [key, current] : out.options)
      if (args[i] == key) value = &current;
    if (value == nullptr) {
      out.positional.push_back(args[i]);
    } else if (i + 1 == args.size()) {
      UsageError(std::string(usage) + " (" + args[i] + " needs a value)");
      return false;
    } else {
      *value = args[++i];
    }
  }
  return true;
}

bool LoadToolDataFor(const char* command, const std::string& archive) {
  const vmqdSDK::ToolDataStatus status = vmqdSDK::LoadToolData(archive);
  if (status == vmqdSDK::ToolDataStatus::kLoaded) return true;
  PrintErr(std::string(command) + ": " + vmqdSDK::ToolDataProblem(status, archive) + "\n");
  return false;
}

}  // namespace hvxfer::cli
