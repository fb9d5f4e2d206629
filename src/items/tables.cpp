#include "items/tables.h"

#include <algorithm>
#include <vector>

#include "archive/archive.h"
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

bool ReadI16(CStream& s, std::int16_t& v) {
  std::uint16_t u = 0;
  if (!s.ReadU16(u)) return false;
  v = static_cast<std::int16_t>(u);
  return true;
}

bool ReadRange(CStream& s, TableRange& range) { return ReadI16(s, range.lo) && ReadI16(s, range.hi); }

template <std::size_t N>
bool ReadRanges(CStream& s, std::array<TableRange, N>& ranges) {
  for (TableRange& range : ranges) {
    if (!ReadRange(s, range)) return false;
  }
  return true;
}

bool ReadText(CStream& s, std::string& text) { return s.ReadString32(text, kNoMaximum); }

// Reads past fields that no operation uses; a string still has to be there in full.
bool SkipBytes(CStream& s, std::uint32_t n) {
  std::uint8_t scratch[64];
  while (n > 0) {
    std::uint32_t chunk = std::min<std::uint32_t>(n, sizeof scratch);
    if (!s.ReadAll(scratch, chunk)) return false;
    n -= chunk;
  }
  return true;
}

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

bool ParamRanges::Read(CStream& body) {
  ParamRanges parsed;
  for (ParamFlag flag : kParamFlags) {
    TableRange range;
    if (!ReadRange(body, range)) return false;
    parsed.Set(flag, range);
  }
  *this = parsed;
  return true;
}

// ---- TableFile ----

void TableFile::Clear() {
  stream_.Release();
  offsetTable_ = -1;
  headerByte_ = 1;
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

  std::uint8_t magic[4] = {};
  if (!in.ReadAll(magic, 4)) {
    Fail("read/h");
    return false;
  }
  if (magic[0] != 't' || magic[1] != 'b' || magic[2] != 'l' || magic[3] != 0) {
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

bool NameTable::ParseBody(CStream& body, NameRow& row) { return ReadText(body, row.name); }

bool FilterTable::ParseBody(CStream& body, FilterRow& row) {
  return body.ReadU32(row.newBaseId) && ReadText(body, row.newName);
}

bool FixedTable::ParseBody(CStream& body, FixedRow& row) {
  return body.ReadU32(row.newBaseId) && ReadText(body, row.newName) && body.ReadU8(row.reserved);
}

bool SourceTuneTable::ParseBody(CStream& body, SourceTuneRow& row) {
  return ReadRange(body, row.gradeRange) && ReadRanges(body, row.paramRanges);
}

bool SourceEquipTable::ParseBody(CStream& body, SourceEquipRow& row) {
  return ReadRange(body, row.gradeRange) && ReadRange(body, row.durabilityRange) &&
         ReadRanges(body, row.paramRanges);
}

bool TargetTuneTable::ParseBody(CStream& body, TargetTuneRow& row) {
  return SkipBytes(body, 4) && SkipText(body) && SkipBytes(body, 2) &&  //
         body.ReadU8(row.qualityLo) && body.ReadU8(row.qualityHi) &&    //
         body.ReadU16(row.durabilityLo) && body.ReadU16(row.durabilityHi) && row.params.Read(body) &&
         SkipText(body) && SkipText(body) && SkipText(body);
}

bool TargetEquipTable::ParseBody(CStream& body, TargetEquipRow& row) {
  std::uint16_t capacityLo = 0, capacityHi = 0;
  bool ok = SkipBytes(body, 4) && SkipText(body) && SkipBytes(body, 4) &&  //
            body.ReadU16(capacityLo) && body.ReadU16(capacityHi) && body.ReadU16(row.reserved) &&
            SkipBytes(body, 1 + 5 * 4 + 1 + 10 * 4) &&  //
            body.ReadU16(row.durabilityLo) && body.ReadU16(row.durabilityHi) &&
            SkipBytes(body, 2 * 4) && row.params.Read(body) &&  //
            SkipText(body) && SkipText(body) && SkipBytes(body, 3) && SkipText(body) && SkipBytes(body, 30);
  row.capacityLo = static_cast<std::int16_t>(capacityLo);
  row.capacityHi = static_cast<std::int16_t>(capacityHi);
  return ok;
}

// ---- the process-wide tables ----

NameTable& GetNameTable() {
  static NameTable table;
  return table;
}
FilterTable& GetFilterTable() {
  static FilterTable table;
  return table;
}
FixedTable& GetFixedTable() {
  static FixedTable table;
  return table;
}
SourceTuneTable& GetSourceTuneTable() {
  static SourceTuneTable table;
  return table;
}
SourceEquipTable& GetSourceEquipTable() {
  static SourceEquipTable table;
  return table;
}
TargetTuneTable& GetTargetTuneTable() {
  static TargetTuneTable table;
  return table;
}
TargetEquipTable& GetTargetEquipTable() {
  static TargetEquipTable table;
  return table;
}

bool LoadConversionTables(const TableOpener& open) {
  const std::string ext = ".tbl";
  const std::string tune = "_tune", equip = "_equip";
  struct Entry {
    std::string fileName;
    TableFile& table;
  } entries[] = {
      {"name" + ext, GetNameTable()},
      {"filter" + ext, GetFilterTable()},
      {"fixed" + ext, GetFixedTable()},
      {"lg" + tune + ext, GetSourceTuneTable()},
      {"lg" + equip + ext, GetSourceEquipTable()},
      {"nw" + tune + ext, GetTargetTuneTable()},
      {"nw" + equip + ext, GetTargetEquipTable()},
  };
  bool all = true;
  for (Entry& entry : entries) {
    CSharedPtr<CStream> stream;
    // A member that cannot be served (even one whose decoding raises) is missing, never fatal.
    try {
      stream = open(entry.fileName);
    } catch (const Common::CException&) {
      stream.Release();
    }
    if (!entry.table.Load(stream)) all = false;
  }
  return all;
}

bool LoadConversionTables(CArchive& archive) {
  return LoadConversionTables([&archive](const std::string& fileName) { return archive.OpenRead(fileName); });
}

}  // namespace vmqdSDK
