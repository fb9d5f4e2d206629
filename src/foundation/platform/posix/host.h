// What the POSIX layer takes from the host beneath it, where POSIX leaves it open or a host answers it
// wrongly: Linux with glibc natively (linux/linux_host.cpp), Emscripten's runtime in Node.js or a page
// (emscripten/emscripten_host.cpp). Paths and texts here are the host's own: UTF-8, "/" separators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vmqdSDK::platform::host {

// Code page 932 to UTF-8 and back as glibc's iconv converts them (each host gives the same answers); false
// when a byte sequence has no counterpart or ends within a character.
bool Cp932ToUtf8(const char* cp932, std::size_t size, std::string& utf8);
bool Utf8ToCp932(const std::string& utf8, std::string& cp932);

// The running program's file, symbolic links resolved; empty when there is none to be had.
std::string ProgramPath();
std::uint32_t ProcessId();

// Renames `from` to `to`, never over an existing `to`: false, with errno set, when `to` exists or the rename
// cannot be made so.
bool MoveNoReplace(const std::string& from, const std::string& to);

// Whether a standard stream (0, 1 or 2) is a terminal.
bool IsTerminal(int fd);

}  // namespace vmqdSDK::platform::host
