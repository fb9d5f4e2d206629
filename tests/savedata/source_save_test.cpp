#include "savedata/source_save.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "archive/codec.h"
#include "support/temp_folder.h"

namespace vmqdSDK {
namespace {

std::string Str(const CByteArray& a) {
  return a.GetCount() == 0 ? std::string() : std::string(reinterpret_cast<const char*>(a.Data()), a.GetCount());
}

CByteArray Arr(const std::string& s) {
  CByteArray a = CByteArray::Allocate(static_cast<std::uint32_t>(s.size()));
  if (!s.empty()) std::memcpy(a.Data(), s.data(), s.size());
  return a;
}

CSharedPtr<SourceRecord> Record(std::uint32_t id) {
  CSharedPtr<SourceRecord> r = MakeShared<SourceRecord>();
  r->item.id = id;
  r->item.gradeValue = static_cast<std::int16_t>(id);
  r->item.status[3] = static_cast<std::int16_t>(-static_cast<int>(id));
  return r;
}

// Slot items in slots 1 and 3 (the second with nesting in both slot sets), two items in the first list
// and one in the second, and everything the reader must skip filled in.
SourceSaveImage FullImage() {
  SourceSaveImage image;
  for (std::size_t i = 0; i < image.leading.size(); ++i) image.leading[i] = static_cast<std::uint8_t>(0xA0 + i);
  image.slotFlags = {1, 0, 0xFF, 0, 0};
  image.slots[0] = Record(100);
  image.slots[2] = Record(300);
  image.slots[2]->item.tuneSlotFlags[1] = 2;
  image.slots[2]->nested[1] = Record(310);
  image.slots[2]->discardedFlags[4] = 1;
  image.slots[2]->discarded[4] = Record(999);
  image.lists[0] = {Record(7), Record(7000)};
  image.lists[1] = {Record(5)};
  image.trailing = "trailing bytes";
  return image;
}

// What was read, record by record in the writer's layout: equal summaries mean equal items.
std::string Summary(const SourceItemList& items) {
  std::string all;
  for (const CSharedPtr<SourceItem>& item : items) {
    CMemoryStream out(0, kGenericRead | kGenericWrite, CMemoryStream::kDoubling);
    EXPECT_TRUE(WriteSourceRecord(out, *RecordOf(*item)));
    all += std::string(reinterpret_cast<const char*>(out.GetBuffer().Data()), out.GetSize()) + "|";
  }
  return all;
}

int Read(const std::string& file, SourceItemList* items = nullptr) {
  SourceItemList own;
  return ReadSourceSaveBytes(file.data(), static_cast<std::uint32_t>(file.size()), items ? *items : own);
}

std::string FileOf(const std::string& data, std::uint8_t key = 0x3C, const std::string& afterStream = "") {
  return Str(EncodeSourceSave(Arr(data), key, afterStream));
}

TEST(SourceSaveTest, ReadsSlotsThenListsInOrder) {
  SourceItemList items;
  ASSERT_EQ(Read(Str(EncodeSourceSave(BuildSourceSaveData(FullImage()), 0x3C)), &items), kSourceSaveOk);
  ASSERT_EQ(items.size(), 5u);
  const std::uint32_t ids[] = {100, 300, 7, 7000, 5};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(items[i]->id, ids[i]) << i;
  EXPECT_EQ(items[4]->status[3], -5);
  ASSERT_TRUE(items[1]->tuneSlots[1]);
  EXPECT_EQ(items[1]->tuneSlots[1]->id, 310u);
  EXPECT_FALSE(items[1]->tuneSlots[4]);

  SourceSaveImage empty;
  items.clear();
  EXPECT_EQ(Read(Str(EncodeSourceSave(BuildSourceSaveData(empty), 0))), kSourceSaveOk);
  EXPECT_EQ(Read(Str(EncodeSourceSave(BuildSourceSaveData(empty), 0)), &items), kSourceSaveOk);
  EXPECT_TRUE(items.empty());
}

TEST(SourceSaveTest, SkippedBytesAndKeyChangeNothing) {
  SourceItemList base;
  ASSERT_EQ(Read(FileOf(Str(BuildSourceSaveData(FullImage()))), &base), kSourceSaveOk);

  struct Case {
    const char* name;
    std::string file;
  };
  SourceSaveImage other = FullImage();
  other.leading.fill(0);
  other.trailing.clear();
  const std::string data = Str(BuildSourceSaveData(other));
  const Case cases[] = {
      {"other leading bytes, no trailing bytes", FileOf(data)},
      {"bytes after the zlib stream", FileOf(data, 0x3C, std::string("\0junk\xFF", 6))},
      {"key 0", FileOf(data, 0)},
      {"key 255", FileOf(data, 255)},
      {"key 7", FileOf(data, 7)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SourceItemList items;
    ASSERT_EQ(Read(c.file, &items), kSourceSaveOk);
    EXPECT_EQ(Summary(items), Summary(base));
  }
}

// Inflated data in the zlib format, also for data the engine will not deflate (none at all).
std::string Compressed(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                     data.size()),
            Z_OK);
  out.resize(size);
  return out;
}

std::string Scrambled(const std::string& payload, std::uint8_t key = 9) {
  return Str(VmqdScrambleWithKey(payload.data(), static_cast<std::uint32_t>(payload.size()), key));
}

TEST(SourceSaveTest, EachFailingStepHasItsCode) {
  const std::string good = FileOf(Str(BuildSourceSaveData(FullImage())));

  // The last slot only: its record ends where the two zero counts begin.
  SourceSaveImage slotsOnly;
  slotsOnly.slotFlags = {0, 0, 0, 0, 3};
  slotsOnly.slots[4] = Record(1);
  slotsOnly.slots[4]->item.tuneSlotFlags[0] = 1;
  slotsOnly.slots[4]->nested[0] = Record(2);
  const std::string slotData = Str(BuildSourceSaveData(slotsOnly));
  const std::size_t slotsEnd = slotData.size() - 8;

  // One list item; the slots are all empty, so the first count stands at offset 29.
  SourceSaveImage listOnly;
  listOnly.lists[0] = {Record(1)};
  const std::string listData = Str(BuildSourceSaveData(listOnly));
  auto withCount = [&](std::uint32_t count) {
    std::string d = listData;
    for (int i = 0; i < 4; ++i) d[29 + i] = static_cast<char>(count >> (8 * i));
    return FileOf(d);
  };

  // A slot item nested 65 levels deep.
  SourceSaveImage deep;
  deep.slotFlags[4] = 1;
  deep.slots[4] = Record(0);
  SourceRecord* at = deep.slots[4].Get();
  for (int d = 1; d <= 65; ++d) {
    at->item.tuneSlotFlags[2] = 1;
    at->nested[2] = Record(static_cast<std::uint32_t>(d));
    at = at->nested[2].Get();
  }

  std::string flippedPayload = good;
  flippedPayload[good.size() / 2] ^= 0x01;
  std::string flippedKey = good;
  flippedKey[4] ^= 0x80;
  std::string flippedCheck = good;
  flippedCheck[0] ^= 0x01;
  const std::string stream = Compressed(listData);

  struct Case {
    const char* name;
    std::string file;
    int code;
  };
  const Case cases[] = {
      {"empty file", "", kSourceSaveInvalid},
      {"five bytes: no payload", Scrambled(""), kSourceSaveInvalid},
      {"payload byte changed", flippedPayload, kSourceSaveInvalid},
      {"key byte changed", flippedKey, kSourceSaveInvalid},
      {"check value changed", flippedCheck, kSourceSaveInvalid},
      {"last byte cut", good.substr(0, good.size() - 1), kSourceSaveInvalid},
      {"payload not zlib", Scrambled("not a zlib stream"), kSourceSaveInflate},
      {"zlib stream cut short", Scrambled(stream.substr(0, stream.size() - 3)), kSourceSaveInflate},
      {"no inflated bytes", Scrambled(Compressed("")), kSourceSaveSeek},
      {"inflated data shorter than 24 bytes", Scrambled(Compressed(std::string(23, 'x'))), kSourceSaveSeek},
      {"data ends in the slot flags", FileOf(std::string(24 + 4, '\0')), kSourceSaveSlotFlag},
      {"data ends in a slot item", FileOf(slotData.substr(0, slotsEnd - 1)), kSourceSaveSlotItem},
      {"slot item nested 65 levels", FileOf(Str(BuildSourceSaveData(deep))), kSourceSaveSlotItem},
      {"data ends after the slots", FileOf(slotData.substr(0, slotsEnd)), kSourceSaveCount},
      {"second count cut", FileOf(slotData.substr(0, slotData.size() - 1)), kSourceSaveCount},
      {"data ends in a list item", FileOf(listData.substr(0, listData.size() - 5)), kSourceSaveListItem},
      {"count beyond the records", withCount(2), kSourceSaveListItem},
      {"largest count", withCount(0xFFFFFFFFu), kSourceSaveListItem},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Read(c.file), c.code);
  }
  EXPECT_EQ(Read(withCount(1)), kSourceSaveOk);  // the edited file itself is sound
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(test::NativePath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SourceSaveTest, FileIsWrittenNewAndReadBack) {
  test::TempFolder folder;
  const std::string path = folder.Path() + "save00.dat";
  SourceItemList items;
  EXPECT_EQ(ReadSourceSave(path, items), kSourceSaveOpen);
  EXPECT_EQ(ReadSourceSave(folder.Path(), items), kSourceSaveOpen);  // a folder is no file

  ASSERT_TRUE(WriteSourceSave(path, FullImage(), 0xC3));
  const std::string written = FileBytes(path);
  ASSERT_GT(written.size(), 5u);
  EXPECT_EQ(static_cast<std::uint8_t>(written[4]), 0xC3);
  EXPECT_EQ(ReadSourceSave(path, items), kSourceSaveOk);
  EXPECT_EQ(items.size(), 5u);

  // An existing file is never replaced.
  SourceSaveImage empty;
  EXPECT_FALSE(WriteSourceSave(path, empty, 0));
  EXPECT_EQ(FileBytes(path), written);
}

}  // namespace
}  // namespace vmqdSDK
