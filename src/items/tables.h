// The seven conversion tables: one file format (".tbl"), one loader, one row record per table.
//
// Only the keys are read at load time; a row's body is read from the kept stream and parsed the first time
// the row is looked up. Rows live as long as their table, so a pointer returned by Find is a stable
// identity of the row (and of the texts it holds), and its `index` is the row's place in the file.
// Format: docs/formats/conversion-table.md
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
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

// The flag of element 0..5 of group 0..2 (status, attribute, mob).
constexpr ParamFlag FlagOf(std::uint32_t group, std::uint32_t element) {
  return kParamFlags[(group % 3) * 6 + element % 6];
}

// Maps each of the 18 flags to a range; every flag is present from construction.
class ParamRanges {
 public:
  TableRange RangeFor(ParamFlag flag) const { return ranges_[Slot(flag)]; }
  void Set(ParamFlag flag, TableRange range) { ranges_[Slot(flag)] = range; }
  // The 18 ranges in kParamFlags order, as stored in a row body.
  bool Read(CStream& body);

 private:
  static std::uint32_t Slot(ParamFlag flag);
  std::array<TableRange, 18> ranges_ {};
};

// What every row record starts with: its key, then its place in the table file.
struct TableRow {
  std::uint32_t key = 0;
  std::uint32_t index = 0;
};

struct NameRow : TableRow {
  std::string name;  // CP932 display name of the source item
};

struct FilterRow : TableRow {
  std::uint32_t newBaseId = 0;
  std::string newName;
};

struct FixedRow : TableRow {
  std::uint32_t newBaseId = 0;
  std::string newName;
  std::uint8_t reserved = 0;  // stored, read by nothing
};

struct SourceTuneRow : TableRow {
  TableRange gradeRange;
  std::array<TableRange, 18> paramRanges {};  // status 0..5, attribute 0..5, mob 0..5
};

struct SourceEquipRow : TableRow {
  TableRange gradeRange;
  TableRange durabilityRange;
  // Two groups of six, the two of status/attribute/mob (in that order) not drawn at random for the item.
  std::array<TableRange, 12> paramRanges {};
};

struct TargetTuneRow : TableRow {
  std::uint8_t qualityLo = 0;
  std::uint8_t qualityHi = 0;
  std::uint16_t durabilityLo = 0;
  std::uint16_t durabilityHi = 0;
  ParamRanges params;
};

struct TargetEquipRow : TableRow {
  std::int16_t capacityLo = 0;
  std::int16_t capacityHi = 0;
  std::uint16_t reserved = 0;  // stored, read by nothing
  std::uint16_t durabilityLo = 0;
  std::uint16_t durabilityHi = 0;
  ParamRanges params;
};

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

 protected:
  // The row index of `key` with its body loaded, or kNoValue.
  std::uint32_t Locate(std::uint32_t key);
  // As Locate, by row number.
  bool Ensure(std::uint32_t row);
  void SetIndexEntry(std::uint32_t row, TableRow* record) { index_[row] = record; }

 private:
  void Fail(const char* code);

  CSharedPtr<CStream> stream_;
  std::int64_t offsetTable_ = -1;
  std::uint8_t headerByte_ = 1;
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
    if (!ParseBody(body, parsed)) return false;
    rows_[row] = std::move(parsed);
    return true;
  }

 protected:
  // The fields of one row body, in file order; false when the body runs out.
  virtual bool ParseBody(CStream& body, Row& row) = 0;

 private:
  std::vector<Row> rows_;
};

class NameTable : public TableOf<NameRow> {
 protected:
  bool ParseBody(CStream& body, NameRow& row) override;
};
class FilterTable : public TableOf<FilterRow> {
 protected:
  bool ParseBody(CStream& body, FilterRow& row) override;
};
class FixedTable : public TableOf<FixedRow> {
 protected:
  bool ParseBody(CStream& body, FixedRow& row) override;
};
class SourceTuneTable : public TableOf<SourceTuneRow> {
 protected:
  bool ParseBody(CStream& body, SourceTuneRow& row) override;
};
class SourceEquipTable : public TableOf<SourceEquipRow> {
 protected:
  bool ParseBody(CStream& body, SourceEquipRow& row) override;
};
class TargetTuneTable : public TableOf<TargetTuneRow> {
 protected:
  bool ParseBody(CStream& body, TargetTuneRow& row) override;
};
class TargetEquipTable : public TableOf<TargetEquipRow> {
 protected:
  bool ParseBody(CStream& body, TargetEquipRow& row) override;
};

// The process-wide tables, filled once at start-up and searched by the run and its report.
NameTable& GetNameTable();
FilterTable& GetFilterTable();
FixedTable& GetFixedTable();
SourceTuneTable& GetSourceTuneTable();
SourceEquipTable& GetSourceEquipTable();
TargetTuneTable& GetTargetTuneTable();
TargetEquipTable& GetTargetEquipTable();

// Opens a data file by name ("name.tbl"); an empty pointer when it is missing.
using TableOpener = std::function<CSharedPtr<CStream>(const std::string& fileName)>;

// Loads the seven process-wide tables in their fixed order ("name.tbl", "filter.tbl", "fixed.tbl",
// "lg_tune.tbl", "lg_equip.tbl", "nw_tune.tbl", "nw_equip.tbl"). A missing or damaged file leaves its
// table empty; true when all seven loaded.
bool LoadConversionTables(const TableOpener& open);
bool LoadConversionTables(CArchive& archive);

}  // namespace vmqdSDK
