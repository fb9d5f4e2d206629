#include "items/item.h"

#include <charconv>

namespace vmqdSDK {

namespace {

// Nested records that a writer or converter will follow; the reader stops far earlier. Only a tree built
// in memory (possibly with a cycle) can reach it.
constexpr int kMaxWriteDepth = 1024;

std::uint16_t U16At(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t U32At(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool ReadU32Field(CStream& in, std::uint32_t& v) {
  std::uint8_t b[4];
  if (!in.ReadAll(b, 4)) return false;
  v = U32At(b);
  return true;
}

bool ReadFlags(CStream& in, std::uint32_t (&flags)[kTuneSlotCount]) {
  std::uint8_t b[4 * kTuneSlotCount];
  if (!in.ReadAll(b, sizeof b)) return false;
  for (int i = 0; i < kTuneSlotCount; ++i) flags[i] = U32At(b + 4 * i);
  return true;
}

bool ReadGroup(CStream& in, std::int16_t (&group)[kParamCount]) {
  std::uint8_t b[2 * kParamCount];
  if (!in.ReadAll(b, sizeof b)) return false;
  for (int i = 0; i < kParamCount; ++i) group[i] = static_cast<std::int16_t>(U16At(b + 2 * i));
  return true;
}

// `depth` counts the levels below the top-level item.
bool ReadRecord(CStream& in, SourceItem& item, int depth) {
  std::uint8_t b[5];
  if (!ReadU32Field(in, item.id) || !ReadU32Field(in, item.durabilityValue) || !ReadU32Field(in, item.spareWord)) {
    return false;
  }
  if (!in.ReadAll(b, 2)) return false;
  item.gradeValue = static_cast<std::int16_t>(U16At(b));
  if (!in.ReadAll(b, 5)) return false;  // not used by anything
  if (!in.ReadAll(item.spareBytes, sizeof item.spareBytes)) return false;
  std::uint32_t discardedFlags[kTuneSlotCount];
  if (!ReadFlags(in, discardedFlags) || !ReadFlags(in, item.tuneSlotFlags)) return false;

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
  return ReadGroup(in, item.status) && ReadGroup(in, item.attribute) && ReadGroup(in, item.mob);
}

void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool WriteGroup(CStream& out, const std::int16_t (&group)[kParamCount]) {
  std::uint8_t b[2 * kParamCount];
  for (int i = 0; i < kParamCount; ++i) PutU16(b + 2 * i, static_cast<std::uint16_t>(group[i]));
  return out.WriteAll(b, sizeof b);
}

bool WriteRecord(CStream& out, const SourceRecord& record, int depth) {
  if (depth > kMaxWriteDepth) return false;
  const SourceItem& item = record.item;
  std::uint8_t head[4 + 4 + 4 + 2 + 5 + 5 + 20 + 20];
  std::uint8_t* p = head;
  PutU32(p, item.id);
  PutU32(p + 4, item.durabilityValue);
  PutU32(p + 8, item.spareWord);
  PutU16(p + 12, static_cast<std::uint16_t>(item.gradeValue));
  p += 14;
  for (int i = 0; i < 5; ++i) *p++ = record.skippedBytes[i];
  for (int i = 0; i < 5; ++i) *p++ = item.spareBytes[i];
  for (int i = 0; i < kTuneSlotCount; ++i, p += 4) PutU32(p, record.discardedFlags[i]);
  for (int i = 0; i < kTuneSlotCount; ++i, p += 4) PutU32(p, item.tuneSlotFlags[i]);
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

std::string Group(const std::int16_t values[kParamCount]) {
  std::string text;
  text.reserve(6 * 7);
  for (int i = 0; i < kParamCount; ++i) {
    if (i != 0) text += ':';
    AppendNumber(text, values[i]);
  }
  return text;
}

std::string Durability(std::uint16_t value) {
  std::string text = Number(value);
  text += '/';
  AppendNumber(text, value);
  return text;
}

std::string Potential(const std::vector<std::int16_t>& grades) {
  std::string text;
  text.reserve(grades.size() * 5);
  for (std::size_t i = 0; i < grades.size(); ++i) {
    if (i != 0) text += ':';
    AppendNumber(text, grades[i]);
  }
  return text;
}

}  // namespace item_text

CSharedPtr<ItemElement> NewItemElement(std::uint32_t baseId) {
  CSharedPtr<ItemElement> element = MakeShared<ItemElement>("item", false);
  element->AddAttribute("baseid", item_text::Number(baseId));
  return element;
}

void AddTuneSlot(ItemElement& parent, int index, const CSharedPtr<ItemElement>& child) {
  CSharedPtr<ItemElement> slot = MakeShared<ItemElement>("tuneslot", false);
  parent.AddChild(slot);
  slot->AddAttribute("index", item_text::Number(index));
  slot->AddChild(child);
}

}  // namespace vmqdSDK
