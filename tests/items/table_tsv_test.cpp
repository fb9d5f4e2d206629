#include "items/table_tsv.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "items/converter.h"
#include "items/tables.h"
#include "support/table_writer.h"

namespace vmqdSDK {
namespace {

using test::Bytes;
using test::StreamOver;

constexpr TableKind kAllKinds[] = {TableKind::kName,        TableKind::kFilter,     TableKind::kFixed,
                                   TableKind::kSourceTune,  TableKind::kSourceEquip, TableKind::kTargetTune,
                                   TableKind::kTargetEquip};

// The bundled source of a table, beside this test in the source tree.
bool ReadBundled(TableKind kind, std::string& text) {
  std::string here = __FILE__;
  std::string root = here.substr(0, here.rfind("tests"));
  std::ifstream in(root + "data/tables/" + TableStem(kind) + ".tsv", std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

std::string Build(TableKind kind, const std::string& tsv) {
  std::string bytes, error;
  EXPECT_TRUE(BuildTableBytes(kind, tsv, "t.tsv", bytes, error)) << error;
  return bytes;
}

TEST(TableText, KindsByTheirStems) {
  EXPECT_EQ(TableStemList(), "name, filter, fixed, lg_tune, lg_equip, nw_tune, nw_equip");
  for (TableKind kind : kAllKinds) {
    TableKind found = TableKind::kName;
    EXPECT_TRUE(TableKindFromStem(TableStem(kind), found)) << TableStem(kind);
    EXPECT_EQ(found, kind) << TableStem(kind);
  }
  TableKind untouched = TableKind::kFixed;
  EXPECT_FALSE(TableKindFromStem("nw_tune.tbl", untouched));
  EXPECT_FALSE(TableKindFromStem("", untouched));
  EXPECT_EQ(untouched, TableKind::kFixed);
  EXPECT_EQ(TableColumns(TableKind::kSourceEquip).size(), 1u + 4u + 24u);
  EXPECT_EQ(TableColumns(TableKind::kSourceEquip)[5], "range0Lo");
  EXPECT_EQ(TableColumns(TableKind::kSourceEquip)[28], "range11Hi");
  EXPECT_EQ(TableColumns(TableKind::kFixed), (std::vector<std::string>{"key", "newBaseId", "newName", "reserved"}));
}

TEST(TableText, BundledTablesDumpBackToTheirSources) {
  for (TableKind kind : kAllKinds) {
    std::string source;
    if (!ReadBundled(kind, source)) {
#if defined(_WIN32)
      GTEST_SKIP() << "the source tree is not reachable from this build";
#else
      FAIL() << "cannot read the bundled " << TableStem(kind) << ".tsv";
#endif
    }
    const std::string bytes = Build(kind, source);
    std::string dumped, again, error;
    ASSERT_TRUE(DumpTableText(kind, StreamOver(bytes), dumped, error)) << TableStem(kind) << ": " << error;
    EXPECT_EQ(dumped, source) << TableStem(kind);
    ASSERT_TRUE(BuildTableBytes(kind, dumped, "dumped", again, error)) << error;
    EXPECT_EQ(again, bytes) << TableStem(kind);
  }
}

TEST(TableText, BuildsSortedRowsInTheFileLayout) {
  // Rows sorted by key, equal keys in their text order; texts in code page 932 with their NUL.
  std::string tsv = "name\tkey\n";  // columns in any order
  std::vector<test::TableRowImage> expected, fives;
  for (int i = 0; i < 40; ++i) {
    const std::string name = i == 0 ? "\xE5\x89\xA3" : std::to_string(i);  // the first is a kanji
    tsv += name + "\t" + (i % 2 ? "3" : "5") + "\n";
    (i % 2 ? expected : fives).push_back({i % 2 ? 3u : 5u, Bytes().Text(i == 0 ? "\x8C\x95" : name).str()});
  }
  expected.insert(expected.end(), fives.begin(), fives.end());
  EXPECT_EQ(Build(TableKind::kName, tsv), test::WriteTableRows(expected));

  // Fields outside the row record are written as zeros and empty texts.
  std::string header = "key", values = "77";
  test::TargetTuneBody tune;
  test::TargetEquipBody equip;
  for (const std::string& c : TableColumns(TableKind::kTargetEquip)) {
    if (c != "key") header += "\t" + c, values += "\t0";
  }
  for (std::int16_t& v : equip.params) v = 0;
  EXPECT_EQ(Build(TableKind::kTargetEquip, header + "\n" + values + "\n"),
            test::WriteTableRows({{77, test::MakeTargetEquipBody(equip, true)}}));
  header = "key", values = "77";
  for (const std::string& c : TableColumns(TableKind::kTargetTune)) {
    if (c != "key") header += "\t" + c, values += "\t0";
  }
  EXPECT_EQ(Build(TableKind::kTargetTune, header + "\n" + values + "\n"),
            test::WriteTableRows({{77, test::MakeTargetTuneBody(tune, true)}}));

  // A byte-order mark and CR LF line ends change nothing.
  EXPECT_EQ(Build(TableKind::kName, "\xEF\xBB\xBFkey\tname\r\n3\tb\r\n\r\n"), Build(TableKind::kName, "key\tname\n3\tb"));
}

TEST(TableText, EveryKindCarriesItsFieldsThroughTheLoader) {
  // Distinct values in every column, at the edges of their types, survive build → load → dump.
  for (TableKind kind : kAllKinds) {
    std::vector<std::string> columns = TableColumns(kind);
    std::string header, row;
    for (std::size_t k = 0; k < columns.size(); ++k) {
      const std::string& c = columns[k];
      std::string value = std::to_string(k * 7 + 1);
      if (c == "key") value = "4294967295";
      if (c.find("Name") != std::string::npos || c == "name") value = "\xE5\x90\x8D " + std::to_string(k);
      if (c.size() > 2 && c.compare(c.size() - 2, 2, "Lo") == 0 && c.find("durability") == std::string::npos &&
          c.find("quality") == std::string::npos) {
        value = "-" + std::to_string(32768 - k);
      }
      if (c == "qualityHi" || (kind == TableKind::kFixed && c == "reserved")) value = "255";
      if (c == "durabilityHi" && kind != TableKind::kSourceEquip) value = "65535";
      header += (k ? "\t" : "") + c;
      row += (k ? "\t" : "") + value;
    }
    const std::string tsv = header + "\n" + row + "\n";
    std::string dumped, error;
    ASSERT_TRUE(DumpTableText(kind, StreamOver(Build(kind, tsv)), dumped, error)) << error;
    EXPECT_EQ(dumped, tsv) << TableStem(kind);
  }
}

TEST(TableText, MalformedTextIsRefusedWithItsPlace) {
  struct Case {
    TableKind kind;
    std::string tsv;
    const char* place;  // the message starts with it
  } cases[] = {
      {TableKind::kName, "", "t.tsv:1:1: "},
      {TableKind::kName, "key\tname\tcolour\n1\ta\tred\n", "t.tsv:1:3: unknown column"},
      {TableKind::kName, "key\tkey\tname\n", "t.tsv:1:2: "},
      {TableKind::kFilter, "key\tnewName\n", "t.tsv:1:3: column \"newBaseId\" is missing"},
      {TableKind::kFilter, "key\tnewBaseId\tnewName\n1\t12x\tA\n", "t.tsv:2:2: newBaseId: \"12x\" is not"},
      {TableKind::kFilter, "key\tnewBaseId\tnewName\n1\t\tA\n", "t.tsv:2:2: "},
      {TableKind::kFilter, "key\tnewBaseId\tnewName\n1\t+5\tA\n", "t.tsv:2:2: "},
      {TableKind::kFilter, "key\tnewBaseId\tnewName\n4294967296\t1\tA\n", "t.tsv:2:1: key: \"4294967296\" is out"},
      {TableKind::kFilter, "key\tnewBaseId\tnewName\n1\t-1\tA\n", "t.tsv:2:2: newBaseId: \"-1\" is out"},
      {TableKind::kFilter, "key\tnewBaseId\tnewName\n1\t2\n", "t.tsv:2:3: the field for column \"newName\""},
      {TableKind::kFilter, "key\tnewBaseId\tnewName\n1\t2\tA\tB\n", "t.tsv:2:4: "},
      {TableKind::kFixed, "key\tnewBaseId\tnewName\treserved\n\n7\t2\tB\t256\n", "t.tsv:3:4: reserved: \"256\" is out"},
      {TableKind::kSourceTune, "gradeHi\tkey\n1\t1\n", "t.tsv:1:3: "},
      {TableKind::kName, "key\tname\n1\t\xF0\x9F\x98\x80\n", "t.tsv:2:2: name: the text cannot be represented"},
      {TableKind::kName, "key\tname\n1\t\xFF\xFE\n", "t.tsv:2:2: name: the text cannot be represented"},
      {TableKind::kName, std::string("key\tname\n1\ta\0b\n", 14), "t.tsv:2:2: "},
  };
  for (const Case& c : cases) {
    std::string bytes = "stale", error;
    EXPECT_FALSE(BuildTableBytes(c.kind, c.tsv, "t.tsv", bytes, error)) << c.tsv;
    EXPECT_EQ(error.rfind(c.place, 0), 0u) << "got: " << error;
    EXPECT_TRUE(bytes.empty()) << c.tsv;
  }

  // The signed 16-bit ranges end where the type ends.
  std::string header = "key\tgradeLo\tgradeHi";
  for (const std::string& c : TableColumns(TableKind::kSourceTune)) {
    if (c != "key" && c != "gradeLo" && c != "gradeHi") header += "\t" + c;
  }
  std::string zeros;
  for (int i = 0; i < 36; ++i) zeros += "\t0";
  for (const char* value : {"-32769", "32768"}) {
    std::string bytes, error;
    EXPECT_FALSE(BuildTableBytes(TableKind::kSourceTune, header + "\n1\t" + value + "\t0" + zeros + "\n", "t.tsv",
                                 bytes, error));
    EXPECT_EQ(error.rfind("t.tsv:2:2: gradeLo:", 0), 0u) << error;
  }
  std::string bytes, error;
  EXPECT_TRUE(BuildTableBytes(TableKind::kSourceTune, header + "\n1\t-32768\t32767" + zeros + "\n", "t", bytes, error))
      << error;
}

TEST(TableText, DumpRefusesWhatItCannotWriteBack) {
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"not a table", "tbl"},
      {"damaged row", test::WriteTableRows({{1, Bytes().Text("ok").str()}, {2, Bytes().U32(9).str()}})},
      {"text with a tab", test::WriteTableRows({{1, Bytes().Text("a\tb").str()}})},
      {"text with a line break", test::WriteTableRows({{1, Bytes().Text("a\nb").str()}})},
      {"text not in code page 932", test::WriteTableRows({{1, Bytes().Text("\x81").str()}})},
  };
  for (const Case& c : cases) {
    std::string tsv = "stale", error;
    EXPECT_FALSE(DumpTableText(TableKind::kName, StreamOver(c.file), tsv, error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_TRUE(tsv.empty()) << c.what;
  }
}

// The bundled data reaches every category of the converter, and every listed item converts except the
// few that are there to be removed or to fail.
TEST(TableText, BundledTablesServeEveryItemTheyList) {
  std::map<TableKind, CSharedPtr<CStream>> streams;
  for (TableKind kind : kAllKinds) {
    std::string source;
    if (!ReadBundled(kind, source)) {
#if defined(_WIN32)
      GTEST_SKIP() << "the source tree is not reachable from this build";
#else
      FAIL() << "cannot read the bundled " << TableStem(kind) << ".tsv";
#endif
    }
    streams[kind] = StreamOver(Build(kind, source));
  }
  NameTable names;
  FilterTable filter;
  FixedTable fixed;
  SourceTuneTable sourceTune;
  SourceEquipTable sourceEquip;
  TargetTuneTable targetTune;
  TargetEquipTable targetEquip;
  ASSERT_TRUE(names.Load(streams[TableKind::kName]));
  ASSERT_TRUE(filter.Load(streams[TableKind::kFilter]));
  ASSERT_TRUE(fixed.Load(streams[TableKind::kFixed]));
  ASSERT_TRUE(sourceTune.Load(streams[TableKind::kSourceTune]));
  ASSERT_TRUE(sourceEquip.Load(streams[TableKind::kSourceEquip]));
  ASSERT_TRUE(targetTune.Load(streams[TableKind::kTargetTune]));
  ASSERT_TRUE(targetEquip.Load(streams[TableKind::kTargetEquip]));
  const ConversionTables tables{filter, fixed, sourceTune, sourceEquip, targetTune, targetEquip};

  std::set<std::uint32_t> ids, removed, failed, shifted;
  std::set<std::string> bands;  // the ranges of new base ids reached
  bool caseOnlyPair = false, japanese = false;
  auto visit = [&](std::uint32_t id, std::uint32_t newId, const std::string& newName) {
    ids.insert(id);
    const NameRow* name = names.Find(id);
    if (name != nullptr) {
      japanese = japanese || std::any_of(name->name.begin(), name->name.end(), [](char c) { return c & 0x80; });
      caseOnlyPair = caseOnlyPair || (name->name != newName && name->name.size() == newName.size() &&
                                      std::equal(name->name.begin(), name->name.end(), newName.begin(),
                                                 [](char a, char b) { return std::tolower(a) == std::tolower(b); }));
    }
    // Items shifted by their strongest attribute: try every shift.
    const int variants = newId >= 4000 && newId <= 4999 ? 6 : 1;
    for (int strongest = 0; strongest < variants; ++strongest) {
      SourceItem item;
      item.id = id;
      item.attribute[strongest] = 50;
      RunRandom random;
      ConvertResult result = ConvertItem(item, random, tables);
      if (result.kind == ConvertResult::kNothing) removed.insert(id);
      if (result.kind == ConvertResult::kFailed) failed.insert(id);
      if (result.kind != ConvertResult::kElement) continue;
      const std::uint32_t baseId = static_cast<std::uint32_t>(std::stoul(*result.element->FindAttribute("baseid")));
      const std::string& category = *result.element->FindAttribute("category");
      if (category != "equip") {
        bands.insert(category);
      } else {
        std::string band;
        for (std::uint32_t low : {3000u, 4000u, 5000u, 15000u, 100000u}) {
          if (baseId >= low) band = std::to_string(low);
        }
        bands.insert(band);
      }
      if (variants == 6) shifted.insert(baseId);
    }
  };
  for (std::uint32_t i = 0; i < filter.RowCount(); ++i) {
    const FilterRow* row = filter.GetRow(i);
    ASSERT_NE(row, nullptr);
    visit(row->key, row->newBaseId, row->newName);
  }
  for (std::uint32_t i = 0; i < fixed.RowCount(); ++i) {
    const FixedRow* row = fixed.GetRow(i);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(filter.Find(row->key), nullptr) << row->key << ": a filter row would hide the fixed one";
    visit(row->key, row->newBaseId, row->newName);
  }

  EXPECT_EQ(bands, (std::set<std::string>{"tune", "mobcore", "3000", "4000", "5000", "15000", "100000"}));
  EXPECT_EQ(failed, (std::set<std::uint32_t>{2108, 5104}));     // a tune without its old ranges, a helmet without new ones
  EXPECT_EQ(removed, (std::set<std::uint32_t>{2107, 9101, 9102}));  // base ids of no category
  EXPECT_EQ(shifted.size(), 18u) << "three items shifted six ways each";
  EXPECT_TRUE(japanese);
  EXPECT_TRUE(caseOnlyPair);
  // Some ids have a name but no conversion row at all.
  std::size_t namedOnly = 0;
  for (std::uint32_t i = 0; i < names.RowCount(); ++i) namedOnly += ids.count(names.GetRow(i)->key) == 0;
  EXPECT_GE(namedOnly, 1u);
}

}  // namespace
}  // namespace vmqdSDK
