#include "carryover/carry_over.h"

#include <algorithm>
#include <exception>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/archive.h"
#include "carryover/run_report.h"
#include "carryover/tool_data.h"
#include "foundation/cp932.h"
#include "foundation/error_log.h"
#include "foundation/path.h"
#include "foundation/text.h"
#include "items/tables.h"
#include "savedata/new_save.h"
#include "savedata/source_save.h"
#include "username/user_name.h"

namespace vmqdSDK {
namespace {

bool HasAll(const std::string& folder, const std::vector<std::string>& markers) {
  const std::string normalized = NormalizeFolderPath(folder);
  if (!DirectoryExists(normalized)) return false;
  for (const std::string& marker : markers)
    if (!FileExists(normalized + marker)) return false;
  return true;
}

bool SameAsciiIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// The system opens its devices under these names whatever follows the first dot, so "NUL.sav" or
// "COM1.sav" would never be a file.
bool IsDeviceName(const std::string& fileName) {
  std::string base = fileName.substr(0, fileName.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2",  "COM3",   "COM4",
                                         "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1",  "LPT2",   "LPT3",
                                         "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",  "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (SameAsciiIgnoringCase(base, device)) return true;
  return false;
}

// Where the old and new names of an item stand in the tables.
struct ItemNames {
  std::int64_t row = NameTally::kAbsent;
  ReportName oldName = nullptr;
};

ItemNames OldNameOf(std::uint32_t id) {
  ItemNames names;
  if (const NameRow* row = GetNameTable().Find(id)) {
    names.row = row->index;
    names.oldName = &row->name;
  }
  return names;
}

ReportName NewNameOf(std::uint32_t id) {
  if (const FilterRow* row = GetFilterTable().Find(id)) return &row->newName;
  if (const FixedRow* row = GetFixedTable().Find(id)) return &row->newName;
  return nullptr;
}

// Text room reserved for the items of a save; more than this grows as it is written.
constexpr std::size_t kReservedBytesPerItem = 320;
constexpr std::size_t kReservedItems = 1u << 20;

class Run {
 public:
  Run(const CarryOverInput& input, const std::string& reportPath, CArchive& archive)
      : input_(input), report_(reportPath), archive_(archive) {}

  bool Execute() {
    const std::string source = NormalizeFolderPath(input_.sourceFolder);
    if (!IsSourceGameFolder(source)) return Fail(kRunSourceFolder, source + CarryOverMessage(kRunSourceFolder));
    const std::string destination = NormalizeFolderPath(input_.destinationFolder);
    if (!IsDestinationGameFolder(destination))
      return Fail(kRunDestinationFolder, destination + CarryOverMessage(kRunDestinationFolder));

    const std::string& name = input_.userName;
    if (!CheckUserNameStatus(name).IsUsable()) return Fail(kRunUserName);

    const std::string outputFolder = destination + "save\\";
    if (!DirectoryExists(outputFolder) &&
        !EnsureDirectoryPath(NormalizeFolderPath(outputFolder), kAttributeNormal))
      return Fail(kRunOutputFolder);
    const std::string outputFile = outputFolder + name + ".sav";
    RemoveUnfinishedNewSaves(outputFile);
    if (FileExists(outputFile))
      return Fail(kRunSaveExists, Sjis("ユーザー名 ") + "\"" + name + "\"" + CarryOverMessage(kRunSaveExists));

    SourceItemList items;
    if (int code = ReadSourceSave(source + kSourceSaveFile, items)) return Fail(code);

    // The new save is made around the item text where it lies: a large save is held as few times at once
    // as can be.
    std::string itemText = ConvertItems(items);
    SourceItemList().swap(items);
    platform::ReturnFreedMemory();
    CByteArray encoded;
    if (int code = EncodeNewSaveAroundItems(archive_, name, itemText, encoded)) return Fail(code);
    if (int code = WriteNewSaveFile(outputFile, encoded)) return Fail(code);
    newSave_ = outputFile;

    report_.Write(RunReportBody(tally_));
    return tally_.failed.IsEmpty();
  }

 private:
  bool Fail(int code, const std::string& message) {
    report_.Write(RunReportErrorLine(code, message));
    return false;
  }
  bool Fail(int code) { return Fail(code, CarryOverMessage(code)); }

  std::string ConvertItems(SourceItemList& items) {
    // The text goes into room reserved for it at once, rather than being copied at every doubling; room
    // that is never written is never touched. An item, with what is usually nested in it, writes about 200
    // bytes. In front of the items the new save's own room.
    std::string room;
    room.reserve(kNewSaveFrontRoom + std::min<std::size_t>(items.size(), kReservedItems) * kReservedBytesPerItem);
    room.assign(kNewSaveFrontRoom, ' ');
    std::ostringstream itemText(std::move(room), std::ios::ate);
    tally_ = ConvertInRunOrder(items, itemText);
    return std::move(itemText).str();  // the text itself, not a copy of it
  }

 public:
  RunSummary Summary() const {
    return {newSave_, static_cast<std::uint32_t>(tally_.carried.size()), tally_.removedCount, tally_.failedCount};
  }

 private:
  const CarryOverInput& input_;
  CRunReport report_;
  CArchive& archive_;
  RunReportInput tally_;
  std::string newSave_;
};

}  // namespace

std::string CarryOverMessage(int code) {
  switch (code) {
    case kRunSourceFolder: return Sjis(" は引継ぎ元として有効なフォルダではありません。");
    case kRunDestinationFolder: return Sjis(" は引継ぎ先として有効なフォルダではありません。");
    case kRunUserName: return Sjis("ユーザー名が不正");
    case kRunOutputFolder: return Sjis("出力先フォルダの検出に失敗");
    case kRunSaveExists: return Sjis(" は出力先に既に存在します。");
    case kSourceSaveOpen: return Sjis("ファイルオープン失敗");
    case kSourceSaveRead: return Sjis("読み込み失敗");
    case kSourceSaveInvalid: return Sjis("無効なファイル");
    case kSourceSaveInflate: return Sjis("無効なファイル");
    case kSourceSaveMemory: return Sjis("メモリエラー");
    case kSourceSaveSeek: return Sjis("シーク失敗");
    case kSourceSaveSlotFlag:
    case kSourceSaveSlotItem:
    case kSourceSaveCount:
    case kSourceSaveListItem: return Sjis("読み込み失敗");
    case kNewSaveHeaderMissing: return Sjis("ファイルオープン失敗");
    case kNewSaveHeaderRead: return Sjis("読み込み失敗");
    case kNewSaveHeaderWrite:
    case kNewSaveItemsWrite: return Sjis("書き込み失敗");
    case kNewSaveFooterMissing: return Sjis("読み込み失敗");
    case kNewSaveFooterCopy: return Sjis("書き込み失敗");
    case kNewSaveDocument:
    case kNewSaveScramble:
    case kNewSaveDeflate: return Sjis("データ処理失敗");
    case kNewSaveCreate: return Sjis("ファイル作成失敗");
    case kNewSaveWrite: return Sjis("書き込み失敗");
    default: return {};
  }
}

const std::vector<std::string>& SourceGameMarkers() {
  static const std::vector<std::string> markers = {"setting.exe", "halvor.exe", kSourceSaveFile};
  return markers;
}

const std::vector<std::string>& DestinationGameMarkers() {
  static const std::vector<std::string> markers = {"setting.exe", "cr\\a.cr",   "cr\\b.cr",   "cr\\c.cr",  "cr\\d.cr",
                                                   "cr\\eft.cr",  "cr\\enm.cr", "cr\\hro.cr", "cr\\map.cr"};
  return markers;
}

bool IsSourceGameFolder(const std::string& folder) { return HasAll(folder, SourceGameMarkers()); }
bool IsDestinationGameFolder(const std::string& folder) { return HasAll(folder, DestinationGameMarkers()); }

UserNameStatus CheckUserNameStatus(const std::string& userName) {
  if (userName.empty()) return {UserNameStatus::kEmpty, Sjis("ユーザー名を入力してください。")};
  std::string refusal = CheckUserName(userName);
  if (!refusal.empty()) return {UserNameStatus::kRefused, std::move(refusal)};
  // A name the rules allow but the run could not make a save file of ("..", a device name).
  if (!IsSafeSaveFileName(userName)) return {UserNameStatus::kNotAFileName, UserNameMessage("ne_")};
  return {UserNameStatus::kUsable, Sjis("使用可能な名前です。")};
}

bool IsSafeSaveFileName(const std::string& userName) {
  if (userName == "." || userName == "..") return false;
  bool safe = true;
  ForEachCharacter(userName, [&](size_t i, size_t size) {
    const unsigned char c = static_cast<unsigned char>(userName[i]);
    if (size == 1 && (c < 0x20 || c == '\\' || c == '/' || c == ':')) safe = false;
  });
  return safe && !IsDeviceName(userName);
}

namespace {

// Converts one item and writes its element to `out`, handing the element back in `element`.
int ConvertAndWrite(const SourceItem& item, std::ostream& out, const std::string& indent, RunRandom& random,
                    CSharedPtr<ItemElement>& element) {
  ConvertResult converted;
  try {
    converted = ConvertItem(item, random);
  } catch (const Common::CException& e) {
    LogError(e.what(), "ConvertItem", 0, nullptr);
    return -1;
  }
  if (converted.kind == ConvertResult::kNothing) return 0;
  if (converted.kind != ConvertResult::kElement || converted.element.IsNull()) return -1;
  // The element goes to `out` only once it is whole, so a failed item leaves no trace in the save. One
  // stream serves every item: making a string stream costs more than writing a small element.
  thread_local std::ostringstream text;
  text.str(std::string());
  text.clear();
  if (!converted.element->Write(text, indent)) return -1;
  const std::string written = text.str();
  out.write(written.data(), static_cast<std::streamsize>(written.size()));
  if (out.bad()) return -1;
  element = std::move(converted.element);
  return 1;
}

}  // namespace

int ConvertAndWriteItem(const SourceItem& item, std::ostream& out, const std::string& indent, RunRandom& random) {
  CSharedPtr<ItemElement> element;
  return ConvertAndWrite(item, out, indent, random, element);
}

ReportName OldItemName(std::uint32_t id) { return OldNameOf(id).oldName; }
ReportName NewItemName(std::uint32_t id) { return NewNameOf(id); }

RunReportInput ConvertInRunOrder(SourceItemList& items, std::ostream& out, const RunItemVisitor& visit) {
  // Sorting ids with read positions rather than the items spares following a pointer per comparison.
  std::vector<std::pair<std::uint32_t, std::size_t>> order;
  order.reserve(items.size());
  for (std::size_t at = 0; at < items.size(); ++at) order.emplace_back(items[at]->id, at);
  std::sort(order.begin(), order.end());
  RunRandom random(RunRandom::kSeed);
  const std::string indent = "\t\t";
  RunReportInput tally;
  // Each item is let go once it is written, while it is still at hand.
  for (const auto& [id, at] : order) {
    const CSharedPtr<SourceItem> item = std::move(items[at]);
    CSharedPtr<ItemElement> element;
    const int result = ConvertAndWrite(*item, out, indent, random, element);
    if (visit) visit(RunItem{*item, result, element.Get()});
    if (result == 1) {
      tally.carried.emplace_back(OldNameOf(id).oldName, NewNameOf(id));
    } else {
      const ItemNames names = OldNameOf(id);
      if (result == 0) {
        ++tally.removedCount;
        tally.removed.Add(names.row, names.oldName);
      } else {
        ++tally.failedCount;
        tally.failed.Add(names.row, names.oldName);
      }
    }
  }
  SourceItemList().swap(items);
  return tally;
}

bool RunCarryOver(const CarryOverInput& input, const std::string& reportPath, CArchive& archive,
                  RunSummary* summary) {
  if (summary != nullptr) *summary = RunSummary{};
  try {
    Run run(input, reportPath, archive);
    const bool ok = run.Execute();
    if (summary != nullptr) *summary = run.Summary();
    return ok;
  } catch (const std::exception& e) {
    // Nothing below raises by design; this only keeps a defect from reaching the dialog.
    LogError(e.what(), "exception CatchHandler", 0, nullptr);
  } catch (...) {
    LogError("unknown", "unknown CatchHandler", 0, nullptr);
  }
  return false;
}

bool RunCarryOver(const CarryOverInput& input) {
  return RunCarryOver(input, DefaultReportPath(), *GetProcessArchive());
}

}  // namespace vmqdSDK
