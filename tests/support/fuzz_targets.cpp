#include "support/fuzz_targets.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "archive/archive.h"
#include "archive/codec.h"
#include "archive/stream.h"
#include "items/converter.h"
#include "items/tables.h"
#include "savedata/source_save.h"
#include "support/item_tables.h"
#include "support/table_writer.h"
#include "support/temp_folder.h"
#include "username/user_name.h"

namespace vmqdSDK::test {
namespace {

// Inputs beyond this size only slow the fuzzer down; the formats' limits are reached with far less.
constexpr std::size_t kMaxInput = 1 << 20;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "fuzz property broken: %s\n", what);
  std::abort();
}

std::string Text(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// The bytes with their first four replaced by the CRC-32 of the rest, as a sound "vmqd" container has.
std::string WithCheckValue(const std::uint8_t* data, std::size_t size) {
  std::string bytes = Text(data, size);
  if (bytes.size() < 5) return bytes;
  const std::uint32_t crc = Crc32(bytes.data() + 4, static_cast<std::uint32_t>(bytes.size() - 4));
  for (int b = 0; b < 4; ++b) bytes[b] = static_cast<char>(crc >> (8 * b));
  return bytes;
}

// Reads past the end give zeros: the conversion target takes its tables from however many bytes there are.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | (U8() << 8)); }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(U16()) | (static_cast<std::uint32_t>(U16()) << 16); }
  Range Pair() { return {I16(), I16()}; }
  std::size_t Position() const { return pos_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// New base ids at the edges of the categories, so that every branch of the conversion is in reach.
std::uint32_t BaseId(ByteReader& in) {
  static const std::uint32_t kIds[] = {999,  1010,  1011,   1100,   1186,   1187,    2999,    3000, 3500,
                                       3999, 4000,  4500,   4999,   5000,   5999,    6000,    15000, 17999,
                                       99999, 100000, 500000, 999999, 1000000, 0xFFFFFFFFu};
  const std::uint8_t pick = in.U8();
  return pick < std::size(kIds) ? kIds[pick] : in.U32();
}

template <class Table>
void LookUpEverything(Table& table, const std::string& bytes) {
  table.Load(StreamOver(bytes));
  const std::uint32_t rows = table.RowCount();
  for (std::uint32_t i = 0; i < rows; ++i) {
    // Keys out of order in a damaged file may hide a row from the search, but never give a wrong one.
    if (const auto* row = table.GetRow(i)) {
      if (const auto* found = table.Find(row->key); found != nullptr && found->key != row->key) {
        Broken("a look-up gives a row of another key");
      }
    }
  }
  for (std::uint32_t key : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    if (const auto* found = table.Find(key); found != nullptr && found->key != key) Broken("a look-up gives a row of another key");
  }
  // A second pass finds the loaded rows already in memory and retries the damaged ones.
  for (std::uint32_t i = 0; i < rows; ++i) table.GetRow(i);
}

// A record viewed where it lies holds what reading it into memory gives, all the way down.
bool SameItem(const SourceRecordView& view, const SourceItem& item) {
  const SourceItemValues& v = view.values;
  auto same = [](const auto& a, const auto& b) { return std::equal(std::begin(a), std::end(a), std::begin(b)); };
  if (v.id != item.id || v.durabilityValue != item.durabilityValue || v.spareWord != item.spareWord ||
      v.gradeValue != item.gradeValue || !same(v.spareBytes, item.spareBytes) ||
      !same(v.tuneSlotFlags, item.tuneSlotFlags) || !same(v.status, item.status) ||
      !same(v.attribute, item.attribute) || !same(v.mob, item.mob)) {
    return false;
  }
  for (int i = 0; i < kTuneSlotCount; ++i) {
    SourceRecordView nested;
    const bool viewed = ViewTuneSlot(view, i, nested);
    const SourceItem* read = FilledTuneSlot(item, i);
    if (viewed != (read != nullptr) || (viewed && !SameItem(nested, *read))) return false;
  }
  return true;
}

}  // namespace

void FuzzSourceSave(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return;
  const auto n = static_cast<std::uint32_t>(size);
  SourceItemList items;
  ReadSourceSaveBytes(data, n, items);
  items.clear();
  const std::string fixed = WithCheckValue(data, size);
  ReadSourceSaveBytes(fixed.data(), n, items);
  items.clear();
  if (size == 0) return;
  CByteArray inflated = CByteArray::AllocateUninitialized(n);
  std::memcpy(inflated.Data(), data, size);
  SourceItemList direct;
  const int directCode = ReadSourceSaveData(inflated, direct);
  // The same data through every layer must read the same: the layers add nothing and lose nothing.
  const CByteArray file = EncodeSourceSave(inflated, data[0]);
  if (file.IsNull()) Broken("a source save could not be encoded");
  SourceItemList layered;
  const int layeredCode = ReadSourceSaveBytes(file.Data(), file.GetCount(), layered);
  if (layeredCode != directCode || (directCode == kSourceSaveOk && layered.size() != direct.size())) {
    Broken("the file layers change what the item data reads as");
  }
  // The run's way, the records left where they lie, finds the same items.
  SourceSaveItems placed;
  if (ReadSourceSaveItemsBytes(file.Data(), file.GetCount(), placed) != directCode) {
    Broken("the records found where they lie and the records read end differently");
  }
  if (directCode != kSourceSaveOk) return;
  if (placed.places.size() != direct.size()) Broken("the records found where they lie are not the records read");
  for (std::size_t i = 0; i < direct.size(); ++i) {
    SourceRecordView view;
    const SourceItemPlace& place = placed.places[i];
    if (!ViewSourceRecord(placed.data.Data(), placed.data.GetCount(), place.at, view) ||
        view.values.id != place.id || !SameItem(view, *direct[i])) {
      Broken("a record viewed where it lies differs from the same record read");
    }
  }
}

void FuzzArchive(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return;
  static TempFolder folder;
  const std::string path = folder.Path() + "main.cr";
  {
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  CArchive archive;
  if (!archive.Open(path)) {
    if (archive.IsOpen() || archive.OpenRead("filter.tbl")) Broken("a failed Open leaves the archive serving");
    return;
  }
  std::vector<std::uint8_t> buffer;
  for (const auto& [extension, titles] : archive.GetExtensions()) {
    for (const auto& [title, record] : titles) {
      const std::string name = title + (extension == CArchive::kNoExtension ? "" : extension);
      for (const CSharedPtr<CStream>& stream : {archive.OpenRead("dir\\" + name), archive.OpenStored(extension, title)}) {
        if (stream.IsNull()) continue;
        const std::uint32_t memberSize = stream->GetSize();
        if (memberSize == kNoValue || !stream->CanSupply(memberSize)) continue;
        buffer.resize(memberSize);
        stream->ReadAll(buffer.data(), memberSize);
      }
    }
  }
  // What start-up does with an archive: the seven tables and the three lists.
  NameTable name;
  FilterTable filter;
  FixedTable fixed;
  SourceTuneTable sourceTune;
  SourceEquipTable sourceEquip;
  TargetTuneTable targetTune;
  TargetEquipTable targetEquip;
  const std::pair<TableFile*, const char*> tables[] = {
      {&name, "name.tbl"},           {&filter, "filter.tbl"},           {&fixed, "fixed.tbl"},
      {&sourceTune, "lg_tune.tbl"},  {&sourceEquip, "lg_equip.tbl"},    {&targetTune, "nw_tune.tbl"},
      {&targetEquip, "nw_equip.tbl"}};
  for (const auto& [table, file] : tables) {
    table->Load(archive.OpenRead(file));
    for (std::uint32_t i = 0; i < table->RowCount(); ++i) table->LoadRow(i);
  }
  ProhibitedLists lists;
  std::vector<std::string> chars;
  LoadProhibitedList(archive.OpenRead("PRH_Char.txt"), chars);
  lists.chars.insert(chars.begin(), chars.end());
  LoadProhibitedList(archive.OpenRead("PRH_Name.txt"), lists.names);
  LoadProhibitedList(archive.OpenRead("PRH_Word.txt"), lists.words);
  CheckUserName("abcdefgh", lists);
}

void FuzzTables(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return;
  const std::string bytes = Text(data, size);
  NameTable name;
  FilterTable filter;
  FixedTable fixed;
  SourceTuneTable sourceTune;
  SourceEquipTable sourceEquip;
  TargetTuneTable targetTune;
  TargetEquipTable targetEquip;
  LookUpEverything(name, bytes);
  LookUpEverything(filter, bytes);
  LookUpEverything(fixed, bytes);
  LookUpEverything(sourceTune, bytes);
  LookUpEverything(sourceEquip, bytes);
  LookUpEverything(targetTune, bytes);
  LookUpEverything(targetEquip, bytes);
}

void FuzzUserName(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return;
  // chars NUL names NUL words NUL name: list files hold no NUL that matters (it ends their text).
  std::vector<std::string> parts(4);
  std::size_t part = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && part < 3) {
      ++part;
    } else {
      parts[part].push_back(static_cast<char>(data[i]));
    }
  }
  ProhibitedLists lists;
  std::vector<std::string> chars;
  LoadProhibitedList(StreamOver(parts[0]), chars);
  lists.chars.insert(chars.begin(), chars.end());
  LoadProhibitedList(StreamOver(parts[1]), lists.names);
  LoadProhibitedList(StreamOver(parts[2]), lists.words);
  const std::string verdict = CheckUserName(parts[3], lists);
  if (parts[3].size() >= 4 && parts[3].size() <= 18 && lists.chars.empty() && lists.names.empty() &&
      lists.words.empty() && parts[3].find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789") == std::string::npos &&
      !verdict.empty()) {
    Broken("a plain name of a good length is refused without any list");
  }
}

void FuzzCodecs(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return;
  const auto n = static_cast<std::uint32_t>(size);
  CZlib zlib = MakeFormatZlib();
  // Descrambling an empty payload raises by design ("null"); the carry-over run never asks for it.
  if (size != 5) VmqdDescramble(data, n);
  const std::string fixed = WithCheckValue(data, size);
  if (size > 5) {
    const CByteArray payload = VmqdDescramble(fixed.data(), n);
    if (payload.IsNull() || payload.GetCount() != n - 5) Broken("a container with a right check value is refused");
    zlib.Inflate(payload.Data(), payload.GetCount());
  }
  zlib.Inflate(data, n);
  if (size == 0) return;
  const CByteArray scrambled = VmqdScramble(data, n);
  const CByteArray plain = VmqdDescramble(scrambled.Data(), scrambled.GetCount());
  if (plain.GetCount() != n || std::memcmp(plain.Data(), data, size) != 0) Broken("scrambling does not round-trip");
  const CByteArray deflated = zlib.Deflate(data, n, CZlib::kEngineLevel);
  const CByteArray inflated = deflated.IsNull() ? CByteArray() : zlib.Inflate(deflated.Data(), deflated.GetCount());
  if (inflated.GetCount() != n || std::memcmp(inflated.Data(), data, size) != 0) Broken("deflating does not round-trip");
}

void FuzzConvert(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return;
  ByteReader in(data, size);
  TableContents contents;
  // Up to three rows in each table, keys and ranges from the input.
  for (int i = in.U8() % 4; i > 0; --i) contents.filter[in.U32()] = BaseId(in);
  for (int i = in.U8() % 4; i > 0; --i) contents.fixed[in.U32()] = BaseId(in);
  for (int i = in.U8() % 4; i > 0; --i) {
    SourceTuneData& row = contents.sourceTune[in.U32()];
    row.grade = in.Pair();
    for (Range& r : row.params) r = in.Pair();
  }
  for (int i = in.U8() % 4; i > 0; --i) {
    SourceEquipData& row = contents.sourceEquip[in.U32()];
    row.grade = in.Pair();
    row.durability = in.Pair();
    for (Range& r : row.params) r = in.Pair();
  }
  for (int i = in.U8() % 4; i > 0; --i) {
    TargetTuneData& row = contents.targetTune[BaseId(in)];
    row.qualityLo = in.U8();
    row.qualityHi = in.U8();
    row.durabilityLo = in.U16();
    row.durabilityHi = in.U16();
    for (Range& r : row.params) r = in.Pair();
  }
  for (int i = in.U8() % 4; i > 0; --i) {
    TargetEquipData& row = contents.targetEquip[BaseId(in)];
    row.capacityLo = in.I16();
    row.capacityHi = in.I16();
    row.durabilityLo = in.U16();
    row.durabilityHi = in.U16();
    for (Range& r : row.params) r = in.Pair();
  }
  LoadedTables tables(contents);
  if (!tables.ok) Broken("sound tables do not load");

  // The rest is item data after the five slot flags' leading bytes.
  const std::size_t rest = size - std::min(size, in.Position());
  CByteArray items = CByteArray::Allocate(static_cast<std::uint32_t>(kSourceSaveLeadingBytes + rest));
  if (rest > 0) std::memcpy(items.Data() + kSourceSaveLeadingBytes, data + in.Position(), rest);
  SourceItemList list;
  const int code = ReadSourceSaveData(items, list);
  std::vector<SourceItemPlace> places;
  if (FindSourceItems(items, places) != code) Broken("the records found where they lie and the records read end differently");
  if (places.size() != list.size()) Broken("the records found where they lie are not the records read");
  // Each item built as an element and written, and converted where it lies and written straight as text:
  // the same kinds, the same bytes, the same draws.
  RunRandom random, recordRandom;
  CTextBuffer recordText;
  ItemTextWriter writer(recordText, "\t\t");
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ConvertResult result = ConvertItem(*list[i], random, tables.Get());
    SourceRecordView view;
    if (!ViewSourceRecord(items.Data(), items.GetCount(), places[i].at, view)) Broken("a found record cannot be viewed");
    recordText.Truncate(0);
    const ConvertResult::Kind recordKind = ConvertItem(view, recordRandom, tables.Get(), writer);
    if (recordKind != result.kind) Broken("a record converted where it lies converts otherwise");
    if (recordKind == ConvertResult::kFailed) writer.DropElement();
    if (result.kind != ConvertResult::kElement) continue;
    if (result.element.IsNull()) Broken("an element result without an element");
    std::ostringstream text;
    result.element->Write(text, "\t\t");
    if (text.str() != recordText.View()) Broken("the text written straight is not the element's text");
  }
  if (random.Draw() != recordRandom.Draw()) Broken("a record converted where it lies draws otherwise");
}

const std::vector<FuzzTarget>& FuzzTargets() {
  static const std::vector<FuzzTarget> targets = {
      {"source_save", FuzzSourceSave}, {"archive", FuzzArchive},   {"tables", FuzzTables},
      {"user_name", FuzzUserName},     {"codecs", FuzzCodecs},     {"convert", FuzzConvert},
  };
  return targets;
}

}  // namespace vmqdSDK::test
