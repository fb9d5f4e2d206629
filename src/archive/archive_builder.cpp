#include "archive/archive_builder.h"

#include <algorithm>

#include "archive/codec.h"
#include "foundation/coding.h"
#include "foundation/path.h"

namespace vmqdSDK {
namespace {

// Offsets are sought as signed 32-bit values: an archive must stay below 2 GB.
constexpr std::uint64_t kMaxImage = 0x7FFFFFFF;

// The opaque fields of a record, written as zeros: nothing of this system reads them.
constexpr std::size_t kOpaqueSize =
    sizeof CArchiveRecord::first + sizeof CArchiveRecord::second + sizeof CArchiveRecord::third;

// ReadString8 form: a length byte counting the text and its NUL.
void PutString8(std::string& out, const std::string& text) {
  out += static_cast<char>(text.size() + 1);
  out += text;
  out += '\0';
}

// The size a text takes in the directory.
std::uint64_t String8Size(const std::string& text) { return 1 + text.size() + 1; }

}  // namespace

bool CArchiveBuilder::Encode(const std::string& content, std::uint32_t codec, std::string& stored) {
  CSharedPtr<CCodec> coder = codecs_.FindCodec(codec);
  if (!coder) return false;
  CByteArray block = CByteArray::AllocateUninitialized(static_cast<std::uint32_t>(content.size()));
  if (block.IsNull()) return false;
  std::copy(content.begin(), content.end(), block.Data());
  const CByteArray coded = coder->Encode(block);
  if (coded.IsNull()) return false;
  stored.assign(reinterpret_cast<const char*>(coded.Data()), coded.GetCount());
  return true;
}

bool CArchiveBuilder::Add(const std::string& name, const std::string& content, std::uint32_t codec,
                          std::string& error) {
  const std::string where = name + ": ";
  std::string title, extension;
  SplitFileTitle(name, title, extension);
  if (name.empty() || FileNamePart(name) != name) {
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
  Stored stored;
  stored.codec = content.empty() ? CPlainCodec::kFourCC : codec;
  if (!content.empty() && !Encode(content, stored.codec, stored.bytes)) {
    const CSharedPtr<CCodec> coder = codecs_.FindCodec(stored.codec);
    error = where + (coder ? std::string("coding with ") + coder->GetCodecName() + " failed" : "unknown codec");
    return false;
  }
  if (!groups_[extension].emplace(title, std::move(stored)).second) {
    error = where + "named twice";
    return false;
  }
  return true;
}

bool CArchiveBuilder::Build(std::string& image, std::string& error) {
  // Offsets follow from the directory's length, which does not depend on them.
  std::uint64_t directorySize = 4;
  for (const auto& [extension, titles] : groups_) {
    directorySize += String8Size(extension) + 4;
    for (const auto& [title, stored] : titles) directorySize += String8Size(title) + CArchiveRecord::kFileSize;
  }
  std::uint64_t at = CArchive::kHeaderSize + kVmqdHeaderSize + directorySize;

  std::string directory, data;
  PutFixed32(directory, static_cast<std::uint32_t>(groups_.size()));
  for (const auto& [extension, titles] : groups_) {
    PutString8(directory, extension);
    PutFixed32(directory, static_cast<std::uint32_t>(titles.size()));
    for (const auto& [title, stored] : titles) {
      if (at + stored.bytes.size() > kMaxImage) {
        error = "the archive would reach 2 GB, more than its offsets can address";
        return false;
      }
      PutString8(directory, title);
      directory.append(kOpaqueSize, '\0');
      PutFixed32(directory, static_cast<std::uint32_t>(stored.bytes.size()));
      PutFixed32(directory, static_cast<std::uint32_t>(at));
      PutFixed32(directory, stored.codec);
      data += stored.bytes;
      at += stored.bytes.size();
    }
  }

  std::string coded;
  if (!Encode(directory, CVmqdCodecBase::kFourCC, coded)) {
    error = "coding the directory failed";
    return false;
  }
  image.clear();
  PutFixed32(image, CArchive::kMagic);
  PutFixed32(image, CArchive::kClosedVersion);
  PutFixed32(image, 0);
  PutFixed32(image, static_cast<std::uint32_t>(coded.size()));
  image += coded;
  image += data;
  return true;
}

}  // namespace vmqdSDK
