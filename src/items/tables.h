// The seven conversion tables: one file format (".tbl"), one loader, one row record per table, and one
// layout per table kind that says how its row bodies are stored (the reader here, and the text form's
// builder and dumper in table_tsv.h, all work from it).
//
// Only the keys are read at load time; a row's body is read from the kept stream and parsed the first time
// the row is looked up. Rows live as long as their table, so a pointer returned by Find is a stable
// identity of the row (and of the texts it holds), and its `index` is the row's place in the file.
// Format: docs/formats/conversion-table.md
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "archive/shared.h"
#include "archive/stream.h"

namespace vmqdSDK {

class CArchive;

// A signed 16-bit range as the tables store it; lo may exceed hi.
struct TableRange {
  std::int16_t lo = 0;
  std::int16_t hi = 0;
};

// One flag per parameter element: status 0x4..0x80, attribute 0x100..0x2000, mob 0x4000..0x80000.
enum class ParamFlag : std::uint32_t {
  kStatus0 = 0x4, kStatus1 = 0x8, kStatus2 = 0x10, kStatus3 = 0x20, kStatus4 = 0x40, kStatus5 = 0x80,
  kAttribute0 = 0x100, kAttribute1 = 0x200, kAttribute2 = 0x400, kAttribute3 = 0x800, kAttribute4 = 0x1000,
  kAttribute5 = 0x2000,
  kMob0 = 0x4000, kMob1 = 0x8000, kMob2 = 0x10000, kMob3 = 0x20000, kMob4 = 0x40000, kMob5 = 0x80000,
};

// The 18 flags in the order the tables store their ranges: status 0..5, attribute 0..5, mob 0..5.
inline constexpr std::array<ParamFlag, 18> kParamFlags = {
    ParamFlag::kStatus0,    ParamFlag::kStatus1,    ParamFlag::kStatus2,    ParamFlag::kStatus3,
    ParamFlag::kStatus4,    ParamFlag::kStatus5,    ParamFlag::kAttribute0, ParamFlag::kAttribute1,
    ParamFlag::kAttribute2, ParamFlag::kAttribute3, ParamFlag::kAttribute4, ParamFlag::kAttribute5,
    ParamFlag::kMob0,       ParamFlag::kMob1,       ParamFlag::kMob2,       ParamFlag::kMob3,
    ParamFlag::kMob4,       ParamFlag::kMob5,
};

// Where element 0..5 of group 0..2 (status, attribute, mob) stands among the 18.
constexpr std::size_t ParamIndex(std::uint32_t group, std::uint32_t element) { return (group % 3) * 6 + element % 6; }

// The flag of element 0..5 of group 0..2.
constexpr ParamFlag FlagOf(std::uint32_t group, std::uint32_t element) { return kParamFlags[ParamIndex(group, element)]; }

// Maps each of the 18 flags to a range; every flag is present from construction.
class ParamRanges {
 public:
  TableRange RangeFor(ParamFlag flag) const { return ranges_[Slot(flag)]; }
  // The range of FlagOf(group, element), without searching for the flag.
  TableRange RangeOf(std::uint32_t group, std::uint32_t element) const { return ranges_[ParamIndex(group, element)]; }
  void Set(ParamFlag flag, TableRange range) { ranges_[Slot(flag)] = range; }
  // The 18 ranges in kParamFlags order, as stored in a row body.
  std::array<TableRange, 18>& InFileOrder() { return ranges_; }
  const std::array<TableRange, 18>& InFileOrder() const { return ranges_; }

 private:
  static std::uint32_t Slot(ParamFlag flag);
  std::array<TableRange, 18> ranges_ {};
};

// The seven kinds of table, in the order they are loaded; each has a row record (its kKind) and a layout.
enum class TableKind { kName, kFilter, kFixed, kSourceTune, kSourceEquip, kTargetTune, kTargetEquip };

// What every row record starts with: its key, then its place in the table file.
struct TableRow {
  std::uint32_t key = 0;
  std::uint32_t index = 0;
};

struct NameRow : TableRow {
  static constexpr TableKind kKind = TableKind::kName;
  std::string name;  // CP932 display name of the source item
};

struct FilterRow : TableRow {
  static constexpr TableKind kKind = TableKind::kFilter;
  std::uint32_t newBaseId = 0;
  std::string newName;
};

struct FixedRow : TableRow {
  static constexpr TableKind kKind = TableKind::kFixed;
  std::uint32_t newBaseId = 0;
  std::string newName;
  std::uint8_t reserved = 0;  // stored, read by nothing
};

struct SourceTuneRow : TableRow {
  static constexpr TableKind kKind = TableKind::kSourceTune;
  TableRange gradeRange;
  std::array<TableRange, 18> paramRanges {};  // status 0..5, attribute 0..5, mob 0..5
};

struct SourceEquipRow : TableRow {
  static constexpr TableKind kKind = TableKind::kSourceEquip;
  TableRange gradeRange;
  TableRange durabilityRange;
  // Two groups of six, the two of status/attribute/mob (in that order) not drawn at random for the item.
  std::array<TableRange, 12> paramRanges {};
};

struct TargetTuneRow : TableRow {
  static constexpr TableKind kKind = TableKind::kTargetTune;
  std::uint8_t qualityLo = 0;
  std::uint8_t qualityHi = 0;
  std::uint16_t durabilityLo = 0;
  std::uint16_t durabilityHi = 0;
  ParamRanges params;
};

struct TargetEquipRow : TableRow {
  static constexpr TableKind kKind = TableKind::kTargetEquip;
  std::int16_t capacityLo = 0;
  std::int16_t capacityHi = 0;
  std::uint16_t reserved = 0;  // stored, read by nothing
  std::uint16_t durabilityLo = 0;
  std::uint16_t durabilityHi = 0;
  ParamRanges params;
};

// ---- the row layouts ----

// How a field is stored: integers little-endian; a text as a u32 length counting its NUL, then its bytes
// (a text read ends at its first NUL); a range as two i16, lo then hi.
enum class FieldType : std::uint8_t { kU8, kU16, kI16, kU32, kText, kRange };

// The bytes one value of a fixed-width type takes; 0 for a text.
constexpr std::uint32_t FieldWidth(FieldType type) {
  switch (type) {
    case FieldType::kU8:
      return 1;
    case FieldType::kU16:
    case FieldType::kI16:
      return 2;
    case FieldType::kU32:
    case FieldType::kRange:
      return 4;
    case FieldType::kText:
      return 0;
  }
  return 0;
}

// One field of a row body: `count` values of `type`, one after another. A field the row record holds is
// named (the text form's columns: "name", or "name0".."nameN" for more than one value, a range's with
// "Lo" and "Hi" after that) and says where its values live; one it does not hold is skipped when read
// (a text still has to be there in full) and written as zeros or empty texts.
struct TableField {
  const char* name = nullptr;
  FieldType type = FieldType::kU8;
  std::uint32_t count = 1;
  TableKind row = TableKind::kName;      // the kind whose row record holds the values
  void* (*values)(TableRow&) = nullptr;  // the first of the values in that record; null when not held
};

// A kind's file stem ("name" for "name.tbl") and its row body, field by field in file order. The key is
// not part of a body: it is the first column of the text form, a u32 in the file's key block.
struct TableLayout {
  TableKind kind;
  const char* stem;
  std::span<const TableField> body;
};

namespace table_layout {

template <class M>
struct MemberOf;
template <class R, class T>
struct MemberOf<T R::*> {
  using Row = R;
  using Type = T;
};

template <class T>
struct ArrayOf {
  static constexpr std::size_t kSize = 0;
};
template <class T, std::size_t N>
struct ArrayOf<std::array<T, N>> {
  using Element = T;
  static constexpr std::size_t kSize = N;
};
template <>
struct ArrayOf<ParamRanges> {
  using Element = TableRange;
  static constexpr std::size_t kSize = kParamFlags.size();
};

// Whether a record holds one value of `type` as a T.
template <class T>
constexpr bool Holds(FieldType type) {
  switch (type) {
    case FieldType::kU8:
      return std::is_same_v<T, std::uint8_t>;
    case FieldType::kU16:
      return std::is_same_v<T, std::uint16_t>;
    case FieldType::kI16:
      return std::is_same_v<T, std::int16_t>;
    case FieldType::kU32:
      return std::is_same_v<T, std::uint32_t>;
    case FieldType::kText:
      return std::is_same_v<T, std::string>;
    case FieldType::kRange:
      return std::is_same_v<T, TableRange>;
  }
  return false;
}

template <auto kMember, std::size_t kFirst>
void* ValuesOf(TableRow& row) {
  using M = MemberOf<decltype(kMember)>;
  auto& member = static_cast<typename M::Row&>(row).*kMember;
  if constexpr (std::is_same_v<typename M::Type, ParamRanges>) {
    return member.InFileOrder().data() + kFirst;
  } else if constexpr (ArrayOf<typename M::Type>::kSize > 0) {
    return member.data() + kFirst;
  } else {
    return &member;
  }
}

// A field held in `kMember` of a row record: a member of the field's type, or `count` elements of an array
// of it from element `kFirst` on. A type or count that does not fit the member does not compile.
template <auto kMember, std::size_t kFirst = 0>
consteval TableField Held(const char* name, FieldType type, std::uint32_t count = 1) {
  using M = MemberOf<decltype(kMember)>;
  using A = ArrayOf<typename M::Type>;
  bool fits = false;
  if constexpr (A::kSize > 0) {
    fits = Holds<typename A::Element>(type) && count > 0 && kFirst + count <= A::kSize;
  } else {
    fits = Holds<typename M::Type>(type) && count == 1 && kFirst == 0;
  }
  if (!fits) throw "the field's type or count does not fit its member";
  return {name, type, count, M::Row::kKind, &ValuesOf<kMember, kFirst>};
}

// A field no row record holds.
consteval TableField Unheld(FieldType type, std::uint32_t count = 1) { return {nullptr, type, count}; }

using enum FieldType;

// name.tbl: the source game's display names.
inline constexpr TableField kNameBody[] = {
    Held<&NameRow::name>("name", kText),
};

// filter.tbl and fixed.tbl: the new game's id and name of a source item.
inline constexpr TableField kFilterBody[] = {
    Held<&FilterRow::newBaseId>("newBaseId", kU32),
    Held<&FilterRow::newName>("newName", kText),
};
inline constexpr TableField kFixedBody[] = {
    Held<&FixedRow::newBaseId>("newBaseId", kU32),
    Held<&FixedRow::newName>("newName", kText),
    Held<&FixedRow::reserved>("reserved", kU8),
};

// lg_tune.tbl and lg_equip.tbl: the source game's ranges.
inline constexpr TableField kSourceTuneBody[] = {
    Held<&SourceTuneRow::gradeRange>("grade", kRange),
    Held<&SourceTuneRow::paramRanges, 0>("status", kRange, 6),
    Held<&SourceTuneRow::paramRanges, 6>("attribute", kRange, 6),
    Held<&SourceTuneRow::paramRanges, 12>("mob", kRange, 6),
};
inline constexpr TableField kSourceEquipBody[] = {
    Held<&SourceEquipRow::gradeRange>("grade", kRange),
    Held<&SourceEquipRow::durabilityRange>("durability", kRange),
    Held<&SourceEquipRow::paramRanges>("range", kRange, 12),
};

// nw_tune.tbl and nw_equip.tbl: the new game's items, of which the conversion uses a few fields.
inline constexpr TableField kTargetTuneBody[] = {
    Unheld(kU32),
    Unheld(kText),
    Unheld(kU8, 2),
    Held<&TargetTuneRow::qualityLo>("qualityLo", kU8),
    Held<&TargetTuneRow::qualityHi>("qualityHi", kU8),
    Held<&TargetTuneRow::durabilityLo>("durabilityLo", kU16),
    Held<&TargetTuneRow::durabilityHi>("durabilityHi", kU16),
    Held<&TargetTuneRow::params, 0>("status", kRange, 6),
    Held<&TargetTuneRow::params, 6>("attribute", kRange, 6),
    Held<&TargetTuneRow::params, 12>("mob", kRange, 6),
    Unheld(kText, 3),
};
inline constexpr TableField kTargetEquipBody[] = {
    Unheld(kU32),
    Unheld(kText),
    Unheld(kU8, 4),
    Held<&TargetEquipRow::capacityLo>("capacityLo", kI16),
    Held<&TargetEquipRow::capacityHi>("capacityHi", kI16),
    Held<&TargetEquipRow::reserved>("reserved", kU16),
    Unheld(kU8),
    Unheld(kU32, 5),
    Unheld(kU8),
    Unheld(kU32, 10),
    Held<&TargetEquipRow::durabilityLo>("durabilityLo", kU16),
    Held<&TargetEquipRow::durabilityHi>("durabilityHi", kU16),
    Unheld(kU32, 2),
    Held<&TargetEquipRow::params, 0>("status", kRange, 6),
    Held<&TargetEquipRow::params, 6>("attribute", kRange, 6),
    Held<&TargetEquipRow::params, 12>("mob", kRange, 6),
    Unheld(kText, 2),
    Unheld(kU8, 3),
    Unheld(kText),
    Unheld(kU8, 30),
};

}  // namespace table_layout

// The layouts of the seven kinds, in TableKind order.
inline constexpr std::array<TableLayout, 7> kTableLayouts = {{
    {TableKind::kName, "name", table_layout::kNameBody},
    {TableKind::kFilter, "filter", table_layout::kFilterBody},
    {TableKind::kFixed, "fixed", table_layout::kFixedBody},
    {TableKind::kSourceTune, "lg_tune", table_layout::kSourceTuneBody},
    {TableKind::kSourceEquip, "lg_equip", table_layout::kSourceEquipBody},
    {TableKind::kTargetTune, "nw_tune", table_layout::kTargetTuneBody},
    {TableKind::kTargetEquip, "nw_equip", table_layout::kTargetEquipBody},
}};

constexpr const TableLayout& LayoutOf(TableKind kind) { return kTableLayouts[static_cast<std::size_t>(kind)]; }

namespace table_layout {
// Every layout is at its kind's place and fills only members of its kind's row record.
consteval bool LayoutsAgree() {
  for (std::size_t i = 0; i < kTableLayouts.size(); ++i) {
    if (static_cast<std::size_t>(kTableLayouts[i].kind) != i) return false;
    for (const TableField& field : kTableLayouts[i].body) {
      if (field.name != nullptr && field.row != kTableLayouts[i].kind) return false;
    }
  }
  return true;
}
static_assert(LayoutsAgree(), "a table layout is out of place or fills another kind's row record");
}  // namespace table_layout

// The file's header: the magic "tbl" and a NUL, the header byte, the u32 row count and the u32 size of the
// key block that follows.
inline constexpr char kTableMagic[4] = {'t', 'b', 'l', '\0'};
inline constexpr std::uint8_t kTableHeaderByte = 1;  // what the builder writes; readers keep what they find
inline constexpr std::uint32_t kTableHeaderSize = sizeof kTableMagic + 1 + 4 + 4;

// The shared loader and lazy row reader. Failures are results (false, none); load failures are logged.
class TableFile {
 public:
  TableFile() = default;
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;
  virtual ~TableFile() = default;

  // Reads the header and the keys and keeps the stream for the rows. An empty pointer fails quietly.
  virtual bool Load(const CSharedPtr<CStream>& stream);
  virtual void Clear();
  // Releases the kept stream; false when none was held.
  virtual bool Close();
  virtual std::uint32_t RowCount() const { return static_cast<std::uint32_t>(index_.size()); }
  virtual void Reserve(std::uint32_t rows);
  virtual bool ReadKey(CStream& keys, std::uint32_t row) = 0;
  virtual bool ReadBody(CStream& body, std::uint32_t row) = 0;
  // Reads and parses row `row` from the kept stream; false leaves it unloaded.
  virtual bool LoadRow(std::uint32_t row);

  std::uint8_t HeaderByte() const { return headerByte_; }
  std::uint32_t LoadedCount() const { return loadedCount_; }
  bool IsLoaded(std::uint32_t row) const { return row < loaded_.size() && loaded_[row]; }
  // Row `row` in file order with its body loaded, as the record every row type starts with; or null.
  const TableRow* GetRecord(std::uint32_t row) { return Ensure(row) ? index_[row] : nullptr; }

 protected:
  // The fields of one row body as the layout of `kind` lays them out, into `row` (a record of that kind);
  // false when the body runs out.
  static bool ReadFields(CStream& body, TableKind kind, TableRow& row);
  // The row index of `key` with its body loaded, or kNoValue.
  std::uint32_t Locate(std::uint32_t key);
  // As Locate, by row number.
  bool Ensure(std::uint32_t row);
  void SetIndexEntry(std::uint32_t row, TableRow* record) { index_[row] = record; }

 private:
  void Fail(const char* code);

  CSharedPtr<CStream> stream_;
  std::int64_t offsetTable_ = -1;
  std::uint8_t headerByte_ = kTableHeaderByte;
  std::vector<TableRow*> index_;
  std::vector<bool> loaded_;
  std::uint32_t loadedCount_ = 0;
};

// A table of one row record type.
template <class Row>
class TableOf : public TableFile {
 public:
  using RowType = Row;

  // The first row with this key (body loaded), or null. The row is owned by the table.
  const Row* Find(std::uint32_t key) {
    std::uint32_t row = Locate(key);
    return row == kNoValue ? nullptr : &rows_[row];
  }
  // Row `row` in file order with its body loaded, or null.
  const Row* GetRow(std::uint32_t row) { return Ensure(row) ? &rows_[row] : nullptr; }

  void Clear() override {
    TableFile::Clear();
    rows_.clear();
    rows_.shrink_to_fit();
  }
  void Reserve(std::uint32_t rows) override {
    TableFile::Reserve(rows);
    rows_.assign(rows, Row{});
    for (std::uint32_t i = 0; i < rows; ++i) {
      rows_[i].index = i;
      SetIndexEntry(i, &rows_[i]);
    }
  }
  bool ReadKey(CStream& keys, std::uint32_t row) override {
    return row < rows_.size() && keys.ReadU32(rows_[row].key);
  }
  bool ReadBody(CStream& body, std::uint32_t row) override {
    if (row >= rows_.size()) return false;
    Row parsed;
    parsed.key = rows_[row].key;
    parsed.index = row;
    if (!ReadFields(body, Row::kKind, parsed)) return false;
    rows_[row] = std::move(parsed);
    return true;
  }

 private:
  std::vector<Row> rows_;
};

using NameTable = TableOf<NameRow>;
using FilterTable = TableOf<FilterRow>;
using FixedTable = TableOf<FixedRow>;
using SourceTuneTable = TableOf<SourceTuneRow>;
using SourceEquipTable = TableOf<SourceEquipRow>;
using TargetTuneTable = TableOf<TargetTuneRow>;
using TargetEquipTable = TableOf<TargetEquipRow>;

// A new, empty table of a kind.
std::unique_ptr<TableFile> NewTable(TableKind kind);

// The process-wide tables, filled once at start-up and searched by the run and its report.
NameTable& GetNameTable();
FilterTable& GetFilterTable();
FixedTable& GetFixedTable();
SourceTuneTable& GetSourceTuneTable();
SourceEquipTable& GetSourceEquipTable();
TargetTuneTable& GetTargetTuneTable();
TargetEquipTable& GetTargetEquipTable();
// The process-wide table of a kind.
TableFile& GetTable(TableKind kind);

// Opens a data file by name ("name.tbl"); an empty pointer when it is missing.
using TableOpener = std::function<CSharedPtr<CStream>(const std::string& fileName)>;

// Loads the seven process-wide tables in their fixed order ("name.tbl", "filter.tbl", "fixed.tbl",
// "lg_tune.tbl", "lg_equip.tbl", "nw_tune.tbl", "nw_equip.tbl"). A missing or damaged file leaves its
// table empty; true when all seven loaded.
bool LoadConversionTables(const TableOpener& open);
bool LoadConversionTables(CArchive& archive);

}  // namespace vmqdSDK
