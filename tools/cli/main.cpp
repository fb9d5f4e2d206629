// hvxfer-cli: the carry-over run from a terminal, and the toolchain that builds the tool's data.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "command.h"
#include "foundation/platform/platform.h"
#include "hvxfer_version.h"

namespace hvxfer::cli {
namespace {

using vmqdSDK::platform::StandardStream;

struct Entry {
  const CommandHelp* help;
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

std::string Padded(std::string text, size_t width) {
  text.resize(std::max(width, text.size()), ' ');
  return text;
}

std::string ParamText(const Param& param) {
  return *param.value != '\0' ? std::string(param.name) + " " + param.value : std::string(param.name);
}

// The one form of a command without subcommands: its arguments, then its options in brackets.
std::string FormOf(const CommandHelp& help) {
  std::string form = help.name;
  for (const Param& param : help.params)
    if (*param.value == '\0') form += std::string(" ") + param.name;
  for (const Param& param : help.params)
    if (*param.value != '\0') form += " [" + ParamText(param) + "]";
  return form;
}

int PrintUsage() {
  size_t width = 0;
  for (const auto& [name, entry] : Table()) width = std::max(width, name.size());
  std::string text =
      "usage: hvxfer-cli COMMAND [ARGS...]\n"
      "       hvxfer-cli COMMAND --help | hvxfer-cli help COMMAND\n"
      "       hvxfer-cli --version\n"
      "\ncommands:\n";
  for (const auto& [name, entry] : Table()) text += "  " + Padded(name, width) + "  " + entry.help->summary + "\n";
  PrintOut(text);
  return kExitOk;
}

int PrintCommandHelp(const CommandHelp& help) {
  std::string text;
  if (help.forms.empty()) {
    text = "usage: hvxfer-cli " + FormOf(help) + "\n";
  } else {
    for (size_t i = 0; i < help.forms.size(); ++i)
      text += std::string(i == 0 ? "usage: " : "       ") + "hvxfer-cli " + help.forms[i] + "\n";
  }
  text += std::string(help.summary) + "\n\n";
  size_t width = 0;
  for (const Param& param : help.params) width = std::max(width, ParamText(param).size());
  for (const Param& param : help.params) text += "  " + Padded(ParamText(param), width) + "  " + param.help + "\n";
  PrintOut(text);
  return kExitOk;
}

int UnknownCommand(const std::string& name) {
  // The first line names the command alone: scripts match it.
  PrintErr("unknown command: " + name + "\nsee hvxfer-cli --help\n");
  return kExitUsage;
}

bool AsksForHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

// "help", "--help" or "-h", with a command or without.
int Help(const Args& rest) {
  if (rest.empty()) return PrintUsage();
  if (rest.size() > 1) return UsageError("help", "unexpected argument " + rest[1]);
  auto it = Table().find(rest[0]);
  if (it == Table().end()) return UnknownCommand(rest[0]);
  return PrintCommandHelp(*it->second.help);
}

int Dispatch(const std::vector<std::string>& utf8Args) {
  // Arguments arrive as UTF-8 (from the wide command line on Windows) and go in as CP932.
  std::vector<std::string> args;
  for (const std::string& arg : utf8Args) {
    std::string cp932;
    if (!vmqdSDK::platform::Utf8ToCp932(arg, cp932)) {
      vmqdSDK::platform::WriteStandardText(
          StandardStream::kError, "the argument \"" + arg + "\" cannot be represented in code page 932\nsee hvxfer-cli --help\n");
      return kExitUsage;
    }
    args.push_back(cp932);
  }
  if (args.empty()) {
    PrintErr("no command given\nsee hvxfer-cli --help\n");
    return kExitUsage;
  }
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "help" || AsksForHelp(args[0])) return Help(rest);
  if (args[0] == "--version") {
    if (!rest.empty()) return UsageError("--version", "unexpected argument " + rest[0]);
    PrintOut("hvxfer-cli " HVXFER_VERSION "\n");
    return kExitOk;
  }
  if (args[0].compare(0, 1, "-") == 0) {
    PrintErr("unknown option: " + args[0] + "\nsee hvxfer-cli --help\n");
    return kExitUsage;
  }
  auto it = Table().find(args[0]);
  if (it == Table().end()) return UnknownCommand(args[0]);
  for (const std::string& arg : rest)
    if (AsksForHelp(arg)) return PrintCommandHelp(*it->second.help);
  return it->second.fn(rest);
}

}  // namespace

CommandRegistrar::CommandRegistrar(const CommandHelp& help, CommandFn fn) { Table()[help.name] = Entry{&help, fn}; }

void PrintOut(const std::string& cp932) { WriteTerminal(StandardStream::kOutput, cp932); }
void PrintErr(const std::string& cp932) { WriteTerminal(StandardStream::kError, cp932); }

int UsageError(const std::string& command, const std::string& problem) {
  const std::string helpName = command.substr(0, command.find(' '));
  // A usage error of the top level itself ("--version") points at the general help.
  const std::string see = Table().count(helpName) != 0 ? "hvxfer-cli " + helpName + " --help" : "hvxfer-cli --help";
  PrintErr(command + ": " + problem + "\nsee " + see + "\n");
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
        StandardStream::kError, failed > 0 ? "argument " + std::to_string(failed) +
                                                 " cannot be represented in code page 932\nsee hvxfer-cli --help\n"
                                           : "cannot read the command line\n");
    return hvxfer::cli::kExitUsage;
  }
  return hvxfer::cli::Dispatch(args);
}
