#include "archive_pack.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <system_error>

#include "archive/archive.h"
#include "archive/codec.h"
#include "archive/stream.h"
#include "foundation/coding.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"

namespace hvxfer::cli {
namespace {

namespace fs = std::filesystem;
using vmqdSDK::CArchive;
using vmqdSDK::CByteArray;
using vmqdSDK::PutFixed32;
namespace platform = vmqdSDK::platform;

// Offsets are sought as signed 32-bit values: an archive must stay below 2 GB.
constexpr std::uint64_t kMaxImage = 0x7FFFFFFF;

bool ToNative(const std::string& cp932, fs::path& native) {
  std::string utf8;
  if (!platform::Cp932ToUtf8(cp932, utf8)) return false;
  // UTF-8 never holds 0x5C inside a multi-byte sequence, so every "\" left is a separator.
  std::replace(utf8.begin(), utf8.end(), '\\', '/');
  native = fs::path(std::u8string(utf8.begin(), utf8.end()));
  return true;
}

// ReadString8 form: a length byte counting the text and its NUL.
void PutString8(std::string& out, const std::string& text) {
  out += static_cast<char>(text.size() + 1);
  out += text;
  out += '\0';
}

std::string FromBuffer(const CByteArray& buffer) {
  return buffer ? std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.GetCount()) : std::string();
}

bool Encode(const std::string& content, std::uint32_t codec, std::string& stored) {
  const auto n = static_cast<std::uint32_t>(content.size());
  if (codec == vmqdSDK::CVmqdCodecBase::kFourCC) {
    stored = FromBuffer(vmqdSDK::VmqdScramble(content.data(), n));
  } else if (codec == vmqdSDK::CZlibCodecBase::kFourCC) {
    vmqdSDK::CZlib engine(1024, 1024, -1);
    stored = FromBuffer(engine.Deflate(content.data(), n, vmqdSDK::CZlib::kEngineLevel));
  } else {
    stored = content;
    return true;
  }
  return !stored.empty();
}

}  // namespace

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
  if (!ReadWholeFile(path, bytes)) {
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

bool ListFolder(const std::string& folder, std::vector<std::string>& names, std::string& error) {
  fs::path native;
  if (!ToNative(folder, native)) {
    error = folder + ": not a valid path";
    return false;
  }
  std::error_code ec;
  fs::directory_iterator it(native, ec), end;
  if (ec) {
    error = folder + ": cannot list the folder";
    return false;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    std::error_code statusError;
    if (!it->is_regular_file(statusError)) continue;
    std::u8string u8 = it->path().filename().u8string();
    std::string name;
    if (!platform::Utf8ToCp932(std::string(u8.begin(), u8.end()), name)) {
      error = folder + ": a file name cannot be represented in code page 932";
      return false;
    }
    names.push_back(name);
  }
  if (ec) {
    error = folder + ": cannot list the folder";
    return false;
  }
  std::sort(names.begin(), names.end());
  return true;
}

bool BuildArchiveImage(const std::string& folder, const std::vector<PackMember>& members, std::string& image,
                       std::string& error) {
  struct Entry {
    std::uint32_t codec;
    std::string stored;
  };
  std::map<std::string, std::map<std::string, Entry>> groups;  // the reader's order: plain bytes
  const std::string base = vmqdSDK::NormalizeFolderPath(folder);

  for (const PackMember& member : members) {
    const std::string where = member.name + ": ";
    std::string title, extension;
    vmqdSDK::SplitFileTitle(member.name, title, extension);
    if (member.name.empty() || vmqdSDK::FileNamePart(member.name) != member.name) {
      error = where + "not a plain file name";
      return false;
    }
    // "name." would come back as "name": the reader files both under ".".
    if (extension == ".") {
      error = where + "a name ending with a dot cannot be stored";
      return false;
    }
    if (extension.empty()) extension = CArchive::kNoExtension;
    if (title.size() >= CArchive::kMaxName || extension.size() >= CArchive::kMaxName) {
      error = where + "the name is too long (at most 254 bytes for the title and for the extension)";
      return false;
    }

    std::string content;
    if (!ReadWholeFile(base + member.name, content)) {
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
    // Coded forms of nothing cannot be decoded ("vmqd" with no payload, zlib of nothing gives no bytes):
    // an empty member is served only when stored plain.
    std::uint32_t codec = content.empty() ? vmqdSDK::CPlainCodec::kFourCC : member.codec;
    Entry entry{codec, ""};
    if (!Encode(content, codec, entry.stored)) {
      error = where + "coding with " + CodecName(codec) + " failed";
      return false;
    }
    if (!groups[extension].emplace(title, std::move(entry)).second) {
      error = where + "named twice";
      return false;
    }
  }

  // Offsets follow from the directory's length, which does not depend on them.
  std::uint64_t directorySize = 4;
  for (const auto& [extension, titles] : groups) {
    directorySize += 1 + extension.size() + 1 + 4;
    for (const auto& [title, entry] : titles) directorySize += 1 + title.size() + 1 + vmqdSDK::CArchiveRecord::kFileSize;
  }
  std::uint64_t at = 16 + directorySize + 5;

  std::string directory, data;
  PutFixed32(directory, static_cast<std::uint32_t>(groups.size()));
  for (const auto& [extension, titles] : groups) {
    PutString8(directory, extension);
    PutFixed32(directory, static_cast<std::uint32_t>(titles.size()));
    for (const auto& [title, entry] : titles) {
      if (at + entry.stored.size() > kMaxImage) {
        error = "the archive would reach 2 GB, more than its offsets can address";
        return false;
      }
      PutString8(directory, title);
      directory.append(32, '\0');  // the opaque fields: nothing of this system reads them
      PutFixed32(directory, static_cast<std::uint32_t>(entry.stored.size()));
      PutFixed32(directory, static_cast<std::uint32_t>(at));
      PutFixed32(directory, entry.codec);
      data += entry.stored;
      at += entry.stored.size();
    }
  }

  std::string coded;
  Encode(directory, vmqdSDK::CVmqdCodecBase::kFourCC, coded);
  image = "CRFS";
  PutFixed32(image, CArchive::kClosedVersion);
  PutFixed32(image, 0);
  PutFixed32(image, static_cast<std::uint32_t>(coded.size()));
  image += coded;
  image += data;
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  vmqdSDK::CFileStream file("");
  if (!file.Open(1, vmqdSDK::kGenericRead, vmqdSDK::kShareRead, path)) return false;
  std::uint32_t size = file.GetSize();
  if (size == vmqdSDK::kNoValue || size > kMaxImage) return false;
  bytes.assign(size, '\0');
  return size == 0 || file.ReadAll(bytes.data(), size);
}

bool WriteNewFile(const std::string& path, const std::string& bytes, std::string& error) {
  vmqdSDK::CFileStream file("");
  if (!file.Create(1, vmqdSDK::kGenericWrite, vmqdSDK::kShareRead, path)) {
    error = path + ": cannot create the file (it may exist already)";
    return false;
  }
  bool ok = bytes.empty() || file.WriteAll(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  ok = file.Flush() && ok;
  file.Close();
  if (!ok) {
    platform::RemoveFile(path);
    error = path + ": the write failed";
  }
  return ok;
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& error) {
  const std::string temporary = path + ".part";
  platform::RemoveFile(temporary);  // left by an interrupted earlier run
  if (!WriteNewFile(temporary, bytes, error)) return false;
  fs::path from, to;
  std::error_code ec;
  if (ToNative(temporary, from) && ToNative(path, to)) {
    fs::rename(from, to, ec);
    if (ec) {
      // Some systems refuse to rename over an existing file.
      fs::remove(to, ec);
      fs::rename(from, to, ec);
    }
    if (!ec) return true;
  }
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
