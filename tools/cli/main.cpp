// hvxfer-cli: the carry-over run from a terminal, and the toolchain that builds the tool's data.
#include <cstdio>
#include <map>
#include <string>

#include "command.h"
#include "foundation/platform/platform.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <climits>
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

// Text for a person: a Windows console shows wide text whatever its code page; anything else (a pipe, a
// file, a POSIX terminal) gets the UTF-8 bytes unchanged.
void WriteUtf8(FILE* stream, const std::string& utf8) {
#if defined(_WIN32)
  HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) &&
      utf8.size() <= static_cast<size_t>(INT_MAX)) {
    const int size = static_cast<int>(utf8.size());
    const int n = size == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    std::fflush(stream);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

void WriteTerminal(FILE* stream, const std::string& cp932) {
  std::string utf8;
  if (!vmqdSDK::platform::Cp932ToUtf8(cp932, utf8)) utf8 = cp932;
  WriteUtf8(stream, utf8);
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
      WriteUtf8(stderr, "usage: the argument \"" + arg + "\" cannot be represented in code page 932\n");
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
  // Redirected output is exactly the UTF-8 bytes, the same on every system: no CR added before LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    // A lone surrogate has no UTF-8 form; the argument is refused rather than passed on altered.
    const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, argv[i], -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
      hvxfer::cli::WriteUtf8(stderr,
                             "usage: argument " + std::to_string(i) + " cannot be represented in code page 932\n");
      return hvxfer::cli::kExitUsage;
    }
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, argv[i], -1, utf8.data(), n, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(n - 1));  // without the terminating NUL
    args.push_back(utf8);
  }
  return hvxfer::cli::Dispatch(args);
}
#else
int main(int argc, char** argv) { return hvxfer::cli::Dispatch(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
