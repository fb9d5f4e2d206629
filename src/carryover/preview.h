// What a run would make of the source save, with nothing written: the run's own folder check, reading,
// order and conversion, stopped before the new save.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "carryover/item_conversion.h"
#include "carryover/run_report.h"

namespace vmqdSDK {

struct PreviewItem {
  int depth = 0;  // 0 for a top-level item, 1 for an item in one of its tune slots, and so on
  std::uint32_t sourceId = 0;
  ReportName oldName = nullptr;  // null when the name table has no row
  ItemOutcome outcome = ItemOutcome::kRemoved;
  // A carried item's: its element's base id and category texts and the name the report gives it.
  std::string newBaseId;
  std::string category;
  ReportName newName = nullptr;
};

struct CarryOverPreview {
  // In the run's order, each item followed by the items of its tune slots (slot order, depth first). An
  // item in a slot shares the outcome of an item above it that is not carried; under a carried one it is
  // carried when its element is in the slot, else removed.
  std::vector<PreviewItem> items;
  // Top-level items only, as the report counts them.
  std::uint32_t carried = 0, removed = 0, failed = 0;
};

// Checks the source install folder and reads its save as a run does. 0 with the preview; or the run's
// failure code with the report's error line for it (ending in "\n") in `errorLine`.
int PreviewCarryOver(const std::string& sourceFolder, CarryOverPreview& preview, std::string& errorLine);

}  // namespace vmqdSDK
