#include "archive/archive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/archive_writer.h"

namespace {

using hvxfer::test::ArchiveWriter;
using hvxfer::test::ErrorLogCapture;
using hvxfer::test::kPlain;
using hvxfer::test::kVmqd;
using hvxfer::test::kZlib;
using hvxfer::test::ReadRest;
using hvxfer::test::WriteTestFile;
using vmqdSDK::CArchive;
using vmqdSDK::CSharedPtr;
using vmqdSDK::CStream;

std::string U32(std::uint32_t v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

std::string Record(std::uint32_t size, std::uint32_t offset, std::uint32_t codec) {
  return std::string(32, '\0') + U32(size) + U32(offset) + U32(codec);
}

// Served bytes, or "<missing>" for an empty pointer.
std::string Serve(CArchive& archive, const std::string& path) {
  CSharedPtr<CStream> stream = archive.OpenRead(path);
  return stream ? ReadRest(*stream) : "<missing>";
}

const std::string kLong(3000, 'x');  // longer than one zlib chunk

ArchiveWriter SampleArchive() {
  ArchiveWriter w;
  w.Ext(".tbl").Add("name", "plain table bytes").Add("filter", "vmqd table", kVmqd).Add("fixed", kLong, kZlib);
  w.Ext(".txt").Add("h", "<root user=\"_UN_\">").Add("\x95\x5C", "sjis title ends in 5C", kVmqd);
  w.Ext(".").Add("README", "no extension", kZlib);
  return w;
}

TEST(ArchiveTest, ServesMembersByTitleAndExtensionOnly) {
  std::string path = WriteTestFile("sample.cr", SampleArchive().Build());
  CArchive archive;
  ASSERT_TRUE(archive.Open(path));
  EXPECT_EQ(archive.GetVersion(), 0x00010000u);

  struct Case {
    const char* request;
    std::string expected;
  } cases[] = {
      {"name.tbl", "plain table bytes"},
      {"filter.tbl", "vmqd table"},
      {"fixed.tbl", kLong},
      {"h.txt", "<root user=\"_UN_\">"},
      {"C:\\tool\\data/name.tbl", "plain table bytes"},
      {"..\\..\\filter.tbl", "vmqd table"},
      {"dir.with.dots\\fixed.tbl", kLong},
      // the trail byte 0x5C of a double-byte character is no separator
      {"folder\\\x95\x5C.txt", "sjis title ends in 5C"},
      {"README", "no extension"},
      {"a\\b\\README", "no extension"},
      {"Name.tbl", "<missing>"},
      {"name.TBL", "<missing>"},
      {"readme", "<missing>"},
      {"name", "<missing>"},
      {"name.txt", "<missing>"},
      {"absent.tbl", "<missing>"},
      {"", "<missing>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Serve(archive, c.request), c.expected) << c.request;
}

TEST(ArchiveTest, StoredMembersAreSubStreamsOnTheirOwnHandle) {
  ArchiveWriter w;
  w.Ext(".txt").Add("a", "first member").Add("b", "second one");
  std::string path = WriteTestFile("stored.cr", w.Build());
  CArchive archive;
  ASSERT_TRUE(archive.Open(path));

  CSharedPtr<CStream> a = archive.OpenRead("a.txt"), b = archive.OpenRead("b.txt");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->GetStreamType(), CStream::kSub);
  EXPECT_EQ(a->GetSize(), 12u);
  EXPECT_EQ(a->Tell(), 0u);
  // Reading alternately: each member keeps its own position.
  char x[6] = {}, y[6] = {};
  ASSERT_TRUE(a->ReadAll(x, 6));
  ASSERT_TRUE(b->ReadAll(y, 6));
  EXPECT_EQ(std::string(x, 6), "first ");
  EXPECT_EQ(std::string(y, 6), "second");
  EXPECT_EQ(ReadRest(*a), "member");
  EXPECT_EQ(a->WriteAll("z", 1), false);

  ASSERT_TRUE(archive.Open(WriteTestFile("sample2.cr", SampleArchive().Build())));
  CSharedPtr<CStream> coded = archive.OpenRead("filter.tbl");
  ASSERT_TRUE(coded);
  EXPECT_EQ(coded->GetStreamType(), CStream::kMemory);
  EXPECT_FALSE(coded->WriteAll("z", 1));  // read-only
  // OpenStored gives the coded bytes as they lie in the file.
  CSharedPtr<CStream> raw = archive.OpenStored(".tbl", "filter");
  ASSERT_TRUE(raw);
  EXPECT_EQ(ReadRest(*raw), ArchiveWriter::Code("vmqd table", kVmqd));
  EXPECT_FALSE(archive.OpenStored(".tbl", "filter.tbl"));
}

TEST(ArchiveTest, LaterDuplicatesWinAndKeysSortAsUnsignedBytes) {
  ArchiveWriter w;
  w.Ext(".tbl").Add("dup", "earlier").Add("gone", "in the replaced group");
  w.Ext(".txt").Add("dup", "first").Add("b", "").Add("\xE0\x40", "").Add("ab", "").Add("dup", "second").Add("a", "");
  w.Ext(".tbl").Add("dup", "later group");
  std::string path = WriteTestFile("duplicates.cr", w.Build());
  CArchive archive;
  ASSERT_TRUE(archive.Open(path));

  EXPECT_EQ(Serve(archive, "dup.txt"), "second");
  EXPECT_EQ(Serve(archive, "dup.tbl"), "later group");
  EXPECT_EQ(Serve(archive, "gone.tbl"), "<missing>");

  std::vector<std::string> titles;
  for (const auto& entry : archive.GetExtensions().at(".txt")) titles.push_back(entry.first);
  EXPECT_EQ(titles, (std::vector<std::string>{"a", "ab", "b", "dup", "\xE0\x40"}));
}

TEST(ArchiveTest, ChangedDirectoryByteIsBadFileAndLeavesArchiveClosed) {
  std::string good = SampleArchive().Build();
  CArchive archive;
  // Any byte of the coded directory, the CRC itself included.
  for (std::size_t at : {std::size_t{16}, std::size_t{20}, std::size_t{21}, std::size_t{60}}) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x01);
    std::string path = WriteTestFile("bad_directory.cr", bad);
    ASSERT_TRUE(archive.Open(WriteTestFile("good.cr", good)));
    ErrorLogCapture log;
    EXPECT_FALSE(archive.Open(path)) << at;
    EXPECT_NE(log.Text().find("exception CatchHandler\n"), std::string::npos);
    EXPECT_NE(log.Text().find("error:file is bad\n"), std::string::npos) << log.Text();
    EXPECT_FALSE(archive.IsOpen());
    EXPECT_EQ(Serve(archive, "name.tbl"), "<missing>");
    EXPECT_EQ(Serve(archive, "README"), "<missing>");
  }
}

TEST(ArchiveTest, OpenTwiceServesOnlyTheSecondArchive) {
  ArchiveWriter first, second;
  first.Ext(".txt").Add("one", "from the first");
  second.Ext(".txt").Add("two", "from the second", kZlib);
  std::string a = WriteTestFile("first.cr", first.Build()), b = WriteTestFile("second.cr", second.Build());
  CArchive archive;
  ASSERT_TRUE(archive.Open(a));
  ASSERT_TRUE(archive.Open(b));
  EXPECT_EQ(Serve(archive, "one.txt"), "<missing>");
  EXPECT_EQ(Serve(archive, "two.txt"), "from the second");
  EXPECT_EQ(archive.GetPath(), b);
  archive.Close();
  EXPECT_EQ(Serve(archive, "two.txt"), "<missing>");
  ASSERT_TRUE(archive.Open(a));
  EXPECT_EQ(Serve(archive, "one.txt"), "from the first");
}

TEST(ArchiveTest, EveryOpenFailureIsLoggedAndEndsClosed) {
  std::string oneGroup = U32(1) + std::string("\x05.txt\0", 6) + U32(1) + std::string("\x02h\0", 3);
  struct Case {
    const char* name;
    std::string file;  // empty: no such file
    const char* message;
  } cases[] = {
      {"missing", "", "error:Failed Read Header"},
      {"short header", std::string("CRFS\0\0\1\0\0\0", 10), "error:Failed Read Header"},
      {"wrong magic", "CRFT" + ArchiveWriter::Wrap(U32(0)).substr(4), "error:Failed Read Header"},
      {"N zero", ArchiveWriter::Wrap(U32(0), "", 0), "error:CNullPointerException\r\r\nnull"},
      {"N negative", ArchiveWriter::Wrap(U32(0), "", -9), "error:CNullPointerException\r\r\nnull"},
      {"N beyond the file", ArchiveWriter::Wrap(U32(0), "", 0x7FFFFFFF), "error:Failed Read FileStructure"},
      {"N one past the file", ArchiveWriter::Wrap(U32(0), "", 10), "error:Failed Read FileStructure"},
      {"directory too short to check", ArchiveWriter::Wrap(U32(0), "", 4).substr(0, 20), "error:file is bad"},
      {"directory with empty payload", ArchiveWriter::Wrap(""), "error:CNullPointerException\r\r\nnull"},
      {"E unreadable", ArchiveWriter::Wrap(std::string("\1\0", 2)), "error:Failed Read ExtNum"},
      {"extension missing", ArchiveWriter::Wrap(U32(1)), "error:Failed Read Ext"},
      {"extension cut short", ArchiveWriter::Wrap(U32(1) + "\x05.tx"), "error:Failed Read Ext"},
      {"E far beyond the data", ArchiveWriter::Wrap(U32(0xFFFFFFFF) + std::string("\x05.txt\0", 6) + U32(0)),
       "error:Failed Read Ext"},
      {"record cut short", ArchiveWriter::Wrap(oneGroup + Record(1, 0, 0).substr(0, 43)), "error:Failed Read Info"},
      {"M far beyond the data", ArchiveWriter::Wrap(U32(1) + std::string("\x05.txt\0", 6) + U32(0xFFFFFFFF) +
                                                    std::string("\x02h\0", 3) + Record(1, 0, 0)),
       "error:Failed Read Info"},
  };
  for (const Case& c : cases) {
    std::string path = c.file.empty() ? hvxfer::test::ArchiveTestFolder() + "no such file.cr"
                                      : WriteTestFile("failure.cr", c.file);
    CArchive archive;
    ErrorLogCapture log;
    EXPECT_FALSE(archive.Open(path)) << c.name;
    EXPECT_NE(log.Text().find(c.message), std::string::npos) << c.name << "\n" << log.Text();
    EXPECT_NE(log.Text().find("exception CatchHandler"), std::string::npos) << c.name;
    EXPECT_FALSE(archive.IsOpen()) << c.name;
    EXPECT_EQ(archive.GetVersion(), CArchive::kClosedVersion) << c.name;
    EXPECT_TRUE(archive.GetExtensions().empty()) << c.name;
  }
}

TEST(ArchiveTest, ShortCountsAndTitlesAreNotFailures) {
  // M cut short counts as no members; an unreadable title files its record under "".
  struct Case {
    const char* name;
    std::string directory;
    std::size_t groups;
  } cases[] = {
      {"no groups", U32(0), 0},
      {"M cut short", U32(1) + std::string("\x05.txt\0", 6) + std::string("\1\0", 2), 1},
  };
  for (const Case& c : cases) {
    CArchive archive;
    EXPECT_TRUE(archive.Open(WriteTestFile("counts.cr", ArchiveWriter::Wrap(c.directory)))) << c.name;
    EXPECT_EQ(archive.GetExtensions().size(), c.groups) << c.name;
  }
}

TEST(ArchiveTest, UnservableMembersAreMissing) {
  using Member = ArchiveWriter::Member;
  const std::string zipped = ArchiveWriter::Code("zlib content", kZlib);
  struct Case {
    const char* name;
    Member member;
  } cases[] = {
      {"unregistered codec", Member{"m", "bytes", 0x41424344, {}, {}}},
      {"vmqd of stored size 0", Member{"m", "", kVmqd, {}, {}}},
      {"zlib of stored size 0", Member{"m", "", kZlib, {}, {}}},
      {"vmqd with empty payload", Member{"m", ArchiveWriter::Code("", kVmqd), kVmqd, {}, {}}},
      {"vmqd failing its CRC", Member{"m", "\1\2\3\4\5\6\7", kVmqd, {}, {}}},
      {"zlib cut short", Member{"m", zipped.substr(0, zipped.size() - 3), kZlib, {}, {}}},
      {"coded size beyond the file", Member{"m", zipped, kZlib, 0xFFFFFFF0u, {}}},
      {"coded size one past the file", Member{"m", zipped, kZlib, static_cast<std::uint32_t>(zipped.size() + 1), {}}},
      {"offset beyond 2 GB", Member{"m", zipped, kZlib, {}, 0x80000010u}},
  };
  for (const Case& c : cases) {
    ArchiveWriter w;
    // Last in the file, so that a window or size one byte too long reaches past the end.
    w.Ext(".tbl").Add("ok", "still served", kVmqd).AddRaw(c.member);
    CArchive archive;
    ASSERT_TRUE(archive.Open(WriteTestFile("unservable.cr", w.Build()))) << c.name;
    CSharedPtr<CStream> stream;
    EXPECT_NO_THROW(stream = archive.OpenRead("m.tbl")) << c.name;
    EXPECT_FALSE(stream) << c.name;
    EXPECT_EQ(Serve(archive, "ok.tbl"), "still served") << c.name;
  }
}

// A stored member whose window leaves the file is served, as a stream that reports itself closed.
TEST(ArchiveTest, StoredWindowsBeyondTheEndAreServedClosed) {
  using Member = ArchiveWriter::Member;
  struct Case {
    const char* name;
    Member member;
  } cases[] = {
      {"plain window past the end", Member{"m", "abc", kPlain, 4u, {}}},
      {"offset beyond the file", Member{"m", "abc", kPlain, {}, 0x10000u}},
  };
  for (const Case& c : cases) {
    ArchiveWriter w;
    w.Ext(".tbl").AddRaw(c.member);
    CArchive archive;
    ASSERT_TRUE(archive.Open(WriteTestFile("beyond.cr", w.Build()))) << c.name;
    CSharedPtr<CStream> stream = archive.OpenRead("m.tbl");
    ASSERT_TRUE(stream) << c.name;
    EXPECT_TRUE(stream->IsClosed()) << c.name;
  }
}

TEST(ArchiveTest, MissingMembersFallBackToRegisteredDiskFolders) {
  ArchiveWriter w;
  w.Ext(".txt").Add("inside", "from the archive");
  CArchive archive;
  ASSERT_TRUE(archive.Open(WriteTestFile("fallback.cr", w.Build())));
  WriteTestFile("outside.txt", "from the disk");
  EXPECT_EQ(Serve(archive, "outside.txt"), "<missing>");
  archive.GetDiskFileSystem().AddFolder("*", hvxfer::test::ArchiveTestFolder());
  EXPECT_EQ(Serve(archive, "outside.txt"), "from the disk");
  EXPECT_EQ(Serve(archive, "inside.txt"), "from the archive");
  EXPECT_EQ(archive.ResolvePath("outside.txt"), hvxfer::test::ArchiveTestFolder() + "outside.txt");
  // Closing forgets the folders.
  archive.Close();
  EXPECT_EQ(Serve(archive, "outside.txt"), "<missing>");
}

}  // namespace
