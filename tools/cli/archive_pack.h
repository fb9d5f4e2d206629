// The data build's side of "CRFS" archives and table files: which files of a folder become members and
// how, and the few file operations the toolchain needs beyond the core's whole-file helpers. Paths are core
// paths (CP932; "\" or "/" separators).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/whole_file.h"

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

// The files directly inside a folder (no folders), sorted by name; false when a name has no CP932 form.
bool ListFiles(const std::string& folder, std::vector<std::string>& names, std::string& error);

// The archive image of the members read from `folder` (CArchiveBuilder). False with a message naming the
// member when one cannot be read or stored.
bool PackFolder(const std::string& folder, const std::vector<PackMember>& members, std::string& image,
                std::string& error);

// What to tell about a whole-file write of `path` that failed.
std::string WriteFailure(const std::string& path, vmqdSDK::WholeFile result);

// Writes beside the target and moves the new file over it, so that a failure leaves the old file (or none)
// and no partial one.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& error);

// A core path ending with "\", made when missing.
bool MakeFolder(const std::string& folder, std::string& normalized);

}  // namespace hvxfer::cli
