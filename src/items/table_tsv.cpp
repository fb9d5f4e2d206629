#include "items/table_tsv.h"

#include <algorithm>
#include <array>

#include "foundation/platform/platform.h"
#include "items/tables.h"

namespace vmqdSDK {
namespace {

enum class FieldType { kU8, kU16, kI16, kU32, kText };

struct Column {
  std::string name;
  FieldType type;
};

// One field of a row: numbers as numbers, texts as CP932 bytes.
struct Field {
  std::int64_t number = 0;
  std::string text;
};
using Record = std::vector<Field>;

// A piece of a row body: the next column of the record, or bytes the row record does not hold.
struct Piece {
  enum Kind { kColumn, kZeros, kEmptyText } kind;
  std::uint32_t zeros = 0;
};

constexpr std::array<const char*, 7> kStems = {"name", "filter", "fixed", "lg_tune", "lg_equip", "nw_tune", "nw_equip"};

void AddRanges(std::vector<Column>& columns, const std::string& prefix, int count) {
  for (int i = 0; i < count; ++i) {
    columns.push_back({prefix + std::to_string(i) + "Lo", FieldType::kI16});
    columns.push_back({prefix + std::to_string(i) + "Hi", FieldType::kI16});
  }
}

void AddParamRanges(std::vector<Column>& columns) {
  for (const char* group : {"status", "attribute", "mob"}) AddRanges(columns, group, 6);
}

std::vector<Column> ColumnsOf(TableKind kind) {
  std::vector<Column> c = {{"key", FieldType::kU32}};
  switch (kind) {
    case TableKind::kName:
      c.push_back({"name", FieldType::kText});
      break;
    case TableKind::kFilter:
      c.insert(c.end(), {{"newBaseId", FieldType::kU32}, {"newName", FieldType::kText}});
      break;
    case TableKind::kFixed:
      c.insert(c.end(), {{"newBaseId", FieldType::kU32}, {"newName", FieldType::kText}, {"reserved", FieldType::kU8}});
      break;
    case TableKind::kSourceTune:
      c.insert(c.end(), {{"gradeLo", FieldType::kI16}, {"gradeHi", FieldType::kI16}});
      AddParamRanges(c);
      break;
    case TableKind::kSourceEquip:
      c.insert(c.end(), {{"gradeLo", FieldType::kI16},
                         {"gradeHi", FieldType::kI16},
                         {"durabilityLo", FieldType::kI16},
                         {"durabilityHi", FieldType::kI16}});
      AddRanges(c, "range", 12);
      break;
    case TableKind::kTargetTune:
      c.insert(c.end(), {{"qualityLo", FieldType::kU8},
                         {"qualityHi", FieldType::kU8},
                         {"durabilityLo", FieldType::kU16},
                         {"durabilityHi", FieldType::kU16}});
      AddParamRanges(c);
      break;
    case TableKind::kTargetEquip:
      c.insert(c.end(), {{"capacityLo", FieldType::kI16},
                         {"capacityHi", FieldType::kI16},
                         {"reserved", FieldType::kU16},
                         {"durabilityLo", FieldType::kU16},
                         {"durabilityHi", FieldType::kU16}});
      AddParamRanges(c);
      break;
  }
  return c;
}

// The row body of each kind, field by field in file order; the key is not part of the body.
std::vector<Piece> BodyOf(TableKind kind) {
  const Piece col{Piece::kColumn};
  const Piece text{Piece::kEmptyText};
  auto zeros = [](std::uint32_t n) { return Piece{Piece::kZeros, n}; };
  auto columns = [&](std::size_t n) { return std::vector<Piece>(n, col); };
  std::vector<Piece> body;
  auto add = [&](std::vector<Piece> pieces) { body.insert(body.end(), pieces.begin(), pieces.end()); };
  switch (kind) {
    case TableKind::kName:
      add(columns(1));
      break;
    case TableKind::kFilter:
      add(columns(2));
      break;
    case TableKind::kFixed:
      add(columns(3));
      break;
    case TableKind::kSourceTune:
      add(columns(38));
      break;
    case TableKind::kSourceEquip:
      add(columns(28));
      break;
    case TableKind::kTargetTune:
      add({zeros(4), text, zeros(2)});
      add(columns(4 + 36));
      add({text, text, text});
      break;
    case TableKind::kTargetEquip:
      add({zeros(4), text, zeros(4)});
      add(columns(3));
      add({zeros(1 + 5 * 4 + 1 + 10 * 4)});
      add(columns(2));
      add({zeros(2 * 4)});
      add(columns(36));
      add({text, text, zeros(3), text, zeros(30)});
      break;
  }
  return body;
}

// ---- writing ----

void PutU8(std::string& out, std::uint32_t v) { out.push_back(static_cast<char>(v & 0xFF)); }
void PutU16(std::string& out, std::uint32_t v) {
  PutU8(out, v);
  PutU8(out, v >> 8);
}
void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, v);
  PutU16(out, v >> 16);
}
// Texts are stored with their NUL, the length counting it.
void PutText(std::string& out, const std::string& text) {
  PutU32(out, static_cast<std::uint32_t>(text.size() + 1));
  out += text;
  out.push_back('\0');
}

void PutField(std::string& out, FieldType type, const Field& f) {
  switch (type) {
    case FieldType::kU8:
      PutU8(out, static_cast<std::uint32_t>(f.number));
      break;
    case FieldType::kU16:
    case FieldType::kI16:
      PutU16(out, static_cast<std::uint32_t>(f.number));
      break;
    case FieldType::kU32:
      PutU32(out, static_cast<std::uint32_t>(f.number));
      break;
    case FieldType::kText:
      PutText(out, f.text);
      break;
  }
}

std::string BodyBytes(const std::vector<Column>& columns, const std::vector<Piece>& pieces, const Record& r) {
  std::string out;
  std::size_t next = 1;  // column 0 is the key
  for (const Piece& p : pieces) {
    switch (p.kind) {
      case Piece::kColumn:
        PutField(out, columns[next].type, r[next]);
        ++next;
        break;
      case Piece::kZeros:
        out.append(p.zeros, '\0');
        break;
      case Piece::kEmptyText:
        PutText(out, "");
        break;
    }
  }
  return out;
}

// ---- reading the text form ----

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// A value as it may appear in a message: quoted when it can be shown in the tool's code page.
std::string Quoted(const std::string& utf8) {
  std::string cp932;
  if (!platform::Utf8ToCp932(utf8, cp932)) return "the value";
  return "\"" + cp932 + "\"";
}

struct Limits {
  std::int64_t lo, hi;
};

Limits LimitsOf(FieldType type) {
  switch (type) {
    case FieldType::kU8:
      return {0, 0xFF};
    case FieldType::kU16:
      return {0, 0xFFFF};
    case FieldType::kI16:
      return {-32768, 32767};
    default:
      return {0, 0xFFFFFFFFll};
  }
}

const char* TypeName(FieldType type) {
  switch (type) {
    case FieldType::kU8:
      return "unsigned 8-bit";
    case FieldType::kU16:
      return "unsigned 16-bit";
    case FieldType::kI16:
      return "signed 16-bit";
    default:
      return "unsigned 32-bit";
  }
}

// Plain decimal: an optional minus sign and digits, nothing else.
bool ParseField(const std::string& value, FieldType type, Field& out, std::string& problem) {
  if (type == FieldType::kText) {
    if (value.find('\0') != std::string::npos) {
      problem = "a text may not hold a NUL character";
      return false;
    }
    if (!platform::Utf8ToCp932(value, out.text)) {
      problem = "the text cannot be represented in code page 932";
      return false;
    }
    return true;
  }
  std::size_t digits = value.size() > 0 && value[0] == '-' ? 1 : 0;
  bool numeric = value.size() > digits &&
                 std::all_of(value.begin() + static_cast<std::ptrdiff_t>(digits), value.end(),
                             [](char c) { return c >= '0' && c <= '9'; });
  if (!numeric) {
    problem = Quoted(value) + " is not a decimal number";
    return false;
  }
  Limits limits = LimitsOf(type);
  std::string magnitude = value.substr(digits);
  magnitude.erase(0, std::min(magnitude.find_first_not_of('0'), magnitude.size() - 1));
  std::int64_t v = 0;
  bool inRange = magnitude.size() <= 10;
  if (inRange) {
    v = std::stoll(magnitude);
    if (digits == 1) v = -v;
    inRange = v >= limits.lo && v <= limits.hi;
  }
  if (!inRange) {
    problem = Quoted(value) + " is out of the " + TypeName(type) + " range " + std::to_string(limits.lo) + ".." +
              std::to_string(limits.hi);
    return false;
  }
  out.number = v;
  return true;
}

// ---- dumping ----

Record NumbersOf(std::uint32_t key, std::initializer_list<std::int64_t> values) {
  Record r;
  r.push_back(Field{key, {}});
  for (std::int64_t v : values) r.push_back(Field{v, {}});
  return r;
}

template <std::size_t N>
void AppendRanges(Record& r, const std::array<TableRange, N>& ranges) {
  for (const TableRange& range : ranges) {
    r.push_back(Field{range.lo, {}});
    r.push_back(Field{range.hi, {}});
  }
}

void AppendParams(Record& r, const ParamRanges& params) {
  for (ParamFlag flag : kParamFlags) {
    TableRange range = params.RangeFor(flag);
    r.push_back(Field{range.lo, {}});
    r.push_back(Field{range.hi, {}});
  }
}

Record RecordOf(const NameRow& row) {
  Record r = NumbersOf(row.key, {});
  r.push_back(Field{0, row.name});
  return r;
}
Record RecordOf(const FilterRow& row) {
  Record r = NumbersOf(row.key, {row.newBaseId});
  r.push_back(Field{0, row.newName});
  return r;
}
Record RecordOf(const FixedRow& row) {
  Record r = NumbersOf(row.key, {row.newBaseId});
  r.push_back(Field{0, row.newName});
  r.push_back(Field{row.reserved, {}});
  return r;
}
Record RecordOf(const SourceTuneRow& row) {
  Record r = NumbersOf(row.key, {row.gradeRange.lo, row.gradeRange.hi});
  AppendRanges(r, row.paramRanges);
  return r;
}
Record RecordOf(const SourceEquipRow& row) {
  Record r =
      NumbersOf(row.key, {row.gradeRange.lo, row.gradeRange.hi, row.durabilityRange.lo, row.durabilityRange.hi});
  AppendRanges(r, row.paramRanges);
  return r;
}
Record RecordOf(const TargetTuneRow& row) {
  Record r = NumbersOf(row.key, {row.qualityLo, row.qualityHi, row.durabilityLo, row.durabilityHi});
  AppendParams(r, row.params);
  return r;
}
Record RecordOf(const TargetEquipRow& row) {
  Record r = NumbersOf(row.key, {row.capacityLo, row.capacityHi, row.reserved, row.durabilityLo, row.durabilityHi});
  AppendParams(r, row.params);
  return r;
}

template <class Table>
bool ReadRecords(const CSharedPtr<CStream>& stream, std::vector<Record>& records, std::string& error) {
  Table table;
  if (!table.Load(stream)) {
    error = "not a readable table file (the error log names the cause)";
    return false;
  }
  for (std::uint32_t i = 0; i < table.RowCount(); ++i) {
    const typename Table::RowType* row = table.GetRow(i);
    if (row == nullptr) {
      error = "row " + std::to_string(i) + " is damaged (offset, size or body)";
      return false;
    }
    records.push_back(RecordOf(*row));
  }
  return true;
}

bool ReadRecords(TableKind kind, const CSharedPtr<CStream>& s, std::vector<Record>& r, std::string& error) {
  switch (kind) {
    case TableKind::kName:
      return ReadRecords<NameTable>(s, r, error);
    case TableKind::kFilter:
      return ReadRecords<FilterTable>(s, r, error);
    case TableKind::kFixed:
      return ReadRecords<FixedTable>(s, r, error);
    case TableKind::kSourceTune:
      return ReadRecords<SourceTuneTable>(s, r, error);
    case TableKind::kSourceEquip:
      return ReadRecords<SourceEquipTable>(s, r, error);
    case TableKind::kTargetTune:
      return ReadRecords<TargetTuneTable>(s, r, error);
    case TableKind::kTargetEquip:
      return ReadRecords<TargetEquipTable>(s, r, error);
  }
  return false;
}

}  // namespace

bool TableKindFromStem(const std::string& stem, TableKind& kind) {
  for (std::size_t i = 0; i < kStems.size(); ++i) {
    if (stem == kStems[i]) {
      kind = static_cast<TableKind>(i);
      return true;
    }
  }
  return false;
}

const char* TableStem(TableKind kind) { return kStems[static_cast<std::size_t>(kind)]; }

std::vector<std::string> TableColumns(TableKind kind) {
  std::vector<std::string> names;
  for (const Column& c : ColumnsOf(kind)) names.push_back(c.name);
  return names;
}

bool BuildTableBytes(TableKind kind, const std::string& tsv, const std::string& label, std::string& bytes,
                     std::string& error) {
  bytes.clear();
  error.clear();
  const std::vector<Column> columns = ColumnsOf(kind);
  auto fail = [&](std::size_t line, std::size_t column, const std::string& message) {
    error = label + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
    return false;
  };

  std::string text = tsv;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  if (lines.empty() || lines[0].empty()) return fail(1, 1, "the header row naming the columns is missing");

  // Which record field each text column fills.
  const std::vector<std::string> header = SplitTabs(lines[0]);
  std::vector<std::size_t> target(header.size());
  std::vector<bool> seen(columns.size(), false);
  for (std::size_t j = 0; j < header.size(); ++j) {
    auto it = std::find_if(columns.begin(), columns.end(), [&](const Column& c) { return c.name == header[j]; });
    if (it == columns.end()) return fail(1, j + 1, "unknown column " + Quoted(header[j]) + " for a " +
                                                       TableStem(kind) + " table");
    std::size_t k = static_cast<std::size_t>(it - columns.begin());
    if (seen[k]) return fail(1, j + 1, "column \"" + columns[k].name + "\" appears twice");
    seen[k] = true;
    target[j] = k;
  }
  for (std::size_t k = 0; k < columns.size(); ++k) {
    if (!seen[k]) return fail(1, header.size() + 1, "column \"" + columns[k].name + "\" is missing");
  }

  std::vector<Record> records;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::vector<std::string> values = SplitTabs(lines[i]);
    if (values.size() < header.size()) {
      return fail(i + 1, values.size() + 1, "the field for column \"" + header[values.size()] + "\" is missing");
    }
    if (values.size() > header.size()) return fail(i + 1, header.size() + 1, "more fields than columns");
    Record record(columns.size());
    for (std::size_t j = 0; j < values.size(); ++j) {
      const Column& column = columns[target[j]];
      std::string problem;
      if (!ParseField(values[j], column.type, record[target[j]], problem)) {
        return fail(i + 1, j + 1, column.name + ": " + problem);
      }
    }
    records.push_back(std::move(record));
  }
  std::stable_sort(records.begin(), records.end(),
                   [](const Record& a, const Record& b) { return a[0].number < b[0].number; });

  const std::vector<Piece> pieces = BodyOf(kind);
  const std::uint64_t n = records.size();
  std::string head("tbl\0", 4);
  PutU8(head, 1);
  PutU32(head, static_cast<std::uint32_t>(n));
  PutU32(head, static_cast<std::uint32_t>(4 * n));
  std::string offsets, rows;
  const std::uint64_t firstRow = 13 + 8 * n;
  for (const Record& r : records) {
    PutU32(head, static_cast<std::uint32_t>(r[0].number));
    std::uint64_t at = firstRow + rows.size();
    if (at > 0x7FFFFFFF) return fail(lines.size(), 1, "the table would be larger than 2 GB");
    PutU32(offsets, static_cast<std::uint32_t>(at));
    std::string body = BodyBytes(columns, pieces, r);
    PutU32(rows, static_cast<std::uint32_t>(body.size()));
    rows += body;
  }
  bytes = head + offsets + rows;
  return true;
}

bool DumpTableText(TableKind kind, const CSharedPtr<CStream>& table, std::string& tsv, std::string& error) {
  tsv.clear();
  error.clear();
  std::vector<Record> records;
  if (!ReadRecords(kind, table, records, error)) return false;
  const std::vector<Column> columns = ColumnsOf(kind);
  std::string out;
  for (std::size_t k = 0; k < columns.size(); ++k) out += (k ? "\t" : "") + columns[k].name;
  out += "\n";
  for (std::size_t i = 0; i < records.size(); ++i) {
    for (std::size_t k = 0; k < columns.size(); ++k) {
      if (k) out += "\t";
      if (columns[k].type != FieldType::kText) {
        out += std::to_string(records[i][k].number);
        continue;
      }
      std::string utf8;
      if (!platform::Cp932ToUtf8(records[i][k].text, utf8)) {
        error = "row " + std::to_string(i) + ", " + columns[k].name + ": the text is not valid code page 932";
        return false;
      }
      if (utf8.find_first_of("\t\r\n") != std::string::npos) {
        error = "row " + std::to_string(i) + ", " + columns[k].name + ": the text holds a tab or line break";
        return false;
      }
      out += utf8;
    }
    out += "\n";
  }
  tsv = std::move(out);
  return true;
}

}  // namespace vmqdSDK
