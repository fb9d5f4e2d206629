#include "archive/archive_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/codec.h"
#include "foundation/coding.h"
#include "support/archive_writer.h"

namespace vmqdSDK {
namespace {

using hvxfer::test::ReadRest;
using hvxfer::test::WriteTestFile;

struct Member {
  std::string name, content;
  std::uint32_t codec;
};

// What the reader makes of the builder's image: every member served as given, with the codec it was
// stored with, the data packed right after the directory.
TEST(CArchiveBuilder, WhatItBuildsTheReaderServes) {
  const std::string large(5000, 'z');  // more than one zlib chunk
  const std::vector<Member> members = {
      {"h.txt", "<save user=\"_UN_\">", CPlainCodec::kFourCC},
      {"f.txt", "</save>", CVmqdCodecBase::kFourCC},
      {"name.tbl", large, CZlibCodecBase::kFourCC},
      {"README", "no extension", CZlibCodecBase::kFourCC},
      {"empty.txt", "", CZlibCodecBase::kFourCC},  // no coded form of nothing: stored plain
      {"\x95\x5C.txt", "a double-byte title", CVmqdCodecBase::kFourCC},
  };
  CArchiveBuilder builder;
  std::string error;
  for (const Member& m : members) {
    ASSERT_TRUE(builder.Add(m.name, m.content, m.codec, error)) << m.name << ": " << error;
  }
  std::string image;
  ASSERT_TRUE(builder.Build(image, error)) << error;

  CArchive archive;
  ASSERT_TRUE(archive.Open(WriteTestFile("builder.cr", image)));
  EXPECT_EQ(archive.GetVersion(), CArchive::kClosedVersion);
  EXPECT_EQ(archive.GetSecondWord(), 0u);
  for (const Member& m : members) {
    SCOPED_TRACE(m.name);
    CSharedPtr<CStream> stream = archive.OpenRead(m.name);
    ASSERT_TRUE(stream);
    EXPECT_EQ(ReadRest(*stream), m.content);
  }
  // In directory order the members lie one after another from the end of the directory block on.
  std::uint32_t at = CArchive::kHeaderSize + DecodeFixed32(reinterpret_cast<const std::uint8_t*>(image.data()) + 12);
  std::vector<std::string> order;
  for (const auto& [extension, titles] : archive.GetExtensions()) {
    for (const auto& [title, record] : titles) {
      order.push_back(title + extension);
      EXPECT_EQ(record.offset, at) << title << extension;
      at += record.storedSize;
      if (title == "empty") {
        EXPECT_EQ(record.codec, CPlainCodec::kFourCC);
      }
    }
  }
  EXPECT_EQ(at, image.size());
  EXPECT_EQ(order, (std::vector<std::string>{"README.", "name.tbl", "empty.txt", "f.txt", "h.txt", "\x95\x5C.txt"}))
      << "groups by extension, titles by plain bytes";
}

TEST(CArchiveBuilder, RefusesWhatWouldNotComeBack) {
  struct Case {
    std::string name;
    std::uint32_t codec;
    const char* problem;
  } cases[] = {
      {"", CPlainCodec::kFourCC, "not a plain file name"},
      {"data\\h.txt", CPlainCodec::kFourCC, "not a plain file name"},
      {"h.", CPlainCodec::kFourCC, "a name ending with a dot"},
      {std::string(255, 't'), CPlainCodec::kFourCC, "too long"},
      {"t." + std::string(254, 'e'), CPlainCodec::kFourCC, "too long"},
      {"h.txt", 0x12345678, "unknown codec"},
      {"a.txt", CPlainCodec::kFourCC, "named twice"},
  };
  CArchiveBuilder builder;
  std::string error;
  ASSERT_TRUE(builder.Add("a.txt", "first", CPlainCodec::kFourCC, error));
  ASSERT_TRUE(builder.Add(std::string(254, 't') + "." + std::string(253, 'e'), "longest", CPlainCodec::kFourCC, error))
      << error;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    error.clear();
    EXPECT_FALSE(builder.Add(c.name, "content", c.codec, error));
    EXPECT_EQ(error.rfind(c.name + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(c.problem), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace vmqdSDK
