#include "carryover/run_report.h"

#include <gtest/gtest.h>

#include "foundation/cp932.h"
#include "support/run_fixture.h"

namespace vmqdSDK {
namespace {

using hvxfer::test::ReadFileBytes;
using hvxfer::test::TempFolder;
using hvxfer::test::WriteFileBytes;

TEST(SameNameIgnoringCase, Cases) {
  struct Case {
    std::string a, b;
    bool same;
  } cases[] = {
      {"Iron Sword", "iRON sWORD", true},
      {Sjis("ＡＺ剣"), Sjis("ａｚ剣"), true},  // full-width Latin letters fold too
      {Sjis("Ａ"), "a", false},                // but not into ASCII
      {"\x83\x41", "\x83\x61", false},         // a second byte is never folded
      {"abc", "abcd", false},
      {"", "", true},
      {"a\x81", "A\x81", true},  // a lead byte at the end stands alone
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameNameIgnoringCase(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(SameNameIgnoringCase(c.b, c.a), c.same) << c.b << " / " << c.a;
  }
}

TEST(RunReportBody, TitleOnlyWithoutItems) {
  EXPECT_EQ(RunReportBody(RunReportInput{}), Sjis("セーブデータ引継ぎ結果") + "\n\n");
}

TEST(RunReportBody, Sections) {
  const std::string sword = "Sword", newSword = Sjis("剣"), shield = "Shield", newShield = "SHIELD";
  const std::string herb = "Herb", herbAgain = "Herb", stone = "Stone";
  RunReportInput input;
  input.carried = {{&sword, &newSword}, {nullptr, &newSword}, {&shield, &newShield}, {&sword, nullptr}};
  // Rows 7 and 2 hold equal texts: two entries, in row order, after the absent name.
  input.removed.Add(7, &herbAgain);
  input.removed.Add(2, &herb);
  input.removed.Add(NameTally::kAbsent, nullptr);
  input.removed.Add(2, &herb);
  input.removed.Add(NameTally::kAbsent, nullptr);
  input.removedCount = 5;
  input.failed.Add(4, &stone);
  input.failedCount = 1;

  const std::string expected =
      Sjis("セーブデータ引継ぎ結果") + "\n\n" +
      Sjis("▼引き継がれたアイテム 4個") + "\n" + Sjis("()内は引継ぎ後のアイテム名です。") + "\n\n" +
      " Sword(" + newSword + ")\n" +
      " " + Sjis("不明なアイテム") + "\n" +  // no old name: no new name either
      " Shield\n" +                           // equal apart from case
      " Sword\n" + "\n\n" +
      Sjis("▼削除されたアイテム(これらのアイテムは引き継げません) 5個") + "\n\n" +
      " " + Sjis("不明なアイテム") + "(2)\n" + " Herb(2)\n" + " Herb(1)\n" + "\n\n" +
      Sjis("▼引き継ぎに失敗したアイテム(これらのアイテムは引き継げないか壊れています) 1個") + "\n\n" +
      " Stone(1)\n" + "\n\n";
  EXPECT_EQ(RunReportBody(input), expected);
}

TEST(RunReportBody, FailedSectionWithoutTheOthers) {
  RunReportInput input;
  input.failed.Add(NameTally::kAbsent, nullptr);
  input.failedCount = 1;
  EXPECT_EQ(RunReportBody(input),
            Sjis("セーブデータ引継ぎ結果") + "\n\n" +
                Sjis("▼引き継ぎに失敗したアイテム(これらのアイテムは引き継げないか壊れています) 1個") + "\n\n " +
                Sjis("不明なアイテム") + "(1)\n\n\n");
}

TEST(RunReport, ErrorLineInCrLfReplacingTheOldReport) {
  TempFolder folder;
  const std::string path = folder.Path() + "log.txt";
  WriteFileBytes(path, std::string(100, 'x'));
  {
    CRunReport report(path);
    report.Write(RunReportErrorLine(323, Sjis("ユーザー名が不正")));
  }
  EXPECT_EQ(ReadFileBytes(path), Sjis("エラー：ユーザー名が不正(EL323)") + "\r\n");
}

TEST(RunReport, UnopenableReportIsSilent) {
  TempFolder folder;
  CRunReport report(folder.Path() + "missing\\log.txt");
  report.Write("lost\n");
  EXPECT_FALSE(hvxfer::test::PathExists(folder.Path() + "missing"));
}

}  // namespace
}  // namespace vmqdSDK
