// An item in its two forms: the record as the source save stores it, and the "item" element that the
// new save carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/shared.h"
#include "archive/stream.h"
#include "xml/xml.h"

namespace vmqdSDK {

inline constexpr int kTuneSlotCount = 5;
inline constexpr int kParamCount = 6;
// Records nested deeper than this below a top-level item are refused: the format sets no limit, the
// reader's stack does.
inline constexpr int kMaxNestingDepth = 64;

struct SourceItem {
  std::uint32_t id = 0;
  std::uint32_t durabilityValue = 0;
  std::uint32_t spareWord = 0;
  std::int16_t gradeValue = 0;
  std::uint8_t spareBytes[5] = {};
  std::uint32_t tuneSlotFlags[kTuneSlotCount] = {};
  CSharedPtr<SourceItem> tuneSlots[kTuneSlotCount];
  std::int16_t status[kParamCount] = {};
  std::int16_t attribute[kParamCount] = {};
  std::int16_t mob[kParamCount] = {};
};

// Fills `item` from one record with all its nested records. False at the first short read at any depth,
// or for nesting deeper than kMaxNestingDepth; the item is then partly filled and must be dropped.
bool ReadSourceItem(CStream& in, SourceItem& item);

// One record as stored, including what the reader throws away; for writing records (tests, sample
// saves). `item.tuneSlots` are not used: the nested records come from `nested`.
struct SourceRecord {
  SourceItem item;
  std::uint8_t skippedBytes[5] = {};
  // Second slot set: written where the flag is non-zero (any value), read back and thrown away.
  std::uint32_t discardedFlags[kTuneSlotCount] = {};
  CSharedPtr<SourceRecord> discarded[kTuneSlotCount];
  // Written where item.tuneSlotFlags[i] is non-zero.
  CSharedPtr<SourceRecord> nested[kTuneSlotCount];
};

// The item in tune slot `index` of `item`: null unless its flag marks the slot filled and an item is there.
inline const SourceItem* FilledTuneSlot(const SourceItem& item, int index) {
  return item.tuneSlotFlags[index] != 0 ? item.tuneSlots[index].Get() : nullptr;
}

// A record tree built from an item and its tune slots, with nothing in the discarded set.
CSharedPtr<SourceRecord> RecordOf(const SourceItem& item);

// Writes a record with its nested records. False when a write fails or a set flag has no record.
bool WriteSourceRecord(CStream& out, const SourceRecord& record);

// The new save's form of an item: an XmlElement named "item" with "tuneslot" children.
using ItemElement = XmlElement;

namespace item_text {
// Decimal, as "%d" or "%u" writes it.
std::string Number(std::int64_t value);
void AppendNumber(std::string& text, std::int64_t value);
// "%d:%d:%d:%d:%d:%d"
std::string Group(const std::int16_t values[kParamCount]);
// Current and maximum durability, "%d/%d" of the same value.
std::string Durability(std::uint16_t value);
// The grades joined by ":".
std::string Potential(const std::vector<std::int16_t>& grades);
}  // namespace item_text

// An "item" element holding only "baseid".
CSharedPtr<ItemElement> NewItemElement(std::uint32_t baseId);
// Adds a "tuneslot" element with "index" under `parent` and `child` under it.
void AddTuneSlot(ItemElement& parent, int index, const CSharedPtr<ItemElement>& child);
// The item that AddTuneSlot put under `parent` for `index`, or null.
const ItemElement* TuneSlotChild(const ItemElement& parent, int index);

}  // namespace vmqdSDK
