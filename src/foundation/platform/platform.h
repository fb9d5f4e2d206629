// The one interface through which the core reaches the operating system.
//
// Every text crossing this interface is a CP932 byte string and every path uses "\" separators, whatever
// the host: the POSIX implementation converts to UTF-8 and "/" at the boundary, the Win32 one to UTF-16
// and the W functions. Its flags and choices are its own; each implementation translates them into its
// system's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace vmqdSDK::platform {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFile = -1;

// Flag sets: combined with | and tested with Has.
enum class Access : std::uint8_t { kRead = 1 << 0, kWrite = 1 << 1 };
enum class Share : std::uint8_t { kNone = 0, kRead = 1 << 0, kWrite = 1 << 1 };

template <class Flags>
concept FlagSet = std::is_same_v<Flags, Access> || std::is_same_v<Flags, Share>;

template <FlagSet Flags>
constexpr Flags operator|(Flags a, Flags b) {
  using Bits = std::underlying_type_t<Flags>;
  return static_cast<Flags>(static_cast<Bits>(static_cast<Bits>(a) | static_cast<Bits>(b)));
}

template <FlagSet Flags>
constexpr bool Has(Flags set, Flags flag) {
  using Bits = std::underlying_type_t<Flags>;
  return (static_cast<Bits>(set) & static_cast<Bits>(flag)) != 0;
}

enum class Disposition : std::uint8_t {
  kCreateNew,     // fails when the file exists
  kCreateAlways,  // truncates an existing file
  kOpenExisting,  // fails when the file is missing
  kOpenAlways,    // creates a missing file
};

enum class SeekOrigin : std::uint8_t { kBegin, kCurrent, kEnd };

struct Attributes {
  bool exists = false;  // false also when they cannot be read
  bool folder = false;
};

// Files. Share flags are enforced on Windows; on POSIX they are advisory and ignored (no locking), which
// is enough for a tool that opens each file from one thread of one process.
FileHandle OpenFileHandle(const std::string& path, Access access, Share share, Disposition disposition);
bool ReadBytes(FileHandle file, void* buffer, std::uint32_t n, std::uint32_t* done);
bool WriteBytes(FileHandle file, const void* buffer, std::uint32_t n, std::uint32_t* done);
// The new position in `position`. A target before the start fails and keeps the position, a target past the
// end is allowed. Beyond 32 bits POSIX gives the low 32 bits and Windows fails; Windows also fails where
// the low 32 bits are all ones, which it cannot tell from a failure.
bool SeekFile(FileHandle file, std::int32_t offset, SeekOrigin origin, std::uint32_t& position);
// The size's low 32 bits; Windows fails where they are all ones.
bool FileSize(FileHandle file, std::uint32_t& size);
bool FlushFile(FileHandle file);
bool CloseFileHandle(FileHandle file);

// File system names. (Named apart from the Win32 functions, some of which are macros.)
Attributes GetAttributes(const std::string& path);
// Clears what would set a file or folder apart (read-only, hidden, system); POSIX has no such bits, and
// there it only tells whether the path is there.
bool SetNormalAttributes(const std::string& path);
bool MakeDirectory(const std::string& path);  // one folder; true when it was made
bool RemoveFile(const std::string& path);
// Renames `from` to `to` in the same folder, never over an existing `to` (file or folder): false then, and
// both are left as they were.
bool MoveFileNoReplace(const std::string& from, const std::string& to);
// Renames `from` to `to` in the same folder, replacing an existing file `to` in one step: `to` is the old
// file or the new one, never neither.
bool MoveFileReplacing(const std::string& from, const std::string& to);
// Makes the names in a folder (a rename into it) survive a power cut; true where the system keeps them so
// by itself.
bool SyncFolder(const std::string& folder);
// The names of a folder's entries, without "." and ".."; names that have no CP932 form are left out, and
// `leftOut` (when given) tells whether there were any.
bool ListFolder(const std::string& folder, std::vector<std::string>& names, bool* leftOut = nullptr);

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

// The standard streams of a program run from a terminal.
enum class StandardStream : std::uint8_t { kOutput, kError };

// Text for a person, UTF-8, after what the C library holds for the stream (flushed first). A Windows
// console shows it as wide text whatever its code page, what is no UTF-8 as U+FFFD; anything else (a pipe,
// a file, a POSIX terminal) gets the bytes unchanged.
void WriteStandardText(StandardStream stream, const std::string& utf8);
// From now on the C library writes the bytes as they are (on Windows it adds a CR before each LF otherwise).
void SetBinaryMode(StandardStream stream);
bool IsTerminal(StandardStream stream);

// The arguments after the program's name as UTF-8: `argv` itself on POSIX, the wide command line on Windows
// (where `argv` holds lossy copies in the ANSI code page). False when an argument has no UTF-8 form (a lone
// surrogate): `failed` is then its number, the first being 1, or 0 when there are no arguments to be had.
bool ProgramArguments(int argc, char** argv, std::vector<std::string>& utf8, int& failed);

}  // namespace vmqdSDK::platform
