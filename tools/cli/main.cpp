// hvxfer-cli: the carry-over run from a terminal, and the toolchain that builds the tool's data.
#include <cstdio>
#include <map>
#include <string>

#include "command.h"
#include "foundation/platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace hvxfer::cli {
namespace {

struct Entry {
  std::string usage;
  CommandFn fn;
};

std::map<std::string, Entry>& Table() {
  static std::map<std::string, Entry> table;
  return table;
}

void WriteTerminal(FILE* stream, const std::string& cp932) {
  std::string utf8;
  if (!vmqdSDK::platform::Cp932ToUtf8(cp932, utf8)) utf8 = cp932;
#if defined(_WIN32)
  // A console shows wide text whatever its code page; a redirected stream gets UTF-8.
  HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    std::fflush(stream);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

void PrintUsage() {
  std::string text = "usage: hvxfer-cli COMMAND [ARGS...]\ncommands:\n";
  for (const auto& [name, entry] : Table()) text += "  hvxfer-cli " + entry.usage + "\n";
  PrintErr(text);
}

int Dispatch(const std::vector<std::string>& utf8Args) {
  // Arguments arrive as UTF-8 (converted from the wide command line on Windows) and go in as CP932.
  std::vector<std::string> args;
  for (const std::string& arg : utf8Args) {
    std::string cp932;
    if (!vmqdSDK::platform::Utf8ToCp932(arg, cp932)) {
      std::string message = "usage: the argument \"" + arg + "\" cannot be represented in code page 932\n";
      std::fwrite(message.data(), 1, message.size(), stderr);
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

void PrintOut(const std::string& cp932) { WriteTerminal(stdout, cp932); }
void PrintErr(const std::string& cp932) { WriteTerminal(stderr, cp932); }

int UsageError(const std::string& message) {
  PrintErr("usage: " + message + "\n");
  return kExitUsage;
}

}  // namespace hvxfer::cli

#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, utf8.data(), n, nullptr, nullptr);
    args.push_back(utf8);
  }
  return hvxfer::cli::Dispatch(args);
}
#else
int main(int argc, char** argv) { return hvxfer::cli::Dispatch(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
