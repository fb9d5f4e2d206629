// An item in its two forms: the record as the source save stores it, and the "item" element that the
// new save carries.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/shared.h"
#include "archive/stream.h"
#include "foundation/text_buffer.h"
#include "xml/xml.h"

namespace vmqdSDK {

inline constexpr int kTuneSlotCount = 5;
inline constexpr int kParamCount = 6;
// Records nested deeper than this below a top-level item are refused: the format sets no limit, the
// reader's stack does.
inline constexpr int kMaxNestingDepth = 64;

// The values of a record, without the records nested in it.
struct SourceItemValues {
  std::uint32_t id = 0;
  std::uint32_t durabilityValue = 0;
  std::uint32_t spareWord = 0;
  std::int16_t gradeValue = 0;
  std::uint8_t spareBytes[5] = {};
  std::uint32_t tuneSlotFlags[kTuneSlotCount] = {};
  std::int16_t status[kParamCount] = {};
  std::int16_t attribute[kParamCount] = {};
  std::int16_t mob[kParamCount] = {};
};

struct SourceItem : SourceItemValues {
  CSharedPtr<SourceItem> tuneSlots[kTuneSlotCount];
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

// ---- Records where they lie ----
// Item data held in memory whole (the inflated save) is read in place: a record is walked to check it and
// to find what follows it, and viewed (its values decoded, its nested records found) to convert it. Nothing
// is allocated for either.

// A record with nothing nested: its head and its three groups. No record is shorter.
inline constexpr std::uint32_t kSmallestSourceRecord = 100;

// Walks the record at `data[at]` with all its nested records: true with `at` just past it; false, as
// ReadSourceItem fails, when the data ends inside it or it nests deeper than kMaxNestingDepth.
bool SkipSourceRecord(const std::uint8_t* data, std::size_t size, std::size_t& at);

// A record viewed where it lies.
struct SourceRecordView {
  static constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);
  SourceItemValues values;
  // Where the record in each tune slot starts; kNoRecord where the slot's flag is 0.
  std::size_t tuneSlotAt[kTuneSlotCount] = {kNoRecord, kNoRecord, kNoRecord, kNoRecord, kNoRecord};
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// Views the record at `data[at]`; false as SkipSourceRecord.
bool ViewSourceRecord(const std::uint8_t* data, std::size_t size, std::size_t at, SourceRecordView& view);
// The record in tune slot `index` of `view`; false when the slot is empty.
bool ViewTuneSlot(const SourceRecordView& view, int index, SourceRecordView& nested);

// ---- The "item" element ----

// The new save's form of an item: an XmlElement named "item" with "tuneslot" children.
using ItemElement = XmlElement;

namespace item_text {
// The texts of the element's values, written at `at` (which has room for the width given) or returned.
// Decimal, as "%d" or "%u" writes it.
inline constexpr std::size_t kNumberWidth = 20;
char* WriteNumber(char* at, std::int64_t value);
std::string Number(std::int64_t value);
void AppendNumber(std::string& text, std::int64_t value);
// Current and maximum durability, "%d/%d" of the same value.
inline constexpr std::size_t kDurabilityWidth = 11;
char* WriteDurability(char* at, std::uint16_t value);
std::string Durability(std::uint16_t value);
// 16-bit numbers joined by ":", with no separator at either end: a parameter group ("%d:%d:%d:%d:%d:%d")
// and the potential grades.
constexpr std::size_t JoinedWidth(std::size_t count) { return count * 7; }
char* WriteJoined(char* at, const std::int16_t* values, std::size_t count);
std::string Group(const std::int16_t values[kParamCount]);
std::string Potential(const std::vector<std::int16_t>& grades);
}  // namespace item_text

// What a conversion makes, handed over piece by piece in the order of the element's text: an element, its
// attributes, its children, the element's end. Names are the callers' own texts; values are typed, so that
// a sink writing text formats each number once, where it goes.
class ItemSink {
 public:
  virtual ~ItemSink() = default;
  virtual void BeginElement(std::string_view name) = 0;
  virtual void EndElement() = 0;
  virtual void NumberAttribute(std::string_view name, std::int64_t value) = 0;
  virtual void WordAttribute(std::string_view name, std::string_view value) = 0;
  virtual void DurabilityAttribute(std::string_view name, std::uint16_t value) = 0;
  virtual void JoinedAttribute(std::string_view name, const std::int16_t* values, std::size_t count) = 0;
  // Forgets the last top-level element begun when it was not ended whole (its conversion failed, or the
  // sink could not keep all of it); an element ended whole, or none begun, leaves nothing to forget.
  virtual void DropElement() = 0;
  // False once something handed over could not be kept (memory ran out): that element cannot count as
  // written, and the sink keeps nothing more.
  virtual bool Whole() const = 0;
};

// Builds the elements (XmlElement "item" with its children) from what a conversion hands over.
class ItemElementBuilder : public ItemSink {
 public:
  // The first element begun since the last Take, whole, or null; the builder is empty again.
  CSharedPtr<ItemElement> Take();

  void BeginElement(std::string_view name) override;
  void EndElement() override;
  void NumberAttribute(std::string_view name, std::int64_t value) override;
  void WordAttribute(std::string_view name, std::string_view value) override;
  void DurabilityAttribute(std::string_view name, std::uint16_t value) override;
  void JoinedAttribute(std::string_view name, const std::int16_t* values, std::size_t count) override;
  void DropElement() override;
  bool Whole() const override { return true; }

 private:
  CSharedPtr<XmlElement> root_;
  std::vector<XmlElement*> open_;
};

// Writes what a conversion hands over straight into a text, byte for byte as the built element's Write
// would: top-level elements at `indent`, each nested one a TAB further in. Its pieces are written here, in
// the header, so that a conversion that knows it writes text (the run's) calls them directly.
class ItemTextWriter final : public ItemSink {
 public:
  ItemTextWriter(CTextBuffer& out, std::string_view indent);

  void BeginElement(std::string_view name) override {
    if (open_.empty()) elementStart_ = out_.Size();
    const std::string_view indent = IndentAt(open_.size());
    if (char* const start = out_.Room(xml_text::StartTagEndSize() + xml_text::StartTagSize(indent.size(), name.size()))) {
      Cursor text{start};
      if (startTagOpen_) xml_text::StartTagEnd(text);
      xml_text::StartTag(text, indent, name);
      out_.Commit(static_cast<std::size_t>(text.at - start));
    }
    open_.push_back(name);
    startTagOpen_ = true;
  }
  void EndElement() override {
    if (open_.empty()) return;
    const std::string_view name = open_.back();
    open_.pop_back();
    const std::string_view indent = IndentAt(open_.size());
    const std::size_t most = std::max(xml_text::ChildlessEndSize(name.size()), xml_text::EndTagSize(indent.size(), name.size()));
    if (char* const start = out_.Room(most)) {
      Cursor text{start};
      // An element whose start tag is still open has no children.
      if (startTagOpen_) {
        xml_text::ChildlessEnd(text, name, false);
      } else {
        xml_text::LineStart(text, indent);
        xml_text::EndTag(text, name);
      }
      out_.Commit(static_cast<std::size_t>(text.at - start));
    }
    startTagOpen_ = false;
    if (open_.empty() && !out_.Failed()) elementStart_ = kNoElement;
  }
  void NumberAttribute(std::string_view name, std::int64_t value) override {
    Attribute(name, item_text::kNumberWidth, [value](char* at) { return item_text::WriteNumber(at, value); });
  }
  void WordAttribute(std::string_view name, std::string_view value) override {
    Attribute(name, value.size(), [value](char* at) { return std::copy(value.begin(), value.end(), at); });
  }
  void DurabilityAttribute(std::string_view name, std::uint16_t value) override {
    Attribute(name, item_text::kDurabilityWidth, [value](char* at) { return item_text::WriteDurability(at, value); });
  }
  void JoinedAttribute(std::string_view name, const std::int16_t* values, std::size_t count) override {
    Attribute(name, item_text::JoinedWidth(count),
              [values, count](char* at) { return item_text::WriteJoined(at, values, count); });
  }
  // Cuts the text back to where that element began.
  void DropElement() override;
  bool Whole() const override { return !out_.Failed(); }

 private:
  static constexpr std::size_t kNoElement = static_cast<std::size_t>(-1);

  // Writes at a pointer into room made beforehand for all a piece can write: one room check per piece.
  struct Cursor {
    char* at;
    void Append(char c) { *at++ = c; }
    void Append(const char* bytes, std::size_t n) { at = std::copy(bytes, bytes + n, at); }
    void Append(std::string_view text) { Append(text.data(), text.size()); }
  };

  std::string_view IndentAt(std::size_t depth) {
    if (indent_.size() < baseIndent_ + depth) indent_.resize(baseIndent_ + depth, '\t');
    return std::string_view(indent_).substr(0, baseIndent_ + depth);
  }
  // An attribute whose value `write` puts at a pointer (and returns its end), in room made for at most
  // `widest` bytes of value.
  template <class Write>
  void Attribute(std::string_view name, std::size_t widest, Write write) {
    char* const start = out_.Room(xml_text::AttributeSize(name.size(), widest));
    if (start == nullptr) return;
    Cursor text{start};
    xml_text::AttributeStart(text, name);
    text.at = write(text.at);
    xml_text::AttributeEnd(text);
    out_.Commit(static_cast<std::size_t>(text.at - start));
  }

  CTextBuffer& out_;
  std::size_t elementStart_ = kNoElement;  // where a top-level element not yet ended whole began
  std::string indent_;  // the indent, then as many TABs as the deepest element so far has needed
  std::size_t baseIndent_;
  std::vector<std::string_view> open_;  // names of the elements begun and not ended
  bool startTagOpen_ = false;           // the innermost element's start tag still takes attributes
};

// The element's frame, for every sink alike: an "item" element with its "baseid", and a "tuneslot" element
// with its "index" (the item in the slot follows as its child).
namespace item_element {
inline constexpr std::string_view kItemName = "item";
inline constexpr std::string_view kBaseIdName = "baseid";
inline constexpr std::string_view kTuneSlotName = "tuneslot";
inline constexpr std::string_view kTuneSlotIndex = "index";
}  // namespace item_element
template <class Sink>
void BeginItemElement(Sink& sink, std::uint32_t baseId) {
  sink.BeginElement(item_element::kItemName);
  sink.NumberAttribute(item_element::kBaseIdName, baseId);
}
template <class Sink>
void BeginTuneSlotElement(Sink& sink, int index) {
  sink.BeginElement(item_element::kTuneSlotName);
  sink.NumberAttribute(item_element::kTuneSlotIndex, index);
}

// An "item" element holding only "baseid".
CSharedPtr<ItemElement> NewItemElement(std::uint32_t baseId);
// Adds a "tuneslot" element with "index" under `parent` and `child` under it.
void AddTuneSlot(ItemElement& parent, int index, const CSharedPtr<ItemElement>& child);
// The item that AddTuneSlot put under `parent` for `index`, or null.
const ItemElement* TuneSlotChild(const ItemElement& parent, int index);

}  // namespace vmqdSDK
