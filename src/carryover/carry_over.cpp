#include "carryover/carry_over.h"

#include <algorithm>
#include <exception>
#include <sstream>
#include <utility>
#include <vector>

#include "archive/archive.h"
#include "carryover/tool_data.h"
#include "foundation/cp932.h"
#include "foundation/error_log.h"
#include "foundation/path.h"
#include "installfolder/install_folder.h"
#include "savedata/new_save.h"
#include "username/name_status.h"

namespace vmqdSDK {
namespace {

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
    const ItemOutcome outcome = ConvertAndWriteItem(*item, out, indent, random, element);
    if (visit) visit(RunItem{*item, outcome, element.Get()});
    const OldNameRow names = FindOldItemName(id);
    switch (outcome) {
      case ItemOutcome::kCarried:
        tally.carried.emplace_back(names.name, NewItemName(id));
        break;
      case ItemOutcome::kRemoved:
        ++tally.removedCount;
        tally.removed.Add(names.row, names.name);
        break;
      case ItemOutcome::kFailed:
        ++tally.failedCount;
        tally.failed.Add(names.row, names.name);
        break;
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
