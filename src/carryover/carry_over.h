// The carry-over run: from the two install folders and a user name to the new save and the run report.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "carryover/run_report.h"
#include "items/converter.h"
#include "items/item.h"
#include "savedata/source_save.h"

namespace vmqdSDK {

class CArchive;

// Failure codes of a run, fixed numbers that the report shows as "(EL<code>)". Reading the source save
// adds 344–408 (SourceSaveCode), making the new save 468–543 (NewSaveCode).
enum CarryOverCode : int {
  kRunSourceFolder = 311,
  kRunDestinationFolder = 316,
  kRunUserName = 323,
  kRunOutputFolder = 330,
  kRunSaveExists = 336,
};

// The message of a failure code ("" for a code that has none); the folder and name codes add their
// subject themselves.
std::string CarryOverMessage(int code);

// The files, relative to the folder, that make a folder an install folder of each game: the run tests for
// them, the dialog's folder browser accepts a folder that holds them, `hvxfer-cli demo` makes them.
const std::vector<std::string>& SourceGameMarkers();
const std::vector<std::string>& DestinationGameMarkers();
// The source game's save, relative to its install folder (one of its markers).
inline constexpr const char* kSourceSaveFile = "main\\save\\save00.dat";

// Install folders of the two games, recognised by their markers.
bool IsSourceGameFolder(const std::string& folder);
bool IsDestinationGameFolder(const std::string& folder);

// False for a name that could address anything but a file of its own in the save folder: a single-byte
// "\", "/" or ":", a control byte, "." or "..", or a device name of the system.
bool IsSafeSaveFileName(const std::string& userName);

// What the dialog shows beside the user-name field, and whether a run may use the name: the run, the
// dialog and `hvxfer-cli check-name` all decide by this.
struct UserNameStatus {
  enum Kind { kEmpty, kRefused, kNotAFileName, kUsable } kind;
  std::string text;  // the status text (the refusal for kRefused)
  bool IsUsable() const { return kind == kUsable; }
};
UserNameStatus CheckUserNameStatus(const std::string& userName);

// Converts one item and writes its element to `out`: 1 carried, 0 removed (no element), -1 failed. A
// failed item writes nothing.
int ConvertAndWriteItem(const SourceItem& item, std::ostream& out, const std::string& indent, RunRandom& random);

// The names the report gives an item: its old name (null when the name table has no row for the id) and
// its new name (null when no table converts it).
ReportName OldItemName(std::uint32_t id);
ReportName NewItemName(std::uint32_t id);

// A top-level item as the run has just converted it.
struct RunItem {
  const SourceItem& item;
  int result;                  // as ConvertAndWriteItem's
  const ItemElement* element;  // the carried item's element; null unless `result` is 1
};
using RunItemVisitor = std::function<void(const RunItem&)>;

// The run's conversion of a source save's items, in ascending id order (equal ids in read order), which is
// the order of the elements and of the draws, all from one RunRandom from its seed. Carried elements are
// written to `out` at the new save's indent; `visit`, when given, sees each item before it is let go, and
// `items` is left holding none. Returns what the report tells of them.
RunReportInput ConvertInRunOrder(SourceItemList& items, std::ostream& out, const RunItemVisitor& visit = nullptr);

struct CarryOverInput {
  std::string sourceFolder;       // where the source game is installed
  std::string destinationFolder;  // where the destination game is installed
  std::string userName;           // as typed
};

// What a run left: where the new save was written ("" when none was) and how many top-level items were
// carried, removed and failed, as its report counts them.
struct RunSummary {
  std::string newSave;
  std::uint32_t carried = 0, removed = 0, failed = 0;
};

// One run. The report is rewritten at `reportPath`; the templates come from `archive`, the tables and
// lists are the process's. True only when the new save was written and no item failed; never raises.
// `summary`, when given, receives what the run left.
bool RunCarryOver(const CarryOverInput& input, const std::string& reportPath, CArchive& archive,
                  RunSummary* summary = nullptr);
// The same with the tool's own report path and the process's archive.
bool RunCarryOver(const CarryOverInput& input);

}  // namespace vmqdSDK
