// Files on disk for the carry-over tests: whole files by core path (CP932, "\" separators), a tool
// archive written with the test writers, and the three folders of a run (the tool's, the source game's
// install, the destination game's install).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "items/item.h"
#include "savedata/source_save.h"
#include "support/temp_folder.h"

namespace hvxfer::test {

using vmqdSDK::test::NativePath;
using vmqdSDK::test::TempFolder;

// Whole files by core path; reading a missing file gives an empty text, writing makes missing folders.
std::string ReadFileBytes(const std::string& cp932);
void WriteFileBytes(const std::string& cp932, const std::string& bytes);
bool PathExists(const std::string& cp932);

// The members of a tool archive "main.cr". Texts are CP932. Absent members are left out of the archive.
struct ToolArchiveSpec {
  struct NameRow {
    std::uint32_t id;
    std::string name;
  };
  struct MappedRow {
    std::uint32_t id;
    std::uint32_t newBaseId;
    std::string newName;
  };
  std::optional<std::string> header = std::string("<save user=\"_UN_\">");
  std::optional<std::string> footer = std::string("\n</save>\n");
  // Ways a template member can be damaged: served as a stream that cannot be read (a stored member whose
  // window runs past the archive's end), or not served at all (the rest).
  enum class Damage { kNone, kWindowBeyondEnd, kUnknownCodec, kEmptyVmqd, kCorruptZlib, kCodedBeyondEnd };
  Damage headerDamage = Damage::kNone;
  Damage footerDamage = Damage::kNone;
  std::vector<NameRow> names;
  std::vector<MappedRow> filter;
  std::vector<MappedRow> fixed;
  // New base ids with a destination equipment row (every range 0..0), so that equipment carries.
  std::vector<std::uint32_t> targetEquip;
  std::optional<std::string> prhChar, prhName, prhWord;
};
std::string BuildToolArchive(const ToolArchiveSpec& contents);

// A "mobcore" item (new base id 1000000 and above): converted without ranges or draws, its element is
// known in advance.
vmqdSDK::SourceItem MobcoreItem(std::uint32_t id, std::int16_t hp);
// Its element as the new save holds it, for a new base id.
std::string MobcoreElement(std::uint32_t baseId, std::int16_t hp);
// A source save image holding the items in the first list.
vmqdSDK::SourceSaveImage SaveWithList(const std::vector<vmqdSDK::SourceItem>& items);

// A tool folder with "main.cr" loaded as the process's tool data, a source install folder (without its
// save) and a destination install folder, each with its marker files.
class RunFolders {
 public:
  explicit RunFolders(const ToolArchiveSpec& contents = {});

  const std::string& Tool() const { return tool_; }
  const std::string& Source() const { return source_; }
  const std::string& Destination() const { return destination_; }
  std::string ReportPath() const { return tool_ + "log.txt"; }
  std::string SavePath(const std::string& userName) const { return destination_ + "save\\" + userName + ".sav"; }

  void WriteSourceSave(const vmqdSDK::SourceSaveImage& image);
  void WriteSourceSaveBytes(const std::string& bytes);
  // A run with the given inputs (the folders default to the two install folders).
  bool Run(const std::string& userName, std::optional<std::string> source = std::nullopt,
           std::optional<std::string> destination = std::nullopt);
  std::string Report() const { return ReadFileBytes(ReportPath()); }
  // The new save's declaration and document; empty when there is no such file or it does not decode.
  std::string NewSave(const std::string& userName) const;

 private:
  TempFolder temp_;
  std::string tool_, source_, destination_;
};

}  // namespace hvxfer::test
