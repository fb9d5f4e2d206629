// An independent writer of ".tbl" files for tests: every part of the file is spelt out by the test, so
// damaged files (short bodies, lying sizes, odd key blocks) are as easy to make as sound ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/shared.h"
#include "archive/stream.h"

namespace vmqdSDK::test {

// Little-endian bytes of a row body, built field by field.
class Bytes {
 public:
  Bytes& U8(std::uint8_t v);
  Bytes& U16(std::uint16_t v);
  Bytes& I16(std::int16_t v) { return U16(static_cast<std::uint16_t>(v)); }
  Bytes& U32(std::uint32_t v);
  // u32 length, then the text and a NUL (the length counts the NUL).
  Bytes& Text(const std::string& text);
  // u32 length, then exactly these bytes.
  Bytes& Raw32(const std::string& bytes);
  Bytes& Zeros(std::size_t n) { data_.append(n, '\0'); return *this; }
  Bytes& DropLast() { if (!data_.empty()) data_.pop_back(); return *this; }
  const std::string& str() const { return data_; }

 private:
  std::string data_;
};

struct TableRowImage {
  TableRowImage(std::uint32_t k, std::string b, std::optional<std::uint32_t> size = std::nullopt,
                std::optional<std::uint32_t> offset = std::nullopt)
      : key(k), body(std::move(b)), sizeField(size), offsetField(offset) {}

  std::uint32_t key = 0;
  std::string body;
  std::optional<std::uint32_t> sizeField;    // the row's u32 size; default: body size
  std::optional<std::uint32_t> offsetField;  // the offset table entry; default: where the row is
};

struct TableImage {
  std::string magic = std::string("tbl\0", 4);
  std::uint8_t header = 1;
  std::vector<TableRowImage> rows;
  std::optional<std::uint32_t> rowCount;      // default: rows.size()
  std::optional<std::uint32_t> keyBlockSize;  // default: 4 × rows; a larger block is padded with 0xEE
};

// The whole file: header, key block, offset table, then the rows in order.
std::string WriteTableImage(const TableImage& image);
// A sound file of these rows.
std::string WriteTableRows(std::vector<TableRowImage> rows);

// A read-only memory stream over the bytes.
CSharedPtr<CStream> StreamOver(const std::string& bytes);

// Row bodies of the two kinds with skipped fields: junk in them by default, or zeros and empty texts as the
// table builder writes them.
struct TargetTuneBody {
  std::uint8_t qualityLo = 0, qualityHi = 0;
  std::uint16_t durabilityLo = 0, durabilityHi = 0;
  std::int16_t params[36] = {};  // 18 × (lo, hi)
};
std::string MakeTargetTuneBody(const TargetTuneBody& b, bool blankSkips = false);

struct TargetEquipBody {
  std::int16_t capacityLo = 0, capacityHi = 0;
  std::uint16_t reserved = 0;
  std::uint16_t durabilityLo = 0, durabilityHi = 0;
  std::int16_t params[36] = {};
};
std::string MakeTargetEquipBody(const TargetEquipBody& b, bool blankSkips = false);

}  // namespace vmqdSDK::test
