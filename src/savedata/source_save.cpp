#include "savedata/source_save.h"

#include <cstring>

#include "archive/codec.h"
#include "archive/whole_file.h"

namespace vmqdSDK {

int ReadSourceSave(const std::string& path, SourceItemList& items) {
  std::string content;
  switch (ReadWholeFile(path, content)) {
    case WholeFile::kOk: break;
    case WholeFile::kOpenFailed: return kSourceSaveOpen;
    case WholeFile::kIoFailed: return kSourceSaveRead;
  }
  return ReadSourceSaveBytes(content.data(), static_cast<std::uint32_t>(content.size()), items);
}

int ReadSourceSaveBytes(const void* data, std::uint32_t size, SourceItemList& items) {
  // A container without a payload byte cannot be descrambled (an empty payload is not allowed).
  if (data == nullptr || size <= kVmqdHeaderSize) return kSourceSaveInvalid;
  const CByteArray payload = VmqdDescramble(data, size);
  if (payload.IsNull()) return kSourceSaveInvalid;
  CZlib zlib = MakeFormatZlib();
  const CByteArray inflated = zlib.Inflate(payload.Data(), payload.GetCount());
  if (inflated.IsNull()) return kSourceSaveInflate;
  return ReadSourceSaveData(inflated, items);
}

int ReadSourceSaveData(const CByteArray& data, SourceItemList& items) {
  CMemoryStream in(data, kGenericRead, CMemoryStream::kDoubling);
  // Only a null buffer leaves the stream closed, and a run comes here with inflated bytes, never null.
  if (in.IsClosed()) return kSourceSaveMemory;
  // A growable stream would satisfy a seek past its end by inventing zero bytes.
  if (in.GetSize() < kSourceSaveLeadingBytes || !in.Seek(kSourceSaveLeadingBytes, kSeekBegin)) {
    return kSourceSaveSeek;
  }
  for (int slot = 0; slot < kSourceSaveSlots; ++slot) {
    std::uint8_t flag = 0;
    if (!in.ReadAll(&flag, 1)) return kSourceSaveSlotFlag;
    if (flag == 0) continue;
    items.push_back(MakeShared<SourceItem>());
    if (!ReadSourceItem(in, *items.back())) return kSourceSaveSlotItem;
  }
  for (int list = 0; list < 2; ++list) {
    std::uint32_t count = 0;
    if (!in.ReadU32(count)) return kSourceSaveCount;
    // The count is not trusted: each record is made only as it is read, so a count beyond the data ends
    // at the first record that runs out of bytes.
    for (std::uint32_t i = 0; i < count; ++i) {
      items.push_back(MakeShared<SourceItem>());
      if (!ReadSourceItem(in, *items.back())) return kSourceSaveListItem;
    }
  }
  return kSourceSaveOk;
}

CByteArray BuildSourceSaveData(const SourceSaveImage& image) {
  CMemoryStream out(0, kGenericRead | kGenericWrite, CMemoryStream::kDoubling);
  bool ok = out.WriteAll(image.leading.data(), kSourceSaveLeadingBytes);
  for (int slot = 0; ok && slot < kSourceSaveSlots; ++slot) {
    ok = out.WriteAll(&image.slotFlags[slot], 1);
    if (ok && image.slotFlags[slot] != 0) ok = image.slots[slot] && WriteSourceRecord(out, *image.slots[slot]);
  }
  for (const auto& list : image.lists) {
    if (!ok) break;
    ok = list.size() <= 0xFFFFFFFFu && out.WriteU32(static_cast<std::uint32_t>(list.size()));
    for (const auto& record : list) {
      if (!ok) break;
      ok = record && WriteSourceRecord(out, *record);
    }
  }
  if (ok && !image.trailing.empty()) {
    ok = out.WriteAll(image.trailing.data(), static_cast<std::uint32_t>(image.trailing.size()));
  }
  if (!ok) return {};
  CByteArray data = CByteArray::AllocateUninitialized(out.GetSize());
  if (data.IsNull()) return {};
  std::memcpy(data.Data(), out.GetBuffer().Data(), out.GetSize());
  return data;
}

CByteArray EncodeSourceSave(const CByteArray& data, std::uint8_t key, const std::string& afterStream) {
  if (data.IsNull()) return {};
  CZlib zlib = MakeFormatZlib();
  const CByteArray stream = zlib.Deflate(data.Data(), data.GetCount(), CZlib::kEngineLevel);
  if (stream.IsNull()) return {};
  const std::uint64_t total = std::uint64_t{stream.GetCount()} + afterStream.size();
  if (total > 0xFFFFFFFFu - kVmqdHeaderSize) return {};
  std::string payload(reinterpret_cast<const char*>(stream.Data()), stream.GetCount());
  payload += afterStream;
  return VmqdScrambleWithKey(payload.data(), static_cast<std::uint32_t>(payload.size()), key);
}

bool WriteSourceSave(const std::string& path, const SourceSaveImage& image, std::uint8_t key) {
  const CByteArray file = EncodeSourceSave(BuildSourceSaveData(image), key);
  // A half-written file would only be mistaken for a save later: the writer leaves none.
  return !file.IsNull() && WriteNewFile(path, file.Data(), file.GetCount()) == WholeFile::kOk;
}

}  // namespace vmqdSDK
