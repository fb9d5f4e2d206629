// hvxfer-cli: the carry-over run from a terminal, and the toolchain that builds the tool's data.
#include <map>
#include <string>
#include <vector>

#include "command.h"
#include "foundation/platform/platform.h"

namespace hvxfer::cli {
namespace {

using vmqdSDK::platform::StandardStream;

struct Entry {
  std::string usage;
  CommandFn fn;
};

std::map<std::string, Entry>& Table() {
  static std::map<std::string, Entry> table;
  return table;
}

void WriteTerminal(StandardStream stream, const std::string& cp932) {
  std::string utf8;
  if (!vmqdSDK::platform::Cp932ToUtf8(cp932, utf8)) utf8 = cp932;
  vmqdSDK::platform::WriteStandardText(stream, utf8);
}

void PrintUsage() {
  std::string text = "usage: hvxfer-cli COMMAND [ARGS...]\ncommands:\n";
  for (const auto& [name, entry] : Table()) text += "  hvxfer-cli " + entry.usage + "\n";
  PrintErr(text);
}

int Dispatch(const std::vector<std::string>& utf8Args) {
  // Arguments arrive as UTF-8 (from the wide command line on Windows) and go in as CP932.
  std::vector<std::string> args;
  for (const std::string& arg : utf8Args) {
    std::string cp932;
    if (!vmqdSDK::platform::Utf8ToCp932(arg, cp932)) {
      vmqdSDK::platform::WriteStandardText(
          StandardStream::kError, "usage: the argument \"" + arg + "\" cannot be represented in code page 932\n");
      return kExitUsage;
    }
    args.push_back(cp932);
  }
  if (args.empty()) {
    PrintUsage();
    return kExitUsage;
  }
  auto it = Table().find(args[0]);
  if (it == Table().end()) {
    PrintErr("unknown command: " + args[0] + "\n");
    PrintUsage();
    return kExitUsage;
  }
  return it->second.fn(Args(args.begin() + 1, args.end()));
}

}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, CommandFn fn) {
  Table()[name] = Entry{usage, fn};
}

void PrintOut(const std::string& cp932) { WriteTerminal(StandardStream::kOutput, cp932); }
void PrintErr(const std::string& cp932) { WriteTerminal(StandardStream::kError, cp932); }

int UsageError(const std::string& message) {
  PrintErr("usage: " + message + "\n");
  return kExitUsage;
}

}  // namespace hvxfer::cli

int main(int argc, char** argv) {
  using vmqdSDK::platform::StandardStream;
  // Redirected output is exactly the UTF-8 bytes, the same on every system: no CR added before LF.
  vmqdSDK::platform::SetBinaryMode(StandardStream::kOutput);
  vmqdSDK::platform::SetBinaryMode(StandardStream::kError);
  std::vector<std::string> args;
  int failed = 0;
  // A lone surrogate has no UTF-8 form; the argument is refused rather than passed on altered.
  if (!vmqdSDK::platform::ProgramArguments(argc, argv, args, failed)) {
    vmqdSDK::platform::WriteStandardText(
        StandardStream::kError, failed > 0 ? "usage: argument " + std::to_string(failed) +
                                                 " cannot be represented in code page 932\n"
                                           : "cannot read the command line\n");
    return hvxfer::cli::kExitUsage;
  }
  return hvxfer::cli::Dispatch(args);
}
