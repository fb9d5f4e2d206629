#include "items/converter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/item_tables.h"

namespace vmqdSDK {
namespace {

using test::Range;
using test::Ranges;

// ---- RunRandom ----

TEST(RunRandomTest, MatchesTheReferenceGeneratorAcrossRegenerations) {
  // Outputs of the 1998 reference code for seed 4357, by draw index.
  struct Case {
    int index;
    std::uint32_t value;
  };
  const Case cases[] = {{0, 2867219139u}, {1, 1585203162u},  {2, 3113124129u},  {3, 2953900839u},  {623, 589403970u},
                        {624, 1044672925u}, {625, 1965277612u}, {9999, 2296703863u}, {10000, 1315436188u}};
  RunRandom random;
  int drawn = 0;
  for (const Case& c : cases) {
    std::uint32_t value = 0;
    while (drawn <= c.index) {
      value = random.Draw();
      ++drawn;
    }
    EXPECT_EQ(value, c.value) << "draw " << c.index;
  }
}

TEST(RunRandomTest, FractionIsTheDrawScaledToSinglePrecision) {
  RunRandom random;
  EXPECT_EQ(random.DrawFraction(), static_cast<float>(2867219139.0 / 4294967296.0));
  EXPECT_EQ(random.Draw(), 1585203162u);
}

// ---- Numerics ----

TEST(ConverterNumericsTest, GradeAndFraction) {
  struct GradeCase {
    float f;
    std::int16_t grade;
  };
  for (const GradeCase& c : {GradeCase{0.0f, 0}, {0.12345f, 1234}, {0.5f, 5000}, {0.7f, 6999}, {0.99995f, 9999},
                             {1.0f, 9999}}) {
    EXPECT_EQ(GradeOf(c.f), c.grade) << c.f;
  }
  EXPECT_EQ(FractionOf(0), 0.0f);
  EXPECT_EQ(FractionOf(9999), 1.0f);
  EXPECT_EQ(FractionOf(6999), 0.699970006942749f);
}

TEST(ConverterNumericsTest, RangeFractionMeasuresAndClamps) {
  struct Case {
    std::int32_t v, lo, hi;
    float expected;
  };
  const Case cases[] = {
      {-5, 0, 10, 0.0f},  {15, 0, 10, 1.0f},  {10, 0, 10, 1.0f},    {3, 0, 10, 0.3f},
      {5, 10, 0, 0.5f},   {0, 10, 0, 1.0f},   {11, 10, 0, 0.0f},
      // A stored u32 durability is measured as signed: 0xFFFFFFFF lies below 0.
      {-1, 0, 5000, 0.0f},
      // The difference is not allowed to wrap round into the range.
      {INT32_MIN, 1, 2, 0.0f}, {INT32_MAX, -2, -1, 1.0f},
  };
  for (const Case& c : cases) {
    RunRandom random;
    EXPECT_EQ(RangeFraction(c.v, c.lo, c.hi, random), c.expected) << c.v << " in " << c.lo << ".." << c.hi;
    EXPECT_EQ(random.Draw(), 2867219139u) << "a measured value takes no draw";
  }
}

TEST(ConverterNumericsTest, RangeFractionOfAnEmptySpanTakesOneDraw) {
  RunRandom random;
  EXPECT_EQ(RangeFraction(7, 3, 3, random), static_cast<float>(2867219139.0 / 4294967296.0));
  EXPECT_EQ(random.Draw(), 1585203162u);
}

TEST(ConverterNumericsTest, PickInRange) {
  // Unsigned 8 and 16 bits.
  EXPECT_EQ(PickInRange(std::uint16_t{0}, std::uint16_t{65535}, 1.0f), 65535);
  EXPECT_EQ(PickInRange(std::uint16_t{0}, std::uint16_t{65535}, 0.0f), 0);
  EXPECT_EQ(PickInRange(std::uint16_t{65535}, std::uint16_t{0}, 1.0f), 0);
  EXPECT_EQ(PickInRange(std::uint8_t{10}, std::uint8_t{255}, FractionOf(9999)), 255);
  EXPECT_EQ(PickInRange(std::uint8_t{255}, std::uint8_t{0}, 0.0f), 255);
  EXPECT_EQ(PickInRange(std::uint8_t{0}, std::uint8_t{9}, 0.5f), 5);

  struct Case {
    std::int16_t lo, hi;
    float f;
    std::int16_t expected;
  };
  const Case cases[] = {
      {-32768, 32767, 0.0f, -32768}, {-32768, 32767, 1.0f, 32767}, {-32768, 32767, 0.5f, 0},
      {5, 5, 0.99f, 5},              {5, 5, 1.0f, 5},               {5, 5, 0.0f, 5},
      {100, -100, 0.25f, 50},        {100, -100, 0.0f, 100},        {100, -100, 1.0f, -100},
      {0, 100, FractionOf(5000), 50}, {-10, -20, 0.0f, -10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PickInRange(c.lo, c.hi, c.f), c.expected) << c.lo << ".." << c.hi << " at " << c.f;
  }
}

TEST(ConverterNumericsTest, StatusGroupPlacesGradesInItsOwnOrder) {
  ParamRanges ranges;
  for (ParamFlag flag : kParamFlags) ranges.Set(flag, {0, 9999});
  const std::int16_t q[kParamCount] = {0, 1000, 2000, 3000, 4000, 5000};
  // Picks from 0..9999 at fraction(q) give q plus a little (the fraction constant is slightly large).
  EXPECT_EQ(FormatParamGroup(ParamGroup::kStatus, ranges, q), "0:1000:4000:2000:3000:5000");
  EXPECT_EQ(FormatParamGroup(ParamGroup::kMob, ranges, q), "0:1000:2000:3000:4000:5000");

  // Each output position uses the range of its own flag.
  ParamRanges spread;
  for (int p = 0; p < kParamCount; ++p) {
    const auto v = static_cast<std::int16_t>(p + 1);
    spread.Set(FlagOf(1, static_cast<std::uint32_t>(p)), {v, v});
  }
  EXPECT_EQ(FormatParamGroup(ParamGroup::kAttribute, spread, q), "1:2:3:4:5:6");
}

// ---- ConvertItem ----

SourceItem Item(std::uint32_t id, std::int16_t grade = 0, std::uint32_t durability = 0,
                std::vector<std::int16_t> status = {}, std::vector<std::int16_t> attribute = {},
                std::vector<std::int16_t> mob = {}) {
  SourceItem item;
  item.id = id;
  item.gradeValue = grade;
  item.durabilityValue = durability;
  for (std::size_t i = 0; i < 6; ++i) {
    item.status[i] = i < status.size() ? status[i] : 0;
    item.attribute[i] = i < attribute.size() ? attribute[i] : 0;
    item.mob[i] = i < mob.size() ? mob[i] : 0;
  }
  return item;
}

SourceItem WithSlot(SourceItem item, int slot, std::uint32_t flag, const SourceItem& nested) {
  item.tuneSlotFlags[slot] = flag;
  item.tuneSlots[slot] = MakeShared<SourceItem>(nested);
  return item;
}

std::vector<Range> Repeat(Range r, int n) { return std::vector<Range>(static_cast<std::size_t>(n), r); }

std::vector<Range> Concat(std::vector<std::vector<Range>> parts) {
  std::vector<Range> all;
  for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Tables exercising every path: measured, reversed, empty-span (drawing) and missing rows.
test::TableContents FixtureTables() {
  test::TableContents s;
  s.filter = {{10, 1011}, {11, 1186}, {20, 5500},     {21, 3500},   {22, 3500},  {23, 150000},
              {24, 1000000}, {40, 1011}, {41, 1100}, {42, 5600}, {60, 999}};
  s.fixed = {{50, 3500}, {20, 1000000}};
  s.sourceTune[10] = {{0, 100},
                      Ranges<18>(Concat({{{0, 100}, {0, 100}, {-50, 50}, {10, 10}, {100, 0}, {0, 1000}},
                                         Repeat({0, 10}, 6), Repeat({-100, 100}, 6)}))};
  s.sourceTune[11] = {{5, 5}, Ranges<18>({}, {0, 200})};
  s.sourceTune[41] = {{0, 1}, Ranges<18>({}, {0, 1})};
  s.targetTune[1011] = {10, 255, 0, 65535,
                        Ranges<18>(Concat({{{0, 100}, {100, 0}, {-32768, 32767}, {5, 5}, {0, 10}, {-10, -20}},
                                           Repeat({0, 1000}, 6), Repeat({1, 2}, 6)}))};
  s.targetTune[1186] = {200, 100, 50, 50, Ranges<18>({}, {0, 99})};
  const test::SourceEquipData measured = {
      {0, 1000},
      {0, 5000},
      Ranges<12>({{0, 100}, {0, 200}, {0, 300}, {0, 400}, {0, 500}, {0, 600}, {-100, 100}, {-200, 200}, {1, 1},
                  {7, 7}, {300, -300}, {0, 1}})};
  s.sourceEquip[20] = measured;
  s.sourceEquip[23] = measured;
  s.sourceEquip[21] = {{100, 0}, {1000, 0}, Ranges<12>(Repeat({0, 50}, 6), {0, 60})};
  s.targetEquip[5500] = {-100, 100, 0, 1000,
                         Ranges<18>(Concat({Repeat({0, 1000}, 6), Repeat({-500, 500}, 6), Repeat({1000, 0}, 6)}))};
  s.targetEquip[3500] = {0, 32767, 65535, 0, Ranges<18>({}, {-1000, 1000})};
  s.targetEquip[150000] = {1, 1, 5, 10, Ranges<18>({}, {0, 10})};
  return s;
}

const SourceItem kTune = Item(10, 50, 0, {0, 100, 0, 3, 50, 500}, {5, -3, 11, 0, 10, 7}, {-100, 100, 0, 50, -50, 1});
const SourceItem kTuneSameRange = Item(11, -3, 0, {100, 100, 100, 100, 100, 100}, {0, 50, 100, 150, 200, -1},
                                       {7, 7, 7, 7, 7, 7});
const SourceItem kEquip5500 = Item(20, 250, 0xFFFFFFFFu, {50, 100, 150, 200, 250, 300}, {0, 100, -100, 1, 7, 0},
                                   {1, 2, 3, 4, 5, 6});
const SourceItem kEquip3500 = Item(21, 25, 250, {0, 10, 20, 30, 40, 50}, {9, 9, 9, 9, 9, 9}, {60, 50, 40, 30, 20, 10});
const SourceItem kEquipNoSource = Item(22, 7, 7, {1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2}, {3, 3, 3, 3, 3, 3});
const SourceItem kFixed = Item(50, 7, 7, {1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2}, {3, 3, 3, 3, 3, 3});
const SourceItem kNoDurability = Item(23, 1000, 1, {100, 200, 300, 400, 500, 600}, {-100, 0, 100, -200, 0, 200});
const SourceItem kMobcore = Item(24, 0, 0, {1, -2, 3, -4, 5, -32768}, {32767});

class ConvertItemTest : public ::testing::Test {
 protected:
  ConvertItemTest() : loaded_(FixtureTables()) {}

  // How many draws `random` has taken, found by comparing its next draw with a fresh generator's.
  static int DrawsTaken(RunRandom& random) {
    const std::uint32_t next = random.Draw();
    RunRandom fresh;
    for (int n = 0; n < 1000; ++n) {
      if (fresh.Draw() == next) return n;
    }
    return -1;
  }

  static std::string Text(const ConvertResult& result) {
    std::ostringstream out;
    EXPECT_TRUE(result.element->Write(out, "\t\t"));
    return out.str();
  }

  // The run's way: the item's record converted where it lies and written straight as text.
  struct RecordResult {
    ConvertResult::Kind kind;
    std::string text;
    int draws;
  };
  RecordResult ConvertRecord(const SourceItem& item) {
    CMemoryStream out(0, kGenericRead | kGenericWrite, CMemoryStream::kDoubling);
    EXPECT_TRUE(WriteSourceRecord(out, *RecordOf(item)));
    SourceRecordView view;
    EXPECT_TRUE(ViewSourceRecord(out.GetBuffer().Data(), out.GetSize(), 0, view));
    CTextBuffer text;
    ItemTextWriter writer(text, "\t\t");
    RunRandom random;
    const ConvertResult::Kind kind = ConvertItem(view, random, loaded_.Get(), writer);
    return {kind, std::string(text.View()), DrawsTaken(random)};
  }

  test::LoadedTables loaded_;
};

TEST_F(ConvertItemTest, ConvertsEveryCategoryWithItsDrawsInOrder) {
  ASSERT_TRUE(loaded_.ok);
  struct Case {
    const char* name;
    SourceItem item;
    int draws;
    const char* text;
  };
  const Case cases[] = {
      {"tune", kTune, 2,
       "\n\t\t<item baseid=\"1011\" category=\"tune\" quality=\"133\" durability=\"43750/43750\" "
       "status=\"0:0:3:5:4:-15\" attribute=\"500:0:1000:0:1000:700\" mob=\"1:2:2:2:1:2\"/>"},
      {"tune, grade range without span, reversed quality", kTuneSameRange, 2,
       "\n\t\t<item baseid=\"1186\" category=\"tune\" quality=\"133\" durability=\"50/50\" "
       "status=\"50:50:50:50:50:50\" attribute=\"0:25:50:75:99:0\" mob=\"3:3:3:3:3:3\"/>"},
      {"equip 5500 measured, mob drawn", kEquip5500, 8,
       "\n\t\t<item baseid=\"5500\" category=\"equip\" capacity=\"-50\" status=\"500:500:500:500:500:500\" "
       "attribute=\"0:250:168:-131:-12:-500\" mob=\"275:312:426:189:729:162\" durability=\"0/0\" "
       "potential=\"2500:5000:5000:5000:5000:5000:5000:5000:7500:6675:3690:4883:0:7248:6877:5736:8107:2710:8377:0\"/>"},
      {"equip 3500 measured, attribute drawn", kEquip3500, 6,
       "\n\t\t<item baseid=\"3500\" category=\"equip\" capacity=\"24578\" status=\"-1000:-600:600:-200:200:1000\" "
       "attribute=\"335:-262:450:376:147:622\" mob=\"1000:667:334:0:-333:-667\" durability=\"16384/16384\" "
       "potential=\"7500:0:2000:4000:6000:8000:9999:6675:3690:7248:6877:5736:8107:9999:8333:6666:5000:3333:1666:"
       "7500\"/>"},
      {"equip without a source row", kEquipNoSource, 20,
       "\n\t\t<item baseid=\"3500\" category=\"equip\" capacity=\"21874\" status=\"450:376:-458:147:622:676\" "
       "attribute=\"-726:915:-643:906:-384:564\" mob=\"537:700:713:-313:212:593\" durability=\"41347/41347\" "
       "potential=\"6675:7248:6877:5736:8107:2710:8377:1373:9574:1786:9529:3079:7816:7683:8497:8560:3434:6058:"
       "7964:3690\"/>"},
      {"fixed equip", kFixed, 0,
       "\n\t\t<item baseid=\"3500\" category=\"equip\" capacity=\"22936\" status=\"400:400:400:400:400:400\" "
       "attribute=\"400:400:400:400:400:400\" mob=\"400:400:400:400:400:400\" durability=\"19660/19660\"/>"},
      {"fixed equip whose tune slot draws", WithSlot(kFixed, 3, 1, kTune), 2,
       "\n\t\t<item baseid=\"3500\" category=\"equip\" capacity=\"22936\" status=\"400:400:400:400:400:400\" "
       "attribute=\"400:400:400:400:400:400\" mob=\"400:400:400:400:400:400\" durability=\"19660/19660\">"
       "\n\t\t\t<tuneslot index=\"3\">"
       "\n\t\t\t\t<item baseid=\"1011\" category=\"tune\" quality=\"133\" durability=\"43750/43750\" "
       "status=\"0:0:3:5:4:-15\" attribute=\"500:0:1000:0:1000:700\" mob=\"1:2:2:2:1:2\"/>"
       "\n\t\t\t</tuneslot>\n\t\t</item>"},
      {"equip without durability", kNoDurability, 8,
       "\n\t\t<item baseid=\"150000\" category=\"equip\" capacity=\"1\" status=\"10:10:10:10:10:10\" "
       "attribute=\"0:5:7:4:5:10\" mob=\"7:7:6:8:2:9\" "
       "potential=\"9999:9999:9999:9999:9999:9999:9999:0:5000:6675:3690:5000:9999:7248:6877:5736:8107:2710:8377\"/>"},
      {"mobcore", kMobcore, 0,
       "\n\t\t<item baseid=\"1000000\" category=\"mobcore\" rank=\"-1\" hp=\"32767\" status=\"1:-2:3:-4:5:-32768\"/>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunRandom random;
    const ConvertResult result = ConvertItem(c.item, random, loaded_.Get());
    ASSERT_EQ(result.kind, ConvertResult::kElement);
    EXPECT_EQ(Text(result), c.text);
    EXPECT_EQ(DrawsTaken(random), c.draws);
    const RecordResult record = ConvertRecord(c.item);
    EXPECT_EQ(record.kind, ConvertResult::kElement);
    EXPECT_EQ(record.text, c.text);
    EXPECT_EQ(record.draws, c.draws);
  }
}

TEST_F(ConvertItemTest, NestedItemsDrawAfterTheirParentInSlotOrder) {
  // Slot 0: a tune item; slot 2 (flag 0x80000000): an id of no table, left out; slot 4 (flag 7): an
  // equipment item with a tune item of its own.
  const SourceItem inner = WithSlot(kEquipNoSource, 1, 9, kTuneSameRange);
  SourceItem item = WithSlot(kEquip5500, 0, 1, kTune);
  item = WithSlot(item, 2, 0x80000000u, Item(999));
  item = WithSlot(item, 4, 7, inner);
  RunRandom random;
  const ConvertResult result = ConvertItem(item, random, loaded_.Get());
  ASSERT_EQ(result.kind, ConvertResult::kElement);
  EXPECT_EQ(Text(result),
            "\n\t\t<item baseid=\"5500\" category=\"equip\" capacity=\"-50\" status=\"500:500:500:500:500:500\" "
            "attribute=\"0:250:168:-131:-12:-500\" mob=\"275:312:426:189:729:162\" durability=\"0/0\" "
            "potential=\"2500:5000:5000:5000:5000:5000:5000:5000:7500:6675:3690:4883:0:7248:6877:5736:8107:2710:8377:0\">"
            "\n\t\t\t<tuneslot index=\"0\">"
            "\n\t\t\t\t<item baseid=\"1011\" category=\"tune\" quality=\"133\" durability=\"9002/9002\" "
            "status=\"0:0:3:5:10:-15\" attribute=\"500:0:1000:0:1000:700\" mob=\"1:2:2:2:1:2\"/>"
            "\n\t\t\t</tuneslot>"
            "\n\t\t\t<tuneslot index=\"4\">"
            "\n\t\t\t\t<item baseid=\"3500\" category=\"equip\" capacity=\"5852\" status=\"-384:564:713:537:700:-313\" "
            "attribute=\"212:593:161:-987:-115:-437\" mob=\"668:159:-963:541:357:941\" durability=\"3080/3080\" "
            "potential=\"1786:3079:7816:7683:8497:8560:3434:6058:7964:5803:66:4426:2815:8336:5793:185:7703:6784:9700:"
            "9529\">"
            "\n\t\t\t\t\t<tuneslot index=\"1\">"
            "\n\t\t\t\t\t\t<item baseid=\"1186\" category=\"tune\" quality=\"155\" durability=\"50/50\" "
            "status=\"50:50:50:50:50:50\" attribute=\"0:25:50:75:99:0\" mob=\"3:3:3:3:3:3\"/>"
            "\n\t\t\t\t\t</tuneslot>"
            "\n\t\t\t\t</item>"
            "\n\t\t\t</tuneslot>"
            "\n\t\t</item>");
  EXPECT_EQ(DrawsTaken(random), 32);
  const RecordResult record = ConvertRecord(item);
  EXPECT_EQ(record.kind, ConvertResult::kElement);
  EXPECT_EQ(record.text, Text(result));
  EXPECT_EQ(record.draws, 32);
}

TEST_F(ConvertItemTest, MissingRowsFailTheWholeItemAndKeepTheirDraws) {
  struct Case {
    const char* name;
    SourceItem item;
    ConvertResult::Kind kind;
    int draws;
  };
  // Two levels down: a measured equipment item (8 draws) holding a tune item (2) and an equipment item
  // (20) whose tune slot item has no target row.
  const SourceItem deep =
      WithSlot(WithSlot(kEquip5500, 0, 1, kTune), 4, 1, WithSlot(kEquipNoSource, 2, 1, Item(41)));
  const Case cases[] = {
      {"no row in either id table", Item(7), ConvertResult::kNothing, 0},
      {"base id of no category", Item(60), ConvertResult::kNothing, 0},
      {"tune without source row", Item(40), ConvertResult::kFailed, 0},
      {"tune without target row", Item(41), ConvertResult::kFailed, 0},
      {"equip without target row", Item(42), ConvertResult::kFailed, 0},
      {"tune slot two levels down without target row", deep, ConvertResult::kFailed, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunRandom random;
    const ConvertResult result = ConvertItem(c.item, random, loaded_.Get());
    EXPECT_EQ(result.kind, c.kind);
    EXPECT_TRUE(result.element.IsNull());
    EXPECT_EQ(DrawsTaken(random), c.draws);
    const RecordResult record = ConvertRecord(c.item);
    EXPECT_EQ(record.kind, c.kind);
    EXPECT_EQ(record.draws, c.draws);
    // An item that converts to nothing hands nothing over.
    if (c.kind == ConvertResult::kNothing) {
      EXPECT_EQ(record.text, "");
    }
  }
}

TEST_F(ConvertItemTest, BaseIdDecidesTheCategory) {
  struct Case {
    std::uint32_t newId;
    const char* category;  // null: converts to nothing
    bool durability;
  };
  const Case cases[] = {
      {999, nullptr, false},      {1010, nullptr, false},     {1011, "tune", true},       {1186, "tune", true},
      {1187, nullptr, false},     {2999, nullptr, false},     {3000, "equip", true},      {5999, "equip", true},
      {6000, nullptr, false},     {14999, nullptr, false},    {15000, "equip", true},     {17999, "equip", true},
      {18000, nullptr, false},    {99999, nullptr, false},    {100000, "equip", false},   {999999, "equip", false},
      {1000000, "mobcore", false}, {0xFFFFFFFFu, "mobcore", false},
  };
  test::TableContents contents;
  std::uint32_t id = 1;
  for (const Case& c : cases) {
    contents.filter[id] = c.newId;
    contents.sourceTune[id++] = {{0, 1}, Ranges<18>({}, {0, 1})};
    contents.targetTune[c.newId] = {1, 2, 3, 4, Ranges<18>({}, {0, 1})};
    contents.targetEquip[c.newId] = {1, 2, 3, 4, Ranges<18>({}, {0, 1})};
  }
  test::LoadedTables tables(contents);
  ASSERT_TRUE(tables.ok);
  id = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.newId);
    RunRandom random;
    const ConvertResult result = ConvertItem(Item(id++), random, tables.Get());
    if (c.category == nullptr) {
      EXPECT_EQ(result.kind, ConvertResult::kNothing);
      continue;
    }
    ASSERT_EQ(result.kind, ConvertResult::kElement);
    ASSERT_NE(result.element->FindAttribute("category"), nullptr);
    EXPECT_EQ(*result.element->FindAttribute("category"), c.category);
    EXPECT_EQ(result.element->FindAttribute("durability") != nullptr, c.durability);
  }
}

TEST_F(ConvertItemTest, StrongestAttributeShiftsTheBaseIdFrom4000To4999) {
  struct Case {
    std::uint32_t newId;
    std::vector<std::int16_t> attribute;
    const char* baseId;
  };
  const Case cases[] = {
      {4000, {5, 9, 9, 1, 0, 2}, "4002"},      {4000, {3, 3, 3, 3, 3, 3}, "4005"},
      {4000, {9, 0, 0, 0, 0, 0}, "4000"},      {4000, {-1, -1, -1, -1, -1, -2}, "4004"},
      {4990, {0, 0, 0, 0, 0, 1}, "4995"},      {3999, {0, 9, 0, 0, 0, 0}, "3999"},
      {5000, {0, 9, 0, 0, 0, 0}, "5000"},
  };
  test::TableContents contents;
  for (std::uint32_t i = 0; i < std::size(cases); ++i) contents.filter[i + 1] = cases[i].newId;
  for (std::uint32_t id : {3999u, 4000u, 4001u, 4002u, 4004u, 4005u, 4995u, 5000u}) {
    contents.targetEquip[id] = {0, 1, 0, 1, Ranges<18>({}, {0, 1})};
  }
  test::LoadedTables tables(contents);
  ASSERT_TRUE(tables.ok);
  for (std::uint32_t i = 0; i < std::size(cases); ++i) {
    RunRandom random;
    const ConvertResult result = ConvertItem(Item(i + 1, 0, 0, {}, cases[i].attribute), random, tables.Get());
    ASSERT_EQ(result.kind, ConvertResult::kElement) << i;
    EXPECT_EQ(*result.element->FindAttribute("baseid"), cases[i].baseId) << i;
  }
}

TEST_F(ConvertItemTest, ItemHoldingItselfFailsInsteadOfRecursingForever) {
  CSharedPtr<SourceItem> item = MakeShared<SourceItem>(kFixed);
  item->tuneSlotFlags[0] = 1;
  item->tuneSlots[0] = item;
  RunRandom random;
  EXPECT_EQ(ConvertItem(*item, random, loaded_.Get()).kind, ConvertResult::kFailed);
  item->tuneSlots[0].Release();  // break the cycle
}

}  // namespace
}  // namespace vmqdSDK
