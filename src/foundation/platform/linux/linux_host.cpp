// The POSIX layer's host on Linux: glibc's iconv, the kernel's view of the program and its rename that
// does not replace.
#include "foundation/platform/posix/host.h"

#include <fcntl.h>
#include <iconv.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <new>
#include <vector>

namespace vmqdSDK::platform::host {
namespace {

bool Convert(const char* to, const char* from, const char* in, std::size_t size, std::string& out) {
  out.clear();
  if (size == 0) return true;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  // Room for the longest result, left uninitialised: of a large text only what the result fills is touched.
  const size_t room = size * 4 + 16;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[room]);
  if (!buffer) {
    iconv_close(cd);
    return false;
  }
  char* inPtr = const_cast<char*>(in);
  size_t inLeft = size;
  char* outPtr = buffer.get();
  size_t outLeft = room;
  size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (rc != static_cast<size_t>(-1)) rc = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || inLeft != 0) return false;
  out.assign(buffer.get(), room - outLeft);
  return true;
}

}  // namespace

bool Cp932ToUtf8(const char* cp932, std::size_t size, std::string& utf8) {
  return Convert("UTF-8", "CP932", cp932, size, utf8);
}

bool Utf8ToCp932(const std::string& utf8, std::string& cp932) {
  return Convert("CP932", "UTF-8", utf8.data(), utf8.size(), cp932);
}

std::string ProgramPath() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(n));
}

std::uint32_t ProcessId() { return static_cast<std::uint32_t>(::getpid()); }

bool MoveNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  // Where the file system cannot rename without replacing, a hard link never replaces either; a source
  // name left over after a failed unlink is only a second name of the moved file.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

bool IsTerminal(int fd) { return ::isatty(fd) != 0; }

}  // namespace vmqdSDK::platform::host
