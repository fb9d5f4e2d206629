// The source game's save: a "vmqd" container around a zlib stream around the item records. Reading gives
// every item in read order (five slots, then two lists) or the code of the step that failed; the writer
// makes such files for tests and sample data (the tool itself never writes one).
// Format: docs/formats/source-save.md
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/shared.h"
#include "archive/stream.h"
#include "items/item.h"

namespace vmqdSDK {

using SourceItemList = std::vector<CSharedPtr<SourceItem>>;

// Failure codes of reading the source save, one per step; the run reports them as they are.
enum SourceSaveCode : int {
  kSourceSaveOk = 0,
  kSourceSaveOpen = 344,      // cannot be opened
  kSourceSaveRead = 350,      // cannot be read whole
  kSourceSaveInvalid = 356,   // too short, or the check value does not match
  kSourceSaveInflate = 362,   // not a complete zlib stream
  kSourceSaveMemory = 368,    // no memory stream over the inflated data
  kSourceSaveSeek = 375,      // inflated data shorter than its 24 leading bytes
  kSourceSaveSlotFlag = 385,  // a slot flag is missing
  kSourceSaveSlotItem = 391,  // a slot item is cut short or nested too deep
  kSourceSaveCount = 401,     // a list count is missing
  kSourceSaveListItem = 408,  // a list item is cut short or nested too deep
};

inline constexpr int kSourceSaveSlots = 5;
inline constexpr std::uint32_t kSourceSaveLeadingBytes = 24;

// Reads the file at `path` (CP932, "\" separators). `items` receives every item read, in read order; on a
// failure it may hold items read before it and is to be dropped. Returns 0 or the failure code.
int ReadSourceSave(const std::string& path, SourceItemList& items);
// The same over the file's whole content.
int ReadSourceSaveBytes(const void* data, std::uint32_t size, SourceItemList& items);
// The same over inflated data, from the 24 leading bytes on.
int ReadSourceSaveData(const CByteArray& data, SourceItemList& items);

// Everything a source save holds, as written.
struct SourceSaveImage {
  std::array<std::uint8_t, kSourceSaveLeadingBytes> leading{};
  // Any non-zero flag writes the slot's record.
  std::array<std::uint8_t, kSourceSaveSlots> slotFlags{};
  std::array<CSharedPtr<SourceRecord>, kSourceSaveSlots> slots;
  std::array<std::vector<CSharedPtr<SourceRecord>>, 2> lists;
  std::string trailing;  // bytes after the second list
};

// The inflated form; empty when a set slot flag has no record.
CByteArray BuildSourceSaveData(const SourceSaveImage& image);
// The file form of inflated data: zlib stream, then `afterStream` bytes, scrambled with `key`.
CByteArray EncodeSourceSave(const CByteArray& data, std::uint8_t key, const std::string& afterStream = "");
// Writes a new file (an existing one is not touched); false when anything fails.
bool WriteSourceSave(const std::string& path, const SourceSaveImage& image, std::uint8_t key);

}  // namespace vmqdSDK
