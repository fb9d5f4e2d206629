// The command table of hvxfer-cli. A command is a function over its arguments (CP932 texts, the
// command's own name removed) that returns the exit status; it registers itself from its own file, with
// its help beside it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace hvxfer::cli {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// One argument or option of a command.
struct Param {
  const char* name;   // "SOURCE_DIR", or an option: "--data"
  const char* value;  // what an option takes ("ARCHIVE"); "" for an argument
  std::string help;   // one line
};

// What `hvxfer-cli COMMAND --help` shows; the general usage lists the names and summaries.
struct CommandHelp {
  const char* name;
  const char* summary;  // one line
  std::vector<Param> params;
  // How the command is called, after "hvxfer-cli "; when empty, the one form made from `params`.
  std::vector<const char*> forms = {};
};

struct CommandRegistrar {
  // `help` must outlive the program's run (a namespace-scope object beside the command).
  CommandRegistrar(const CommandHelp& help, CommandFn fn);
};

// Output in the terminal's encoding (texts are CP932 inside the tool).
void PrintOut(const std::string& cp932);
void PrintErr(const std::string& cp932);

// A usage error of `command` ("run", or with a subcommand "archive pack"): the problem on one line, then
// where the command's help is. Returns kExitUsage.
int UsageError(const std::string& command, const std::string& problem);

}  // namespace hvxfer::cli

namespace hvxfer::cli {

// Arguments split into the command's arguments and `--name VALUE` options.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options;  // every option of the command with its value
  std::vector<std::pair<std::string, std::string>> given;    // the options as given, in order
  // The value of the option's last occurrence, else its preset.
  const std::string& Option(const std::string& name) const;
};

// One `--name VALUE` option of a command.
struct OptionRule {
  std::string name;     // "--codec"
  std::string preset;   // the value when the option is not given
  bool once = false;    // giving it twice is a usage error
  // What is wrong with a value, or an empty text for a good one; asked where the option stands.
  std::function<std::string(const std::string& value)> check = {};
};

// The one parser of every command's arguments: fills `out` from `args`, which must hold exactly the
// arguments `names` and options of `rules`; `command` names the command in messages ("run", "archive pack").
// Returns false after reporting a usage error: an unknown option, an option without its value, a value its
// rule refuses, an option given twice that may be given once, a missing or an extra argument.
bool ParseArgs(const Args& args, const std::string& command, const std::vector<const char*>& names,
               const std::vector<OptionRule>& rules, ParsedArgs& out);
// The same by `help`'s params; `defaults` gives options their presets.
bool ParseArgs(const Args& args, const CommandHelp& help, const std::vector<std::pair<std::string, std::string>>& defaults,
               ParsedArgs& out);

// The data archive when --data is not given: main.cr beside hvxfer-cli, else the installed one (the
// install's share/hvxfer/main.cr); the first when neither is there.
std::string DefaultDataArchive();
// The report when --report is not given: log.txt beside hvxfer-cli, or in the current folder for an
// installed hvxfer-cli (one whose default archive is the installed one).
std::string DefaultReport();

// Opens the data archive and loads the tables and name lists from it; reports why not under `command`.
bool LoadToolDataFor(const char* command, const std::string& archive);

// "8 carried, 3 removed, 0 failed": the top-level items, as the report counts them.
std::string ItemTotals(std::uint32_t carried, std::uint32_t removed, std::uint32_t failed);

}  // namespace hvxfer::cli
