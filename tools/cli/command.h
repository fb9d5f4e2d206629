// The command table of hvxfer-cli. A command is a function over its arguments (CP932 texts, the
// command's own name removed) that returns the exit status; it registers itself from its own file.
#pragma once

#include <string>
#include <vector>

namespace hvxfer::cli {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct CommandRegistrar {
  CommandRegistrar(const char* name, const char* usage, CommandFn fn);
};

// Output in the terminal's encoding (texts are CP932 inside the tool).
void PrintOut(const std::string& cp932);
void PrintErr(const std::string& cp932);

// Prints "usage: ..." for a command and returns kExitUsage.
int UsageError(const std::string& message);

}  // namespace hvxfer::cli

namespace hvxfer::cli {

// Arguments split into positional ones and `--name VALUE` options.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options;  // the known names with their values
  const std::string& Option(const std::string& name) const;
};

// Fills `out` from `args`; `options` names the accepted options with their defaults. Returns false after
// reporting a usage error (an option without its value).
bool ParseArgs(const Args& args, const char* usage, std::vector<std::pair<std::string, std::string>> options,
               ParsedArgs& out);

// Opens the data archive and loads the tables and name lists from it; reports why not under `command`.
bool LoadToolDataFor(const char* command, const std::string& archive);

}  // namespace hvxfer::cli
