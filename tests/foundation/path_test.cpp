#include "foundation/path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"

namespace vmqdSDK {
namespace {

// "ソ" and "表": double-byte characters whose second byte is 0x5C, the byte of "\".
const std::string kSo = "\x83\x5C";
const std::string kHyo = "\x95\x5C";

TEST(NormalizeFolderPath, Cases) {
  struct Case {
    std::string in, expected;
  } cases[] = {
      {"", ""},
      {"C:/games/halvor", "C:\\games\\halvor\\"},
      {"C:\\games\\", "C:\\games\\"},
      {"C:/games/", "C:\\games\\"},
      // The last character decides, not the last byte: these folders still get their separator.
      {"C:\\" + kSo, "C:\\" + kSo + "\\"},
      {"D:\\" + kHyo, "D:\\" + kHyo + "\\"},
      {"D:\\" + kHyo + "\\", "D:\\" + kHyo + "\\"},
      // A "/" right after such a character is a separator; the character's own 0x5C stays.
      {"a" + kHyo + "/b", "a" + kHyo + "\\b\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeFolderPath(c.in), c.expected) << c.in;
}

TEST(FileNamePart, Cases) {
  struct Case {
    std::string in, expected;
  } cases[] = {
      {"na", "na"},
      {"C:\\tools\\hvxfer.exe", "hvxfer.exe"},
      {"C:x.txt", "x.txt"},
      {"src/foundation/exception.cpp", "exception.cpp"},
      {"dir\\", ""},
      {"dir\\" + kSo, kSo},  // the 0x5C of ソ does not split the name
  };
  for (const Case& c : cases) EXPECT_EQ(FileNamePart(c.in), c.expected) << c.in;
}

TEST(ModuleFolder, IsTheFolderOfTheRunningProgram) {
  const std::string module = ModuleFileName();
  ASSERT_FALSE(module.empty());
  const std::string folder = GetModuleFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_EQ(folder + FileNamePart(module), module);
  EXPECT_TRUE(FileExists(module));
  EXPECT_TRUE(DirectoryExists(folder));
}

TEST(ExistenceTests, FileAndFolder) {
  test::TempFolder temp;
  const std::string file = temp.Path() + "file.dat";
  std::ofstream(test::NativePath(file)) << "x";
  const std::string folder = temp.Path() + "sub" + kSo;
  std::filesystem::create_directory(test::NativePath(folder));

  struct Case {
    std::string path;
    bool directory, file;
  } cases[] = {
      {file, false, true},
      {folder, true, false},
      {folder + "\\", true, false},
      {temp.Path() + "missing", false, false},
      {temp.Path() + "missing\\", false, false},
      {"", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DirectoryExists(c.path), c.directory) << c.path;
    EXPECT_EQ(FileExists(c.path), c.file) << c.path;
  }
}

TEST(EnsureDirectoryPath, Cases) {
  test::TempFolder temp;
  std::ofstream(test::NativePath(temp.Path() + "file")) << "x";

  struct Case {
    std::string relative;
    bool result;
    const char* madeFolder;  // relative folder that must exist afterwards, or nullptr
  } cases[] = {
      {"a\\b\\c\\", true, "a\\b\\c"},
      {"a\\b\\c\\", true, "a\\b\\c"},  // everything exists already
      // Names ending in ソ and 表: their 0x5C is no separator, so no folder "\x83" or "\x95" is made.
      {kSo + "\\" + kHyo + "\\", true, nullptr},
      // Without a final "\" the last component is a file name: its parents are made, the call fails.
      {"p\\q", false, "p"},
      {"file\\sub\\", false, nullptr},  // a file stands where a folder must go
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EnsureDirectoryPath(temp.Path() + c.relative, 0x80), c.result) << c.relative;
    if (c.madeFolder) {
      EXPECT_TRUE(DirectoryExists(temp.Path() + c.madeFolder)) << c.relative;
    }
  }
  EXPECT_TRUE(DirectoryExists(temp.Path() + kSo + "\\" + kHyo));
  EXPECT_FALSE(DirectoryExists(temp.Path() + "p\\q"));
  // Only the named folders were made: no stray folder from a split double-byte character.
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(temp.Native())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 4u);  // a, ソ, p, file
}

}  // namespace
}  // namespace vmqdSDK
