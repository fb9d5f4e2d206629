#include "carryover/preview.h"

#include <ostream>
#include <streambuf>
#include <utility>

#include "carryover/carry_over.h"
#include "foundation/path.h"
#include "installfolder/install_folder.h"
#include "items/item.h"
#include "savedata/source_save.h"

namespace vmqdSDK {
namespace {

// Takes the item text and keeps none of it: the elements are looked at, not written.
class DiscardBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

std::string AttributeText(const ItemElement& element, const char* name) {
  const std::string* value = element.FindAttribute(name);
  return value != nullptr ? *value : std::string();
}

// `element` is the item's own when it is carried.
void AddItem(const SourceItem& item, int depth, ItemOutcome outcome, const ItemElement* element,
             CarryOverPreview& preview) {
  PreviewItem row;
  row.depth = depth;
  row.sourceId = item.id;
  row.oldName = OldItemName(item.id);
  row.outcome = outcome;
  if (outcome == ItemOutcome::kCarried) {
    row.newBaseId = AttributeText(*element, "baseid");
    row.category = AttributeText(*element, "category");
    row.newName = NewItemName(item.id);
  }
  preview.items.push_back(std::move(row));
  for (int i = 0; i < kTuneSlotCount; ++i) {
    const SourceItem* slotItem = FilledTuneSlot(item, i);
    if (slotItem == nullptr) continue;
    if (outcome != ItemOutcome::kCarried) {
      AddItem(*slotItem, depth + 1, outcome, nullptr, preview);
    } else {
      const ItemElement* child = TuneSlotChild(*element, i);
      AddItem(*slotItem, depth + 1, child != nullptr ? ItemOutcome::kCarried : ItemOutcome::kRemoved, child,
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
  SourceItemList items;
  if (int code = ReadSourceSave(source + kSourceSaveFile, items)) {
    errorLine = RunReportErrorLine(code, CarryOverMessage(code));
    return code;
  }
  DiscardBuffer discard;
  std::ostream text(&discard);
  const RunReportInput tally = ConvertInRunOrder(items, text, [&preview](const RunItem& converted) {
    AddItem(converted.item, 0, converted.outcome, converted.element, preview);
  });
  preview.carried = static_cast<std::uint32_t>(tally.carried.size());
  preview.removed = tally.removedCount;
  preview.failed = tally.failedCount;
  return 0;
}

}  // namespace vmqdSDK
