// Writing "CRFS" archives and the few file operations the data toolchain needs beyond the core's streams.
// Paths are core paths (CP932; "\" or "/" separators).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hvxfer::cli {

// "plain", "vmqd", "zlib" and back; false / nullptr for anything else.
bool CodecByName(const std::string& name, std::uint32_t& fourCC);
const char* CodecName(std::uint32_t fourCC);

struct PackMember {
  std::string name;     // file name in the source folder: title + extension
  std::uint32_t codec;  // how the member is stored
  bool text = false;    // the file is UTF-8 text to be stored as CP932
};

// Per-member settings: lines "NAME [CODEC] [text]", "#" comments, blank lines ignored. The file is UTF-8.
struct ManifestEntry {
  std::string name;
  bool hasCodec = false;
  std::uint32_t codec = 0;
  bool text = false;
};
bool ReadManifest(const std::string& path, std::vector<ManifestEntry>& entries, std::string& error);

// The regular files directly inside a folder, sorted by name.
bool ListFolder(const std::string& folder, std::vector<std::string>& names, std::string& error);

// The archive image of the members read from `folder`: header, vmqd-coded directory, then the member data
// in directory order. False with a message naming the member when one cannot be stored.
bool BuildArchiveImage(const std::string& folder, const std::vector<PackMember>& members, std::string& image,
                       std::string& error);

// Whole files. WriteFileReplacing writes beside the target and renames over it, so a failure leaves the
// old file (or none) and no partial one. WriteNewFile refuses to replace an existing file and removes what
// it wrote when the write fails.
bool ReadWholeFile(const std::string& path, std::string& bytes);
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& error);
bool WriteNewFile(const std::string& path, const std::string& bytes, std::string& error);

// A core path ending with "\", made when missing.
bool MakeFolder(const std::string& folder, std::string& normalized);

}  // namespace hvxfer::cli
