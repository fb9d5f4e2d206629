#include "installfolder/install_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/run_fixture.h"
#include "support/temp_folder.h"

namespace vmqdSDK {
namespace {

using hvxfer::test::WriteFileBytes;

TEST(HoldsAllFiles, EveryFileInAFolder) {
  test::TempFolder temp;
  const std::string folder = temp.Path() + "game\\";
  WriteFileBytes(folder + "a.exe", "");
  WriteFileBytes(folder + "sub\\b.dat", "");
  std::filesystem::create_directories(test::NativePath(folder + "dir.dat"));
  std::string slashed = folder;
  for (char& c : slashed)
    if (c == '\\') c = '/';
  slashed.pop_back();

  struct Case {
    const char* what;
    std::string folder;
    std::vector<std::string> files;
    bool holds;
  } cases[] = {
      {"all there", folder, {"a.exe", "sub\\b.dat"}, true},
      {"with \"/\" and no final separator", slashed, {"a.exe", "sub\\b.dat"}, true},
      {"none asked", folder, {}, true},
      {"one missing", folder, {"a.exe", "c.exe"}, false},
      {"a folder where a file belongs", folder, {"a.exe", "dir.dat"}, false},
      {"a file, not a folder", folder + "a.exe", {}, false},
      {"no such folder", temp.Path() + "nothing\\", {}, false},
      // An item of the folder browser without a path: nothing may be looked for in the current folder.
      {"empty folder text", "", {}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(HoldsAllFiles(c.folder, c.files), c.holds) << c.what;
}

// A folder with every marker of one game is its install folder; without any one of them it is not.
TEST(InstallFolders, RecognisedByEveryMarker) {
  struct Game {
    const char* name;
    bool (*recognises)(const std::string&);
    std::vector<std::string> markers;
  } games[] = {
      {"source", IsSourceGameFolder, {"setting.exe", "halvor.exe", "main\\save\\save00.dat"}},
      {"destination",
       IsDestinationGameFolder,
       {"setting.exe", "cr\\a.cr", "cr\\b.cr", "cr\\c.cr", "cr\\d.cr", "cr\\eft.cr", "cr\\enm.cr", "cr\\hro.cr",
        "cr\\map.cr"}},
  };
  EXPECT_EQ(SourceGameMarkers(), games[0].markers);
  EXPECT_EQ(DestinationGameMarkers(), games[1].markers);
  EXPECT_EQ(std::string(kSourceSaveFile), "main\\save\\save00.dat");
  for (const Game& game : games) {
    test::TempFolder temp;
    const std::string folder = temp.Path();
    for (const std::string& marker : game.markers) WriteFileBytes(folder + marker, "");
    EXPECT_TRUE(game.recognises(folder)) << game.name;
    for (const std::string& marker : game.markers) {
      std::filesystem::remove(test::NativePath(folder + marker));
      EXPECT_FALSE(game.recognises(folder)) << game.name << " without " << marker;
      WriteFileBytes(folder + marker, "");
    }
  }
  EXPECT_FALSE(IsSourceGameFolder(""));
  EXPECT_FALSE(IsDestinationGameFolder(""));
}

}  // namespace
}  // namespace vmqdSDK
