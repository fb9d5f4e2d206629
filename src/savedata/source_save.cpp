#include "savedata/source_save.h"

#include <algorithm>
#include <cstring>

#include "archive/codec.h"
#include "archive/whole_file.h"
#include "foundation/coding.h"

namespace vmqdSDK {

namespace {

int ReadFileContent(const std::string& path, std::string& content) {
  switch (ReadWholeFile(path, content)) {
    case WholeFile::kOk: return kSourceSaveOk;
    case WholeFile::kOpenFailed: return kSourceSaveOpen;
    case WholeFile::kIoFailed: return kSourceSaveRead;
  }
  return kSourceSaveRead;
}

int Inflate(const void* data, std::uint32_t size, CByteArray& inflated) {
  // A container without a payload byte cannot be descrambled (an empty payload is not allowed).
  if (data == nullptr || size <= kVmqdHeaderSize) return kSourceSaveInvalid;
  const CByteArray payload = VmqdDescramble(data, size);
  if (payload.IsNull()) return kSourceSaveInvalid;
  CZlib zlib = MakeFormatZlib();
  inflated = zlib.Inflate(payload.Data(), payload.GetCount());
  if (inflated.IsNull()) return kSourceSaveInflate;
  return kSourceSaveOk;
}

}  // namespace

int ReadSourceSaveItems(const std::string& path, SourceSaveItems& items) {
  std::string content;
  if (int code = ReadFileContent(path, content)) return code;
  return ReadSourceSaveItemsBytes(content.data(), static_cast<std::uint32_t>(content.size()), items);
}

int ReadSourceSaveItemsBytes(const void* data, std::uint32_t size, SourceSaveItems& items) {
  items = SourceSaveItems{};
  if (int code = Inflate(data, size, items.data)) return code;
  return FindSourceItems(items.data, items.places);
}

int FindSourceItems(const CByteArray& data, std::vector<SourceItemPlace>& places) {
  places.clear();
  // Only null data would leave a memory stream over it closed, and a run comes here with inflated bytes.
  if (data.IsNull()) return kSourceSaveMemory;
  const std::uint8_t* const bytes = data.Data();
  const std::size_t size = data.GetCount();
  if (size < kSourceSaveLeadingBytes) return kSourceSaveSeek;
  std::size_t at = kSourceSaveLeadingBytes;
  auto walk = [&](std::size_t start) {
    if (!SkipSourceRecord(bytes, size, at)) return false;
    places.push_back({DecodeFixed32(bytes + start), static_cast<std::uint32_t>(start)});
    return true;
  };
  for (int slot = 0; slot < kSourceSaveSlots; ++slot) {
    if (at >= size) return kSourceSaveSlotFlag;
    const std::uint8_t flag = bytes[at++];
    if (flag != 0 && !walk(at)) return kSourceSaveSlotItem;
  }
  for (int list = 0; list < 2; ++list) {
    if (size - at < 4) return kSourceSaveCount;
    const std::uint32_t count = DecodeFixed32(bytes + at);
    at += 4;
    // The count is not trusted: room is made only for the records the data can hold, and a count beyond
    // them ends at the first record that runs out of bytes.
    places.reserve(places.size() + std::min<std::size_t>(count, (size - at) / kSmallestSourceRecord));
    for (std::uint32_t i = 0; i < count; ++i) {
      if (!walk(at)) return kSourceSaveListItem;
    }
  }
  return kSourceSaveOk;
}

int ReadSourceSave(const std::string& path, SourceItemList& items) {
  std::string content;
  if (int code = ReadFileContent(path, content)) return code;
  return ReadSourceSaveBytes(content.data(), static_cast<std::uint32_t>(content.size()), items);
}

int ReadSourceSaveBytes(const void* data, std::uint32_t size, SourceItemList& items) {
  CByteArray inflated;
  if (int code = Inflate(data, size, inflated)) return code;
  return ReadSourceSaveData(inflated, items);
}

int ReadSourceSaveData(const CByteArray& data, SourceItemList& items) {
  std::vector<SourceItemPlace> places;
  const int code = FindSourceItems(data, places);
  // Each record is read from where the walk found it, which has checked it already; after a failure, the
  // records found before it are read all the same.
  CMemoryStream in(data, kGenericRead, CMemoryStream::kFixed);
  items.reserve(items.size() + places.size());
  for (const SourceItemPlace& place : places) {
    items.push_back(MakeShared<SourceItem>());
    if (!in.Seek(static_cast<std::int32_t>(place.at), kSeekBegin) || !ReadSourceItem(in, *items.back())) {
      return kSourceSaveListItem;
    }
  }
  return code;
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
