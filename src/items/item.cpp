#include "items/item.h"

#include <algorithm>
#include <charconv>

#include "foundation/coding.h"

namespace vmqdSDK {

namespace {

// Nested records that a writer or converter will follow; the reader stops far earlier. Only a tree built
// in memory (possibly with a cycle) can reach it.
constexpr int kMaxWriteDepth = 1024;

void FlagsAt(const std::uint8_t* p, std::uint32_t (&flags)[kTuneSlotCount]) {
  for (int i = 0; i < kTuneSlotCount; ++i) flags[i] = DecodeFixed32(p + 4 * i);
}

void GroupAt(const std::uint8_t* p, std::int16_t (&group)[kParamCount]) {
  for (int i = 0; i < kParamCount; ++i) group[i] = static_cast<std::int16_t>(DecodeFixed16(p + 2 * i));
}

// The fixed parts of a record, each read in one go: a record is mostly these, and a save holds many.
constexpr std::uint32_t kHeadSize = 4 + 4 + 4 + 2 + 5 + 5 + 4 * kTuneSlotCount * 2;
constexpr std::uint32_t kGroupsSize = 2 * kParamCount * 3;

// `depth` counts the levels below the top-level item.
bool ReadRecord(CStream& in, SourceItem& item, int depth) {
  std::uint8_t head[kHeadSize];
  if (!in.ReadAll(head, kHeadSize)) return false;
  item.id = DecodeFixed32(head);
  item.durabilityValue = DecodeFixed32(head + 4);
  item.spareWord = DecodeFixed32(head + 8);
  item.gradeValue = static_cast<std::int16_t>(DecodeFixed16(head + 12));
  // head[14..18] are not used by anything.
  std::copy(head + 19, head + 24, item.spareBytes);
  std::uint32_t discardedFlags[kTuneSlotCount];
  FlagsAt(head + 24, discardedFlags);
  FlagsAt(head + 44, item.tuneSlotFlags);

  // The second slot set holds records that must be read to find what follows them, and nothing more.
  CSharedPtr<SourceItem> scratch;
  for (int i = 0; i < kTuneSlotCount; ++i) {
    if (discardedFlags[i] == 0) continue;
    if (depth >= kMaxNestingDepth) return false;
    if (!scratch) scratch = MakeShared<SourceItem>();
    if (!ReadRecord(in, *scratch, depth + 1)) return false;
  }
  scratch.Release();

  for (int i = 0; i < kTuneSlotCount; ++i) {
    if (item.tuneSlotFlags[i] == 0) {
      item.tuneSlots[i].Release();
      continue;
    }
    if (depth >= kMaxNestingDepth) return false;
    item.tuneSlots[i] = MakeShared<SourceItem>();
    if (!ReadRecord(in, *item.tuneSlots[i], depth + 1)) return false;
  }
  std::uint8_t groups[kGroupsSize];
  if (!in.ReadAll(groups, kGroupsSize)) return false;
  GroupAt(groups, item.status);
  GroupAt(groups + 2 * kParamCount, item.attribute);
  GroupAt(groups + 4 * kParamCount, item.mob);
  return true;
}

bool WriteGroup(CStream& out, const std::int16_t (&group)[kParamCount]) {
  std::uint8_t b[2 * kParamCount];
  for (int i = 0; i < kParamCount; ++i) EncodeFixed16(b + 2 * i, static_cast<std::uint16_t>(group[i]));
  return out.WriteAll(b, sizeof b);
}

bool WriteRecord(CStream& out, const SourceRecord& record, int depth) {
  if (depth > kMaxWriteDepth) return false;
  const SourceItem& item = record.item;
  std::uint8_t head[kHeadSize];
  std::uint8_t* p = head;
  EncodeFixed32(p, item.id);
  EncodeFixed32(p + 4, item.durabilityValue);
  EncodeFixed32(p + 8, item.spareWord);
  EncodeFixed16(p + 12, static_cast<std::uint16_t>(item.gradeValue));
  p += 14;
  for (int i = 0; i < 5; ++i) *p++ = record.skippedBytes[i];
  for (int i = 0; i < 5; ++i) *p++ = item.spareBytes[i];
  for (int i = 0; i < kTuneSlotCount; ++i, p += 4) EncodeFixed32(p, record.discardedFlags[i]);
  for (int i = 0; i < kTuneSlotCount; ++i, p += 4) EncodeFixed32(p, item.tuneSlotFlags[i]);
  if (!out.WriteAll(head, sizeof head)) return false;
  for (int i = 0; i < kTuneSlotCount; ++i) {
    if (record.discardedFlags[i] == 0) continue;
    if (!record.discarded[i] || !WriteRecord(out, *record.discarded[i], depth + 1)) return false;
  }
  for (int i = 0; i < kTuneSlotCount; ++i) {
    if (item.tuneSlotFlags[i] == 0) continue;
    if (!record.nested[i] || !WriteRecord(out, *record.nested[i], depth + 1)) return false;
  }
  return WriteGroup(out, item.status) && WriteGroup(out, item.attribute) && WriteGroup(out, item.mob);
}

CSharedPtr<SourceRecord> RecordOfAt(const SourceItem& item, int depth) {
  if (depth > kMaxWriteDepth) return {};
  CSharedPtr<SourceRecord> record = MakeShared<SourceRecord>();
  record->item = item;
  for (int i = 0; i < kTuneSlotCount; ++i) {
    record->item.tuneSlots[i].Release();
    if (item.tuneSlots[i]) record->nested[i] = RecordOfAt(*item.tuneSlots[i], depth + 1);
  }
  return record;
}

}  // namespace

bool ReadSourceItem(CStream& in, SourceItem& item) { return ReadRecord(in, item, 0); }

CSharedPtr<SourceRecord> RecordOf(const SourceItem& item) { return RecordOfAt(item, 0); }

bool WriteSourceRecord(CStream& out, const SourceRecord& record) { return WriteRecord(out, record, 0); }

namespace item_text {

// std::to_chars writes what "%d" / "%u" / "%lu" write, without the cost of a format string per number:
// an item has some forty numbers and a run may convert hundreds of thousands of items.
void AppendNumber(std::string& text, std::int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text.append(digits, end);
}

std::string Number(std::int64_t value) {
  std::string text;
  AppendNumber(text, value);
  return text;
}

namespace {

// 16-bit numbers joined by ':', written straight into their text: one allocation, no appends.
std::string Joined(const std::int16_t* values, std::size_t count) {
  constexpr std::size_t kWidest = 7;  // "-32768" and a separator
  std::string text(count * kWidest, '\0');
  char* at = text.data();
  char* const end = at + text.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) *at++ = ':';
    at = std::to_chars(at, end, values[i]).ptr;
  }
  text.resize(static_cast<std::size_t>(at - text.data()));
  return text;
}

}  // namespace

std::string Group(const std::int16_t values[kParamCount]) { return Joined(values, kParamCount); }

std::string Durability(std::uint16_t value) {
  char digits[12];
  char* at = std::to_chars(digits, digits + 5, value).ptr;
  const std::size_t n = static_cast<std::size_t>(at - digits);
  *at++ = '/';
  at = std::copy(digits, digits + n, at);
  return std::string(digits, at);
}

std::string Potential(const std::vector<std::int16_t>& grades) { return Joined(grades.data(), grades.size()); }

}  // namespace item_text

namespace {
const char* const kTuneSlotName = "tuneslot";
const char* const kTuneSlotIndex = "index";
}  // namespace

CSharedPtr<ItemElement> NewItemElement(std::uint32_t baseId) {
  CSharedPtr<ItemElement> element = MakeShared<ItemElement>("item", false);
  element->AddAttribute("baseid", item_text::Number(baseId));
  return element;
}

void AddTuneSlot(ItemElement& parent, int index, const CSharedPtr<ItemElement>& child) {
  CSharedPtr<ItemElement> slot = MakeShared<ItemElement>(kTuneSlotName, false);
  parent.AddChild(slot);
  slot->AddAttribute(kTuneSlotIndex, item_text::Number(index));
  slot->AddChild(child);
}

const ItemElement* TuneSlotChild(const ItemElement& parent, int index) {
  const std::string indexText = item_text::Number(index);
  for (const CSharedPtr<ItemElement>& slot : parent.GetChildren()) {
    const std::string* at = slot->FindAttribute(kTuneSlotIndex);
    if (slot->GetName() == kTuneSlotName && at != nullptr && *at == indexText && !slot->GetChildren().empty())
      return slot->GetChildren().front().Get();
  }
  return nullptr;
}

}  // namespace vmqdSDK
