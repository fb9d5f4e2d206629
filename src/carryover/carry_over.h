// The carry-over run: from the two install folders and a user name to the new save and the run report.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "carryover/item_conversion.h"
#include "carryover/run_report.h"
#include "foundation/text_buffer.h"
#include "items/item.h"
#include "savedata/source_save.h"

namespace vmqdSDK {

class CArchive;

// The indent of the items' elements in the new save.
inline constexpr const char* kRunItemIndent = "\t\t";

// A top-level item as the run has just converted it.
struct RunItem {
  const SourceRecordView& record;
  ItemOutcome outcome;
};
using RunItemVisitor = std::function<void(const RunItem&)>;

// The run's conversion of a source save's items: their places sorted by id, ascending, equal ids in read
// order, which is the order of the elements and of the draws, all from one RunRandom from its seed. Each
// record is converted where it lies and its element handed to `sink` (a failed item's is dropped again);
// `visit`, when given, sees each item once it is converted. Returns what the report tells of them.
RunReportInput ConvertInRunOrder(SourceSaveItems& items, ItemSink& sink, const RunItemVisitor& visit = nullptr);

// The run's item text: kNewSaveFrontRoom bytes of room for the new save's own, then the elements of the
// items as ConvertInRunOrder converts them, written into room made for the text at once. Returns what the
// report tells of the items.
RunReportInput WriteRunItemText(SourceSaveItems& items, CTextBuffer& text);

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
