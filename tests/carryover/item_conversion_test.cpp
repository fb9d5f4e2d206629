#include "carryover/item_conversion.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

#include "support/run_fixture.h"

namespace vmqdSDK {
namespace {

using hvxfer::test::MobcoreElement;
using hvxfer::test::MobcoreItem;
using hvxfer::test::RunFolders;
using hvxfer::test::ToolArchiveSpec;

ToolArchiveSpec Tables() {
  ToolArchiveSpec contents;
  contents.names = {{10, "Orb"}, {50, "Broken"}};
  // 1100 is a tune id without range rows: item 50 fails.
  contents.filter = {{10, 1000010, "ORB"}, {50, 1100, "Tune"}};
  contents.fixed = {{60, 1000060, "Fixed"}};
  return contents;
}

// Takes nothing: every write leaves the stream bad.
class RefusingBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
  int_type overflow(int_type) override { return traits_type::eof(); }
};

// Only a carried item reaches the text, and only whole; the element comes back with it.
TEST(ConvertAndWriteItem, OutcomesAndWhatTheyWrite) {
  RunFolders run(Tables());
  struct Case {
    std::uint32_t id;
    ItemOutcome outcome;
    std::string text;
  } cases[] = {
      {10, ItemOutcome::kCarried, MobcoreElement(1000010, 3)},
      {60, ItemOutcome::kCarried, MobcoreElement(1000060, 3)},
      {99, ItemOutcome::kRemoved, ""},
      {50, ItemOutcome::kFailed, ""},
  };
  for (const Case& c : cases) {
    std::ostringstream out("before", std::ios::ate);
    RunRandom random(RunRandom::kSeed);
    CSharedPtr<ItemElement> element;
    EXPECT_EQ(ConvertAndWriteItem(MobcoreItem(c.id, 3), out, "\t\t", random, element), c.outcome) << c.id;
    EXPECT_EQ(out.str(), "before" + c.text) << c.id;
    EXPECT_EQ(element.IsNull(), c.outcome != ItemOutcome::kCarried) << c.id;
  }

  RefusingBuffer refusing;
  std::ostream bad(&refusing);
  RunRandom random(RunRandom::kSeed);
  EXPECT_EQ(ConvertAndWriteItem(MobcoreItem(10, 3), bad, "\t\t", random), ItemOutcome::kFailed);
  // The next item writes whole again: nothing of the failed one is left over.
  std::ostringstream out;
  EXPECT_EQ(ConvertAndWriteItem(MobcoreItem(10, 4), out, "\t\t", random), ItemOutcome::kCarried);
  EXPECT_EQ(out.str(), MobcoreElement(1000010, 4));
}

TEST(ItemNames, OldAndNewAsTheReportGivesThem) {
  RunFolders run(Tables());
  EXPECT_EQ(*OldItemName(10), "Orb");
  EXPECT_EQ(*NewItemName(10), "ORB");
  EXPECT_EQ(*NewItemName(60), "Fixed");  // from the fixed table when the filter table has no row
  EXPECT_EQ(OldItemName(60), nullptr);
  EXPECT_EQ(NewItemName(99), nullptr);
  const OldNameRow broken = FindOldItemName(50), none = FindOldItemName(99);
  EXPECT_EQ(*broken.name, "Broken");
  EXPECT_EQ(broken.row, 1);
  EXPECT_EQ(none.row, NameTally::kAbsent);
  EXPECT_EQ(none.name, nullptr);
}

}  // namespace
}  // namespace vmqdSDK
