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

// A record is a fixed head, the nested records its two slot sets announce, and three fixed groups: the
// head and the groups are each read in one go, since a save holds many records and little else.
constexpr std::uint32_t kHeadSize = 4 + 4 + 4 + 2 + 5 + 5 + 4 * kTuneSlotCount * 2;
constexpr std::uint32_t kGroupsSize = 2 * kParamCount * 3;
static_assert(kHeadSize + kGroupsSize == kSmallestSourceRecord);

// The head's values; `discardedFlags` are the flags of the second slot set, whose records are read to find
// what follows them and nothing more.
void DecodeHead(const std::uint8_t* head, SourceItemValues& item, std::uint32_t (&discardedFlags)[kTuneSlotCount]) {
  item.id = DecodeFixed32(head);
  item.durabilityValue = DecodeFixed32(head + 4);
  item.spareWord = DecodeFixed32(head + 8);
  item.gradeValue = static_cast<std::int16_t>(DecodeFixed16(head + 12));
  // head[14..18] are not used by anything.
  std::copy(head + 19, head + 24, item.spareBytes);
  FlagsAt(head + 24, discardedFlags);
  FlagsAt(head + 44, item.tuneSlotFlags);
}

void DecodeGroups(const std::uint8_t* groups, SourceItemValues& item) {
  GroupAt(groups, item.status);
  GroupAt(groups + 2 * kParamCount, item.attribute);
  GroupAt(groups + 4 * kParamCount, item.mob);
}

// `depth` counts the levels below the top-level item.
bool ReadRecord(CStream& in, SourceItem& item, int depth) {
  std::uint8_t head[kHeadSize];
  if (!in.ReadAll(head, kHeadSize)) return false;
  std::uint32_t discardedFlags[kTuneSlotCount];
  DecodeHead(head, item, discardedFlags);

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
  DecodeGroups(groups, item);
  return true;
}

// The same walk over bytes in memory, bounded as ReadRecord is; with `view`, the record is also decoded.
bool WalkRecord(const std::uint8_t* data, std::size_t size, std::size_t& at, int depth, SourceRecordView* view) {
  if (at > size || size - at < kHeadSize) return false;
  const std::uint8_t* head = data + at;
  at += kHeadSize;
  std::uint32_t discardedFlags[kTuneSlotCount];
  std::uint32_t tuneSlotFlags[kTuneSlotCount];
  if (view != nullptr) {
    DecodeHead(head, view->values, discardedFlags);
    std::copy(view->values.tuneSlotFlags, view->values.tuneSlotFlags + kTuneSlotCount, tuneSlotFlags);
  } else {
    FlagsAt(head + 24, discardedFlags);
    FlagsAt(head + 44, tuneSlotFlags);
  }
  for (int i = 0; i < kTuneSlotCount; ++i) {
    if (discardedFlags[i] == 0) continue;
    if (depth >= kMaxNestingDepth || !WalkRecord(data, size, at, depth + 1, nullptr)) return false;
  }
  for (int i = 0; i < kTuneSlotCount; ++i) {
    if (view != nullptr) view->tuneSlotAt[i] = SourceRecordView::kNoRecord;
    if (tuneSlotFlags[i] == 0) continue;
    if (view != nullptr) view->tuneSlotAt[i] = at;
    if (depth >= kMaxNestingDepth || !WalkRecord(data, size, at, depth + 1, nullptr)) return false;
  }
  if (size - at < kGroupsSize) return false;
  if (view != nullptr) {
    DecodeGroups(data + at, view->values);
    view->data = data;
    view->size = size;
  }
  at += kGroupsSize;
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

bool SkipSourceRecord(const std::uint8_t* data, std::size_t size, std::size_t& at) {
  return WalkRecord(data, size, at, 0, nullptr);
}

bool ViewSourceRecord(const std::uint8_t* data, std::size_t size, std::size_t at, SourceRecordView& view) {
  return WalkRecord(data, size, at, 0, &view);
}

bool ViewTuneSlot(const SourceRecordView& view, int index, SourceRecordView& nested) {
  const std::size_t at = view.tuneSlotAt[index];
  return at != SourceRecordView::kNoRecord && ViewSourceRecord(view.data, view.size, at, nested);
}

CSharedPtr<SourceRecord> RecordOf(const SourceItem& item) { return RecordOfAt(item, 0); }

bool WriteSourceRecord(CStream& out, const SourceRecord& record) { return WriteRecord(out, record, 0); }

namespace item_text {

// std::to_chars writes what "%d" / "%u" / "%lu" write, without the cost of a format string per number:
// an item has some forty numbers and a run may convert hundreds of thousands of items.
char* WriteNumber(char* at, std::int64_t value) { return std::to_chars(at, at + kNumberWidth, value).ptr; }

void AppendNumber(std::string& text, std::int64_t value) {
  char digits[kNumberWidth];
  text.append(digits, WriteNumber(digits, value));
}

std::string Number(std::int64_t value) {
  std::string text;
  AppendNumber(text, value);
  return text;
}

char* WriteDurability(char* at, std::uint16_t value) {
  char* const start = at;
  at = std::to_chars(at, at + 5, value).ptr;
  const std::size_t n = static_cast<std::size_t>(at - start);
  *at++ = '/';
  return std::copy(start, start + n, at);
}

std::string Durability(std::uint16_t value) {
  char text[kDurabilityWidth];
  return std::string(text, WriteDurability(text, value));
}

char* WriteJoined(char* at, const std::int16_t* values, std::size_t count) {
  constexpr std::size_t kWidest = 6;  // "-32768"
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) *at++ = ':';
    at = std::to_chars(at, at + kWidest, values[i]).ptr;
  }
  return at;
}

namespace {

std::string Joined(const std::int16_t* values, std::size_t count) {
  std::string text(JoinedWidth(count), '\0');
  text.resize(static_cast<std::size_t>(WriteJoined(text.data(), values, count) - text.data()));
  return text;
}

}  // namespace

std::string Group(const std::int16_t values[kParamCount]) { return Joined(values, kParamCount); }

std::string Potential(const std::vector<std::int16_t>& grades) { return Joined(grades.data(), grades.size()); }

}  // namespace item_text

// ---- Sinks ----

CSharedPtr<ItemElement> ItemElementBuilder::Take() {
  open_.clear();
  CSharedPtr<ItemElement> element = std::move(root_);
  root_.Release();
  return element;
}

void ItemElementBuilder::BeginElement(std::string_view name) {
  CSharedPtr<XmlElement> element = MakeShared<XmlElement>(std::string(name), false);
  if (open_.empty()) {
    root_ = element;
  } else {
    open_.back()->AddChild(element);
  }
  open_.push_back(element.Get());
}

void ItemElementBuilder::DropElement() {
  if (open_.empty()) return;
  open_.clear();
  root_.Release();
}

void ItemElementBuilder::EndElement() {
  if (!open_.empty()) open_.pop_back();
}

void ItemElementBuilder::NumberAttribute(std::string_view name, std::int64_t value) {
  open_.back()->AddAttribute(std::string(name), item_text::Number(value));
}

void ItemElementBuilder::WordAttribute(std::string_view name, std::string_view value) {
  open_.back()->AddAttribute(std::string(name), std::string(value));
}

void ItemElementBuilder::DurabilityAttribute(std::string_view name, std::uint16_t value) {
  open_.back()->AddAttribute(std::string(name), item_text::Durability(value));
}

void ItemElementBuilder::JoinedAttribute(std::string_view name, const std::int16_t* values, std::size_t count) {
  open_.back()->AddAttribute(std::string(name), item_text::Joined(values, count));
}

ItemTextWriter::ItemTextWriter(CTextBuffer& out, std::string_view indent)
    : out_(out), indent_(indent), baseIndent_(indent.size()) {
  open_.reserve(8);
}

void ItemTextWriter::DropElement() {
  if (elementStart_ != kNoElement) out_.Truncate(elementStart_);
  elementStart_ = kNoElement;
  open_.clear();
  startTagOpen_ = false;
}

// ---- The element's frame ----

CSharedPtr<ItemElement> NewItemElement(std::uint32_t baseId) {
  ItemElementBuilder builder;
  BeginItemElement(builder, baseId);
  builder.EndElement();
  return builder.Take();
}

void AddTuneSlot(ItemElement& parent, int index, const CSharedPtr<ItemElement>& child) {
  ItemElementBuilder builder;
  BeginTuneSlotElement(builder, index);
  builder.EndElement();
  CSharedPtr<ItemElement> slot = builder.Take();
  parent.AddChild(slot);
  slot->AddChild(child);
}

const ItemElement* TuneSlotChild(const ItemElement& parent, int index) {
  const std::string indexText = item_text::Number(index);
  for (const CSharedPtr<ItemElement>& slot : parent.GetChildren()) {
    const std::string* at = slot->FindAttribute(std::string(item_element::kTuneSlotIndex));
    if (slot->GetName() == item_element::kTuneSlotName && at != nullptr && *at == indexText && !slot->GetChildren().empty())
      return slot->GetChildren().front().Get();
  }
  return nullptr;
}

}  // namespace vmqdSDK
