#include "carryover/preview.h"

#include <gtest/gtest.h>

#include <iterator>
#include <utility>
#include <vector>

#include "archive/archive.h"
#include "carryover/carry_over.h"
#include "carryover/run_failure.h"
#include "foundation/text.h"
#include "support/run_fixture.h"

namespace vmqdSDK {
namespace {

using hvxfer::test::MobcoreItem;
using hvxfer::test::RunFolders;
using hvxfer::test::SaveWithList;
using hvxfer::test::ToolArchiveSpec;

ToolArchiveSpec StoryTables() {
  ToolArchiveSpec contents;
  contents.names = {{10, "Orb"}, {20, "Core"}, {50, "Broken"}, {70, "Blade"}, {71, "Old Blade"}, {72, "Shield"}};
  // 50 becomes a tune id without range rows: it fails, and so does the equipment holding it. 72 lands in
  // the block whose base id the strongest attribute picks.
  contents.filter = {{10, 1000010, "ORB"}, {20, 1000020, "New Core"}, {50, 1100, "Tune"},
                     {70, 5000, "Sword"},  {71, 5001, "Sword II"},    {72, 4000, "Buckler"}};
  contents.targetEquip = {4002, 5000, 5001};
  return contents;
}

SourceItem WithSlots(SourceItem item, const std::vector<std::pair<int, SourceItem>>& slots) {
  for (const auto& [index, nested] : slots) {
    item.tuneSlotFlags[index] = 1;
    item.tuneSlots[index] = MakeShared<SourceItem>(nested);
  }
  return item;
}

// Every outcome at both depths: a carried equipment item with a carried and a removed slot item, one
// that fails through its slot, slot items under a removed item and under a carried one that keeps none.
SourceSaveImage StorySave() {
  SourceItem shield = MobcoreItem(72, 1);
  shield.attribute[2] = 50;
  return SaveWithList({WithSlots(MobcoreItem(70, 1), {{1, MobcoreItem(10, 2)}, {3, MobcoreItem(99, 3)}}),
                       WithSlots(MobcoreItem(71, 4), {{0, MobcoreItem(50, 5)}, {2, MobcoreItem(10, 6)}}),
                       WithSlots(MobcoreItem(99, 7), {{4, MobcoreItem(10, 8)}}),
                       WithSlots(MobcoreItem(20, 9), {{0, MobcoreItem(10, 10)}}), MobcoreItem(10, 11), shield});
}

std::string NameOf(ReportName name) { return name != nullptr ? *name : "(none)"; }

// The base ids of a new save's items, in document order.
std::vector<std::string> BaseIds(const std::string& document) {
  std::vector<std::string> ids;
  const std::string key = "baseid=\"";
  for (size_t at = document.find(key); at != std::string::npos; at = document.find(key, at)) {
    at += key.size();
    ids.push_back(document.substr(at, document.find('"', at) - at));
  }
  return ids;
}

TEST(PreviewCarryOver, ListsEveryItemInRunOrderWithTheRunsTotals) {
  RunFolders run(StoryTables());
  run.WriteSourceSave(StorySave());

  CarryOverPreview preview;
  std::string errorLine;
  ASSERT_EQ(PreviewCarryOver(run.Source(), preview, errorLine), 0) << errorLine;

  constexpr ItemOutcome C = ItemOutcome::kCarried, R = ItemOutcome::kRemoved, F = ItemOutcome::kFailed;
  struct Row {
    int depth;
    std::uint32_t id;
    const char* oldName;
    ItemOutcome outcome;
    const char* baseId;
    const char* category;
    const char* newName;
  } expected[] = {
      {0, 10, "Orb", C, "1000010", "mobcore", "ORB"},
      {0, 20, "Core", C, "1000020", "mobcore", "New Core"},
      {1, 10, "Orb", R, "", "", "(none)"},  // a mobcore item carries nothing in its slots
      {0, 70, "Blade", C, "5000", "equip", "Sword"},
      {1, 10, "Orb", C, "1000010", "mobcore", "ORB"},
      {1, 99, "(none)", R, "", "", "(none)"},
      {0, 71, "Old Blade", F, "", "", "(none)"},
      {1, 50, "Broken", F, "", "", "(none)"},
      {1, 10, "Orb", F, "", "", "(none)"},
      {0, 72, "Shield", C, "4002", "equip", "Buckler"},
      {0, 99, "(none)", R, "", "", "(none)"},
      {1, 10, "Orb", R, "", "", "(none)"},
  };
  ASSERT_EQ(preview.items.size(), std::size(expected));
  std::vector<std::string> carriedIds;
  for (size_t i = 0; i < preview.items.size(); ++i) {
    const PreviewItem& got = preview.items[i];
    const Row& want = expected[i];
    EXPECT_EQ(FormatText("%d %u %s %d %s %s %s", got.depth, got.sourceId, NameOf(got.oldName).c_str(),
                         static_cast<int>(got.outcome), got.newBaseId.c_str(), got.category.c_str(),
                         NameOf(got.newName).c_str()),
              FormatText("%d %u %s %d %s %s %s", want.depth, want.id, want.oldName, static_cast<int>(want.outcome),
                         want.baseId, want.category, want.newName))
        << "row " << i;
    if (got.outcome == C) carriedIds.push_back(got.newBaseId);
  }
  EXPECT_EQ(preview.carried, 4u);
  EXPECT_EQ(preview.removed, 1u);
  EXPECT_EQ(preview.failed, 1u);

  // The run on the same save carries what the preview says, and counts as it does.
  RunSummary summary;
  EXPECT_FALSE(RunCarryOver({run.Source(), run.Destination(), "Hero"}, run.ReportPath(), *GetProcessArchive(),
                            &summary));
  EXPECT_EQ(summary.newSave, run.SavePath("Hero"));
  EXPECT_EQ(FormatText("%u %u %u", summary.carried, summary.removed, summary.failed),
            FormatText("%u %u %u", preview.carried, preview.removed, preview.failed));
  EXPECT_EQ(BaseIds(run.NewSave("Hero")), carriedIds);
}

TEST(PreviewCarryOver, StopsWithTheRunsErrorLine) {
  RunFolders run;
  struct Case {
    const char* what;
    std::string source;
    std::string saveBytes;
    int code;
  } cases[] = {
      {"not a source folder", run.Destination(), "", kRunSourceFolder},
      {"unreadable save", run.Source(), "not a save at all", kSourceSaveInvalid},
  };
  for (const Case& c : cases) {
    run.WriteSourceSaveBytes(c.saveBytes);
    CarryOverPreview preview;
    preview.carried = 9;
    std::string errorLine;
    EXPECT_EQ(PreviewCarryOver(c.source, preview, errorLine), c.code) << c.what;
    EXPECT_TRUE(preview.items.empty() && preview.carried == 0) << c.what;

    RunSummary summary;
    EXPECT_FALSE(RunCarryOver({c.source, run.Destination(), "Hero"}, run.ReportPath(), *GetProcessArchive(),
                              &summary));
    EXPECT_EQ(ReplaceAll(errorLine, "\n", "\r\n"), run.Report()) << c.what;
    EXPECT_EQ(summary.newSave, "") << c.what;
  }
}

}  // namespace
}  // namespace vmqdSDK
