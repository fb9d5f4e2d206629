// The one interface through which the core reaches the operating system.
//
// Every text crossing this interface is a CP932 byte string and every path uses "\" separators, whatever
// the host: the POSIX implementation converts to UTF-8 and "/" at the boundary, the Win32 one to UTF-16
// and the W functions. Values (access bits, dispositions, attributes, seek origins) are the Win32 ones so
// that the streams and path functions above can pass them through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vmqdSDK::platform {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFile = -1;

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kShareRead = 0x1;
inline constexpr std::uint32_t kShareWrite = 0x2;

enum Disposition : std::uint32_t {
  kCreateNew = 1,     // fails when the file exists
  kCreateAlways = 2,  // truncates an existing file
  kOpenExisting = 3,  // fails when the file is missing
  kOpenAlways = 4,    // creates a missing file
};

enum SeekOrigin : std::uint32_t { kSeekBegin = 0, kSeekCurrent = 1, kSeekEnd = 2 };

inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeNormal = 0x80;
inline constexpr std::uint32_t kInvalidSetFilePointer = 0xFFFFFFFFu;

// Files. Share flags are enforced on Windows; on POSIX they are advisory and ignored (no locking), which
// is enough for a tool that opens each file from one thread of one process.
FileHandle OpenFileHandle(const std::string& path, std::uint32_t access, std::uint32_t share, std::uint32_t disposition);
bool ReadBytes(FileHandle file, void* buffer, std::uint32_t n, std::uint32_t* done);
bool WriteBytes(FileHandle file, const void* buffer, std::uint32_t n, std::uint32_t* done);
// New position (low 32 bits), or kInvalidSetFilePointer; a target before the start fails and keeps the
// position, a target past the end is allowed.
std::uint32_t SeekFile(FileHandle file, std::int32_t offset, std::uint32_t origin);
std::uint32_t FileSize(FileHandle file);  // low 32 bits, 0xFFFFFFFF on failure
bool FlushFile(FileHandle file);
bool CloseFileHandle(FileHandle file);

// File system names. (Named apart from the Win32 functions, some of which are macros.)
std::uint32_t GetAttributes(const std::string& path);  // kInvalidAttributes when they cannot be read
bool SetAttributes(const std::string& path, std::uint32_t attributes);
bool MakeDirectory(const std::string& path);  // one folder; true when it was made
bool RemoveFile(const std::string& path);
// Renames `from` to `to` in the same folder, never over an existing `to` (file or folder): false then, and
// both are left as they were.
bool MoveFileNoReplace(const std::string& from, const std::string& to);
// Makes the names in a folder (a rename into it) survive a power cut; true where the system keeps them so
// by itself.
bool SyncFolder(const std::string& folder);
// The names of a folder's entries, without "." and ".."; names that have no CP932 form are left out.
bool ListFolder(const std::string& folder, std::vector<std::string>& names);

std::uint32_t ProcessId();

// The executable's own full path, CP932 with "\" separators; empty when it cannot be had.
std::string ModuleFileName();

// Text conversion; false when a byte sequence has no counterpart in the other encoding.
bool Cp932ToUtf8(const std::string& cp932, std::string& utf8);
// The same for `size` bytes from `cp932` (a part of a larger text, without copying it out first).
bool Cp932ToUtf8(const char* cp932, std::size_t size, std::string& utf8);
bool Utf8ToCp932(const std::string& utf8, std::string& cp932);

struct LocalTime {
  long year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
bool LocalNow(LocalTime& out);

// The calling thread's last system error code and the system's text for a code (empty when it has none).
std::uint32_t LastErrorCode();
std::string SystemErrorText(std::uint32_t code);

// Hands memory that the program has freed back to the system where the allocator keeps it otherwise, so
// that a large structure, once released, no longer counts towards the process's resident size.
void ReturnFreedMemory();

// Where a message box would appear; without a window system it goes to standard error.
void WriteStandardError(const std::string& cp932);

}  // namespace vmqdSDK::platform
