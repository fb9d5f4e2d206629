#include "carryover/preview.h"

#include <utility>

#include "carryover/carry_over.h"
#include "carryover/run_failure.h"
#include "foundation/path.h"
#include "installfolder/install_folder.h"
#include "items/item.h"
#include "savedata/source_save.h"

namespace vmqdSDK {
namespace {

std::string AttributeText(const ItemElement& element, const char* name) {
  const std::string* value = element.FindAttribute(name);
  return value != nullptr ? *value : std::string();
}

// `element` is the item's own when it is carried.
void AddItem(const SourceRecordView& item, int depth, ItemOutcome outcome, const ItemElement* element,
             CarryOverPreview& preview) {
  const std::uint32_t id = item.values.id;
  PreviewItem row;
  row.depth = depth;
  row.sourceId = id;
  row.oldName = OldItemName(id);
  row.outcome = outcome;
  if (outcome == ItemOutcome::kCarried) {
    row.newBaseId = AttributeText(*element, "baseid");
    row.category = AttributeText(*element, "category");
    row.newName = NewItemName(id);
  }
  preview.items.push_back(std::move(row));
  for (int i = 0; i < kTuneSlotCount; ++i) {
    SourceRecordView slotItem;
    if (!ViewTuneSlot(item, i, slotItem)) continue;
    if (outcome != ItemOutcome::kCarried) {
      AddItem(slotItem, depth + 1, outcome, nullptr, preview);
    } else {
      const ItemElement* child = TuneSlotChild(*element, i);
      AddItem(slotItem, depth + 1, child != nullptr ? ItemOutcome::kCarried : ItemOutcome::kRemoved, child,
              preview);
    }
  }
}

}  // namespace

int PreviewCarryOver(const std::string& sourceFolder, CarryOverPreview& preview, std::string& errorLine) {
  preview = CarryOverPreview{};
  errorLine.clear();
  const std::string source = NormalizeFolderPath(sourceFolder);
  if (!IsSourceGameFolder(source)) {
    errorLine = RunReportErrorLine(kRunSourceFolder, source + CarryOverMessage(kRunSourceFolder));
    return kRunSourceFolder;
  }
  SourceSaveItems items;
  if (int code = ReadSourceSaveItems(source + kSourceSaveFile, items)) {
    errorLine = RunReportErrorLine(code, CarryOverMessage(code));
    return code;
  }
  // The run's conversion, with the elements built to be looked at rather than written.
  ItemElementBuilder elements;
  const RunReportInput tally = ConvertInRunOrder(items, elements, [&](const RunItem& converted) {
    const CSharedPtr<ItemElement> element = elements.Take();
    AddItem(converted.record, 0, converted.outcome, element.Get(), preview);
  });
  preview.carried = static_cast<std::uint32_t>(tally.carried.size());
  preview.removed = tally.removedCount;
  preview.failed = tally.failedCount;
  return 0;
}

}  // namespace vmqdSDK
