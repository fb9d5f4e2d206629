#include "savedata/new_save.h"

#include "archive/archive.h"
#include "archive/codec.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"
#include "savedata/xml.h"

namespace vmqdSDK {
namespace {

// True when the directory lists the member, whether or not it can be served: a member that is listed
// but cannot be read is damaged, not missing.
bool IsListed(CArchive& archive, const std::string& fileName) {
  std::string title, extension;
  SplitFileTitle(fileName, title, extension);
  if (extension.empty()) extension = CArchive::kNoExtension;
  const auto& groups = archive.GetExtensions();
  auto group = groups.find(extension);
  return group != groups.end() && group->second.count(title) != 0;
}

bool WriteText(CStream& out, const std::string& text) {
  return text.empty() || out.WriteAll(text.data(), static_cast<std::uint32_t>(text.size()));
}

}  // namespace

int BuildNewSaveDocument(CArchive& archive, const std::string& userName, const std::string& itemText,
                         CStream& document) {
  CSharedPtr<CStream> header = archive.OpenRead(kNewSaveHeader);
  if (header.IsNull()) return IsListed(archive, kNewSaveHeader) ? kNewSaveHeaderRead : kNewSaveHeaderMissing;
  // A member that reports itself closed has no size to read: reading it "whole" would read nothing.
  const std::uint32_t size = header->IsClosed() ? kNoValue : header->GetSize();
  if (size == kNoValue || !header->CanSupply(size)) return kNewSaveHeaderRead;
  std::string text(size, '\0');
  if (size != 0 && !header->ReadAll(text.data(), size)) return kNewSaveHeaderRead;

  if (!WriteText(document, ReplaceAll(text, kUserNamePlaceholder, userName))) return kNewSaveHeaderWrite;
  if (!WriteText(document, itemText)) return kNewSaveItemsWrite;

  CSharedPtr<CStream> footer = archive.OpenRead(kNewSaveFooter);
  if (footer.IsNull()) return IsListed(archive, kNewSaveFooter) ? kNewSaveFooterCopy : kNewSaveFooterMissing;
  // CopyFrom of "all that remains" copies nothing from a stream that cannot say how much remains.
  if (footer->IsClosed() || footer->GetRemain() == kNoValue) return kNewSaveFooterCopy;
  if (footer->GetRemain() == 0) return kNewSaveOk;
  CByteArray scratch;
  if (!document.CopyFrom(*footer, kNoValue, scratch)) return kNewSaveFooterCopy;
  return kNewSaveOk;
}

namespace {

int Encode(const void* document, std::uint32_t size, CByteArray* release, CByteArray& encoded) {
  encoded.Reset();
  CByteArray scrambled;
  {
    // Room for the declaration and a plain ASCII document; the encoded text is gone before deflating.
    const std::uint64_t room = std::uint64_t{size} + 64;
    CMemoryStream xml(room < 0x7FFFFFFF ? static_cast<std::int32_t>(room) : 0,
                      platform::kGenericRead | platform::kGenericWrite, CMemoryStream::kDoubling);
    const bool written = WriteXmlDocument(document, size, xml);
    if (release != nullptr) release->Reset();
    if (!written || xml.IsClosed() || xml.GetSize() == 0) return kNewSaveDocument;
    scrambled = VmqdScramble(xml.GetBuffer().Data(), xml.GetSize());
  }
  if (scrambled.IsNull()) return kNewSaveScramble;
  CZlib zlib(1024, 1024, -1);
  CByteArray deflated = zlib.Deflate(scrambled.Data(), scrambled.GetCount(), CZlib::kEngineLevel);
  if (deflated.IsNull()) return kNewSaveDeflate;
  encoded = deflated;
  return kNewSaveOk;
}

}  // namespace

int EncodeNewSave(const void* document, std::uint32_t size, CByteArray& encoded) {
  return Encode(document, size, nullptr, encoded);
}

int EncodeNewSave(CByteArray& document, std::uint32_t size, CByteArray& encoded) {
  if (size > document.GetCount()) {
    document.Reset();
    encoded.Reset();
    return kNewSaveDocument;
  }
  return Encode(document.IsNull() ? nullptr : document.Data(), size, &document, encoded);
}

int WriteNewSaveFile(const std::string& path, const CByteArray& encoded) {
  CFileStream file;
  if (!file.Create(1, platform::kGenericWrite, kNoValue, path)) return kNewSaveCreate;
  const bool written = file.WriteAll(encoded.Data(), encoded.GetCount()) && file.Flush();
  file.Close();
  if (written) return kNewSaveOk;
  // The run made this file a moment ago: removing it touches nothing of the user's, and a half-written
  // save must not be left for the game to load.
  platform::RemoveFile(path);
  return kNewSaveWrite;
}

bool DecodeNewSave(const void* data, std::uint32_t size, std::string& xml) {
  xml.clear();
  if (data == nullptr || size == 0) return false;
  CZlib zlib(1024, 1024, -1);
  CByteArray container = zlib.Inflate(data, size);
  // Check value, key byte and at least one payload byte.
  if (container.IsNull() || container.GetCount() < 6) return false;
  CByteArray payload = VmqdDescramble(container.Data(), container.GetCount());
  if (payload.IsNull()) return false;
  xml.assign(reinterpret_cast<const char*>(payload.Data()), payload.GetCount());
  return true;
}

}  // namespace vmqdSDK
