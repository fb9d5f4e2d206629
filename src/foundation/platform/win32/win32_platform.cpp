// Win32 side of the platform layer: CP932 texts become UTF-16 at this boundary and every call goes to a W
// function, so the tool behaves the same whatever the system's ANSI code page is.
#include "foundation/platform/platform.h"

#include <fcntl.h>
#include <io.h>
#include <malloc.h>
#include <windows.h>

#include <climits>
#include <cstdio>
#include <string>

#include "foundation/platform/win32/wide.h"

// mingw-w64's C runtime start-up hands a wide entry point the arguments of this call, made with these two
// of its variables; a narrow entry point gets copies in the ANSI code page instead.
struct CrtStartupInfo {
  int newMode;
};
extern "C" int _dowildcard;
extern "C" int _newmode;
extern "C" int __cdecl __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int expandWildcards,
                                      CrtStartupInfo* info);

namespace vmqdSDK::platform {
namespace {

using win32::FromWide;
using win32::kCp932;
using win32::ToWide;

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

DWORD AccessBits(Access access) {
  return (Has(access, Access::kRead) ? GENERIC_READ : 0) | (Has(access, Access::kWrite) ? GENERIC_WRITE : 0);
}

DWORD ShareBits(Share share) {
  return (Has(share, Share::kRead) ? FILE_SHARE_READ : 0) | (Has(share, Share::kWrite) ? FILE_SHARE_WRITE : 0);
}

// 0 for a value outside the enumeration, which the system refuses.
DWORD CreationDisposition(Disposition disposition) {
  switch (disposition) {
    case Disposition::kCreateNew: return CREATE_NEW;
    case Disposition::kCreateAlways: return CREATE_ALWAYS;
    case Disposition::kOpenExisting: return OPEN_EXISTING;
    case Disposition::kOpenAlways: return OPEN_ALWAYS;
  }
  return 0;
}

std::FILE* CStreamOf(StandardStream stream) { return stream == StandardStream::kError ? stderr : stdout; }

DWORD StdHandleOf(StandardStream stream) {
  return stream == StandardStream::kError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
}

// A console takes wide text; a pipe, a file or no handle at all takes bytes.
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != FALSE;
}

// A NUL inside a path would silently cut it short at the system call; such a path names nothing.
bool WidePath(const std::string& path, std::wstring& wide) {
  if (path.find('\0') != std::string::npos) return Fail(ERROR_INVALID_NAME);
  if (!ToWide(kCp932, path, wide)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  return true;
}

}  // namespace

FileHandle OpenFileHandle(const std::string& path, Access access, Share share, Disposition disposition) {
  std::wstring wide;
  if (!WidePath(path, wide)) return kInvalidFile;
  HANDLE h = CreateFileW(wide.c_str(), AccessBits(access), ShareBits(share), nullptr, CreationDisposition(disposition),
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? kInvalidFile : reinterpret_cast<FileHandle>(h);
}

bool ReadBytes(FileHandle file, void* buffer, std::uint32_t n, std::uint32_t* done) {
  DWORD got = 0;
  BOOL ok = ReadFile(ToHandle(file), buffer, n, &got, nullptr);
  if (done) *done = ok ? got : 0;
  return ok != FALSE;
}

bool WriteBytes(FileHandle file, const void* buffer, std::uint32_t n, std::uint32_t* done) {
  DWORD put = 0;
  BOOL ok = WriteFile(ToHandle(file), buffer, n, &put, nullptr);
  if (done) *done = ok ? put : 0;
  return ok != FALSE;
}

bool SeekFile(FileHandle file, std::int32_t offset, SeekOrigin origin, std::uint32_t& position) {
  DWORD method;
  switch (origin) {
    case SeekOrigin::kBegin: method = FILE_BEGIN; break;
    case SeekOrigin::kCurrent: method = FILE_CURRENT; break;
    case SeekOrigin::kEnd: method = FILE_END; break;
    default: return Fail(ERROR_INVALID_PARAMETER);
  }
  // Without a high part the system refuses a target before the start and leaves the position alone.
  const DWORD moved = SetFilePointer(ToHandle(file), offset, nullptr, method);
  if (moved == INVALID_SET_FILE_POINTER) return false;
  position = moved;
  return true;
}

bool FileSize(FileHandle file, std::uint32_t& size) {
  const DWORD low = GetFileSize(ToHandle(file), nullptr);
  if (low == INVALID_FILE_SIZE) return false;
  size = low;
  return true;
}

bool FlushFile(FileHandle file) { return FlushFileBuffers(ToHandle(file)) != FALSE; }

bool CloseFileHandle(FileHandle file) {
  if (file == kInvalidFile) return Fail(ERROR_INVALID_HANDLE);
  return CloseHandle(ToHandle(file)) != FALSE;
}

Attributes GetAttributes(const std::string& path) {
  std::wstring wide;
  if (!WidePath(path, wide)) return {};
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  return {true, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

bool SetNormalAttributes(const std::string& path) {
  std::wstring wide;
  return WidePath(path, wide) && SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool MakeDirectory(const std::string& path) {
  std::wstring wide;
  return WidePath(path, wide) && CreateDirectoryW(wide.c_str(), nullptr) != FALSE;
}

bool RemoveFile(const std::string& path) {
  std::wstring wide;
  return WidePath(path, wide) && DeleteFileW(wide.c_str()) != FALSE;
}

bool MoveFileNoReplace(const std::string& from, const std::string& to) {
  std::wstring wideFrom, wideTo;
  // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing target; write-through returns only
  // once the move is on the disk.
  return WidePath(from, wideFrom) && WidePath(to, wideTo) &&
         MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool MoveFileReplacing(const std::string& from, const std::string& to) {
  std::wstring wideFrom, wideTo;
  return WidePath(from, wideFrom) && WidePath(to, wideTo) &&
         MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

// A write-through move is on the disk already.
bool SyncFolder(const std::string& folder) { return GetAttributes(folder).folder; }

bool ListFolder(const std::string& folder, std::vector<std::string>& names, bool* leftOut) {
  names.clear();
  if (leftOut) *leftOut = false;
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
  std::wstring wide;
  if (!WidePath(pattern + "*", wide)) return false;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(wide.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring name = found.cFileName;
    std::string cp932;
    if (name == L"." || name == L"..") continue;
    if (!FromWide(kCp932, name, cp932)) {
      if (leftOut) *leftOut = true;
      continue;
    }
    names.push_back(cp932);
  } while (FindNextFileW(search, &found));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  return complete;
}

std::uint32_t ProcessId() { return GetCurrentProcessId(); }

std::string ModuleFileName() {
  // The buffer grows until the whole name fits (the system truncates silently otherwise).
  std::wstring wide(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
    if (n == 0) return {};
    if (n < wide.size()) {
      wide.resize(n);
      break;
    }
    if (wide.size() >= 32768) return {};
    wide.resize(wide.size() * 2);
  }
  std::string cp932;
  if (!FromWide(kCp932, wide, cp932)) return {};
  return cp932;
}

bool Cp932ToUtf8(const std::string& cp932, std::string& utf8) {
  std::wstring wide;
  if (!ToWide(kCp932, cp932, wide) || !FromWide(CP_UTF8, wide, utf8)) {
    utf8.clear();
    return false;
  }
  return true;
}

bool Cp932ToUtf8(const char* cp932, std::size_t size, std::string& utf8) {
  return Cp932ToUtf8(std::string(cp932, size), utf8);
}

bool Utf8ToCp932(const std::string& utf8, std::string& cp932) {
  std::wstring wide;
  if (!ToWide(CP_UTF8, utf8, wide) || !FromWide(kCp932, wide, cp932)) {
    cp932.clear();
    return false;
  }
  return true;
}

bool LocalNow(LocalTime& out) {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  out.year = st.wYear;
  out.month = st.wMonth;
  out.day = st.wDay;
  out.hour = st.wHour;
  out.minute = st.wMinute;
  out.second = st.wSecond;
  return true;
}

std::uint32_t LastErrorCode() { return GetLastError(); }

std::string SystemErrorText(std::uint32_t code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide;
  if (n > 0 && text != nullptr) wide.assign(text, n);
  if (text != nullptr) LocalFree(text);
  std::string cp932;
  if (wide.empty() || !FromWide(kCp932, wide, cp932)) return {};
  return cp932;
}

void ReturnFreedMemory() { _heapmin(); }

void WriteStandardError(const std::string& cp932) {
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;  // a window program has no standard error
  std::wstring wide;
  if (!ToWide(kCp932, cp932, wide)) {
    // Unreadable bytes still reach the reader, one character per byte, rather than vanish.
    wide.clear();
    for (unsigned char c : cp932) wide.push_back(static_cast<wchar_t>(c));
  }
  wide.push_back(L'\n');
  if (IsConsole(handle)) {
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::string utf8;
  if (!FromWide(CP_UTF8, wide, utf8)) return;
  DWORD written = 0;
  WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteStandardText(StandardStream stream, const std::string& utf8) {
  std::FILE* file = CStreamOf(stream);
  const HANDLE handle = GetStdHandle(StdHandleOf(stream));
  if (IsConsole(handle) && utf8.size() <= static_cast<std::size_t>(INT_MAX)) {
    std::wstring wide;
    win32::ToWide(CP_UTF8, utf8, wide, win32::Unmapped::kReplace);
    std::fflush(file);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(utf8.data(), 1, utf8.size(), file);
  std::fflush(file);
}

void SetBinaryMode(StandardStream stream) { _setmode(_fileno(CStreamOf(stream)), _O_BINARY); }

bool IsTerminal(StandardStream stream) { return _isatty(_fileno(CStreamOf(stream))) != 0; }

bool ProgramArguments(int /*argc*/, char** /*argv*/, std::vector<std::string>& utf8, int& failed) {
  int count = 0;
  wchar_t** wide = nullptr;
  wchar_t** environment = nullptr;
  CrtStartupInfo info{_newmode};
  if (__wgetmainargs(&count, &wide, &environment, _dowildcard, &info) < 0 || wide == nullptr) {
    utf8.clear();
    failed = 0;
    return false;
  }
  return win32::WideArgumentsToUtf8(count, wide, utf8, failed);
}

}  // namespace vmqdSDK::platform
