// Whole files and whole streams: the one way the tool reads a file or a member at once, and writes a file
// it makes new. Paths are core paths (CP932, "\" separators); files are opened with the sharing CFileStream
// derives from the access.
#pragma once

#include <cstdint>
#include <string>

#include "archive/stream.h"

namespace vmqdSDK {

enum class WholeFile : std::uint8_t {
  kOk,
  kOpenFailed,  // reading: the file cannot be opened; writing: it cannot be made new (one may be there)
  kIoFailed,    // reading: it cannot be read whole; writing: it was not written and flushed whole
};

// All of a stream that stands at its start, as a fresh open or OpenRead gives it. False, with `bytes`
// empty, when the stream is closed, cannot tell its size, cannot supply that many bytes (found out before
// allocating) or memory runs out.
bool ReadWholeStream(CStream& stream, std::string& bytes);

// The file's bytes; on failure `bytes` is empty.
WholeFile ReadWholeFile(const std::string& path, std::string& bytes);

// Makes `path` new (never over an existing file or folder), writes the bytes and flushes them to the disk.
// Once the file is made, any failure removes it again: a partial file is never left behind.
WholeFile WriteNewFile(const std::string& path, const void* data, std::uint32_t size);

}  // namespace vmqdSDK
