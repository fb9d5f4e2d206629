// POSIX side of the platform layer: CP932 "\" paths become UTF-8 "/" paths at this boundary.
#include "foundation/platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "foundation/cp932.h"
#include "foundation/platform/posix/host.h"

namespace vmqdSDK::platform {
namespace {

thread_local std::uint32_t t_lastError = 0;

bool Fail() {
  t_lastError = static_cast<std::uint32_t>(errno);
  return false;
}

std::FILE* CStreamOf(StandardStream stream) { return stream == StandardStream::kError ? stderr : stdout; }

// strerror_r as glibc declares it returns the text; as POSIX (XSI) declares it, other C libraries among them,
// it fills the buffer and returns a status. Each build uses one of the two.
[[maybe_unused]] const char* ErrorTextOf(const char* text, const char*) { return text; }
[[maybe_unused]] const char* ErrorTextOf(int status, const char* buffer) { return status == 0 ? buffer : nullptr; }

// "\" -> "/" by character: the second byte of a double-byte character may be 0x5C and is not a separator.
bool NativePath(const std::string& path, std::string& native) {
  // A NUL would cut the name short at the system call, naming another file.
  if (path.find('\0') != std::string::npos) {
    t_lastError = EINVAL;
    return false;
  }
  std::string slashed = path;
  ForEachCharacter(slashed, [&](size_t i, size_t size) {
    if (size == 1 && slashed[i] == '\\') slashed[i] = '/';
  });
  if (!host::Cp932ToUtf8(slashed.data(), slashed.size(), native)) {
    t_lastError = EILSEQ;
    return false;
  }
  if (native.empty()) {
    t_lastError = ENOENT;
    return false;
  }
  return true;
}

}  // namespace

FileHandle OpenFileHandle(const std::string& path, Access access, Share /*share*/, Disposition disposition) {
  std::string native;
  if (!NativePath(path, native)) return kInvalidFile;
  int flags = O_CLOEXEC;
  const bool read = Has(access, Access::kRead), write = Has(access, Access::kWrite);
  flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case Disposition::kCreateNew: flags |= O_CREAT | O_EXCL; break;
    case Disposition::kCreateAlways: flags |= O_CREAT | O_TRUNC; break;
    case Disposition::kOpenExisting: break;
    case Disposition::kOpenAlways: flags |= O_CREAT; break;
    default: t_lastError = EINVAL; return kInvalidFile;
  }
  int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0) {
    Fail();
    return kInvalidFile;
  }
  // Windows refuses to open a folder as a file; so does this layer.
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    t_lastError = EISDIR;
    ::close(fd);
    return kInvalidFile;
  }
  return fd;
}

bool ReadBytes(FileHandle file, void* buffer, std::uint32_t n, std::uint32_t* done) {
  std::uint32_t total = 0;
  while (total < n) {
    ssize_t got = ::read(static_cast<int>(file), static_cast<char*>(buffer) + total, n - total);
    if (got < 0) {
      if (errno == EINTR) continue;
      if (done) *done = total;
      return Fail();
    }
    if (got == 0) break;
    total += static_cast<std::uint32_t>(got);
  }
  if (done) *done = total;
  return true;
}

bool WriteBytes(FileHandle file, const void* buffer, std::uint32_t n, std::uint32_t* done) {
  std::uint32_t total = 0;
  while (total < n) {
    ssize_t put = ::write(static_cast<int>(file), static_cast<const char*>(buffer) + total, n - total);
    if (put < 0) {
      if (errno == EINTR) continue;
      if (done) *done = total;
      return Fail();
    }
    total += static_cast<std::uint32_t>(put);
  }
  if (done) *done = total;
  return true;
}

bool SeekFile(FileHandle file, std::int32_t offset, SeekOrigin origin, std::uint32_t& position) {
  int whence;
  switch (origin) {
    case SeekOrigin::kBegin: whence = SEEK_SET; break;
    case SeekOrigin::kCurrent: whence = SEEK_CUR; break;
    case SeekOrigin::kEnd: whence = SEEK_END; break;
    default: t_lastError = EINVAL; return false;
  }
  off_t pos = ::lseek(static_cast<int>(file), static_cast<off_t>(offset), whence);
  if (pos < 0) return Fail();
  position = static_cast<std::uint32_t>(static_cast<std::uint64_t>(pos) & 0xFFFFFFFFu);
  return true;
}

bool FileSize(FileHandle file, std::uint32_t& size) {
  struct stat st {};
  if (::fstat(static_cast<int>(file), &st) != 0) return Fail();
  size = static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size) & 0xFFFFFFFFu);
  return true;
}

bool FlushFile(FileHandle file) { return ::fsync(static_cast<int>(file)) == 0 || Fail(); }

bool CloseFileHandle(FileHandle file) {
  if (file == kInvalidFile) {
    t_lastError = EBADF;
    return false;
  }
  return ::close(static_cast<int>(file)) == 0 || Fail();
}

Attributes GetAttributes(const std::string& path) {
  std::string native;
  if (!NativePath(path, native)) return {};
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) {
    Fail();
    return {};
  }
  return {true, S_ISDIR(st.st_mode) != 0};
}

bool SetNormalAttributes(const std::string& path) { return GetAttributes(path).exists; }

bool MakeDirectory(const std::string& path) {
  std::string native;
  if (!NativePath(path, native)) return false;
  return ::mkdir(native.c_str(), 0777) == 0 || Fail();
}

bool RemoveFile(const std::string& path) {
  std::string native;
  if (!NativePath(path, native)) return false;
  return ::unlink(native.c_str()) == 0 || Fail();
}

bool MoveFileNoReplace(const std::string& from, const std::string& to) {
  std::string nativeFrom, nativeTo;
  if (!NativePath(from, nativeFrom) || !NativePath(to, nativeTo)) return false;
  return host::MoveNoReplace(nativeFrom, nativeTo) || Fail();
}

bool MoveFileReplacing(const std::string& from, const std::string& to) {
  std::string nativeFrom, nativeTo;
  if (!NativePath(from, nativeFrom) || !NativePath(to, nativeTo)) return false;
  return ::rename(nativeFrom.c_str(), nativeTo.c_str()) == 0 || Fail();
}

bool SyncFolder(const std::string& folder) {
  std::string native;
  if (!NativePath(folder, native)) return false;
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Fail();
  // Some file systems cannot sync a folder and say so with EINVAL: their names need no sync.
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL || Fail();
  ::close(fd);
  return synced;
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names, bool* leftOut) {
  names.clear();
  if (leftOut) *leftOut = false;
  std::string native;
  if (!NativePath(folder, native)) return false;
  DIR* dir = ::opendir(native.c_str());
  if (dir == nullptr) return Fail();
  for (;;) {
    // Only readdir may leave a code here: the conversion below sets errno for a name it refuses.
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    std::string cp932;
    if (name == "." || name == "..") continue;
    // A "\" in a host name would read as a separator in the core's paths.
    if (name.find('\\') != std::string::npos || !Utf8ToCp932(name, cp932)) {
      if (leftOut) *leftOut = true;
      continue;
    }
    names.push_back(cp932);
  }
  const bool complete = errno == 0 || Fail();
  ::closedir(dir);
  return complete;
}

std::uint32_t ProcessId() { return host::ProcessId(); }

std::string ModuleFileName() {
  std::string cp932;
  if (!Utf8ToCp932(host::ProgramPath(), cp932)) return {};
  ForEachCharacter(cp932, [&](size_t i, size_t size) {
    if (size == 1 && cp932[i] == '/') cp932[i] = '\\';
  });
  return cp932;
}

// ASCII stands for itself in both, and a large text (a new save's document) is mostly ASCII: only the runs of
// other characters go through the host's conversion. A run ends at an ASCII byte that begins a character,
// never at the second byte of a double-byte one.
bool Cp932ToUtf8(const std::string& cp932, std::string& utf8) { return Cp932ToUtf8(cp932.data(), cp932.size(), utf8); }

bool Cp932ToUtf8(const char* cp932, std::size_t n, std::string& utf8) {
  utf8.clear();
  std::string converted;
  const auto* bytes = reinterpret_cast<const unsigned char*>(cp932);
  // Room for some characters growing by half, so that mostly ASCII text is not copied to grow; room never
  // written is never touched.
  utf8.reserve(n + n / 2 + 64);
  for (size_t i = 0; i < n;) {
    size_t end = i;
    while (end < n && bytes[end] < 0x80) ++end;
    utf8.append(cp932 + i, end - i);
    if (end == n) break;
    i = end;
    while (end < n && bytes[end] >= 0x80) end += CharacterSize(std::string_view(cp932, n), end);
    if (!host::Cp932ToUtf8(cp932 + i, end - i, converted)) {
      utf8.clear();
      return false;
    }
    utf8 += converted;
    i = end;
  }
  return true;
}

// Into CP932 only conversions that come back unchanged count, as on Windows: iconv maps a few characters one way
// (U+00A5 to 0x5C among them), which would turn a yen sign in a name into a path separator.
bool Utf8ToCp932(const std::string& utf8, std::string& cp932) {
  std::string back;
  if (host::Utf8ToCp932(utf8, cp932) && host::Cp932ToUtf8(cp932.data(), cp932.size(), back) && back == utf8)
    return true;
  cp932.clear();
  return false;
}

bool LocalNow(LocalTime& out) {
  std::time_t now = std::time(nullptr);
  std::tm tm {};
  if (now == static_cast<std::time_t>(-1) || ::localtime_r(&now, &tm) == nullptr) {
    out = LocalTime{};
    return false;
  }
  out.year = tm.tm_year + 1900;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = tm.tm_sec;
  return true;
}

std::uint32_t LastErrorCode() { return t_lastError; }

std::string SystemErrorText(std::uint32_t code) {
  if (code == 0 || code > 4095) return {};
  char buffer[256];
  const char* text = ErrorTextOf(::strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
  // What glibc and musl say of a number they do not know.
  if (text == nullptr || std::strncmp(text, "Unknown error", 13) == 0 || std::strcmp(text, "No error information") == 0)
    return {};
  std::string cp932;
  if (!Utf8ToCp932(text, cp932)) return {};
  return cp932;
}

void ReturnFreedMemory() {
#if defined(__GLIBC__)
  // glibc keeps freed small blocks resident below the top of its heap; nothing else frees them.
  malloc_trim(0);
#endif
}

void WriteStandardError(const std::string& cp932) {
  std::string utf8;
  if (!Cp932ToUtf8(cp932, utf8)) utf8 = cp932;
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void WriteStandardText(StandardStream stream, const std::string& utf8) {
  std::FILE* file = CStreamOf(stream);
  std::fwrite(utf8.data(), 1, utf8.size(), file);
  std::fflush(file);
}

void SetBinaryMode(StandardStream) {}  // POSIX writes the bytes as they are

bool IsTerminal(StandardStream stream) { return host::IsTerminal(fileno(CStreamOf(stream))); }

bool ProgramArguments(int argc, char** argv, std::vector<std::string>& utf8, int& failed) {
  utf8.clear();
  failed = 0;
  if (argc > 1) utf8.assign(argv + 1, argv + argc);
  return true;
}

}  // namespace vmqdSDK::platform
