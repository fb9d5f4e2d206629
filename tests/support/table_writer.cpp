#include "support/table_writer.h"

#include <cstring>

#include "foundation/platform/platform.h"

namespace vmqdSDK::test {
namespace {

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

Bytes& Bytes::U8(std::uint8_t v) {
  data_.push_back(static_cast<char>(v));
  return *this;
}

Bytes& Bytes::U16(std::uint16_t v) {
  data_.push_back(static_cast<char>(v & 0xFF));
  data_.push_back(static_cast<char>(v >> 8));
  return *this;
}

Bytes& Bytes::U32(std::uint32_t v) {
  PutU32(data_, v);
  return *this;
}

Bytes& Bytes::Text(const std::string& text) { return Raw32(text + std::string(1, '\0')); }

Bytes& Bytes::Raw32(const std::string& bytes) {
  U32(static_cast<std::uint32_t>(bytes.size()));
  data_ += bytes;
  return *this;
}

std::string WriteTableImage(const TableImage& image) {
  const std::uint32_t n = static_cast<std::uint32_t>(image.rows.size());
  const std::uint32_t kbs = image.keyBlockSize.value_or(4 * n);
  std::string out = image.magic;
  out.push_back(static_cast<char>(image.header));
  PutU32(out, image.rowCount.value_or(n));
  PutU32(out, kbs);
  std::string keys;
  for (const TableRowImage& row : image.rows) PutU32(keys, row.key);
  if (keys.size() < kbs) keys.append(kbs - keys.size(), '\xEE');
  keys.resize(kbs);
  out += keys;
  std::uint32_t rowAt = static_cast<std::uint32_t>(out.size()) + 4 * n;
  std::string rows;
  for (const TableRowImage& row : image.rows) {
    PutU32(out, row.offsetField.value_or(rowAt + static_cast<std::uint32_t>(rows.size())));
    PutU32(rows, row.sizeField.value_or(static_cast<std::uint32_t>(row.body.size())));
    rows += row.body;
  }
  return out + rows;
}

std::string WriteTableRows(std::vector<TableRowImage> rows) {
  TableImage image;
  image.rows = std::move(rows);
  return WriteTableImage(image);
}

CSharedPtr<CStream> StreamOver(const std::string& bytes) {
  CByteArray buffer = CByteArray::Allocate(static_cast<std::uint32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(buffer.Data(), bytes.data(), bytes.size());
  return CSharedPtr<CStream>(new CMemoryStream(buffer, kGenericRead, CMemoryStream::kFixed));
}

std::string MakeTargetTuneBody(const TargetTuneBody& b, bool blankSkips) {
  auto text = [&](const char* junk) { return std::string(blankSkips ? "" : junk); };
  auto u8 = [&](std::uint8_t junk) { return static_cast<std::uint8_t>(blankSkips ? 0 : junk); };
  Bytes out;
  out.U32(blankSkips ? 0 : 0xA1A2A3A4).Text(text("skip-a")).U8(u8(0xB1)).U8(u8(0xB2));
  out.U8(b.qualityLo).U8(b.qualityHi).U16(b.durabilityLo).U16(b.durabilityHi);
  for (std::int16_t v : b.params) out.I16(v);
  out.Text(text("skip-b")).Text("").Text(text("skip-d"));
  return out.str();
}

std::string MakeTargetEquipBody(const TargetEquipBody& b, bool blankSkips) {
  auto text = [&](const char* junk) { return std::string(blankSkips ? "" : junk); };
  auto u8 = [&](int junk) { return static_cast<std::uint8_t>(blankSkips ? 0 : junk); };
  auto u32 = [&](std::uint32_t junk) { return blankSkips ? 0u : junk; };
  Bytes out;
  out.U32(u32(0xC1C2C3C4)).Text(text("skip-a")).U8(u8(1)).U8(u8(2)).U8(u8(3)).U8(u8(4));
  out.I16(b.capacityLo).I16(b.capacityHi).U16(b.reserved);
  out.U8(u8(0xD1));
  for (std::uint32_t i = 0; i < 5; ++i) out.U32(u32(0xE0000000u + i));
  out.U8(u8(0xD2));
  for (std::uint32_t i = 0; i < 10; ++i) out.U32(u32(0xF0000000u + i));
  out.U16(b.durabilityLo).U16(b.durabilityHi);
  out.U32(u32(0x11111111)).U32(u32(0x22222222));
  for (std::int16_t v : b.params) out.I16(v);
  out.Text(text("skip-b")).Text(text("skip-c")).U8(u8(5)).U8(u8(6)).U8(u8(7)).Text(text("skip-d"));
  for (int i = 0; i < 30; ++i) out.U8(u8(0x80 + i));
  return out.str();
}

}  // namespace vmqdSDK::test
