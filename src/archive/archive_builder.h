// Writing the "CRFS" data archive: the image CArchive reads, made of members given one at a time. The data
// build (hvxfer-cli archive pack) feeds it from a folder; nothing else writes an archive.
// Format: docs/formats/crfs-archive.md
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "archive/archive.h"

namespace vmqdSDK {

// The canonical archive: groups sorted by extension and members by title (plain byte order), the member
// data right after the directory block in directory order, the opaque record fields zero, the version word
// CArchive::kClosedVersion and the second word 0.
class CArchiveBuilder {
 public:
  // Files the member under the title and extension of `name`, coded with `codec` (a FourCC the archive
  // registers; an empty member is always stored plain, since no coded form of nothing can be decoded). False,
  // with a message naming the member, for a name that is not a plain file name or would not come back as
  // given, a codec that is unknown or fails, or a name given twice.
  bool Add(const std::string& name, const std::string& content, std::uint32_t codec, std::string& error);

  // The whole archive file; false with a message when it would reach 2 GB, more than its offsets address.
  bool Build(std::string& image, std::string& error);

 private:
  struct Stored {
    std::uint32_t codec = 0;
    std::string bytes;
  };
  bool Encode(const std::string& content, std::uint32_t codec, std::string& stored);

  std::map<std::string, std::map<std::string, Stored>> groups_;  // the reader's order: plain bytes
  CArchive codecs_;  // closed: only its codecs serve, the ones the reader decodes with
};

}  // namespace vmqdSDK
