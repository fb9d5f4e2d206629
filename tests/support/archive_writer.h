// A small "CRFS" archive writer for tests, kept apart from the tool's packer so that the reader is checked
// against an independent rendering of the layout. It writes exactly what it is told, including what a
// sound packer never would: repeated titles and groups, counts that disagree with the data, records that
// point anywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/stream.h"

namespace hvxfer::test {

inline constexpr std::uint32_t kPlain = 0;
inline constexpr std::uint32_t kVmqd = 0x564D5144;
inline constexpr std::uint32_t kZlib = 0x5A4C4942;

class ArchiveWriter {
 public:
  struct Member {
    std::string title;
    std::string stored;  // the bytes as they lie in the file
    std::uint32_t codec = kPlain;
    std::optional<std::uint32_t> storedSize;  // record value instead of stored.size()
    std::optional<std::uint32_t> offset;      // record value instead of where the bytes were put
  };
  struct Group {
    std::string extension;
    std::vector<Member> members;
    std::optional<std::uint32_t> count;  // M instead of members.size()
  };

  // A new group; later members go into it.
  ArchiveWriter& Ext(const std::string& extension);
  // A member whose content is coded with `codec` ("plain" keeps it as it is).
  ArchiveWriter& Add(const std::string& title, const std::string& content, std::uint32_t codec = kPlain);
  ArchiveWriter& AddRaw(Member member);

  std::vector<Group> groups;
  std::optional<std::uint32_t> groupCount;  // E instead of groups.size()

  // The decoded directory (member offsets already placed) and the whole file.
  std::string Directory() const;
  std::string Build() const;

  // Header + "vmqd"-coded `directory` + `data`; `length` replaces N in the header.
  static std::string Wrap(const std::string& directory, const std::string& data = "",
                          std::optional<std::int32_t> length = std::nullopt);
  static std::string Code(const std::string& content, std::uint32_t codec);

 private:
  std::string DirectoryWithDataAt(std::uint32_t dataStart) const;
};

// A folder beside the test program for archive files, emptied of what the tests write.
std::string ArchiveTestFolder();
// Writes the bytes to a new file in ArchiveTestFolder() and returns its core path (CP932, "\").
std::string WriteTestFile(const std::string& name, const std::string& bytes);
// The whole of a stream, from its position.
std::string ReadRest(vmqdSDK::CStream& stream);

// The error log of this program, emptied on construction.
class ErrorLogCapture {
 public:
  ErrorLogCapture();
  std::string Text() const;
};

}  // namespace hvxfer::test
