#include "items/tables.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "archive/archive.h"
#include "foundation/coding.h"
#include "foundation/error_log.h"

namespace vmqdSDK {
namespace {

constexpr std::uint32_t kNoMaximum = 0xFFFFFFFFu;
constexpr std::uint32_t kLargestPosition = 0x7FFFFFFFu;

// Reads `n` bytes into a zero-filled buffer, allocating no more than the stream can supply. A stream may be
// unable to say what remains (a member's window read past its end cannot tell its position): then memory
// grows only with the bytes actually read, so a lying length costs nothing.
bool ReadBlock(CStream& in, std::uint32_t n, CByteArray& out) {
  out = CByteArray();
  if (n == 0) return true;
  const std::uint32_t remain = in.GetRemain();
  if (remain != kNoValue) {
    if (n > remain) return false;
    out = CByteArray::Allocate(n);
    return !out.IsNull() && in.ReadAll(out.Data(), n);
  }
  constexpr std::uint32_t kChunk = 0x10000;
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t done = 0; done < n;) {
    const std::uint32_t step = std::min(n - done, kChunk);
    bytes.resize(std::size_t{done} + step);
    if (!in.ReadAll(bytes.data() + done, step)) return false;
    done += step;
  }
  out = CByteArray::Allocate(n);
  if (out.IsNull()) return false;
  std::copy(bytes.begin(), bytes.end(), out.Data());
  return true;
}

bool ReadText(CStream& s, std::string& text) { return s.ReadString32(text, kNoMaximum); }

// Reads past a text no row record holds: it still has to be there in full.
bool SkipText(CStream& s) {
  std::string ignored;
  return ReadText(s, ignored);
}

// How a failure line names the table's kept stream.
std::string DescribeStream(const CSharedPtr<CStream>& stream) {
  if (stream.IsNull()) return "free";
  switch (stream->GetStreamType()) {
    case CStream::kFile:
      return static_cast<CFileStream*>(stream.Get())->GetPath();
    case CStream::kMemory:
      return "memory";
    case CStream::kSub:
      return "proxy";
    default:
      return "unknown";
  }
}

}  // namespace

// ---- ParamRanges ----

std::uint32_t ParamRanges::Slot(ParamFlag flag) {
  for (std::uint32_t i = 0; i < kParamFlags.size(); ++i) {
    if (kParamFlags[i] == flag) return i;
  }
  return 0;  // unreachable for the enumerated flags
}

// ---- TableFile ----

void TableFile::Clear() {
  stream_.Release();
  offsetTable_ = -1;
  headerByte_ = kTableHeaderByte;
  index_.clear();
  index_.shrink_to_fit();
  loaded_.clear();
  loaded_.shrink_to_fit();
  loadedCount_ = 0;
}

bool TableFile::Close() {
  if (stream_.IsNull()) return false;
  stream_.Release();
  return true;
}

void TableFile::Reserve(std::uint32_t rows) {
  index_.assign(rows, nullptr);
  loaded_.assign(rows, false);
  loadedCount_ = 0;
}

void TableFile::Fail(const char* code) {
  Clear();
  LogError(std::string(code) + "-" + DescribeStream(stream_), "", 0, nullptr);
}

bool TableFile::Load(const CSharedPtr<CStream>& stream) {
  Clear();
  // A member the archive could not serve arrives as an empty pointer: the table just stays empty.
  if (stream.IsNull()) return false;
  CStream& in = *stream;

  char magic[sizeof kTableMagic] = {};
  if (!in.ReadAll(magic, sizeof magic)) {
    Fail("read/h");
    return false;
  }
  if (std::memcmp(magic, kTableMagic, sizeof magic) != 0) {
    Fail("bad/h");
    return false;
  }
  std::uint8_t header = 0;
  if (!in.ReadU8(header)) {
    Fail("read/e");
    return false;
  }
  std::uint32_t rows = 0;
  if (!in.ReadU32(rows)) {
    Fail("read/n");
    return false;
  }
  std::uint32_t keyBlockSize = 0;
  if (!in.ReadU32(keyBlockSize)) {
    Fail("read/kbs");
    return false;
  }
  // A key block larger than the stream is a short read, found out before allocating for it.
  CByteArray keyBlock;
  if (!ReadBlock(in, keyBlockSize, keyBlock)) {
    Fail("read/kb");
    return false;
  }
  // Keys the block cannot hold would run out while being read; refusing them first keeps a huge row count
  // from costing memory. Either way the load fails without a code.
  if (static_cast<std::uint64_t>(rows) * 4 > keyBlockSize) {
    Clear();
    return false;
  }
  Reserve(rows);
  CMemoryStream keys(keyBlock, kGenericRead, CMemoryStream::kFixed);
  for (std::uint32_t i = 0; i < rows; ++i) {
    if (!ReadKey(keys, i)) {
      Clear();
      return false;
    }
  }
  std::uint32_t position = in.Tell();
  if (position == kNoValue || position > kLargestPosition) {
    Fail("pos/of");
    return false;
  }
  headerByte_ = header;
  offsetTable_ = position;
  stream_ = stream;
  return true;
}

std::uint32_t TableFile::Locate(std::uint32_t key) {
  auto it = std::lower_bound(index_.begin(), index_.end(), key,
                             [](const TableRow* row, std::uint32_t k) { return row->key < k; });
  if (it == index_.end() || (*it)->key != key) return kNoValue;
  std::uint32_t row = static_cast<std::uint32_t>(it - index_.begin());
  return Ensure(row) ? row : kNoValue;
}

bool TableFile::Ensure(std::uint32_t row) {
  if (row >= index_.size()) return false;
  if (loaded_[row]) return true;
  return LoadRow(row);
}

bool TableFile::LoadRow(std::uint32_t row) {
  if (row >= index_.size() || stream_.IsNull() || offsetTable_ < 0) return false;
  if (loaded_[row]) return true;
  CStream& in = *stream_;
  std::int64_t entry = offsetTable_ + 4 * static_cast<std::int64_t>(row);
  if (entry > kLargestPosition || !in.Seek(static_cast<std::int32_t>(entry), kSeekBegin)) return false;
  std::uint32_t offset = 0;
  if (!in.ReadU32(offset)) return false;
  if (offset > kLargestPosition || !in.Seek(static_cast<std::int32_t>(offset), kSeekBegin)) return false;
  std::uint32_t size = 0;
  if (!in.ReadU32(size)) return false;
  // A size beyond the stream's end is a short read: refused before allocating for it.
  CByteArray bytes;
  if (!ReadBlock(in, size, bytes)) return false;
  CMemoryStream body(bytes, kGenericRead, CMemoryStream::kFixed);
  if (!ReadBody(body, row)) return false;
  loaded_[row] = true;
  ++loadedCount_;
  return true;
}

// ---- row bodies ----

namespace {

// Each kind's row body reader is made from its layout at compile time: a text field is read (or skipped)
// as a text, and each run of fixed-width fields between two texts is read in one go and taken apart.

template <TableKind kKind>
constexpr std::span<const TableField> kBody = LayoutOf(kKind).body;

// The field after the run of fixed-width fields that starts with field `first`.
template <TableKind kKind>
consteval std::size_t RunEnd(std::size_t first) {
  while (first < kBody<kKind>.size() && kBody<kKind>[first].type != FieldType::kText) ++first;
  return first;
}

// Where field `field` starts within the run that starts with field `first`.
template <TableKind kKind>
consteval std::uint32_t RunOffset(std::size_t first, std::size_t field) {
  std::uint32_t offset = 0;
  for (; first < field; ++first) offset += FieldWidth(kBody<kKind>[first].type) * kBody<kKind>[first].count;
  return offset;
}

// One fixed-width field's values from its bytes in a run.
template <TableKind kKind, std::size_t kField>
void DecodeField(const std::uint8_t* p, TableRow& row) {
  constexpr TableField field = kBody<kKind>[kField];
  if constexpr (field.name != nullptr) {
    auto* values = field.values(row);
    for (std::uint32_t i = 0; i < field.count; ++i, p += FieldWidth(field.type)) {
      if constexpr (field.type == FieldType::kU8) {
        static_cast<std::uint8_t*>(values)[i] = p[0];
      } else if constexpr (field.type == FieldType::kU16) {
        static_cast<std::uint16_t*>(values)[i] = DecodeFixed16(p);
      } else if constexpr (field.type == FieldType::kI16) {
        static_cast<std::int16_t*>(values)[i] = static_cast<std::int16_t>(DecodeFixed16(p));
      } else if constexpr (field.type == FieldType::kU32) {
        static_cast<std::uint32_t*>(values)[i] = DecodeFixed32(p);
      } else {
        static_assert(field.type == FieldType::kRange);
        static_cast<TableRange*>(values)[i] = {static_cast<std::int16_t>(DecodeFixed16(p)),
                                               static_cast<std::int16_t>(DecodeFixed16(p + 2))};
      }
    }
  }
}

template <TableKind kKind, std::size_t kFirst, std::size_t... kFields>
void DecodeRun(const std::uint8_t* run, TableRow& row, std::index_sequence<kFields...>) {
  (DecodeField<kKind, kFirst + kFields>(run + RunOffset<kKind>(kFirst, kFirst + kFields), row), ...);
}

// The fields from field `kField` on; false when the body runs out.
template <TableKind kKind, std::size_t kField = 0>
bool ReadFieldsFrom(CStream& body, TableRow& row) {
  if constexpr (kField == kBody<kKind>.size()) {
    return true;
  } else if constexpr (kBody<kKind>[kField].type == FieldType::kText) {
    constexpr TableField field = kBody<kKind>[kField];
    for (std::uint32_t i = 0; i < field.count; ++i) {
      if constexpr (field.name != nullptr) {
        if (!ReadText(body, static_cast<std::string*>(field.values(row))[i])) return false;
      } else {
        if (!SkipText(body)) return false;
      }
    }
    return ReadFieldsFrom<kKind, kField + 1>(body, row);
  } else {
    constexpr std::size_t kEnd = RunEnd<kKind>(kField);
    constexpr std::uint32_t kSize = RunOffset<kKind>(kField, kEnd);
    std::uint8_t run[kSize];
    if (!body.ReadAll(run, kSize)) return false;
    DecodeRun<kKind, kField>(run, row, std::make_index_sequence<kEnd - kField>());
    return ReadFieldsFrom<kKind, kEnd>(body, row);
  }
}

// The readers of the seven kinds, in TableKind order.
template <std::size_t... kKinds>
constexpr auto MakeReaders(std::index_sequence<kKinds...>) {
  return std::array<bool (*)(CStream&, TableRow&), sizeof...(kKinds)>{
      &ReadFieldsFrom<static_cast<TableKind>(kKinds)>...};
}
constexpr auto kReaders = MakeReaders(std::make_index_sequence<kTableLayouts.size()>());

}  // namespace

bool TableFile::ReadFields(CStream& body, TableKind kind, TableRow& row) {
  return kReaders[static_cast<std::size_t>(kind)](body, row);
}

// ---- the tables of each kind ----

namespace {

// The row records of the seven kinds; each table type is found by its record's kind.
template <class... Rows>
struct RowTypes {
  static std::unique_ptr<TableFile> New(TableKind kind) {
    std::unique_ptr<TableFile> table;
    ([&] { if (kind == Rows::kKind) table = std::make_unique<TableOf<Rows>>(); }(), ...);
    return table;
  }
  static TableFile& ProcessWide(TableKind kind) {
    TableFile* table = nullptr;
    ([&] { if (kind == Rows::kKind) table = &ProcessTable<Rows>(); }(), ...);
    return *table;
  }
  template <class Row>
  static TableOf<Row>& ProcessTable() {
    static TableOf<Row> table;
    return table;
  }
};
using AllRows =
    RowTypes<NameRow, FilterRow, FixedRow, SourceTuneRow, SourceEquipRow, TargetTuneRow, TargetEquipRow>;

}  // namespace

std::unique_ptr<TableFile> NewTable(TableKind kind) { return AllRows::New(kind); }

// ---- the process-wide tables ----

NameTable& GetNameTable() { return AllRows::ProcessTable<NameRow>(); }
FilterTable& GetFilterTable() { return AllRows::ProcessTable<FilterRow>(); }
FixedTable& GetFixedTable() { return AllRows::ProcessTable<FixedRow>(); }
SourceTuneTable& GetSourceTuneTable() { return AllRows::ProcessTable<SourceTuneRow>(); }
SourceEquipTable& GetSourceEquipTable() { return AllRows::ProcessTable<SourceEquipRow>(); }
TargetTuneTable& GetTargetTuneTable() { return AllRows::ProcessTable<TargetTuneRow>(); }
TargetEquipTable& GetTargetEquipTable() { return AllRows::ProcessTable<TargetEquipRow>(); }
TableFile& GetTable(TableKind kind) { return AllRows::ProcessWide(kind); }

bool LoadConversionTables(const TableOpener& open) {
  bool all = true;
  for (const TableLayout& layout : kTableLayouts) {
    CSharedPtr<CStream> stream;
    // A member that cannot be served (even one whose decoding raises) is missing, never fatal.
    try {
      stream = open(std::string(layout.stem) + ".tbl");
    } catch (const Common::CException&) {
      stream.Release();
    }
    if (!GetTable(layout.kind).Load(stream)) all = false;
  }
  return all;
}

bool LoadConversionTables(CArchive& archive) {
  return LoadConversionTables([&archive](const std::string& fileName) { return archive.OpenRead(fileName); });
}

}  // namespace vmqdSDK
