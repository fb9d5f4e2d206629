// One item of a run: converted and written to the item text, what became of it, and the names the report
// gives it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "archive/shared.h"
#include "carryover/run_report.h"
#include "items/converter.h"
#include "items/item.h"

namespace vmqdSDK {

enum class ItemOutcome {
  kCarried,  // its element is in the item text
  kRemoved,  // no table converts it; nothing is written
  kFailed,   // it could not be converted or written; nothing is written
};

// Converts one item and writes its element to `out` at `indent`, drawing from `random`. The element goes
// to `out` only once it is whole, so a failed item leaves no trace.
ItemOutcome ConvertAndWriteItem(const SourceItem& item, std::ostream& out, const std::string& indent,
                                RunRandom& random);
// The same, handing a carried item's element back in `element`.
ItemOutcome ConvertAndWriteItem(const SourceItem& item, std::ostream& out, const std::string& indent,
                                RunRandom& random, CSharedPtr<ItemElement>& element);

// The run's way: a record converted where it lies, its element handed to `sink`; what a failed item handed
// over is dropped again.
ItemOutcome ConvertRecordInto(const SourceRecordView& record, ItemSink& sink, RunRandom& random);
// The same, with the text writer's calls made directly.
ItemOutcome ConvertRecordInto(const SourceRecordView& record, ItemTextWriter& sink, RunRandom& random);

// An item's old name and the position of its row in the name table, which is how the report tallies it
// (NameTally::kAbsent and null when the table has no row for the id).
struct OldNameRow {
  std::int64_t row = NameTally::kAbsent;
  ReportName name = nullptr;
};
OldNameRow FindOldItemName(std::uint32_t id);

// The names the report gives an item: its old name (null when the name table has no row for the id) and
// its new name (null when no table converts it).
ReportName OldItemName(std::uint32_t id);
ReportName NewItemName(std::uint32_t id);

}  // namespace vmqdSDK
