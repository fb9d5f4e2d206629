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

// Where a top-level record starts in the inflated data, and its id: what the run sorts.
struct SourceItemPlace {
  std::uint32_t id = 0;
  std::uint32_t at = 0;
};

// A save's items as the run reads them: the inflated data, every record in it walked and checked once and
// left where it lies, and the places of the top-level records in read order.
struct SourceSaveItems {
  CByteArray data;
  std::vector<SourceItemPlace> places;
};

// Reads the file at `path` (CP932, "\" separators) that far. Returns 0 or the failure code; on a failure
// `items` is to be dropped.
int ReadSourceSaveItems(const std::string& path, SourceSaveItems& items);
// The same over the file's whole content.
int ReadSourceSaveItemsBytes(const void* data, std::uint32_t size, SourceSaveItems& items);
// The places of the top-level records in inflated data, from the 24 leading bytes on, each record walked
// whole and checked (nesting depth, length); after a failure `places` holds those found before it. Room is
// made only for as many records as the data can hold, whatever a count says.
int FindSourceItems(const CByteArray& data, std::vector<SourceItemPlace>& places);

// Every item read into memory, in read order: the same items, checks and codes as ReadSourceSaveItems. On
// a failure `items` holds the items found before it and is to be dropped.
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
