#include "savedata/new_save.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "archive/archive.h"
#include "archive/codec.h"
#include "foundation/cp932.h"
#include "foundation/text_buffer.h"
#include "support/new_save_encoder.h"
#include "support/file_size_limit.h"
#include "support/run_fixture.h"


namespace vmqdSDK {
namespace {

using hvxfer::test::BuildNewSaveDocument;
using hvxfer::test::BuildToolArchive;
using hvxfer::test::EncodeNewSave;
using hvxfer::test::PathExists;
using hvxfer::test::ReadFileBytes;
using hvxfer::test::TempFolder;
using hvxfer::test::ToolArchiveSpec;
using hvxfer::test::WriteFileBytes;

std::string Text(const CByteArray& bytes) {
  return bytes.IsNull() ? std::string() : std::string(reinterpret_cast<const char*>(bytes.Data()), bytes.GetCount());
}

TEST(EncodeNewSave, LayersFromOutsideIn) {
  struct Case {
    std::string document, declaredAs, payloadText;
  } cases[] = {
      {"<a/>", "US-ASCII", "<a/>"},
      {Sjis("<a n=\"勇者\"/>"), "UTF-8", "<a n=\"勇者\"/>"},
      // With the 44-byte declaration, payloads of 256 and 300 bytes: key bytes 0 and 44.
      {std::string(256 - 44, 'x'), "US-ASCII", std::string(256 - 44, 'x')},
      {std::string(300 - 44, 'y'), "US-ASCII", std::string(300 - 44, 'y')},
  };
  for (const Case& c : cases) {
    CByteArray encoded;
    ASSERT_EQ(EncodeNewSave(c.document.data(), static_cast<std::uint32_t>(c.document.size()), encoded), kNewSaveOk);
    // Outermost a zlib stream at the default level (header 78 9C), nothing after it.
    ASSERT_GE(encoded.GetCount(), 2u);
    EXPECT_EQ(encoded[0], 0x78);
    EXPECT_EQ(encoded[1], 0x9C);
    CZlib zlib = MakeFormatZlib();
    const std::string container = Text(zlib.Inflate(encoded.Data(), encoded.GetCount()));
    ASSERT_GE(container.size(), 5u);
    const std::string payload = "<?xml version=\"1.0\" encoding=\"" + c.declaredAs + "\" ?>\r\n" + c.payloadText;
    EXPECT_EQ(static_cast<unsigned char>(container[4]), payload.size() % 256);
    EXPECT_EQ(Text(VmqdDescramble(container.data(), static_cast<std::uint32_t>(container.size()))), payload);

    std::string xml;
    EXPECT_TRUE(DecodeNewSave(encoded.Data(), encoded.GetCount(), xml));
    EXPECT_EQ(xml, payload);
  }
  std::string xml = "left over";
  EXPECT_FALSE(DecodeNewSave("not zlib", 8, xml));
  EXPECT_EQ(xml, "");
}

// A tool archive with these contents, written into `folder` and opened.
void OpenToolArchive(const TempFolder& folder, const ToolArchiveSpec& contents, CArchive& archive) {
  WriteFileBytes(folder.Path() + "main.cr", BuildToolArchive(contents));
  ASSERT_TRUE(archive.Open(folder.Path() + "main.cr"));
}

// ReadNewSaveHeader and CopyNewSaveFooter around the items.
TEST(NewSaveTemplates, AroundTheItems) {
  TempFolder folder;
  struct Case {
    const char* what;
    std::optional<std::string> header, footer;
    std::string expected;
  } cases[] = {
      {"placeholders", "_UN__UN_<_UN", "_UN_>", "NameName<_UN<i/>_UN_>"},
      {"empty header", "", ">", "<i/>>"},
      {"empty footer", "<", "", "<<i/>"},
      // Longer than one 4096-byte copy chunk.
      {"long footer", "", std::string(5000, 'f') + "!", "<i/>" + std::string(5000, 'f') + "!"},
  };
  for (const Case& c : cases) {
    ToolArchiveSpec contents;
    contents.header = c.header;
    contents.footer = c.footer;
    CArchive archive;
    ASSERT_NO_FATAL_FAILURE(OpenToolArchive(folder, contents, archive));
    CMemoryStream document(0, kGenericRead | kGenericWrite, CMemoryStream::kDoubling);
    ASSERT_EQ(BuildNewSaveDocument(archive, "Name", "<i/>", document), kNewSaveOk) << c.what;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(document.GetBuffer().Data()), document.GetSize()), c.expected)
        << c.what;
  }
}

// The run's way of making the new save around its item text must give what building the document and
// encoding it give, failures included: for every kind of template, and for item texts as the run writes
// them (ASCII), none at all, and one with bytes of 0x80 and above (which the run never writes).
TEST(EncodeNewSaveAroundItems, SameResultAsBuildingThenEncoding) {
  TempFolder folder;
  struct Case {
    const char* what;
    std::optional<std::string> header, footer;
    std::string userName;
    ToolArchiveSpec::Damage headerDamage = ToolArchiveSpec::Damage::kNone;
  } cases[] = {
      {"plain ASCII", "<s u=\"_UN_\">_UN_", "</s>", "Name"},
      {"converted to UTF-8", "<s u=\"_UN_\">", "</s>", Sjis("勇者")},
      {"Shift-JIS in the footer only", "<s>", Sjis("</s><!-- 終 -->"), "Name"},
      {"header longer than the room", std::string(kNewSaveFrontRoom + 100, 'h') + "_UN_", "", "Name"},
      {"UTF-8 header longer than the room", std::string(kNewSaveFrontRoom - 60, 'h') + "_UN_", "", Sjis("勇者勇者勇者")},
      // A lead byte at the header's end: a character of its own, or the first half of one the footer ends.
      {"header ending in a lead byte", "<s>\x82", "\xA0</s>", "Name"},
      {"empty templates", "", "", "Name"},
      {"no header", std::nullopt, "</s>", "Name"},
      {"header unreadable", "<s>", "</s>", "Name", ToolArchiveSpec::Damage::kWindowBeyondEnd},
      {"header undecodable", "<s>", "</s>", "Name", ToolArchiveSpec::Damage::kEmptyVmqd},
      {"no footer", "<s>", std::nullopt, "Name"},
  };
  const std::string itemTexts[] = {"\n\t\t<item baseid=\"1\"/>", "", "\n\t\t<item name=\"" + Sjis("剣") + "\"/>"};
  for (const Case& c : cases) {
    ToolArchiveSpec contents;
    contents.header = c.header;
    contents.footer = c.footer;
    contents.headerDamage = c.headerDamage;
    CArchive archive;
    ASSERT_NO_FATAL_FAILURE(OpenToolArchive(folder, contents, archive));
    for (const std::string& items : itemTexts) {
      SCOPED_TRACE(std::string(c.what) + ", items: " + items);
      CMemoryStream document(0, kGenericRead | kGenericWrite, CMemoryStream::kDoubling);
      CByteArray expected;
      int expectedCode = BuildNewSaveDocument(archive, c.userName, items, document);
      if (expectedCode == kNewSaveOk) expectedCode = EncodeNewSave(document.GetBuffer().Data(), document.GetSize(), expected);

      CTextBuffer text;
      text.Append(std::string(kNewSaveFrontRoom, 'x') + items);
      CByteArray encoded;
      EXPECT_EQ(EncodeNewSaveAroundItems(archive, c.userName, text, encoded), expectedCode);
      EXPECT_EQ(Text(encoded), Text(expected));
      EXPECT_EQ(text.Size(), 0u);
    }
  }
  // Without the room the run keeps in front of its items there is nothing to build around.
  CArchive archive;
  ASSERT_NO_FATAL_FAILURE(OpenToolArchive(folder, ToolArchiveSpec{}, archive));
  CTextBuffer text;
  text.Append("short");
  CByteArray encoded;
  EXPECT_EQ(EncodeNewSaveAroundItems(archive, "Name", text, encoded), kNewSaveItemsWrite);
}

// The names in a folder, sorted.
std::vector<std::string> Names(const TempFolder& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Native()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WriteNewSaveFile, NeverOverAnExistingFile) {
  TempFolder folder;
  const std::string path = folder.Path() + "a.sav";
  CByteArray bytes = CByteArray::Allocate(3);
  EXPECT_EQ(WriteNewSaveFile(path, bytes), kNewSaveOk);
  EXPECT_EQ(ReadFileBytes(path), std::string(3, '\0'));
  WriteFileBytes(path, "old");
  EXPECT_EQ(WriteNewSaveFile(path, bytes), kNewSaveCreate);
  EXPECT_EQ(ReadFileBytes(path), "old");
  std::filesystem::create_directory(folder.Native() / "b.sav");
  EXPECT_EQ(WriteNewSaveFile(folder.Path() + "b.sav", bytes), kNewSaveCreate);
  EXPECT_EQ(Names(folder), (std::vector<std::string>{"a.sav", "b.sav"}));  // no temporary file stays
}

TEST(RemoveUnfinishedNewSaves, OnlyTheTemporaryFilesOfThatSave) {
  TempFolder folder;
  const std::vector<std::string> kept = {
      "Hero.sav",                       // the save itself
      "Hero.sav.hvxfer-.tmp",           // no writer's mark
      "Hero.sav.hvxfer-1z-0.tmp",       // not a mark this tool makes
      "Hero.sav.hvxfer-1-0.tmp.sav",    // another ending
      "Hero2.sav.hvxfer-1-0.tmp",       // another save's
      "Hero.sav.hvxfer-1-0.tmp.other",
  };
  for (const std::string& name : kept) WriteFileBytes(folder.Path() + name, "x");
  WriteFileBytes(folder.Path() + "Hero.sav.hvxfer-1f2e-0.tmp", "half");
  WriteFileBytes(folder.Path() + "Hero.sav.hvxfer-3-12.tmp", "");
  RemoveUnfinishedNewSaves(folder.Path() + "Hero.sav");
  std::vector<std::string> expected = kept;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(folder), expected);
}

#if !defined(_WIN32)
// A file size limit makes the write fail after the file was created: nothing half-written may remain.
TEST(WriteNewSaveFile, FailedWriteLeavesNoFile) {
  TempFolder folder;
  const std::string path = folder.Path() + "a.sav";
  CByteArray bytes = CByteArray::Allocate(64 * 1024);
  int code = kNewSaveOk;
  hvxfer::test::WithFileSizeLimit(1000, [&] { code = WriteNewSaveFile(path, bytes); });
  EXPECT_EQ(code, kNewSaveWrite);
  EXPECT_TRUE(Names(folder).empty());
}
#endif

}  // namespace
}  // namespace vmqdSDK
