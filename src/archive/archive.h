// The read-only "CRFS" data archive that serves the tool's own data files (tables, lists, templates).
//
// Layout: "CRFS", version word, second word, i32 N, then N bytes of directory coded with "vmqd", then the
// member data. The directory holds extension groups ("." for members without extension), each a table of
// member titles with a 44-byte record naming stored size, offset and codec. Members are found by title and
// extension only; the directory part of a requested path plays no part.
// Format: docs/formats/crfs-archive.md
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "archive/codec.h"
#include "archive/shared.h"
#include "archive/stream.h"

namespace vmqdSDK {

// Something that turns a path into a readable stream.
class CFileSystem {
 public:
  virtual ~CFileSystem() = default;
  // The path of an existing disk file for `path`, or an empty text.
  virtual std::string ResolvePath(const std::string& path) = 0;
  // A stream over the file, or an empty pointer.
  virtual CSharedPtr<CStream> OpenRead(const std::string& path) = 0;
};

// Finds files in registered folders: a request's folder part is looked up in the folder table (key "*"
// catches every request) and each listed folder is tried with the request's file name.
class CDiskFileSystem : public CFileSystem {
 public:
  explicit CDiskFileSystem(char separator = '\\');

  std::string ResolvePath(const std::string& path) override;
  CSharedPtr<CStream> OpenRead(const std::string& path) override;

  // `key` is a folder part as requested ("" for none, "*" for every request); `folder` ends with the
  // separator.
  void AddFolder(const std::string& key, const std::string& folder);
  void ClearFolders();

 private:
  char separator_;
  std::map<std::string, std::vector<std::string>> folders_;
};

// One member's directory record, 44 bytes in the file, read field by field.
struct CArchiveRecord {
  static constexpr std::uint32_t kFileSize = 44;

  std::uint8_t first[8] = {};    // opaque, kept
  std::uint8_t second[20] = {};  // opaque, kept
  std::uint32_t third = 0;       // opaque, kept
  std::uint32_t storedSize = 0;  // bytes the member occupies in the archive file
  std::uint32_t offset = 0;      // of the member's first byte, from the start of the file
  std::uint32_t codec = 0;       // FourCC; 0 is "plain"
};

// Splits a path the way the Windows runtime's _splitpath does and keeps the file title and the extension
// (from the last dot on, dot included). Drive and folders (up to the last "\" or "/") are dropped. An empty
// extension stays empty here; the archive files such members under ".".
void SplitFileTitle(const std::string& path, std::string& title, std::string& extension);

class CArchive : public CFileSystem {
 public:
  static constexpr std::uint32_t kMagic = 0x53465243;  // "CRFS"
  // The header: the magic, the version word, the second word and the i32 length of the directory block.
  static constexpr std::uint32_t kHeaderSize = 16;
  // The version word of a closed archive, and the one CArchiveBuilder writes.
  static constexpr std::uint32_t kClosedVersion = 0x00010000;
  static constexpr std::uint32_t kMaxName = 255;
  static constexpr const char* kNoExtension = ".";

  // Both keyed by plain byte comparison (std::string compares as unsigned char): case-sensitive, a prefix
  // sorts first.
  using TitleTable = std::map<std::string, CArchiveRecord>;
  using ExtensionTable = std::map<std::string, TitleTable>;

  // Closed, with the codecs "plain", "vmqd" and "zlib" registered in that order.
  CArchive();
  ~CArchive() override;
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  // Replaces a codec registered under the same FourCC.
  void RegisterCodec(const CSharedPtr<CCodec>& codec);
  // Empty when no codec is registered under `fourCC`.
  CSharedPtr<CCodec> FindCodec(std::uint32_t fourCC) const;

  // Reads the header and directory; an open archive is closed first. Every failure is written to the error
  // log, the archive ends closed and the result is false.
  bool Open(const std::string& path);
  void Close();

  std::string ResolvePath(const std::string& path) override;
  // The member named by the path's title and extension: stored members as a sub-stream over their own
  // file handle, coded members decoded into a read-only memory stream. A member that is absent, names an
  // unregistered codec, lies beyond the file or cannot be decoded is missing: the disk fallback is tried,
  // which gives an empty pointer unless folders were registered with it.
  CSharedPtr<CStream> OpenRead(const std::string& path) override;
  // As OpenRead, but by the directory's own keys (extension "." for none) and without the disk fallback:
  // empty when the member is missing in the sense above.
  CSharedPtr<CStream> OpenMember(const std::string& extension, const std::string& title);
  // The member's bytes as stored, whatever its codec; keys taken as they are.
  virtual CSharedPtr<CStream> OpenStored(const std::string& extension, const std::string& title);
  // anywhere false: the path begins with an excluded fragment; true: "\" + a fragment occurs in it.
  virtual bool IsExcludedPath(const std::string& path, bool anywhere);

  void AddExcludedPath(const std::string& fragment);
  CDiskFileSystem& GetDiskFileSystem() { return disk_; }

  // What the toolchain lists and checks.
  bool IsOpen() { return !file_.IsClosed(); }
  const std::string& GetPath() const { return file_.GetPath(); }
  std::uint32_t GetVersion() const { return version_; }
  std::uint32_t GetSecondWord() const { return secondWord_; }
  const ExtensionTable& GetExtensions() const { return extensions_; }

 private:
  void ReadDirectory(const std::string& path);
  CSharedPtr<CStream> Fallback(const std::string& path);
  CSharedPtr<CStream> OpenSubStream(const CArchiveRecord& record);
  CSharedPtr<CStream> DecodeMember(const CArchiveRecord& record);

  CFileStream file_;
  std::uint32_t version_ = kClosedVersion;
  std::uint32_t secondWord_ = 0;
  ExtensionTable extensions_;
  CDiskFileSystem disk_;
  std::map<std::uint32_t, CSharedPtr<CCodec>> codecs_;
  std::vector<std::string> excluded_;
};

// The one archive of the process (the dialog and the command-line tool each open "main.cr" into it).
// Never empty: until one is set, a closed archive that serves nothing.
CSharedPtr<CArchive> GetProcessArchive();
void SetProcessArchive(const CSharedPtr<CArchive>& archive);

}  // namespace vmqdSDK
