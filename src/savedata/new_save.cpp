#include "savedata/new_save.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "archive/archive.h"
#include "archive/codec.h"
#include "archive/whole_file.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "foundation/text_buffer.h"
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

// Puts `front` bytes of room in front of the item text, which starts at `room`: the text moves further in
// when its room is too short (a header longer than the room: seldom). False when memory runs out.
bool MakeFrontRoom(CTextBuffer& text, std::size_t& room, std::size_t front) {
  if (front <= room) return true;
  const std::size_t more = front - room, size = text.Size();
  if (text.Room(more) == nullptr) return false;
  std::memmove(text.Data() + more, text.Data(), size);
  text.Commit(more);
  room = front;
  return true;
}

// A document with bytes of 0x80 and above in its item text, from `text[start]` on: converted to UTF-8 as
// a whole (which makes a copy of its own), the text let go, then declared, scrambled and deflated in one
// container.
int EncodeConverted(CTextBuffer& text, std::size_t start, CByteArray& encoded) {
  std::string utf8;
  // The texts are code page 932 whatever the host's own code page is.
  const bool converted = platform::Cp932ToUtf8(text.Data() + start, text.Size() - start, utf8) && !utf8.empty();
  text.Clear();
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

XmlEncoding EncodingOf(const std::string& text) {
  return XmlEncodingOf(text.data(), static_cast<std::uint32_t>(text.size()));
}

// The templates in UTF-8, for a document whose item text is plain ASCII and so its own UTF-8: converting
// the parts one by one gives what converting the whole gives, since no character spans an ASCII line feed
// or ">". Without items the templates meet, and are converted as one text.
bool ConvertTemplates(std::string& header, std::string& footer, bool noItems) {
  if (noItems) {
    header += footer;
    footer.clear();
  }
  std::string utf8;
  if (!platform::Cp932ToUtf8(header, utf8)) return false;
  header.swap(utf8);
  if (!platform::Cp932ToUtf8(footer, utf8)) return false;
  footer.swap(utf8);
  return true;
}

}  // namespace

int EncodeNewSaveAroundItems(CArchive& archive, const std::string& userName, CTextBuffer& text,
                             CByteArray& encoded) {
  encoded.Reset();
  CTextBuffer used(std::move(text));  // gone when this returns, whatever the result
  if (used.Size() < kNewSaveFrontRoom) return kNewSaveItemsWrite;  // a caller's fault: the run always keeps it
  // An element that could not be written whole was dropped again: the text holds whole elements only.
  used.Recover();
  std::string header;
  if (int code = ReadNewSaveHeader(archive, userName, header)) return code;
  CMemoryStream footerStream(256, kGenericRead | kGenericWrite, CMemoryStream::kDoubling);
  if (int code = CopyNewSaveFooter(archive, footerStream)) return code;
  std::string footer(reinterpret_cast<const char*>(footerStream.GetBuffer().Data()), footerStream.GetSize());

  std::size_t room = kNewSaveFrontRoom;
  const std::size_t items = used.Size() - room;
  // The container's length is a 32-bit number.
  if (items > 0xFFFFFFFFu) return kNewSaveDocument;

  // The whole document is declared by all its bytes; the item text is looked at where it lies.
  const bool asciiItems = XmlEncodingOf(used.Data() + room, static_cast<std::uint32_t>(items)) == kXmlUsAscii;
  XmlEncoding encoding = kXmlUsAscii;
  if (!asciiItems || EncodingOf(header) != kXmlUsAscii || EncodingOf(footer) != kXmlUsAscii) encoding = kXmlUtf8;
  if (encoding == kXmlUtf8 && !asciiItems) {
    // Not an item text this tool writes: the document is put together and converted as a whole.
    if (!MakeFrontRoom(used, room, header.size())) return kNewSaveHeaderWrite;
    std::copy(header.begin(), header.end(), used.Data() + room - header.size());
    used.Append(footer);
    if (used.Failed()) return kNewSaveFooterCopy;
    return EncodeConverted(used, room - header.size(), encoded);
  }
  if (encoding == kXmlUtf8 && !ConvertTemplates(header, footer, items == 0)) return kNewSaveDocument;

  // The container's check value and key, the declaration and the header go in front of the items, the
  // footer behind them: the container is made, scrambled and deflated where the items lie.
  const std::string declaration = XmlDeclaration(encoding);
  const std::size_t front = kVmqdHeaderSize + declaration.size() + header.size();
  if (std::uint64_t{front} + items + footer.size() > 0xFFFFFFFFu) return kNewSaveDocument;
  if (!MakeFrontRoom(used, room, front)) return kNewSaveHeaderWrite;
  char* const container = used.Data() + room - front;
  std::copy(declaration.begin(), declaration.end(), container + kVmqdHeaderSize);
  std::copy(header.begin(), header.end(), container + kVmqdHeaderSize + declaration.size());
  used.Append(footer);
  if (used.Failed()) return kNewSaveFooterCopy;
  const auto n = static_cast<std::uint32_t>(front - kVmqdHeaderSize + items + footer.size());
  auto* bytes = reinterpret_cast<std::uint8_t*>(used.Data() + room - front);
  VmqdScrambleInPlace(bytes, n);
  return DeflateContainer(bytes, n + kVmqdHeaderSize, encoded);
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
