// The POSIX layer's host under Emscripten, in Node.js or in a page. Its C library has no code page 932: the
// conversion reads a table made from the build machine's iconv (make_cp932_table.cpp), so that it answers
// as the native build does. What its runtime, written for a browser, cannot tell is asked of Node.js by the
// JavaScript half, emscripten_host.js.
#include "foundation/platform/posix/host.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "foundation/platform/emscripten/utf8.h"

// In emscripten_host.js.
extern "C" {
int hvxfer_program_path(char* buffer, int size);  // the bytes needed, with the NUL; 0 when there is no path
int hvxfer_process_id();                          // 0 when unknown
int hvxfer_is_terminal(int fd);
int hvxfer_move_no_replace(const char* from, const char* to);  // 0 or an error number
}

namespace vmqdSDK::platform::host {
namespace {

#include "cp932_table.inc"

}  // namespace

bool Cp932ToUtf8(const char* cp932, std::size_t size, std::string& utf8) {
  utf8.clear();
  const auto* bytes = reinterpret_cast<const unsigned char*>(cp932);
  for (std::size_t i = 0; i < size;) {
    std::uint32_t cp = kCp932Single[bytes[i]];
    if (cp != kCp932NotAlone) {
      ++i;
    } else {
      const unsigned row = kCp932PairRow[bytes[i]];
      if (row == 0 || size - i < 2 || (cp = kCp932Pairs[row - 1][bytes[i + 1]]) == 0) {
        utf8.clear();
        return false;
      }
      i += 2;
    }
    AppendUtf8(cp, utf8);
  }
  return true;
}

bool Utf8ToCp932(const std::string& utf8, std::string& cp932) {
  cp932.clear();
  for (std::size_t i = 0; i < utf8.size();) {
    std::uint32_t cp = 0;
    const auto* found = std::end(kCp932Encode);
    if (NextCodePoint(utf8, i, cp)) {
      found = std::lower_bound(std::begin(kCp932Encode), std::end(kCp932Encode), cp,
                               [](const std::uint32_t(&entry)[2], std::uint32_t key) { return entry[0] < key; });
    }
    if (found == std::end(kCp932Encode) || (*found)[0] != cp) {
      cp932.clear();
      return false;
    }
    const std::uint32_t code = (*found)[1];
    if (code == kCp932Nothing) continue;
    if (code > 0xFF) cp932 += static_cast<char>(code >> 8);
    cp932 += static_cast<char>(code & 0xFF);
  }
  return true;
}

std::string ProgramPath() {
  std::vector<char> buffer(1024);
  int needed = hvxfer_program_path(buffer.data(), static_cast<int>(buffer.size()));
  if (needed > static_cast<int>(buffer.size())) {
    buffer.resize(static_cast<std::size_t>(needed));
    needed = hvxfer_program_path(buffer.data(), needed);
  }
  return needed > 0 ? std::string(buffer.data()) : std::string();
}

// A page's runtime numbers every process the same; what tells apart runs in one folder is Node's number.
std::uint32_t ProcessId() {
  const int id = hvxfer_process_id();
  return id > 0 ? static_cast<std::uint32_t>(id) : static_cast<std::uint32_t>(::getpid());
}

bool MoveNoReplace(const std::string& from, const std::string& to) {
  const int error = hvxfer_move_no_replace(from.c_str(), to.c_str());
  if (error != 0) errno = error;
  return error == 0;
}

bool IsTerminal(int fd) { return hvxfer_is_terminal(fd) != 0; }

}  // namespace vmqdSDK::platform::host
