#include "items/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <typeinfo>

#include "archive/archive.h"
#include "foundation/error_log.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "support/table_writer.h"

namespace vmqdSDK {
namespace {

using test::Bytes;
using test::StreamOver;
using test::TableImage;
using test::TableRowImage;
using test::WriteTableImage;

std::string ErrorLogPath() {
  std::string name = FileNamePart(platform::ModuleFileName());
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return GetModuleFolder() + "log\\" + name + ".log";
}

// Runs `body` against an emptied error log and returns what it wrote there.
template <class F>
std::string LoggedBy(F body) {
  ResetErrorLogForTesting();
  platform::RemoveFile(ErrorLogPath());
  body();
  ResetErrorLogForTesting();
  CFileStream file;
  if (!file.Open(1, kGenericRead, 0xFFFFFFFF, ErrorLogPath())) return "";
  std::string text(file.GetSize(), '\0');
  if (!text.empty() && !file.ReadAll(text.data(), static_cast<std::uint32_t>(text.size()))) return "<unreadable>";
  return text;
}

// A memory stream that remembers the largest read asked of it, and can misreport its position.
class WatchedStream : public CMemoryStream {
 public:
  WatchedStream(const std::string& bytes, std::uint32_t tellOverride = 0)
      : CMemoryStream(Buffer(bytes), kGenericRead, kFixed), tellOverride_(tellOverride) {}
  bool ReadAll(void* buffer, std::uint32_t n) override {
    largestRead = std::max(largestRead, n);
    return CMemoryStream::ReadAll(buffer, n);
  }
  std::uint32_t Tell() override { return tellOverride_ != 0 ? tellOverride_ : CMemoryStream::Tell(); }
  std::uint32_t largestRead = 0;

 private:
  static CByteArray Buffer(const std::string& bytes) {
    CByteArray b = CByteArray::Allocate(static_cast<std::uint32_t>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), b.Data());
    return b;
  }
  std::uint32_t tellOverride_;
};

std::string NameBody(const std::string& name) { return Bytes().Text(name).str(); }

std::string U32Bytes(std::uint32_t v) { return Bytes().U32(v).str(); }

TEST(TableFile, FindsRowsLazilyAndSurvivesDamagedOnes) {
  TableImage image;
  image.rows = {
      {3, Bytes().Raw32("").str()},                               // empty text
      {7, NameBody("first seven")},                               //
      {7, NameBody("second seven")},                              // duplicate key: never found
      {9, Bytes().Text("short").DropLast().str()},                // body one byte short
      {12, Bytes().Raw32(std::string("ab\0cd", 5)).U32(99).str()},  // text ends at NUL; trailing bytes ignored
      {20, NameBody("lying size"), 0x7FFFFFF0u},
      {21, NameBody("lying offset"), std::nullopt, 0xFFFFFFF0u},
      {30, NameBody("never looked up")},
      {0xFFFFFFFFu, NameBody("largest")},
  };
  image.keyBlockSize = 4 * 9 + 6;  // bytes beyond 4n are skipped, not read as offsets
  const std::string bytes = WriteTableImage(image);
  auto* watched = new WatchedStream(bytes);
  CSharedPtr<CStream> stream(watched);

  NameTable table;
  ASSERT_TRUE(table.Load(stream));
  EXPECT_EQ(table.RowCount(), 9u);
  EXPECT_EQ(table.LoadedCount(), 0u);  // nothing but the keys is read at load time

  struct Case {
    std::uint32_t key;
    const char* name;  // null: not found
    std::uint32_t index;
  } cases[] = {
      {3, "", 0},           {7, "first seven", 1}, {9, nullptr, 0},  {12, "ab", 4},
      {20, nullptr, 0},     {21, nullptr, 0},      {0xFFFFFFFFu, "largest", 8},
      {0, nullptr, 0},      {8, nullptr, 0},       {13, nullptr, 0}, {9, nullptr, 0},  // damaged twice
  };
  for (const Case& c : cases) {
    const NameRow* row = table.Find(c.key);
    if (c.name == nullptr) {
      EXPECT_EQ(row, nullptr) << c.key;
      continue;
    }
    ASSERT_NE(row, nullptr) << c.key;
    EXPECT_EQ(row->key, c.key);
    EXPECT_EQ(row->name, c.name) << c.key;
    EXPECT_EQ(row->index, c.index) << c.key;
    EXPECT_EQ(table.Find(c.key), row) << "a found row keeps its identity";
  }
  EXPECT_EQ(table.LoadedCount(), 4u);
  EXPECT_FALSE(table.IsLoaded(9));
  // The lying size was refused before anything that large was asked of the stream.
  EXPECT_LE(watched->largestRead, bytes.size());

  EXPECT_TRUE(table.Close());
  EXPECT_FALSE(table.Close());
  EXPECT_EQ(table.Find(2), nullptr);
  EXPECT_NE(table.Find(7), nullptr) << "loaded rows stay after the stream is released";
  EXPECT_EQ(table.Find(30), nullptr) << "an unloaded row cannot be read without the stream";
}

TEST(TableFile, EmptyTableLoads) {
  NameTable table;
  ASSERT_TRUE(table.Load(StreamOver(WriteTableImage(TableImage{}))));
  EXPECT_EQ(table.RowCount(), 0u);
  EXPECT_EQ(table.Find(0), nullptr);
  EXPECT_EQ(table.HeaderByte(), 1);
}

TEST(TableFile, LoadFailures) {
  const std::string magic("tbl\0", 4);
  const std::string head = magic + "\x07";
  struct Case {
    const char* what;
    std::string bytes;
    std::uint32_t tell;  // a misreported position, 0 for none
    const char* logged;  // the error log's content afterwards
  } cases[] = {
      {"empty stream", "", 0, "read/h-free\n"},
      {"three bytes", "tbl", 0, "read/h-free\n"},
      {"magic without its zero", "tbl\x01", 0, "bad/h-free\n"},
      {"wrong letters", std::string("tbm\0", 4), 0, "bad/h-free\n"},
      {"no header byte", magic, 0, "read/e-free\n"},
      {"no row count", head + "\x01\x00", 0, "read/n-free\n"},
      {"no key block size", head + U32Bytes(1) + "\x04", 0, "read/kbs-free\n"},
      {"key block short", head + U32Bytes(2) + U32Bytes(8) + U32Bytes(1), 0, "read/kb-free\n"},
      {"key block size beyond the stream", head + U32Bytes(1) + U32Bytes(0xFFFFFFF0u) + U32Bytes(1), 0,
       "read/kb-free\n"},
      {"key block shorter than 4n", head + U32Bytes(3) + U32Bytes(8) + U32Bytes(1) + U32Bytes(2), 0, ""},
      {"row count the data cannot hold", head + U32Bytes(0xFFFFFFFFu) + U32Bytes(0), 0, ""},
      {"position beyond 2 GB", head + U32Bytes(0) + U32Bytes(0), 0x80000000u, "pos/of-free\n"},
      {"position unknown", head + U32Bytes(0) + U32Bytes(0), kNoValue, "pos/of-free\n"},
  };
  for (const Case& c : cases) {
    auto* watched = new WatchedStream(c.bytes, c.tell);
    CSharedPtr<CStream> stream(watched);
    FilterTable table;
    bool loaded = true;
    EXPECT_EQ(LoggedBy([&] { loaded = table.Load(stream); }), c.logged) << c.what;
    EXPECT_FALSE(loaded) << c.what;
    EXPECT_EQ(table.RowCount(), 0u) << c.what;
    EXPECT_FALSE(table.Close()) << c.what << ": a failed load keeps no stream";
    EXPECT_EQ(table.HeaderByte(), 1) << c.what;
    EXPECT_LE(watched->largestRead, std::max<std::size_t>(c.bytes.size(), 4)) << c.what;
  }
}

TEST(TableFile, ReloadAfterFailureAndEmptyPointer) {
  TableImage image;
  image.rows = {{1, NameBody("one")}};
  NameTable table;
  ASSERT_TRUE(table.Load(StreamOver(WriteTableImage(image))));
  ASSERT_NE(table.Find(1), nullptr);

  // A member the archive could not serve: quietly empty, nothing raised or logged.
  bool loaded = true;
  EXPECT_EQ(LoggedBy([&] { loaded = table.Load(CSharedPtr<CStream>()); }), "");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(table.RowCount(), 0u);
  EXPECT_EQ(table.Find(1), nullptr);
}

TEST(TableFile, EveryKindFillsItsMembers) {
  std::int16_t params[36];
  for (int i = 0; i < 36; ++i) params[i] = static_cast<std::int16_t>(i % 2 == 0 ? -100 - i : 200 + i);
  auto one = [](std::uint32_t key, const std::string& body) {
    TableImage image;
    image.rows = {{key, body}};
    return StreamOver(WriteTableImage(image));
  };

  NameTable names;
  ASSERT_TRUE(names.Load(one(10, NameBody("\x83\x5C\x81\x5B"))));  // CP932 bytes taken as they are
  ASSERT_NE(names.Find(10), nullptr);
  EXPECT_EQ(names.Find(10)->name, "\x83\x5C\x81\x5B");

  FilterTable filter;
  ASSERT_TRUE(filter.Load(one(11, Bytes().U32(4000).Text("Blade").str())));
  const FilterRow* f = filter.Find(11);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->newBaseId, 4000u);
  EXPECT_EQ(f->newName, "Blade");

  FixedTable fixed;
  ASSERT_TRUE(fixed.Load(one(12, Bytes().U32(3500).Text("Shield").U8(0xAB).str())));
  const FixedRow* x = fixed.Find(12);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->newBaseId, 3500u);
  EXPECT_EQ(x->newName, "Shield");
  EXPECT_EQ(x->reserved, 0xAB);

  Bytes tuneBody;
  tuneBody.I16(-5).I16(30000);
  for (std::int16_t v : params) tuneBody.I16(v);
  SourceTuneTable sourceTune;
  ASSERT_TRUE(sourceTune.Load(one(13, tuneBody.str())));
  const SourceTuneRow* st = sourceTune.Find(13);
  ASSERT_NE(st, nullptr);
  EXPECT_EQ(st->gradeRange.lo, -5);
  EXPECT_EQ(st->gradeRange.hi, 30000);
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(st->paramRanges[i].lo, params[2 * i]) << i;
    EXPECT_EQ(st->paramRanges[i].hi, params[2 * i + 1]) << i;
  }

  Bytes equipBody;
  equipBody.I16(1).I16(2).I16(-3).I16(-4);
  for (int i = 0; i < 24; ++i) equipBody.I16(params[i]);
  SourceEquipTable sourceEquip;
  ASSERT_TRUE(sourceEquip.Load(one(14, equipBody.str())));
  const SourceEquipRow* se = sourceEquip.Find(14);
  ASSERT_NE(se, nullptr);
  EXPECT_EQ(se->gradeRange.lo, 1);
  EXPECT_EQ(se->gradeRange.hi, 2);
  EXPECT_EQ(se->durabilityRange.lo, -3);
  EXPECT_EQ(se->durabilityRange.hi, -4);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(se->paramRanges[i].lo, params[2 * i]) << i;
    EXPECT_EQ(se->paramRanges[i].hi, params[2 * i + 1]) << i;
  }

  test::TargetTuneBody tt;
  tt.qualityLo = 10;
  tt.qualityHi = 255;
  tt.durabilityLo = 300;
  tt.durabilityHi = 65535;
  std::copy(std::begin(params), std::end(params), tt.params);
  TargetTuneTable targetTune;
  ASSERT_TRUE(targetTune.Load(one(1011, test::MakeTargetTuneBody(tt))));
  const TargetTuneRow* t = targetTune.Find(1011);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->qualityLo, 10);
  EXPECT_EQ(t->qualityHi, 255);
  EXPECT_EQ(t->durabilityLo, 300);
  EXPECT_EQ(t->durabilityHi, 65535);

  test::TargetEquipBody te;
  te.capacityLo = -7;
  te.capacityHi = 32767;
  te.reserved = 0xBEEF;
  te.durabilityLo = 40;
  te.durabilityHi = 50000;
  std::copy(std::begin(params), std::end(params), te.params);
  TargetEquipTable targetEquip;
  ASSERT_TRUE(targetEquip.Load(one(3500, test::MakeTargetEquipBody(te))));
  const TargetEquipRow* e = targetEquip.Find(3500);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->capacityLo, -7);
  EXPECT_EQ(e->capacityHi, 32767);
  EXPECT_EQ(e->reserved, 0xBEEF);
  EXPECT_EQ(e->durabilityLo, 40);
  EXPECT_EQ(e->durabilityHi, 50000);

  // Both target kinds map the 18 ranges to the flags in their fixed order.
  for (std::size_t i = 0; i < kParamFlags.size(); ++i) {
    for (const ParamRanges* ranges : {&t->params, &e->params}) {
      EXPECT_EQ(ranges->RangeFor(kParamFlags[i]).lo, params[2 * i]) << i;
      EXPECT_EQ(ranges->RangeFor(kParamFlags[i]).hi, params[2 * i + 1]) << i;
    }
  }
  EXPECT_EQ(static_cast<std::uint32_t>(FlagOf(0, 0)), 0x4u);
  EXPECT_EQ(static_cast<std::uint32_t>(FlagOf(1, 5)), 0x2000u);
  EXPECT_EQ(static_cast<std::uint32_t>(FlagOf(2, 5)), 0x80000u);
}

TEST(TableFile, EveryKindMissesABodyOneByteShort) {
  test::TargetTuneBody tt;
  test::TargetEquipBody te;
  std::string sourceTune(2 * 38, '\0'), sourceEquip(2 * 28, '\0');
  struct Case {
    TableFile* table;
    std::string body;
  };
  NameTable n;
  FilterTable f;
  FixedTable x;
  SourceTuneTable st;
  SourceEquipTable se;
  TargetTuneTable t;
  TargetEquipTable e;
  Case cases[] = {
      {&n, NameBody("name")},
      {&f, Bytes().U32(1).Text("name").str()},
      {&x, Bytes().U32(1).Text("name").U8(1).str()},
      {&st, sourceTune},
      {&se, sourceEquip},
      {&t, test::MakeTargetTuneBody(tt)},
      {&e, test::MakeTargetEquipBody(te)},
  };
  for (Case& c : cases) {
    TableImage image;
    image.rows = {{1, c.body}, {2, c.body.substr(0, c.body.size() - 1)}};
    ASSERT_TRUE(c.table->Load(StreamOver(WriteTableImage(image))));
    EXPECT_TRUE(c.table->LoadRow(0)) << c.body.size();
    EXPECT_FALSE(c.table->LoadRow(1)) << c.body.size();
  }
}

TEST(TableLayouts, EachKindHasItsLayoutItsTableTypeAndItsProcessWideTable) {
  TableFile* const processWide[] = {&GetNameTable(),       &GetFilterTable(),      &GetFixedTable(),
                                    &GetSourceTuneTable(), &GetSourceEquipTable(), &GetTargetTuneTable(),
                                    &GetTargetEquipTable()};
  ASSERT_EQ(std::size(processWide), kTableLayouts.size());
  for (std::size_t i = 0; i < kTableLayouts.size(); ++i) {
    const TableKind kind = static_cast<TableKind>(i);
    EXPECT_EQ(LayoutOf(kind).kind, kind) << i;
    EXPECT_EQ(&GetTable(kind), processWide[i]) << i;
    const std::unique_ptr<TableFile> table = NewTable(kind);
    ASSERT_NE(table, nullptr) << i;
    const TableFile& made = *table;
    const TableFile& shared = *processWide[i];
    EXPECT_EQ(typeid(made), typeid(shared)) << i;
    EXPECT_NE(&made, &shared) << i;
  }
  // The widths of the fixed-size fields; a text is a length and its bytes.
  EXPECT_EQ(FieldWidth(FieldType::kU8), 1u);
  EXPECT_EQ(FieldWidth(FieldType::kU16), 2u);
  EXPECT_EQ(FieldWidth(FieldType::kI16), 2u);
  EXPECT_EQ(FieldWidth(FieldType::kU32), 4u);
  EXPECT_EQ(FieldWidth(FieldType::kRange), 4u);
}

TEST(LoadConversionTables, OpensTheSevenFilesInOrderAndSurvivesMissingOnes) {
  TableImage image;
  image.rows = {{5, NameBody("five")}};
  const std::string bytes = WriteTableImage(image);
  std::vector<std::string> opened;
  bool all = LoadConversionTables([&](const std::string& name) -> CSharedPtr<CStream> {
    opened.push_back(name);
    if (name == "fixed.tbl") throw Common::CNullPointerException();  // a member whose decoding raises
    if (name == "name.tbl" || name == "nw_equip.tbl") return StreamOver(bytes);
    return CSharedPtr<CStream>();
  });
  EXPECT_FALSE(all);
  EXPECT_EQ(opened, (std::vector<std::string>{"name.tbl", "filter.tbl", "fixed.tbl", "lg_tune.tbl", "lg_equip.tbl",
                                              "nw_tune.tbl", "nw_equip.tbl"}));
  EXPECT_EQ(GetNameTable().RowCount(), 1u);
  EXPECT_EQ(GetFixedTable().RowCount(), 0u);
  EXPECT_EQ(GetTargetEquipTable().RowCount(), 1u);
  for (TableFile* table : std::initializer_list<TableFile*>{&GetNameTable(), &GetTargetEquipTable()}) table->Clear();
}

// The data archive the build places beside this program serves all seven tables, whatever codec each
// member is stored with, and rows read lazily from it after loading.
TEST(LoadConversionTables, FromTheBundledArchive) {
  CArchive archive;
  ASSERT_TRUE(archive.Open(GetModuleFolder() + "main.cr"));
  EXPECT_TRUE(LoadConversionTables(archive));
  std::initializer_list<TableFile*> tables = {&GetNameTable(),       &GetFilterTable(),     &GetFixedTable(),
                                              &GetSourceTuneTable(), &GetSourceEquipTable(), &GetTargetTuneTable(),
                                              &GetTargetEquipTable()};
  for (TableFile* table : tables) EXPECT_GT(table->RowCount(), 0u);
  const FilterRow* sword = GetFilterTable().Find(3101);
  ASSERT_NE(sword, nullptr);
  EXPECT_EQ(sword->newName, "short sword");
  ASSERT_NE(GetNameTable().Find(3101), nullptr);
  EXPECT_EQ(GetNameTable().Find(3101)->name, "Short Sword");
  ASSERT_NE(GetTargetEquipTable().Find(4125), nullptr);
  for (TableFile* table : tables) table->Clear();
}

}  // namespace
}  // namespace vmqdSDK
