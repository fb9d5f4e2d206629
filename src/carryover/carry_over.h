// The carry-over run: from the two install folders and a user name to the new save and the run report.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "carryover/item_conversion.h"
#include "carryover/run_failure.h"
#include "carryover/run_report.h"
#include "items/item.h"
#include "savedata/source_save.h"

namespace vmqdSDK {

class CArchive;

// A top-level item as the run has just converted it.
struct RunItem {
  const SourceItem& item;
  ItemOutcome outcome;
  const ItemElement* element;  // the carried item's element; null unless it is carried
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
