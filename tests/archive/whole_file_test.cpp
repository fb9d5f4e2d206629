#include "archive/whole_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/file_size_limit.h"
#include "support/run_fixture.h"


namespace vmqdSDK {
namespace {

using hvxfer::test::PathExists;
using hvxfer::test::ReadFileBytes;
using hvxfer::test::TempFolder;
using hvxfer::test::WriteFileBytes;

CByteArray ArrayOf(const std::string& text) {
  CByteArray a = CByteArray::Allocate(static_cast<std::uint32_t>(text.size()));
  std::copy(text.begin(), text.end(), a.Data());
  return a;
}

// A stream that knows its bytes but not its size.
class SizelessStream : public CMemoryStream {
 public:
  explicit SizelessStream(const std::string& text) : CMemoryStream(ArrayOf(text), kGenericRead, kFixed) {}
  std::uint32_t GetSize() override { return kNoValue; }
};

TEST(ReadWholeStream, AllOrNothing) {
  TempFolder folder;
  WriteFileBytes(folder.Path() + "f.bin", "0123456789");
  struct Case {
    const char* what;
    std::function<CSharedPtr<CStream>()> make;
    bool read;
    std::string bytes;
  } cases[] = {
      {"memory", [] { return CSharedPtr<CStream>(new CMemoryStream(ArrayOf("abc"), kGenericRead, 0)); }, true, "abc"},
      {"empty but open", [] { return CSharedPtr<CStream>(new CMemoryStream(16, kGenericRead, 0)); }, true, ""},
      {"a window onto a file",
       [&] {
         CSharedPtr<CFileStream> file = MakeShared<CFileStream>();
         file->Open(1, kGenericRead, kNoValue, folder.Path() + "f.bin");
         return CSharedPtr<CStream>(new CSubStream(CSharedPtr<CStream>(file), 3, 4));
       },
       true, "3456"},
      {"closed (no buffer)", [] { return CSharedPtr<CStream>(new CMemoryStream(0, kGenericRead, 0)); }, false, ""},
      {"not readable", [] { return CSharedPtr<CStream>(new CMemoryStream(ArrayOf("abc"), kGenericWrite, 0)); }, false,
       ""},
      {"no size", [] { return CSharedPtr<CStream>(new SizelessStream("abc")); }, false, ""},
      {"not at its start",
       [] {
         CSharedPtr<CStream> s(new CMemoryStream(ArrayOf("abc"), kGenericRead, 0));
         s->Seek(1, kSeekBegin);
         return s;
       },
       false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CSharedPtr<CStream> stream = c.make();
    std::string bytes = "stale";
    EXPECT_EQ(ReadWholeStream(*stream, bytes), c.read);
    EXPECT_EQ(bytes, c.bytes);
  }
}

TEST(ReadWholeFile, OpenedThenReadWhole) {
  TempFolder folder;
  WriteFileBytes(folder.Path() + "data.bin", std::string("a\0b", 3));
  WriteFileBytes(folder.Path() + "empty.bin", "");
  WriteFileBytes(folder.Path() + "sub\\x", "");
  struct Case {
    const char* name;
    WholeFile result;
    std::string bytes;
  } cases[] = {
      {"data.bin", WholeFile::kOk, std::string("a\0b", 3)},
      {"empty.bin", WholeFile::kOk, ""},
      {"missing.bin", WholeFile::kOpenFailed, ""},
      {"sub", WholeFile::kOpenFailed, ""},  // a folder is no file
  };
  for (const Case& c : cases) {
    std::string bytes = "stale";
    EXPECT_EQ(ReadWholeFile(folder.Path() + c.name, bytes), c.result) << c.name;
    EXPECT_EQ(bytes, c.bytes) << c.name;
  }
}

TEST(WriteNewFile, MadeNewOrNotAtAll) {
  TempFolder folder;
  WriteFileBytes(folder.Path() + "old.bin", "old");
  WriteFileBytes(folder.Path() + "sub\\x", "");
  struct Case {
    const char* name;
    WholeFile result;
  } cases[] = {
      {"new.bin", WholeFile::kOk},
      {"old.bin", WholeFile::kOpenFailed},        // never over an existing file
      {"sub", WholeFile::kOpenFailed},            // nor a folder
      {"none\\new.bin", WholeFile::kOpenFailed},  // the folder must be there
  };
  for (const Case& c : cases) EXPECT_EQ(WriteNewFile(folder.Path() + c.name, "new", 3), c.result) << c.name;
  EXPECT_EQ(ReadFileBytes(folder.Path() + "new.bin"), "new");
  EXPECT_EQ(ReadFileBytes(folder.Path() + "old.bin"), "old");
  EXPECT_FALSE(PathExists(folder.Path() + "none"));
  EXPECT_EQ(WriteNewFile(folder.Path() + "empty.bin", nullptr, 0), WholeFile::kOk);
  EXPECT_TRUE(PathExists(folder.Path() + "empty.bin"));
}

#if !defined(_WIN32)
// A file size limit makes the write fail once the file is made: it must not stay behind.
TEST(WriteNewFile, FailedWriteRemovesTheFile) {
  TempFolder folder;
  const std::string bytes(64 * 1024, 'x');
  WholeFile result = WholeFile::kOk;
  hvxfer::test::WithFileSizeLimit(1000, [&] {
    result = WriteNewFile(folder.Path() + "big.bin", bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  });
  EXPECT_EQ(result, WholeFile::kIoFailed);
  EXPECT_FALSE(PathExists(folder.Path() + "big.bin"));
}
#endif

}  // namespace
}  // namespace vmqdSDK
