#include "items/table_tsv.h"

#include <algorithm>
#include <memory>

#include "foundation/coding.h"
#include "foundation/platform/platform.h"
#include "items/tables.h"

namespace vmqdSDK {
namespace {

// One column of the text form: the key, or one value of a field the row record holds (a range gives two,
// its lo and its hi, both i16).
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

std::vector<Column> ColumnsOf(TableKind kind) {
  std::vector<Column> c = {{"key", FieldType::kU32}};
  for (const TableField& field : LayoutOf(kind).body) {
    if (field.name == nullptr) continue;
    for (std::uint32_t i = 0; i < field.count; ++i) {
      const std::string name = field.name + (field.count > 1 ? std::to_string(i) : "");
      if (field.type == FieldType::kRange) {
        c.push_back({name + "Lo", FieldType::kI16});
        c.push_back({name + "Hi", FieldType::kI16});
      } else {
        c.push_back({name, field.type});
      }
    }
  }
  return c;
}

// ---- writing ----

// Texts are stored with their NUL, the length counting it.
void PutText(std::string& out, const std::string& text) {
  PutFixed32(out, static_cast<std::uint32_t>(text.size() + 1));
  out += text;
  out.push_back('\0');
}

void PutField(std::string& out, FieldType type, const Field& f) {
  switch (type) {
    case FieldType::kU8:
      out.push_back(static_cast<char>(f.number & 0xFF));
      break;
    case FieldType::kU16:
    case FieldType::kI16:
      PutFixed16(out, static_cast<std::uint16_t>(f.number));
      break;
    case FieldType::kU32:
      PutFixed32(out, static_cast<std::uint32_t>(f.number));
      break;
    case FieldType::kText:
      PutText(out, f.text);
      break;
    case FieldType::kRange:  // a range is two columns of their own
      break;
  }
}

// The row body of a record, field by field as the kind's layout lays it out: the record's columns in turn,
// zeros and empty texts for the fields it does not hold.
std::string BodyBytes(TableKind kind, const std::vector<Column>& columns, const Record& r) {
  std::string out;
  std::size_t next = 1;  // column 0 is the key
  for (const TableField& field : LayoutOf(kind).body) {
    if (field.name == nullptr) {
      for (std::uint32_t i = 0; i < field.count; ++i) {
        if (field.type == FieldType::kText) {
          PutText(out, "");
        } else {
          out.append(FieldWidth(field.type), '\0');
        }
      }
      continue;
    }
    const std::size_t values = field.count * (field.type == FieldType::kRange ? 2 : 1);
    for (std::size_t end = next + values; next < end; ++next) PutField(out, columns[next].type, r[next]);
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

// The columns of a loaded row, in the order ColumnsOf names them.
Record RecordOf(TableKind kind, const TableRow& row) {
  Record r;
  r.push_back(Field{row.key, {}});
  // The layout's accessors serve reading and writing alike; these values are only read.
  TableRow& record = const_cast<TableRow&>(row);
  for (const TableField& field : LayoutOf(kind).body) {
    if (field.values == nullptr) continue;
    const void* values = field.values(record);
    for (std::uint32_t i = 0; i < field.count; ++i) {
      switch (field.type) {
        case FieldType::kU8:
          r.push_back(Field{static_cast<const std::uint8_t*>(values)[i], {}});
          break;
        case FieldType::kU16:
          r.push_back(Field{static_cast<const std::uint16_t*>(values)[i], {}});
          break;
        case FieldType::kI16:
          r.push_back(Field{static_cast<const std::int16_t*>(values)[i], {}});
          break;
        case FieldType::kU32:
          r.push_back(Field{static_cast<const std::uint32_t*>(values)[i], {}});
          break;
        case FieldType::kText:
          r.push_back(Field{0, static_cast<const std::string*>(values)[i]});
          break;
        case FieldType::kRange: {
          const TableRange& range = static_cast<const TableRange*>(values)[i];
          r.push_back(Field{range.lo, {}});
          r.push_back(Field{range.hi, {}});
          break;
        }
      }
    }
  }
  return r;
}

bool ReadRecords(TableKind kind, const CSharedPtr<CStream>& stream, std::vector<Record>& records,
                 std::string& error) {
  const std::unique_ptr<TableFile> table = NewTable(kind);
  if (!table->Load(stream)) {
    error = "not a readable table file (the error log names the cause)";
    return false;
  }
  for (std::uint32_t i = 0; i < table->RowCount(); ++i) {
    const TableRow* row = table->GetRecord(i);
    if (row == nullptr) {
      error = "row " + std::to_string(i) + " is damaged (offset, size or body)";
      return false;
    }
    records.push_back(RecordOf(kind, *row));
  }
  return true;
}

}  // namespace

bool TableKindFromStem(const std::string& stem, TableKind& kind) {
  for (const TableLayout& layout : kTableLayouts) {
    if (stem == layout.stem) {
      kind = layout.kind;
      return true;
    }
  }
  return false;
}

const char* TableStem(TableKind kind) { return LayoutOf(kind).stem; }

std::string TableStemList() {
  std::string list;
  for (const TableLayout& layout : kTableLayouts) list += (list.empty() ? "" : ", ") + std::string(layout.stem);
  return list;
}

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

  const std::uint64_t n = records.size();
  std::string head(kTableMagic, sizeof kTableMagic);
  head.push_back(static_cast<char>(kTableHeaderByte));
  PutFixed32(head, static_cast<std::uint32_t>(n));
  PutFixed32(head, static_cast<std::uint32_t>(4 * n));
  std::string offsets, rows;
  // The header, the key block and the offset table: n keys and n offsets of 4 bytes.
  const std::uint64_t firstRow = kTableHeaderSize + 8 * n;
  for (const Record& r : records) {
    PutFixed32(head, static_cast<std::uint32_t>(r[0].number));
    std::uint64_t at = firstRow + rows.size();
    if (at > 0x7FFFFFFF) return fail(lines.size(), 1, "the table would be larger than 2 GB");
    PutFixed32(offsets, static_cast<std::uint32_t>(at));
    std::string body = BodyBytes(kind, columns, r);
    PutFixed32(rows, static_cast<std::uint32_t>(body.size()));
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
