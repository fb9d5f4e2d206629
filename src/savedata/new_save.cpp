#include "savedata/new_save.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

#include "archive/archive.h"
#include "archive/codec.h"
#include "archive/whole_file.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"
#include "xml/xml.h"

namespace vmqdSDK {

int ReadNewSaveHeader(CArchive& archive, const std::string& userName, std::string& header) {
  CSharedPtr<CStream> stream = archive.OpenRead(kNewSaveHeader);
  if (stream.IsNull()) return kNewSaveHeaderMissing;
  std::string text;
  if (!ReadWholeStream(*stream, text)) return kNewSaveHeaderRead;
  header = ReplaceAll(text, kUserNamePlaceholder, userName);
  return kNewSaveOk;
}

int CopyNewSaveFooter(CArchive& archive, CStream& document) {
  CSharedPtr<CStream> footer = archive.OpenRead(kNewSaveFooter);
  if (footer.IsNull()) return kNewSaveFooterMissing;
  // CopyFrom of "all that remains" copies nothing from a stream that cannot say how much remains.
  if (footer->IsClosed() || footer->GetRemain() == kNoValue) return kNewSaveFooterCopy;
  if (footer->GetRemain() == 0) return kNewSaveOk;
  CByteArray scratch;
  if (!document.CopyFrom(*footer, kNoValue, scratch)) return kNewSaveFooterCopy;
  return kNewSaveOk;
}

namespace {

std::string FolderOf(const std::string& path) { return path.substr(0, path.size() - FileNamePart(path).size()); }

// The save's file name, the marker, what tells this writer from another running at the same time, and an
// ending the game does not read.
std::string UnfinishedNameOf(const std::string& path) {
  static std::atomic<std::uint32_t> written{0};
  return path + kUnfinishedMarker + FormatText("%x-%x", platform::ProcessId(), written++) + kUnfinishedEnding;
}

bool IsUnfinishedNameOf(const std::string& name, const std::string& saveName) {
  const std::string prefix = saveName + kUnfinishedMarker, ending = kUnfinishedEnding;
  if (name.size() <= prefix.size() + ending.size() || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - ending.size(), ending.size(), ending) != 0) {
    return false;
  }
  const std::string mark = name.substr(prefix.size(), name.size() - prefix.size() - ending.size());
  return mark.find_first_not_of("0123456789abcdef-") == std::string::npos;
}

int DeflateContainer(const std::uint8_t* container, std::uint32_t size, CByteArray& encoded) {
  CZlib zlib = MakeFormatZlib();
  CByteArray deflated = zlib.Deflate(container, size, CZlib::kEngineLevel);
  // Only running out of memory, or a result past 4 GiB, fails here: nothing a test can afford.
  if (deflated.IsNull()) return kNewSaveDeflate;
  encoded = deflated;
  return kNewSaveOk;
}

// A document with bytes of 0x80 and above, from `text[start]` on: converted to UTF-8 (which makes a copy of
// its own), the text let go, then declared, scrambled and deflated in one container.
int EncodeConverted(std::string& text, std::size_t start, CByteArray& encoded) {
  std::string utf8;
  // The texts are code page 932 whatever the host's own code page is.
  const bool converted = platform::Cp932ToUtf8(text.data() + start, text.size() - start, utf8) && !utf8.empty();
  std::string().swap(text);
  const std::string declaration = XmlDeclaration(kXmlUtf8);
  if (!converted || utf8.size() > 0xFFFFFFFFu - kVmqdHeaderSize - declaration.size()) return kNewSaveDocument;
  const auto n = static_cast<std::uint32_t>(declaration.size() + utf8.size());
  // The container is made in the converted text itself (usually within the room it already has).
  try {
    utf8.insert(0, std::string(kVmqdHeaderSize, '\0') + declaration);
  } catch (const std::bad_alloc&) {
    return kNewSaveScramble;  // memory alone: the scramble itself cannot fail on a non-empty payload
  }
  auto* container = reinterpret_cast<std::uint8_t*>(utf8.data());
  VmqdScrambleInPlace(container, n);
  return DeflateContainer(container, n + kVmqdHeaderSize, encoded);
}

}  // namespace

int EncodeNewSaveAroundItems(CArchive& archive, const std::string& userName, std::string& text,
                             CByteArray& encoded) {
  encoded.Reset();
  std::string used;
  used.swap(text);  // gone when this returns, whatever the result
  if (used.size() < kNewSaveFrontRoom) return kNewSaveItemsWrite;  // a caller's fault: the run always keeps it
  std::string header;
  if (int code = ReadNewSaveHeader(archive, userName, header)) return code;

  // The header, the declaration and the container's check value and key go in front of the items. A
  // header longer than the room makes more room, once.
  const std::string declaration = XmlDeclaration(kXmlUsAscii);
  const std::size_t front = header.size() + declaration.size() + kVmqdHeaderSize;
  std::size_t items = kNewSaveFrontRoom;
  try {
    if (front > items) {
      used.insert(0, front - items, ' ');
      items = front;
    }
  } catch (const std::bad_alloc&) {
    return kNewSaveHeaderWrite;  // the header goes into memory: only running out of it fails
  }
  const std::size_t start = items - header.size();
  std::copy(header.begin(), header.end(), used.begin() + static_cast<std::ptrdiff_t>(start));

  CMemoryStream footer(256, kGenericRead | kGenericWrite, CMemoryStream::kDoubling);
  if (int code = CopyNewSaveFooter(archive, footer)) return code;
  try {
    used.append(reinterpret_cast<const char*>(footer.GetBuffer().Data()), footer.GetSize());
  } catch (const std::bad_alloc&) {
    return kNewSaveFooterCopy;
  }

  const std::size_t size = used.size() - start;
  if (size > 0xFFFFFFFFu - front) return kNewSaveDocument;
  auto* bytes = reinterpret_cast<std::uint8_t*>(used.data());
  if (XmlEncodingOf(bytes + start, static_cast<std::uint32_t>(size)) != kXmlUsAscii) {
    return EncodeConverted(used, start, encoded);
  }
  const std::size_t payload = start - declaration.size();
  std::copy(declaration.begin(), declaration.end(), used.begin() + static_cast<std::ptrdiff_t>(payload));
  const auto n = static_cast<std::uint32_t>(size + declaration.size());
  std::uint8_t* container = bytes + payload - kVmqdHeaderSize;
  VmqdScrambleInPlace(container, n);
  return DeflateContainer(container, n + kVmqdHeaderSize, encoded);
}

int WriteNewSaveFile(const std::string& path, const CByteArray& encoded) {
  const std::string unfinished = UnfinishedNameOf(path);
  // A temporary file that was not written and flushed whole is removed again.
  switch (WriteNewFile(unfinished, encoded.Data(), encoded.GetCount())) {
    case WholeFile::kOk: break;
    case WholeFile::kOpenFailed: return kNewSaveCreate;
    case WholeFile::kIoFailed: return kNewSaveWrite;
  }
  // The temporary file is this run's own: removing it touches nothing of the user's.
  if (!platform::MoveFileNoReplace(unfinished, path)) {
    platform::RemoveFile(unfinished);
    return kNewSaveCreate;
  }
  // The save is whole under its name already. Should the folder not sync, a power cut can at worst bring
  // back the temporary name instead, which the next run removes.
  platform::SyncFolder(FolderOf(path));
  return kNewSaveOk;
}

void RemoveUnfinishedNewSaves(const std::string& path) {
  const std::string folder = FolderOf(path);
  std::vector<std::string> names;
  if (folder.empty() || !platform::ListFolder(folder, names)) return;
  for (const std::string& name : names)
    if (IsUnfinishedNameOf(name, FileNamePart(path))) platform::RemoveFile(folder + name);
}

bool DecodeNewSave(const void* data, std::uint32_t size, std::string& xml) {
  xml.clear();
  if (data == nullptr || size == 0) return false;
  CZlib zlib = MakeFormatZlib();
  CByteArray container = zlib.Inflate(data, size);
  // Check value, key byte and at least one payload byte.
  if (container.IsNull() || container.GetCount() <= kVmqdHeaderSize) return false;
  CByteArray payload = VmqdDescramble(container.Data(), container.GetCount());
  if (payload.IsNull()) return false;
  xml.assign(reinterpret_cast<const char*>(payload.Data()), payload.GetCount());
  return true;
}

}  // namespace vmqdSDK
