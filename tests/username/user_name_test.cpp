#include "username/user_name.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "archive/archive.h"
#include "foundation/cp932.h"
#include "support/archive_writer.h"

namespace vmqdSDK {
namespace {

CSharedPtr<CStream> StreamOf(const std::string& bytes) {
  CByteArray buffer = CByteArray::Allocate(static_cast<std::uint32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(buffer.Data(), bytes.data(), bytes.size());
  return CSharedPtr<CStream>(new CMemoryStream(buffer, kGenericRead, CMemoryStream::kFixed));
}

TEST(SplitText, Cases) {
  struct Case {
    std::string text, separators, quotes;
    bool keepEmpty;
    std::vector<std::string> expected;
  } cases[] = {
      {"a,\"b,c\",,d", ",", "\"", true, {"a", "b,c", "", "d"}},
      {"a,\"b,c\",,d", ",", "\"", false, {"a", "b,c", "d"}},
      {",", ",", "", true, {"", ""}},
      {"", ",", "", false, {}},
      // The second byte of "ソ" (83 5C) is no "\".
      {"\x83\x5C\\x", "\\", "", false, {"\x83\x5C", "x"}},
      // A lead byte at the very end stands alone.
      {"a\\\x81", "\\", "", false, {"a", "\x81"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> out;
    SplitText(c.text, out, c.separators, c.quotes, c.keepEmpty);
    EXPECT_EQ(out, c.expected) << c.text;
  }
}

TEST(LoadProhibitedList, LinesOfAnyEndingWithoutEmptyEntries) {
  std::vector<std::string> entries{"kept"};
  LoadProhibitedList(StreamOf(std::string("a\r\nb\rc\n\n d \r\n\r\ne\0f", 19)), entries);
  EXPECT_EQ(entries, (std::vector<std::string>{"kept", "a", "b", "c", " d ", "e"}));

  LoadProhibitedList(CSharedPtr<CStream>(), entries);
  LoadProhibitedList(StreamOf(""), entries);
  EXPECT_EQ(entries.size(), 6u);
}

TEST(LoadProhibitedLists, FromTheArchiveReplacingEarlierLists) {
  using hvxfer::test::ArchiveWriter;
  ArchiveWriter full;
  full.Ext(".txt").Add("PRH_Char", "#\r\n!\n#\n\n").Add("PRH_Name", "admin\r", hvxfer::test::kZlib).Add("PRH_Word", " BAD ");
  CArchive archive;
  ASSERT_TRUE(archive.Open(hvxfer::test::WriteTestFile("lists.cr", full.Build())));
  LoadProhibitedLists(archive);
  EXPECT_EQ(GetProhibitedLists().chars, (std::set<std::string>{"!", "#"}));
  EXPECT_EQ(GetProhibitedLists().names, std::vector<std::string>{"admin"});
  EXPECT_EQ(GetProhibitedLists().words, std::vector<std::string>{" BAD "});

  ArchiveWriter none;
  none.Ext(".txt").Add("PRH_char", "#");  // names are case-sensitive
  ASSERT_TRUE(archive.Open(hvxfer::test::WriteTestFile("no-lists.cr", none.Build())));
  LoadProhibitedLists(archive);
  EXPECT_TRUE(GetProhibitedLists().chars.empty());
  EXPECT_TRUE(GetProhibitedLists().names.empty());
  EXPECT_TRUE(GetProhibitedLists().words.empty());
}

TEST(CheckUserName, Rules) {
  ProhibitedLists lists;
  lists.chars = {"#", "!", Sjis("＠"), "\\"};
  lists.words = {"BAD"};
  lists.names = {"admin"};
  const std::string length = Sjis("半角4～18(全角2～9)文字に制限されています");
  const std::string word = Sjis("禁止単語が含まれています");
  const std::string control = Sjis("改行等の使用不可能な制御文字が含まれています");
  const std::string space = Sjis("空白のみで構成される名前は禁止されています");
  auto chars = [](const std::string& found) { return Sjis("記号等の禁止文字(") + found + Sjis(")が含まれています"); };

  struct Case {
    std::string name, expected;
  } cases[] = {
      {"abcd", ""},
      {"", length},
      {"abc", length},
      {std::string(19, 'a'), length},
      {std::string(18, 'a'), ""},
      {Sjis("あいうえおかきくけ"), ""},      // nine full-width characters are 18 bytes
      {Sjis("あいうえおかきくけこ"), length},  // ten are 20
      {"a!", length},                          // length decides first
      {"xBADx", word},
      {"xbadx", ""},  // the word test is case-sensitive
      {"myadmin1", word},
      {"a!b#c", chars("!#")},  // found characters in byte order, each once
      {"a#b#c!", chars("!#")},
      {Sjis("ab＠c"), chars(Sjis("＠"))},
      {Sjis("ソソ表表"), ""},  // second bytes 0x5C are no "\"
      {"ab#\tc", control},     // a control character wins over characters found before it
      {"ab\ncd", control},
      {"    ", space},
      {Sjis("　　"), space},
      {"\x01\x02\x03\x04", space},  // dropped bytes leave nothing
      {"\r\r\r\r", space},
      {"ab\x80\x7F\r" "cd", ""},  // dropped bytes: only TAB and LF remain to refuse
      {Sjis("ｱｲｳｴ"), ""},
      {Sjis(" ｱ  "), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckUserName(c.name, lists), c.expected) << c.name;
}

TEST(CheckUserName, EmptyListsRefuseOnlyByLengthControlSpacesAndTheDocumentsCharacters) {
  ProhibitedLists none;
  auto chars = [](const std::string& found) { return Sjis("記号等の禁止文字(") + found + Sjis(")が含まれています"); };
  struct Case {
    std::string name, expected;
  } cases[] = {
      {"a!b#BAD", ""},
      {"abcd", ""},
      {"ab", Sjis("半角4～18(全角2～9)文字に制限されています")},
      {"x&y", Sjis("半角4～18(全角2～9)文字に制限されています")},
      {"ab\tcd", Sjis("改行等の使用不可能な制御文字が含まれています")},
      {"     ", Sjis("空白のみで構成される名前は禁止されています")},
      // Refused whatever the lists say: the new save's attribute would hold them raw.
      {"ab\"cd", chars("\"")},
      {"a<b>c", chars("<>")},
      {"x&yz", chars("&")},
      {"&a\"<>\"", chars("\"&<>")},
      {"a<b\tc", Sjis("改行等の使用不可能な制御文字が含まれています")},
      {Sjis("＆＜＞”"), ""},  // their full-width forms only where a list has them
  };
  for (const Case& c : cases) EXPECT_EQ(CheckUserName(c.name, none), c.expected) << c.name;
}

// The four characters the document refuses give what a list holding them gives, as the bundled one does,
// among that list's other characters, in every rule's place.
TEST(CheckUserName, TheDocumentsCharactersAsTheBundledListRefusesThem) {
  ProhibitedLists bundled, withoutThem;
  bundled.chars = {"\\", "/", ":", "*", "?", "\"", "<", ">", "|", "&", Sjis("＆")};
  withoutThem.chars = {"\\", "/", ":", "*", "?", "|", Sjis("＆")};
  bundled.words = withoutThem.words = {"BAD"};
  const std::vector<std::string> names = {"ab\"cd", "a<b>c",   "x&yz", "x&y",  "a|b\"c?d", Sjis("a＆b&c"),
                                         "a\"BAD", "a\"b\nc", "a\x01<bc", "  & ", "abcd",     "a*b/c:"};
  for (const std::string& name : names) {
    EXPECT_EQ(CheckUserName(name, withoutThem), CheckUserName(name, bundled)) << name;
  }
}

TEST(UserNameMessage, EveryKey) {
  const std::pair<UserNameKey, std::string> cases[] = {
      {UserNameKey::kControl, Sjis("改行等の使用不可能な制御文字が含まれています")},
      {UserNameKey::kChar, Sjis("記号等の禁止文字(%s)が含まれています")},
      {UserNameKey::kWord, Sjis("禁止単語が含まれています")},
      {UserNameKey::kSpace, Sjis("空白のみで構成される名前は禁止されています")},
      {UserNameKey::kLength, Sjis("半角4～18(全角2～9)文字に制限されています")},
      {UserNameKey::kUnusable, Sjis("使用不可能な名前です")},
  };
  for (const auto& [key, message] : cases) EXPECT_EQ(UserNameMessage(key), message) << static_cast<int>(key);
}

}  // namespace
}  // namespace vmqdSDK
