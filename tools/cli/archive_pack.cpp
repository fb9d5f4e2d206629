#include "archive_pack.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "archive/archive_builder.h"
#include "archive/codec.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"

namespace hvxfer::cli {

namespace platform = vmqdSDK::platform;

bool CodecByName(const std::string& name, std::uint32_t& fourCC) {
  static const std::map<std::string, std::uint32_t> codecs = {
      {"plain", vmqdSDK::CPlainCodec::kFourCC},
      {"vmqd", vmqdSDK::CVmqdCodecBase::kFourCC},
      {"zlib", vmqdSDK::CZlibCodecBase::kFourCC},
  };
  auto it = codecs.find(name);
  if (it == codecs.end()) return false;
  fourCC = it->second;
  return true;
}

const char* CodecName(std::uint32_t fourCC) {
  switch (fourCC) {
    case vmqdSDK::CPlainCodec::kFourCC:
      return "plain";
    case vmqdSDK::CVmqdCodecBase::kFourCC:
      return "vmqd";
    case vmqdSDK::CZlibCodecBase::kFourCC:
      return "zlib";
    default:
      return nullptr;
  }
}

bool ReadManifest(const std::string& path, std::vector<ManifestEntry>& entries, std::string& error) {
  std::string bytes;
  if (vmqdSDK::ReadWholeFile(path, bytes) != vmqdSDK::WholeFile::kOk) {
    error = path + ": cannot read the manifest";
    return false;
  }
  std::istringstream in(bytes);
  std::string line;
  std::set<std::string> seen;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string where = path + ":" + std::to_string(number) + ": ";
    if (std::size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream fields(line);
    std::string utf8Name, word;
    if (!(fields >> utf8Name)) continue;
    ManifestEntry entry;
    if (!platform::Utf8ToCp932(utf8Name, entry.name)) {
      error = where + "the name cannot be represented in code page 932";
      return false;
    }
    while (fields >> word) {
      if (word == "text") {
        entry.text = true;
      } else if (CodecByName(word, entry.codec) && !entry.hasCodec) {
        entry.hasCodec = true;
      } else {
        error = where + "unexpected \"" + word + "\" (a codec plain, vmqd or zlib, and the word text, each once)";
        return false;
      }
    }
    if (!seen.insert(entry.name).second) {
      error = where + entry.name + " is named twice";
      return false;
    }
    entries.push_back(entry);
  }
  return true;
}

bool ListFiles(const std::string& folder, std::vector<std::string>& names, std::string& error) {
  std::vector<std::string> entries;
  bool leftOut = false;
  if (!platform::ListFolder(folder, entries, &leftOut)) {
    error = folder + ": cannot list the folder";
    return false;
  }
  if (leftOut) {
    error = folder + ": a file name cannot be represented in code page 932";
    return false;
  }
  const std::string base = vmqdSDK::NormalizeFolderPath(folder);
  names.clear();
  for (const std::string& name : entries) {
    const platform::Attributes attributes = platform::GetAttributes(base + name);
    if (attributes.exists && !attributes.folder) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return true;
}

bool PackFolder(const std::string& folder, const std::vector<PackMember>& members, std::string& image,
                std::string& error) {
  const std::string base = vmqdSDK::NormalizeFolderPath(folder);
  vmqdSDK::CArchiveBuilder builder;
  for (const PackMember& member : members) {
    const std::string where = member.name + ": ";
    std::string content;
    if (vmqdSDK::ReadWholeFile(base + member.name, content) != vmqdSDK::WholeFile::kOk) {
      error = where + "cannot read " + base + member.name;
      return false;
    }
    if (member.text) {
      // A byte-order mark is an editor's habit, not part of the text.
      if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
      std::string cp932;
      if (!platform::Utf8ToCp932(content, cp932)) {
        error = where + "the text is not UTF-8 that code page 932 can represent";
        return false;
      }
      content = cp932;
    }
    if (!builder.Add(member.name, content, member.codec, error)) return false;
  }
  return builder.Build(image, error);
}

std::string WriteFailure(const std::string& path, vmqdSDK::WholeFile result) {
  return path + (result == vmqdSDK::WholeFile::kOpenFailed ? ": cannot create the file (it may exist already)"
                                                            : ": the write failed");
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& error) {
  const std::string temporary = path + ".part";
  platform::RemoveFile(temporary);  // left by an interrupted earlier run
  const vmqdSDK::WholeFile written =
      vmqdSDK::WriteNewFile(temporary, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  if (written != vmqdSDK::WholeFile::kOk) {
    error = WriteFailure(temporary, written);
    return false;
  }
  if (platform::MoveFileReplacing(temporary, path)) return true;
  platform::RemoveFile(temporary);
  error = path + ": cannot move the new file into place";
  return false;
}

bool MakeFolder(const std::string& folder, std::string& normalized) {
  normalized = vmqdSDK::NormalizeFolderPath(folder);
  if (vmqdSDK::DirectoryExists(normalized)) return true;
  return vmqdSDK::EnsureDirectoryPath(normalized, vmqdSDK::kAttributeNormal) && vmqdSDK::DirectoryExists(normalized);
}

}  // namespace hvxfer::cli
