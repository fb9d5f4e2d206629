#include "carryover/carry_over.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "archive/codec.h"
#include "foundation/cp932.h"
#include "support/run_fixture.h"

namespace vmqdSDK {
namespace {

using hvxfer::test::MobcoreElement;
using hvxfer::test::MobcoreItem;
using hvxfer::test::PathExists;
using hvxfer::test::ReadFileBytes;
using hvxfer::test::RunFolders;
using hvxfer::test::SaveWithList;
using hvxfer::test::ToolArchiveSpec;
using hvxfer::test::WriteFileBytes;

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"US-ASCII\" ?>\r\n";

std::string Title() { return Sjis("セーブデータ引継ぎ結果") + "\r\n\r\n"; }
std::string ErrorLine(int code, const std::string& message) {
  return Sjis("エラー：") + message + "(EL" + std::to_string(code) + ")\r\n";
}

// Carried, removed and failed items with names of every kind: the whole story of one run.
ToolArchiveSpec StoryTables() {
  ToolArchiveSpec contents;
  contents.names = {{10, "Orb"}, {20, "Core"}, {30, Sjis("石")}, {40, Sjis("石")}, {50, "Broken"}};
  // "ORB" equals "Orb" apart from case; 1100 is a tune id without range rows, so item 50 fails.
  contents.filter = {{10, 1000010, "ORB"}, {20, 1000020, "New Core"}, {50, 1100, "Tune"}};
  contents.fixed = {{60, 1000060, "Fixed"}};
  return contents;
}

TEST(RunCarryOver, CarriesRemovesAndFailsInIdOrder) {
  RunFolders run(StoryTables());
  SourceSaveImage image = SaveWithList({MobcoreItem(99, 1), MobcoreItem(10, 2), MobcoreItem(30, 3),
                                        MobcoreItem(20, 4), MobcoreItem(40, 5), MobcoreItem(50, 6),
                                        MobcoreItem(30, 7), MobcoreItem(60, 8)});
  // A slot item reads before the lists: of the equal ids 20 it comes first.
  image.slotFlags[2] = 9;
  image.slots[2] = RecordOf(MobcoreItem(20, 11));
  run.WriteSourceSave(image);

  EXPECT_FALSE(run.Run("Hero"));  // one item failed

  EXPECT_EQ(run.NewSave("Hero"), kDeclaration + "<save user=\"Hero\">" + MobcoreElement(1000010, 2) +
                                     MobcoreElement(1000020, 11) + MobcoreElement(1000020, 4) +
                                     MobcoreElement(1000060, 8) + "\n</save>\n");
  EXPECT_EQ(run.Report(),
            Title() + Sjis("▼引き継がれたアイテム 4個") + "\r\n" + Sjis("()内は引継ぎ後のアイテム名です。") +
                "\r\n\r\n Orb\r\n Core(New Core)\r\n Core(New Core)\r\n " + Sjis("不明なアイテム") + "\r\n\r\n\r\n" +
                Sjis("▼削除されたアイテム(これらのアイテムは引き継げません) 4個") + "\r\n\r\n " +
                Sjis("不明なアイテム") + "(1)\r\n " + Sjis("石") + "(2)\r\n " + Sjis("石") + "(1)\r\n\r\n\r\n" +
                Sjis("▼引き継ぎに失敗したアイテム(これらのアイテムは引き継げないか壊れています) 1個") +
                "\r\n\r\n Broken(1)\r\n\r\n\r\n");
}

TEST(RunCarryOver, EmptySaveGivesTemplatesOnlyAndTitleOnlyReport) {
  ToolArchiveSpec contents;
  contents.header = "<h a=\"_UN__UN_\">_UN_";
  contents.footer = "_UN_</h>";
  RunFolders run(contents);
  run.WriteSourceSave(SourceSaveImage{});
  const std::string name = Sjis("勇者ソ");  // a second byte 0x5C is no separator
  EXPECT_FALSE(PathExists(run.Destination() + "save\\"));

  EXPECT_TRUE(run.Run(name));

  EXPECT_EQ(run.NewSave(name), "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<h a=\"勇者ソ勇者ソ\">勇者ソ_UN_</h>");
  EXPECT_EQ(run.Report(), Title());
}

TEST(RunCarryOver, EveryItemFailingStillWritesTheSave) {
  RunFolders run(StoryTables());
  run.WriteSourceSave(SaveWithList({MobcoreItem(50, 1), MobcoreItem(50, 2)}));
  EXPECT_FALSE(run.Run("Hero"));
  EXPECT_EQ(run.NewSave("Hero"), kDeclaration + "<save user=\"Hero\">\n</save>\n");
  EXPECT_EQ(run.Report(), Title() +
                              Sjis("▼引き継ぎに失敗したアイテム(これらのアイテムは引き継げないか壊れています) 2個") +
                              "\r\n\r\n Broken(2)\r\n\r\n\r\n");
}

TEST(RunCarryOver, ExistingSaveStopsBeforeTheSourceSaveIsRead) {
  RunFolders run;
  run.WriteSourceSaveBytes("not a save at all");
  WriteFileBytes(run.SavePath("abc1"), "old");
  EXPECT_FALSE(run.Run("abc1"));
  EXPECT_EQ(run.Report(), ErrorLine(336, Sjis("ユーザー名 \"abc1\" は出力先に既に存在します。")));
  EXPECT_EQ(ReadFileBytes(run.SavePath("abc1")), "old");
}

// What a stopped run left is no save: it never stops a run, and the next run for the name removes it.
TEST(RunCarryOver, LeftoversOfAStoppedRunAreRemoved) {
  RunFolders run;
  run.WriteSourceSave(SourceSaveImage{});
  const std::string leftover = run.SavePath("Hero") + ".hvxfer-1f2e-0.tmp";
  WriteFileBytes(leftover, "half");
  EXPECT_TRUE(run.Run("Hero"));
  EXPECT_FALSE(PathExists(leftover));
  const std::string save = ReadFileBytes(run.SavePath("Hero"));
  EXPECT_EQ(run.NewSave("Hero"), kDeclaration + "<save user=\"Hero\">\n</save>\n");

  WriteFileBytes(leftover, "half");
  EXPECT_FALSE(run.Run("Hero"));
  EXPECT_EQ(run.Report(), ErrorLine(336, Sjis("ユーザー名 \"Hero\" は出力先に既に存在します。")));
  EXPECT_FALSE(PathExists(leftover));
  EXPECT_EQ(ReadFileBytes(run.SavePath("Hero")), save);
}

TEST(RunCarryOver, FoldersAreNamedNormalized) {
  RunFolders run;
  run.WriteSourceSave(SourceSaveImage{});
  std::string slashed = run.Source();
  for (char& c : slashed)
    if (c == '\\') c = '/';
  slashed.pop_back();
  // Accepted with "/" separators and without the final one.
  EXPECT_TRUE(run.Run("name1", slashed));

  struct Case {
    std::string source, destination;
    int code;
    std::string message;
  } cases[] = {
      {run.Destination(), run.Destination(), 311,
       run.Destination() + Sjis(" は引継ぎ元として有効なフォルダではありません。")},
      {slashed + "/missing", run.Destination(), 311,
       run.Source() + "missing\\" + Sjis(" は引継ぎ元として有効なフォルダではありません。")},
      {"", run.Destination(), 311, Sjis(" は引継ぎ元として有効なフォルダではありません。")},
      {run.Source(), run.Source(), 316, run.Source() + Sjis(" は引継ぎ先として有効なフォルダではありません。")},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(run.Run("name2", c.source, c.destination));
    EXPECT_EQ(run.Report(), ErrorLine(c.code, c.message)) << c.source;
  }
  EXPECT_FALSE(PathExists(run.SavePath("name2")));
}

TEST(RunCarryOver, NamesThatRulesOrPathsRefuse) {
  ToolArchiveSpec contents;
  contents.prhChar = "#\r\n";
  RunFolders run(contents);
  run.WriteSourceSave(SourceSaveImage{});
  // `"`, `<`, `>` and `&` are refused although the archive's list holds only "#": the save could not hold them.
  for (const std::string name : {"abc", "ab#cd", "ab\\cd", "ab/cd", "c:abc", "ab\x01" "cd", "NUL.x", "com1", "Aux ",
                                 "conout$", "ab\"cd", "a<b>c", "x&yz"}) {
    EXPECT_FALSE(run.Run(name)) << name;
    EXPECT_EQ(run.Report(), ErrorLine(323, Sjis("ユーザー名が不正"))) << name;
  }
  EXPECT_FALSE(PathExists(run.Destination() + "save\\"));  // refused before the output folder is made
  for (const std::string& name : std::vector<std::string>{Sjis("表示ソフト"), "nul1", "com10", "console"}) {
    EXPECT_TRUE(run.Run(name)) << name;
    EXPECT_TRUE(PathExists(run.SavePath(name))) << name;
  }
}

// Failures that data can provoke, each with the one report line it leaves and no new save. No file or
// archive can bring about 368, 479, 486, 524 or 529: where each is raised, a comment says why.
TEST(RunCarryOver, FailureCodes) {
  struct Case {
    const char* what;
    ToolArchiveSpec contents;
    std::string sourceSave;  // file bytes; empty: an empty save
    int code;
    std::string message;
  };
  auto file = [](const std::string& inflated) {
    CByteArray data = CByteArray::Allocate(static_cast<std::uint32_t>(inflated.size()));
    std::copy(inflated.begin(), inflated.end(), data.Data());
    CByteArray bytes = EncodeSourceSave(data, 0x11);
    return std::string(reinterpret_cast<const char*>(bytes.Data()), bytes.GetCount());
  };
  auto data = [](const SourceSaveImage& image) {
    CByteArray bytes = BuildSourceSaveData(image);
    return std::string(reinterpret_cast<const char*>(bytes.Data()), bytes.GetCount());
  };
  SourceSaveImage oneInList = SaveWithList({MobcoreItem(1, 1)});
  SourceSaveImage oneInSlot;
  oneInSlot.slotFlags[0] = 1;
  oneInSlot.slots[0] = RecordOf(MobcoreItem(1, 1));
  const std::string list = data(oneInList), slot = data(oneInSlot);
  const std::string notZlib = [] {
    CByteArray bytes = VmqdScrambleWithKey("plain text", 10, 3);
    return std::string(reinterpret_cast<const char*>(bytes.Data()), bytes.GetCount());
  }();
  std::string badCheck = file(list);
  badCheck[7] = static_cast<char>(badCheck[7] ^ 1);

  using Damage = ToolArchiveSpec::Damage;
  auto header = [](Damage damage) {
    ToolArchiveSpec contents;
    contents.headerDamage = damage;
    return contents;
  };
  auto footer = [](Damage damage) {
    ToolArchiveSpec contents;
    contents.footerDamage = damage;
    return contents;
  };
  ToolArchiveSpec noHeader, noFooter, badHeaderText;
  noHeader.header.reset();
  noFooter.footer.reset();
  badHeaderText.header = "<save \xFF\xFF>";  // not code page 932: the document cannot become UTF-8

  const Case cases[] = {
      {"too short to hold a payload", {}, "12345", 356, Sjis("無効なファイル")},
      {"check value", {}, badCheck, 356, Sjis("無効なファイル")},
      {"not zlib", {}, notZlib, 362, Sjis("無効なファイル")},
      {"shorter than 24 bytes", {}, file(std::string(23, 'x')), 375, Sjis("シーク失敗")},
      {"ends in the slot flags", {}, file(std::string(26, '\0')), 385, Sjis("読み込み失敗")},
      {"ends in a slot item", {}, file(slot.substr(0, slot.size() - 40)), 391, Sjis("読み込み失敗")},
      {"ends between the lists", {}, file(list.substr(0, list.size() - 4)), 401, Sjis("読み込み失敗")},
      {"ends in a list item", {}, file(list.substr(0, list.size() - 10)), 408, Sjis("読み込み失敗")},
      // A template the archive does not serve is missing, whatever the reason; one it serves as a stream
      // that cannot be read is unreadable.
      {"h.txt missing", noHeader, "", 468, Sjis("ファイルオープン失敗")},
      {"h.txt of an unknown codec", header(Damage::kUnknownCodec), "", 468, Sjis("ファイルオープン失敗")},
      {"h.txt vmqd with empty payload", header(Damage::kEmptyVmqd), "", 468, Sjis("ファイルオープン失敗")},
      {"h.txt not zlib", header(Damage::kCorruptZlib), "", 468, Sjis("ファイルオープン失敗")},
      {"h.txt coded bytes beyond the end", header(Damage::kCodedBeyondEnd), "", 468, Sjis("ファイルオープン失敗")},
      {"h.txt window beyond the end", header(Damage::kWindowBeyondEnd), "", 473, Sjis("読み込み失敗")},
      {"f.txt missing", noFooter, "", 494, Sjis("読み込み失敗")},
      {"f.txt of an unknown codec", footer(Damage::kUnknownCodec), "", 494, Sjis("読み込み失敗")},
      {"f.txt vmqd with empty payload", footer(Damage::kEmptyVmqd), "", 494, Sjis("読み込み失敗")},
      {"f.txt not zlib", footer(Damage::kCorruptZlib), "", 494, Sjis("読み込み失敗")},
      {"f.txt coded bytes beyond the end", footer(Damage::kCodedBeyondEnd), "", 494, Sjis("読み込み失敗")},
      {"f.txt window beyond the end", footer(Damage::kWindowBeyondEnd), "", 498, Sjis("書き込み失敗")},
      {"document not convertible", badHeaderText, "", 509, Sjis("データ処理失敗")},
  };
  for (const Case& c : cases) {
    RunFolders run(c.contents);
    if (c.sourceSave.empty()) {
      run.WriteSourceSave(SourceSaveImage{});
    } else {
      run.WriteSourceSaveBytes(c.sourceSave);
    }
    EXPECT_FALSE(run.Run("name")) << c.what;
    EXPECT_EQ(run.Report(), ErrorLine(c.code, c.message)) << c.what;
    EXPECT_FALSE(PathExists(run.SavePath("name"))) << c.what;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(hvxfer::test::NativePath(run.Destination() + "save\\")), {}), 0)
        << c.what;
  }
}

TEST(RunCarryOver, OutputFolderAndFileThatCannotBeMade) {
  RunFolders run;
  run.WriteSourceSave(SourceSaveImage{});
  WriteFileBytes(run.Destination() + "save", "a file where the folder belongs");
  EXPECT_FALSE(run.Run("name"));
  EXPECT_EQ(run.Report(), ErrorLine(330, Sjis("出力先フォルダの検出に失敗")));

  RunFolders other;
  other.WriteSourceSave(SourceSaveImage{});
  std::filesystem::create_directories(hvxfer::test::NativePath(other.SavePath("name")));
  EXPECT_FALSE(other.Run("name"));
  EXPECT_EQ(other.Report(), ErrorLine(539, Sjis("ファイル作成失敗")));
}

}  // namespace
}  // namespace vmqdSDK
