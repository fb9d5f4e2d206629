// The worked examples of docs/formats, checked against the code in both directions, so that a page and the
// code cannot drift apart: editing an example without the code (or the code without the page) fails here.
//
// The pages are compiled in (tests/tools/embed_pages.cmake). In a page, a fenced block opened with ```hex
// holds example bytes in the layout of `hexdump -C` (offset, up to 16 bytes, the |...| column is ignored,
// the last line holds the total length); the other fenced blocks (```text, ```tsv, ```xml) hold what the
// bytes decode to, every line ending with a line feed. docs/formats/README.md says the same for editors.
#include "tools/format_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/archive_builder.h"
#include "archive/codec.h"
#include "foundation/platform/platform.h"
#include "items/item.h"
#include "items/table_tsv.h"
#include "items/tables.h"
#include "savedata/new_save.h"
#include "savedata/source_save.h"
#include "support/archive_writer.h"
#include "support/new_save_encoder.h"
#include "support/table_writer.h"
#include "xml/xml.h"

namespace vmqdSDK {
namespace {

using hvxfer::test::FormatPage;
using hvxfer::test::FormatPages;

const char* const kPageNames[] = {"vmqd-container.md", "crfs-archive.md", "conversion-table.md", "source-save.md",
                                  "new-save.md"};

struct Block {
  std::string info;  // the word after the opening fence
  std::string text;  // the lines inside, each with its line feed
};

const std::string& PageText(const std::string& name) {
  static const std::string none;
  for (const FormatPage& page : FormatPages())
    if (page.name == name) return page.text;
  ADD_FAILURE() << "docs/formats/" << name << " is not compiled into the test program";
  return none;
}

std::vector<Block> FencedBlocks(const std::string& page) {
  std::vector<Block> blocks;
  bool inside = false;
  for (std::size_t start = 0; start < page.size();) {
    std::size_t end = page.find('\n', start);
    if (end == std::string::npos) end = page.size();
    const std::string line = page.substr(start, end - start);
    start = end + 1;
    if (line.compare(0, 3, "```") == 0) {
      if (inside) {
        inside = false;
      } else {
        inside = true;
        blocks.push_back(Block{line.substr(3), ""});
      }
      continue;
    }
    if (inside) blocks.back().text += line + "\n";
  }
  EXPECT_FALSE(inside) << "a fenced block is not closed";
  return blocks;
}

// The blocks of one kind, in page order.
std::vector<std::string> Blocks(const std::string& pageName, const std::string& info) {
  std::vector<std::string> found;
  for (const Block& block : FencedBlocks(PageText(pageName)))
    if (block.info == info) found.push_back(block.text);
  return found;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHex(const std::string& token, std::uint32_t& value) {
  if (token.empty() || token.size() > 8) return false;
  value = 0;
  for (char c : token) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + static_cast<std::uint32_t>(d);
  }
  return true;
}

// The bytes of a ```hex block; every line's offset must be the count of the bytes before it.
std::string HexBytes(const std::string& block) {
  std::string bytes;
  bool ended = false;
  for (std::size_t start = 0; start < block.size();) {
    const std::size_t end = std::min(block.find('\n', start), block.size());
    const std::string line = block.substr(start, end - start);
    start = end + 1;
    std::vector<std::string> tokens;
    for (std::size_t at = 0; at < line.size();) {
      const std::size_t from = line.find_first_not_of(' ', at);
      if (from == std::string::npos) break;
      if (line[from] == '|') break;  // the character column
      const std::size_t to = std::min(line.find(' ', from), line.size());
      tokens.push_back(line.substr(from, to - from));
      at = to;
    }
    if (tokens.empty()) continue;
    EXPECT_FALSE(ended) << "bytes after the line with the total length: " << line;
    std::uint32_t offset = 0;
    EXPECT_TRUE(tokens[0].size() == 8 && ParseHex(tokens[0], offset)) << "no offset: " << line;
    EXPECT_EQ(offset, bytes.size()) << "the offset does not count the bytes before it: " << line;
    if (tokens.size() == 1) ended = true;
    EXPECT_LE(tokens.size(), 17u) << "more than 16 bytes in a line: " << line;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
      std::uint32_t value = 0;
      EXPECT_TRUE(tokens[i].size() == 2 && ParseHex(tokens[i], value)) << "not a byte: " << tokens[i];
      bytes += static_cast<char>(value);
    }
  }
  EXPECT_TRUE(ended) << "the block does not end with its total length";
  return bytes;
}

// The one block of a kind on a page.
std::string OnlyBlock(const std::string& pageName, const std::string& info) {
  const std::vector<std::string> blocks = Blocks(pageName, info);
  EXPECT_EQ(blocks.size(), 1u) << pageName << ": ```" << info << " blocks";
  return blocks.empty() ? std::string() : blocks[0];
}

std::string Text(const CByteArray& bytes) {
  return bytes.IsNull() ? std::string() : std::string(reinterpret_cast<const char*>(bytes.Data()), bytes.GetCount());
}

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes.at(at + i));
  return v;
}

std::string Cp932(const std::string& utf8) {
  std::string cp932;
  EXPECT_TRUE(platform::Utf8ToCp932(utf8, cp932));
  return cp932;
}

TEST(FormatPages, TheIndexNamesEveryPage) {
  const std::string& index = PageText("README.md");
  for (const char* name : kPageNames) {
    EXPECT_FALSE(PageText(name).empty()) << name;
    EXPECT_NE(index.find(std::string("(") + name + ")"), std::string::npos) << "README.md does not link " << name;
  }
  EXPECT_EQ(FormatPages().size(), std::size(kPageNames) + 1) << "a page that this test does not check";
}

TEST(FormatPages, HexBlocksAreReadAsTheirOffsetsSay) {
  EXPECT_EQ(HexBytes("00000000  74 62 6c 00  |tbl.|\n00000004\n"), std::string("tbl\0", 4));
  // A character column holding "|" or a pair of hex digits is still only the column.
  EXPECT_EQ(HexBytes("00000000  7c 41 42 20 00              ||AB .|\n00000005\n"), std::string("|AB \0", 5));
}

// ---- vmqd-container.md: the payload text, scrambled and descrambled by the code ----

TEST(VmqdContainerPage, ExampleDescramblesToItsTextAndBack) {
  const std::string container = HexBytes(OnlyBlock("vmqd-container.md", "hex"));
  const std::string text = OnlyBlock("vmqd-container.md", "text");
  ASSERT_GE(container.size(), 6u);
  const auto n = static_cast<std::uint32_t>(text.size());

  EXPECT_EQ(Text(VmqdDescramble(container.data(), static_cast<std::uint32_t>(container.size()))), text);
  EXPECT_EQ(Text(VmqdScramble(text.data(), n)), container);
  EXPECT_EQ(U32At(container, 0), Crc32(container.data() + 4, static_cast<std::uint32_t>(container.size() - 4)));
  EXPECT_EQ(static_cast<unsigned char>(container[4]), n % 256);

  // Any byte changed from offset 4 on, or in the check value, and the container is refused.
  for (std::size_t at : {std::size_t{0}, std::size_t{4}, container.size() - 1}) {
    std::string damaged = container;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
    EXPECT_TRUE(VmqdDescramble(damaged.data(), static_cast<std::uint32_t>(damaged.size())).IsNull()) << at;
  }
}

// ---- crfs-archive.md: the archive opens, its directory is the page's, and it serves the stated members ----

std::string Unquote(const std::string& quoted, std::size_t& at) {
  std::string out;
  EXPECT_EQ(quoted.at(at), '"');
  for (++at; at < quoted.size() && quoted[at] != '"'; ++at) {
    char c = quoted[at];
    if (c == '\\' && at + 1 < quoted.size()) {
      c = quoted[++at];
      if (c == 'n') c = '\n';
      else if (c == 't') c = '\t';
      else if (c == 'r') c = '\r';
      else if (c == '0') c = '\0';
    }
    out += c;
  }
  EXPECT_LT(at, quoted.size()) << "unterminated text: " << quoted;
  ++at;
  return out;
}

struct Request {
  std::string path;
  bool served = false;
  std::string content;
};

// Lines `OpenRead("PATH") -> "CONTENT"` or `OpenRead("PATH") -> missing`, texts with C escapes.
std::vector<Request> Requests(const std::string& block) {
  std::vector<Request> requests;
  for (std::size_t start = 0; start < block.size();) {
    const std::size_t end = std::min(block.find('\n', start), block.size());
    const std::string line = block.substr(start, end - start);
    start = end + 1;
    const std::string open = "OpenRead(", arrow = ") -> ";
    if (line.compare(0, open.size(), open) != 0) {
      ADD_FAILURE() << "not a request: " << line;
      continue;
    }
    std::size_t at = open.size();
    Request request;
    request.path = Unquote(line, at);
    EXPECT_EQ(line.compare(at, arrow.size(), arrow), 0) << line;
    at += arrow.size();
    if (line.compare(at, std::string::npos, "missing") == 0) {
      requests.push_back(request);
      continue;
    }
    request.served = true;
    request.content = Unquote(line, at);
    EXPECT_EQ(at, line.size()) << "more after the content: " << line;
    requests.push_back(request);
  }
  return requests;
}

TEST(CrfsArchivePage, ExampleOpensAndServesItsMembers) {
  const std::vector<std::string> hex = Blocks("crfs-archive.md", "hex");
  ASSERT_EQ(hex.size(), 2u) << "the archive file, then its directory descrambled";
  const std::string file = HexBytes(hex[0]), directory = HexBytes(hex[1]);
  ASSERT_GE(file.size(), 16u);

  // The directory block at offset 16 is the page's directory, scrambled.
  const std::uint32_t n = U32At(file, 12);
  ASSERT_LE(16 + std::uint64_t{n}, file.size());
  EXPECT_EQ(Text(VmqdDescramble(file.data() + 16, n)), directory);
  EXPECT_EQ(Text(VmqdScramble(directory.data(), static_cast<std::uint32_t>(directory.size()))), file.substr(16, n));

  const std::string path = hvxfer::test::WriteTestFile("format_page.cr", file);
  ASSERT_FALSE(path.empty());
  CArchive archive;
  ASSERT_TRUE(archive.Open(path));
  EXPECT_EQ(archive.GetVersion(), CArchive::kClosedVersion);
  EXPECT_EQ(archive.GetSecondWord(), 0u);

  const std::vector<Request> requests = Requests(OnlyBlock("crfs-archive.md", "text"));
  EXPECT_GE(requests.size(), 2u);
  for (const Request& request : requests) {
    SCOPED_TRACE(request.path);
    CSharedPtr<CStream> member = archive.OpenRead(request.path);
    ASSERT_EQ(!member.IsNull(), request.served);
    if (member) {
      EXPECT_EQ(hvxfer::test::ReadRest(*member), request.content);
    }
  }

  // The archive's writer makes exactly these bytes of the members the archive holds.
  CArchiveBuilder builder;
  for (const auto& [extension, titles] : archive.GetExtensions()) {
    for (const auto& [title, record] : titles) {
      const std::string name = title + (extension == CArchive::kNoExtension ? "" : extension);
      CSharedPtr<CStream> member = archive.OpenMember(extension, title);
      ASSERT_TRUE(member) << name;
      std::string error;
      ASSERT_TRUE(builder.Add(name, hvxfer::test::ReadRest(*member), record.codec, error)) << error;
    }
  }
  std::string image, error;
  ASSERT_TRUE(builder.Build(image, error)) << error;
  EXPECT_EQ(image, file);
}

// ---- conversion-table.md: the table loads, Find gives the stated rows, and the text form builds it ----

std::vector<std::vector<std::string>> TsvRows(const std::string& tsv) {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t start = 0; start < tsv.size();) {
    const std::size_t end = std::min(tsv.find('\n', start), tsv.size());
    const std::string line = tsv.substr(start, end - start);
    start = end + 1;
    std::vector<std::string> fields;
    for (std::size_t at = 0;;) {
      const std::size_t tab = line.find('\t', at);
      fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
      if (tab == std::string::npos) break;
      at = tab + 1;
    }
    rows.push_back(fields);
  }
  return rows;
}

TEST(ConversionTablePage, ExampleLoadsAndFindsItsRows) {
  const std::string file = HexBytes(OnlyBlock("conversion-table.md", "hex"));
  const std::string tsv = OnlyBlock("conversion-table.md", "tsv");

  std::string built, error;
  ASSERT_TRUE(BuildTableBytes(TableKind::kFilter, tsv, "conversion-table.md", built, error)) << error;
  EXPECT_EQ(built, file);
  std::string dumped;
  ASSERT_TRUE(DumpTableText(TableKind::kFilter, test::StreamOver(file), dumped, error)) << error;
  EXPECT_EQ(dumped, tsv);

  FilterTable table;
  ASSERT_TRUE(table.Load(test::StreamOver(file)));
  EXPECT_EQ(table.HeaderByte(), 1);
  const auto rows = TsvRows(tsv);
  ASSERT_GE(rows.size(), 2u);
  ASSERT_EQ(rows[0], (std::vector<std::string>{"key", "newBaseId", "newName"}));
  EXPECT_EQ(table.RowCount(), rows.size() - 1);
  EXPECT_EQ(table.LoadedCount(), 0u) << "rows are read only when they are looked up";
  for (std::size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 3u);
    const auto key = static_cast<std::uint32_t>(std::stoul(rows[i][0]));
    const FilterRow* row = table.Find(key);
    ASSERT_NE(row, nullptr) << key;
    EXPECT_EQ(row->index, i - 1);
    EXPECT_EQ(row->newBaseId, std::stoul(rows[i][1]));
    EXPECT_EQ(row->newName, Cp932(rows[i][2]));
    EXPECT_EQ(table.Find(key + 1), nullptr);
  }
}

// ---- source-save.md: the file reads into the stated items, and the writer makes it of its data ----

std::string Group(const std::int16_t (&values)[kParamCount]) { return item_text::Group(values); }

void Render(const SourceItem& item, const std::string& indent, const std::string& label, std::string& out) {
  char spare[16];
  std::snprintf(spare, sizeof spare, "%02x %02x %02x %02x %02x", item.spareBytes[0], item.spareBytes[1],
                item.spareBytes[2], item.spareBytes[3], item.spareBytes[4]);
  out += indent + label + "id=" + std::to_string(item.id) + " durabilityValue=" + std::to_string(item.durabilityValue) +
         " spareWord=" + std::to_string(item.spareWord) + " gradeValue=" + std::to_string(item.gradeValue) +
         " spareBytes=" + spare + "\n";
  const std::string inner = indent + "    ";
  out += inner + "status=" + Group(item.status) + " attribute=" + Group(item.attribute) + " mob=" + Group(item.mob) +
         "\n";
  for (int i = 0; i < kTuneSlotCount; ++i) {
    EXPECT_EQ(item.tuneSlots[i].IsNull(), item.tuneSlotFlags[i] == 0);
    if (item.tuneSlots[i]) {
      Render(*item.tuneSlots[i], inner,
             "tune slot " + std::to_string(i) + " (flag " + std::to_string(item.tuneSlotFlags[i]) + "): ", out);
    }
  }
}

std::string Listing(const SourceItemList& items) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) Render(*items[i], "", "#" + std::to_string(i + 1) + " ", out);
  return out;
}

TEST(SourceSavePage, ExampleReadsIntoItsItems) {
  const std::vector<std::string> hex = Blocks("source-save.md", "hex");
  ASSERT_EQ(hex.size(), 2u) << "the file, then its data inflated";
  const std::string file = HexBytes(hex[0]), data = HexBytes(hex[1]);
  const std::string listing = OnlyBlock("source-save.md", "text");
  ASSERT_GE(file.size(), 6u);

  SourceItemList items;
  ASSERT_EQ(ReadSourceSaveBytes(file.data(), static_cast<std::uint32_t>(file.size()), items), kSourceSaveOk);
  EXPECT_EQ(Listing(items), listing);

  // The layers: the container's payload is a zlib stream of the page's data.
  const CByteArray payload = VmqdDescramble(file.data(), static_cast<std::uint32_t>(file.size()));
  ASSERT_FALSE(payload.IsNull());
  CZlib zlib = MakeFormatZlib();
  EXPECT_EQ(Text(zlib.Inflate(payload.Data(), payload.GetCount())), data);
  SourceItemList again;
  CByteArray dataArray = CByteArray::Allocate(static_cast<std::uint32_t>(data.size()));
  std::copy(data.begin(), data.end(), dataArray.Data());
  ASSERT_EQ(ReadSourceSaveData(dataArray, again), kSourceSaveOk);
  EXPECT_EQ(Listing(again), listing);

  // The writer makes the file of the data with the file's key byte.
  EXPECT_EQ(Text(EncodeSourceSave(dataArray, static_cast<std::uint8_t>(file[4]))), file)
      << "zlib's deflate output at the default level is part of the example";
}

// ---- new-save.md: the file decodes to the stated document, and the encoder makes it of the document ----

TEST(NewSavePage, ExampleDecodesToItsDocument) {
  const std::string file = HexBytes(OnlyBlock("new-save.md", "hex"));
  const std::string shown = OnlyBlock("new-save.md", "xml");

  std::string xml;
  ASSERT_TRUE(DecodeNewSave(file.data(), static_cast<std::uint32_t>(file.size()), xml));
  // The declaration ends with CR LF, the page shows a line break: the only CR of the document.
  const std::size_t firstBreak = xml.find('\n');
  ASSERT_NE(firstBreak, std::string::npos);
  ASSERT_GT(firstBreak, 0u);
  EXPECT_EQ(xml[firstBreak - 1], '\r');
  std::string withoutCr = xml;
  withoutCr.erase(firstBreak - 1, 1);
  EXPECT_EQ(withoutCr.find('\r'), std::string::npos);
  EXPECT_EQ(withoutCr, shown);

  // The encoder declares, scrambles and deflates the document (code page 932 text) into the same bytes.
  const std::string declaration = xml.substr(0, firstBreak + 1);
  const std::string document = Cp932(xml.substr(firstBreak + 1));
  EXPECT_EQ(declaration, XmlDeclaration(XmlEncodingOf(document.data(), static_cast<std::uint32_t>(document.size()))));
  CByteArray encoded;
  ASSERT_EQ(hvxfer::test::EncodeNewSave(document.data(), static_cast<std::uint32_t>(document.size()), encoded), kNewSaveOk);
  EXPECT_EQ(Text(encoded), file) << "zlib's deflate output at the default level is part of the example";

  // Inflated, the file is the "vmqd" container of declaration and document, key byte n mod 256.
  CZlib zlib = MakeFormatZlib();
  const std::string container = Text(zlib.Inflate(file.data(), static_cast<std::uint32_t>(file.size())));
  EXPECT_EQ(container, Text(VmqdScramble(xml.data(), static_cast<std::uint32_t>(xml.size()))));
  ASSERT_GE(container.size(), 5u);
  EXPECT_EQ(static_cast<unsigned char>(container[4]), xml.size() % 256);
}

}  // namespace
}  // namespace vmqdSDK
