#include "carryover/carry_over.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#include "archive/archive.h"
#include "carryover/run_failure.h"
#include "carryover/tool_data.h"
#include "foundation/cp932.h"
#include "foundation/error_log.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "foundation/text_buffer.h"
#include "installfolder/install_folder.h"
#include "savedata/new_save.h"
#include "username/name_status.h"

namespace vmqdSDK {
namespace {

// Room reserved for the item text, per byte of item data: an item's text is about one and a half times
// its record. Room never written is never touched, and a text that needs more grows in place.
constexpr std::size_t kReservedTextPerDataByte = 2;

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

    // Large blocks that are let go are handed back to the system at once (ReturnFreedMemory): the
    // allocator may keep them resident in its heap (as glibc does once a first run has raised its
    // threshold for mapping blocks of their own), under what the next step adds.
    SourceSaveItems items;
    if (int code = ReadSourceSaveItems(source + kSourceSaveFile, items)) return Fail(code);
    platform::ReturnFreedMemory();  // the file's bytes and their descrambled copy

    // The items are converted where they lie and their text written once, into room made for it at once
    // behind the new save's own room; the new save is then made around the text where it lies. A large
    // save is held as few times at once as can be: the item data goes before the document is made.
    CTextBuffer text;
    tally_ = WriteRunItemText(items, text);
    items = SourceSaveItems{};
    platform::ReturnFreedMemory();
    CByteArray encoded;
    if (int code = EncodeNewSaveAroundItems(archive_, name, text, encoded)) return Fail(code);
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

namespace {

// Records taken in id order lie far apart in the item data: the records a few places ahead are fetched
// into the cache while one is converted, rather than waited for each in turn.
constexpr std::size_t kFetchAhead = 8;
constexpr std::size_t kFetchedBytes = 192;  // a record with a tune item in one slot, as most are

void FetchRecord(const std::uint8_t* record, std::size_t available) {
#if defined(__GNUC__)
  for (std::size_t line = 0; line < std::min(kFetchedBytes, available); line += 64) __builtin_prefetch(record + line);
#else
  (void)record;
  (void)available;
#endif
}

// The run's order: by id, equal ids in read order. The places are in read order and their starts grow
// with it, so one 64-bit key of id and start sorts them.
std::uint64_t OrderKey(const SourceItemPlace& place) { return std::uint64_t{place.id} << 32 | place.at; }

template <class Sink>
RunReportInput ConvertInOrder(SourceSaveItems& items, Sink& sink, const RunItemVisitor& visit) {
  std::vector<SourceItemPlace>& places = items.places;
  std::sort(places.begin(), places.end(),
            [](const SourceItemPlace& a, const SourceItemPlace& b) { return OrderKey(a) < OrderKey(b); });
  const std::uint8_t* const data = items.data.Data();
  const std::size_t size = items.data.GetCount();
  RunRandom random(RunRandom::kSeed);
  RunReportInput tally;
  for (std::size_t i = 0; i < places.size(); ++i) {
    const SourceItemPlace& place = places[i];
    if (i + kFetchAhead < places.size()) {
      const std::uint32_t ahead = places[i + kFetchAhead].at;
      FetchRecord(data + ahead, size - ahead);
    }
    SourceRecordView record;
    // The places come from the walk that checked every record, so a record is always there to view.
    const ItemOutcome outcome =
        ViewSourceRecord(data, size, place.at, record) ? ConvertRecordInto(record, sink, random) : ItemOutcome::kFailed;
    if (visit) visit(RunItem{record, outcome});
    const OldNameRow names = FindOldItemName(place.id);
    switch (outcome) {
      case ItemOutcome::kCarried:
        tally.carried.emplace_back(names.name, NewItemName(place.id));
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
  return tally;
}

}  // namespace

RunReportInput ConvertInRunOrder(SourceSaveItems& items, ItemSink& sink, const RunItemVisitor& visit) {
  // Text written straight, the run's way, is written with the writer's calls made directly.
  if (auto* text = dynamic_cast<ItemTextWriter*>(&sink)) return ConvertInOrder(items, *text, visit);
  return ConvertInOrder(items, sink, visit);
}

RunReportInput WriteRunItemText(SourceSaveItems& items, CTextBuffer& text) {
  // Should the room not be had at once, the text grows as it is written.
  text.Reserve(kNewSaveFrontRoom + std::size_t{items.data.GetCount()} * kReservedTextPerDataByte);
  if (char* room = text.Room(kNewSaveFrontRoom)) {
    std::memset(room, ' ', kNewSaveFrontRoom);
    text.Commit(kNewSaveFrontRoom);
  }
  ItemTextWriter writer(text, kRunItemIndent);
  return ConvertInRunOrder(items, writer);
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
