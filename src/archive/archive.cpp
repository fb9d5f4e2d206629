#include "archive/archive.h"

#include "foundation/cp932.h"
#include "foundation/error_log.h"
#include "foundation/exception.h"
#include "foundation/path.h"
#include "foundation/text.h"

namespace vmqdSDK {
namespace {

constexpr std::uint32_t kReadShare = kShareRead | kShareWrite;

[[noreturn]] void Fail(const char* message) { throw Common::CException(message, "na", 0); }

// Index just past the last "\" or "/" (0 when there is none); the second byte of a double-byte
// character is never taken for a separator.
std::size_t NameStart(const std::string& path) {
  const std::size_t drive = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  const std::string rest = path.substr(drive);
  std::size_t start = drive;
  ForEachCharacter(rest, [&](std::size_t i, std::size_t size) {
    if (size == 1 && (rest[i] == '\\' || rest[i] == '/')) start = drive + i + 1;
  });
  return start;
}

}  // namespace

void SplitFileTitle(const std::string& path, std::string& title, std::string& extension) {
  std::string name = path.substr(NameStart(path));
  // A dot is never the second byte of a double-byte character, so the last one is the extension's.
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) {
    title = name;
    extension.clear();
  } else {
    title = name.substr(0, dot);
    extension = name.substr(dot);
  }
}

// ---- CDiskFileSystem ----

CDiskFileSystem::CDiskFileSystem(char separator) : separator_(separator) {}

std::string CDiskFileSystem::ResolvePath(const std::string& path) {
  if (folders_.empty() || path.empty()) return "";
  std::size_t start = NameStart(path);
  std::string key = path.substr(0, start), name = path.substr(start);
  if (!key.empty() && (key.back() == '\\' || key.back() == '/')) key.pop_back();
  if (auto it = folders_.find(key); it != folders_.end() && !name.empty()) {
    for (const std::string& folder : it->second) {
      if (FileExists(folder + name)) return folder + name;
    }
  }
  // The catch-all folders are search roots for the whole relative request.
  if (auto it = folders_.find("*"); it != folders_.end()) {
    for (const std::string& folder : it->second) {
      if (FileExists(folder + path)) return folder + path;
    }
  }
  return "";
}

CSharedPtr<CStream> CDiskFileSystem::OpenRead(const std::string& path) {
  std::string resolved = ResolvePath(path);
  if (resolved.empty()) return {};
  CSharedPtr<CFileStream> file = MakeShared<CFileStream>("");
  if (!file->Open(1, kGenericRead, kReadShare, resolved)) return {};
  return file;
}

void CDiskFileSystem::AddFolder(const std::string& key, const std::string& folder) {
  std::string withSeparator = folder;
  if (!withSeparator.empty() && withSeparator.back() != separator_) withSeparator += separator_;
  folders_[key].push_back(withSeparator);
}

void CDiskFileSystem::ClearFolders() { folders_.clear(); }

// ---- CArchive ----

CArchive::CArchive() : file_(""), disk_('\\') {
  RegisterCodec(CSharedPtr<CCodec>(MakeShared<CPlainCodec>()));
  RegisterCodec(CSharedPtr<CCodec>(MakeShared<CVmqdCodec>()));
  RegisterCodec(CSharedPtr<CCodec>(MakeShared<CZlibCodec>(MakeShared<CZlib>(MakeFormatZlib()))));
}

CArchive::~CArchive() { Close(); }

void CArchive::RegisterCodec(const CSharedPtr<CCodec>& codec) { codecs_[codec->GetFourCC()] = codec; }

CSharedPtr<CCodec> CArchive::FindCodec(std::uint32_t fourCC) const {
  auto it = codecs_.find(fourCC);
  return it == codecs_.end() ? CSharedPtr<CCodec>() : it->second;
}

bool CArchive::Open(const std::string& path) {
  if (CatchAndReport([&] { ReadDirectory(path); }, /*logOnly=*/true)) return true;
  CatchAndReport([&] { Close(); }, /*logOnly=*/false);
  return false;
}

void CArchive::ReadDirectory(const std::string& path) {
  if (!file_.IsClosed()) Close();

  std::uint32_t magic = 0, version = 0, second = 0;
  std::int32_t length = 0;
  if (!file_.Open(1, kGenericRead, kReadShare, path) || !file_.ReadU32(magic) ||
      !file_.ReadU32(version) || !file_.ReadU32(second) || !file_.ReadI32(length) || magic != kMagic) {
    Fail("Failed Read Header");
  }
  version_ = version;
  secondWord_ = second;

  // N <= 0 leaves no buffer and the checked access below raises "null". A length the file cannot hold
  // fails as the short read it would be, before anything is allocated.
  CByteArray block;
  if (length > 0) {
    std::uint32_t remain = file_.GetRemain();
    if (remain == kNoValue || static_cast<std::uint32_t>(length) > remain) Fail("Failed Read FileStructure");
    block = CByteArray::AllocateUninitialized(static_cast<std::uint32_t>(length));
  }
  if (!file_.ReadAll(block.At(0), static_cast<std::uint32_t>(length))) Fail("Failed Read FileStructure");

  CMemoryStream directory(FindCodec(CVmqdCodecBase::kFourCC)->Decode(block), kGenericRead,
                          CMemoryStream::kFixed);
  if (directory.IsClosed()) Fail("file is bad");

  // No count is trusted for allocation: every pass of the loops below consumes directory bytes or
  // raises, so E and M cost no more than the decoded directory holds.
  std::uint32_t groups = 0;
  if (!directory.ReadU32(groups)) Fail("Failed Read ExtNum");
  for (std::uint32_t g = 0; g < groups; ++g) {
    std::string extension;
    if (!directory.ReadString8(extension, kMaxName)) Fail("Failed Read Ext");

    TitleTable titles;
    std::uint32_t members = 0;
    directory.ReadU32(members);  // a short read leaves no members
    for (std::uint32_t m = 0; m < members; ++m) {
      std::string title;
      directory.ReadString8(title, kMaxName);  // unchecked: a failed read files the record under ""
      CArchiveRecord& record = titles[title];
      if (!directory.ReadAll(record.first, sizeof record.first) ||
          !directory.ReadAll(record.second, sizeof record.second) || !directory.ReadU32(record.third) ||
          !directory.ReadU32(record.storedSize) || !directory.ReadU32(record.offset) ||
          !directory.ReadU32(record.codec)) {
        Fail("Failed Read Info");
      }
    }
    extensions_[extension] = std::move(titles);
  }
}

void CArchive::Close() {
  file_.Close();
  version_ = kClosedVersion;
  secondWord_ = 0;
  disk_.ClearFolders();
  extensions_.clear();
}

std::string CArchive::ResolvePath(const std::string& path) { return disk_.ResolvePath(path); }

CSharedPtr<CStream> CArchive::Fallback(const std::string& path) { return disk_.OpenRead(path); }

CSharedPtr<CStream> CArchive::OpenRead(const std::string& path) {
  if (file_.IsClosed()) return Fallback(path);
  std::string title, extension;
  SplitFileTitle(path, title, extension);
  if (extension.empty()) extension = kNoExtension;
  CSharedPtr<CStream> member = OpenMember(extension, title);
  return member ? member : Fallback(path);
}

CSharedPtr<CStream> CArchive::OpenMember(const std::string& extension, const std::string& title) {
  if (file_.IsClosed()) return {};
  auto group = extensions_.find(extension);
  if (group == extensions_.end()) return {};
  auto found = group->second.find(title);
  if (found == group->second.end()) return {};
  const CArchiveRecord& record = found->second;

  if (!file_.Seek(static_cast<std::int32_t>(record.offset), kSeekBegin)) return {};
  // A codec this archive does not know cannot serve the member.
  CSharedPtr<CCodec> codec = FindCodec(record.codec);
  if (!codec) return {};
  return codec->IsStored() ? OpenSubStream(record) : DecodeMember(record);
}

CSharedPtr<CStream> CArchive::OpenSubStream(const CArchiveRecord& record) {
  CSharedPtr<CFileStream> base = MakeShared<CFileStream>("");
  if (!base->Open(1, kGenericRead, kReadShare, file_.GetPath())) return {};
  // A window beyond the file's end is served all the same, as a stream that reports itself closed: its
  // readers tell a member that cannot be read from one that is missing.
  return CSharedPtr<CStream>(MakeShared<CSubStream>(CSharedPtr<CStream>(base), record.offset, record.storedSize));
}

CSharedPtr<CStream> CArchive::DecodeMember(const CArchiveRecord& record) {
  // Stored size 0 leaves nothing to decode, and a size beyond the file fails as the short read it would
  // be: both before allocating.
  std::uint32_t remain = file_.GetRemain();
  if (record.storedSize == 0 || remain == kNoValue || record.storedSize > remain) return {};
  CByteArray stored = CByteArray::AllocateUninitialized(record.storedSize);
  if (stored.IsNull() || !file_.ReadAll(stored.Data(), record.storedSize)) return {};

  CByteArray decoded;
  try {
    decoded = FindCodec(record.codec)->Decode(stored);
  } catch (const Common::CException&) {
    // A "vmqd" block with an empty payload raises; the member is simply not there.
    return {};
  }
  CSharedPtr<CMemoryStream> stream = MakeShared<CMemoryStream>(decoded, kGenericRead,
                                                              CMemoryStream::kFixed);
  if (stream->IsClosed()) return {};
  return stream;
}

CSharedPtr<CStream> CArchive::OpenStored(const std::string& extension, const std::string& title) {
  auto group = extensions_.find(extension);
  if (group == extensions_.end()) return {};
  auto found = group->second.find(title);
  if (found == group->second.end()) return {};
  CSharedPtr<CFileStream> base = MakeShared<CFileStream>("");
  if (!base->Open(1, kGenericRead, kReadShare, file_.GetPath())) return {};
  return CSharedPtr<CStream>(
      MakeShared<CSubStream>(CSharedPtr<CStream>(base), found->second.offset, found->second.storedSize));
}

bool CArchive::IsExcludedPath(const std::string& path, bool anywhere) {
  for (const std::string& fragment : excluded_) {
    if (anywhere ? path.find("\\" + fragment) != std::string::npos : path.compare(0, fragment.size(), fragment) == 0) {
      return true;
    }
  }
  return false;
}

void CArchive::AddExcludedPath(const std::string& fragment) { excluded_.push_back(fragment); }

// ---- the process's archive ----

namespace {
CSharedPtr<CArchive>& ProcessArchive() {
  static CSharedPtr<CArchive> archive;
  return archive;
}
}  // namespace

CSharedPtr<CArchive> GetProcessArchive() {
  CSharedPtr<CArchive>& archive = ProcessArchive();
  if (!archive) archive = MakeShared<CArchive>();
  return archive;
}

void SetProcessArchive(const CSharedPtr<CArchive>& archive) { ProcessArchive() = archive; }

}  // namespace vmqdSDK
