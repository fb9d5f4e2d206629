#include "items/item.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "support/table_writer.h"

namespace vmqdSDK {
namespace {

CByteArray Bytes(const std::string& s) {
  CByteArray a = CByteArray::Allocate(static_cast<std::uint32_t>(s.size()));
  if (!s.empty()) std::memcpy(a.Data(), s.data(), s.size());
  return a;
}

CMemoryStream ReadStream(const std::string& s) { return CMemoryStream(Bytes(s), kGenericRead, CMemoryStream::kFixed); }

std::string Written(const SourceRecord& record) {
  CMemoryStream out(0, kGenericRead | kGenericWrite, CMemoryStream::kDoubling);
  EXPECT_TRUE(WriteSourceRecord(out, record));
  return std::string(reinterpret_cast<const char*>(out.GetBuffer().Data()), out.GetSize());
}

CSharedPtr<SourceRecord> Record(std::uint32_t id) {
  CSharedPtr<SourceRecord> r = MakeShared<SourceRecord>();
  r->item.id = id;
  for (int i = 0; i < kParamCount; ++i) {
    r->item.status[i] = static_cast<std::int16_t>(id * 10 + i);
    r->item.mob[i] = static_cast<std::int16_t>(-static_cast<int>(id) - i);
  }
  return r;
}

TEST(ReadSourceItemTest, ReadsTheFieldsInTheirPlaces) {
  // Spelt out byte by byte, so the layout is checked independently of the record writer.
  test::Bytes b;
  b.U32(0x01020304).U32(0xFFFFFFFE).U32(77).I16(-2);
  b.U8(0xEE).U8(0xEE).U8(0xEE).U8(0xEE).U8(0xEE);  // skipped
  b.U8(1).U8(2).U8(3).U8(4).U8(5);                 // spareBytes
  b.Zeros(20).Zeros(20);                           // both slot sets empty
  for (int i = 0; i < 6; ++i) b.I16(static_cast<std::int16_t>(100 + i));
  for (int i = 0; i < 6; ++i) b.I16(static_cast<std::int16_t>(-200 - i));
  for (int i = 0; i < 6; ++i) b.I16(static_cast<std::int16_t>(i == 5 ? -32768 : 300 + i));
  ASSERT_EQ(b.str().size(), 100u);

  CMemoryStream in = ReadStream(b.str() + "next");
  SourceItem item;
  ASSERT_TRUE(ReadSourceItem(in, item));
  EXPECT_EQ(in.Tell(), 100u);
  EXPECT_EQ(item.id, 0x01020304u);
  EXPECT_EQ(item.durabilityValue, 0xFFFFFFFEu);
  EXPECT_EQ(item.spareWord, 77u);
  EXPECT_EQ(item.gradeValue, -2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(item.spareBytes), 5), "\x01\x02\x03\x04\x05");
  for (int i = 0; i < kParamCount; ++i) {
    EXPECT_EQ(item.status[i], 100 + i);
    EXPECT_EQ(item.attribute[i], -200 - i);
    EXPECT_FALSE(item.tuneSlots[i < 5 ? i : 4]);
  }
  EXPECT_EQ(item.mob[5], -32768);

  // The writer lays the same record out byte for byte (its skipped bytes aside).
  SourceRecord record;
  record.item = item;
  std::memset(record.skippedBytes, 0xEE, 5);
  EXPECT_EQ(Written(record), b.str());
}

TEST(ReadSourceItemTest, KeepsTuneSlotsAndConsumesTheDiscardedSet) {
  // Any non-zero flag marks a slot; the discarded set's records (with nesting of their own) are read past.
  SourceRecord record = *Record(1);
  record.item.tuneSlotFlags[0] = 1;
  record.nested[0] = Record(10);
  record.item.tuneSlotFlags[2] = 0x80000000u;
  record.nested[2] = Record(12);
  record.item.tuneSlotFlags[4] = 0xFFFFFFFFu;
  record.nested[4] = Record(14);
  record.nested[4]->item.tuneSlotFlags[1] = 7;
  record.nested[4]->nested[1] = Record(141);
  record.discardedFlags[2] = 5;
  record.discarded[2] = Record(22);
  record.discarded[2]->item.tuneSlotFlags[0] = 1;
  record.discarded[2]->nested[0] = Record(220);
  record.discarded[3] = Record(23);
  record.discardedFlags[3] = 1;
  record.discarded[3]->discardedFlags[4] = 2;
  record.discarded[3]->discarded[4] = Record(234);
  const std::string bytes = Written(record);

  CMemoryStream in = ReadStream(bytes);
  SourceItem item;
  ASSERT_TRUE(ReadSourceItem(in, item));
  EXPECT_EQ(in.Tell(), bytes.size());

  // Walked and viewed where it lies, the record reads the same.
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::size_t end = 0;
  ASSERT_TRUE(SkipSourceRecord(data, bytes.size(), end));
  EXPECT_EQ(end, bytes.size());
  SourceRecordView view;
  ASSERT_TRUE(ViewSourceRecord(data, bytes.size(), 0, view));
  EXPECT_EQ(view.values.status[5], 15);
  EXPECT_EQ(view.values.tuneSlotFlags[2], 0x80000000u);
  SourceRecordView nested, deeper;
  EXPECT_FALSE(ViewTuneSlot(view, 1, nested));
  ASSERT_TRUE(ViewTuneSlot(view, 2, nested));
  EXPECT_EQ(nested.values.id, 12u);
  ASSERT_TRUE(ViewTuneSlot(view, 4, nested));
  EXPECT_EQ(nested.values.id, 14u);
  ASSERT_TRUE(ViewTuneSlot(nested, 1, deeper));
  EXPECT_EQ(deeper.values.id, 141u);
  EXPECT_EQ(deeper.values.status[0], 1410);

  EXPECT_EQ(item.id, 1u);
  EXPECT_EQ(item.status[5], 15);  // read after every nested record: proves each was consumed whole
  EXPECT_EQ(item.mob[5], -6);
  const std::uint32_t expected[kTuneSlotCount] = {10, 0, 12, 0, 14};
  for (int i = 0; i < kTuneSlotCount; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(static_cast<bool>(item.tuneSlots[i]), expected[i] != 0);
    if (expected[i] != 0) {
      EXPECT_EQ(item.tuneSlots[i]->id, expected[i]);
    }
  }
  EXPECT_EQ(item.tuneSlotFlags[2], 0x80000000u);
  ASSERT_TRUE(item.tuneSlots[4]->tuneSlots[1]);
  EXPECT_EQ(item.tuneSlots[4]->tuneSlots[1]->id, 141u);
  EXPECT_EQ(item.tuneSlots[4]->tuneSlots[1]->status[0], 1410);
}

TEST(ReadSourceItemTest, EveryTruncationFails) {
  SourceRecord record = *Record(1);
  record.item.tuneSlotFlags[1] = 1;
  record.nested[1] = Record(2);
  record.nested[1]->item.tuneSlotFlags[3] = 1;
  record.nested[1]->nested[3] = Record(3);
  record.discardedFlags[0] = 1;
  record.discarded[0] = Record(4);
  const std::string bytes = Written(record);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    CMemoryStream in = ReadStream(bytes.substr(0, n));
    SourceItem item;
    EXPECT_FALSE(ReadSourceItem(in, item)) << "cut at " << n;
    std::size_t at = 0;
    EXPECT_FALSE(SkipSourceRecord(reinterpret_cast<const std::uint8_t*>(bytes.data()), n, at)) << "cut at " << n;
  }
}

TEST(ReadSourceItemTest, NestingIsBoundedAt64Levels) {
  struct Case {
    int depth;
    bool discarded;  // the chain runs through the discarded set
    bool ok;
  };
  for (const Case& c : {Case{64, false, true}, Case{65, false, false}, Case{64, true, true}, Case{65, true, false}}) {
    SCOPED_TRACE(c.depth);
    CSharedPtr<SourceRecord> root = Record(0);
    SourceRecord* at = root.Get();
    for (int d = 1; d <= c.depth; ++d) {
      CSharedPtr<SourceRecord> next = Record(static_cast<std::uint32_t>(d));
      if (c.discarded) {
        at->discardedFlags[0] = 1;
        at->discarded[0] = next;
      } else {
        at->item.tuneSlotFlags[0] = 1;
        at->nested[0] = next;
      }
      at = next.Get();
    }
    const std::string bytes = Written(*root);
    CMemoryStream in = ReadStream(bytes);
    SourceItem item;
    EXPECT_EQ(ReadSourceItem(in, item), c.ok);
    std::size_t end = 0;
    EXPECT_EQ(SkipSourceRecord(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), end), c.ok);
    if (c.ok && !c.discarded) {
      const SourceItem* deepest = &item;
      while (deepest->tuneSlots[0]) deepest = deepest->tuneSlots[0].Get();
      EXPECT_EQ(deepest->id, static_cast<std::uint32_t>(c.depth));
    }
  }
}

TEST(ItemElementTest, TextsAndTuneSlots) {
  EXPECT_EQ(item_text::Durability(37), "37/37");
  EXPECT_EQ(item_text::Durability(65535), "65535/65535");
  EXPECT_EQ(item_text::Potential({5000, 12, 9999}), "5000:12:9999");
  EXPECT_EQ(item_text::Potential({}), "");
  const std::int16_t group[kParamCount] = {-32768, 0, 1, -1, 32767, 5};
  EXPECT_EQ(item_text::Group(group), "-32768:0:1:-1:32767:5");

  CSharedPtr<ItemElement> outer = NewItemElement(0xFFFFFFFFu);
  AddTuneSlot(*outer, 3, NewItemElement(1011));
  std::ostringstream out;
  ASSERT_TRUE(outer->Write(out, ""));
  EXPECT_EQ(out.str(),
            "<item baseid=\"4294967295\">\n\t<tuneslot index=\"3\">\n\t\t<item baseid=\"1011\"/>\n\t</tuneslot>\n</item>");
  EXPECT_EQ(TuneSlotChild(*outer, 3)->GetAttributes().front().second, "1011");
  EXPECT_EQ(TuneSlotChild(*outer, 2), nullptr);
}

// Both sinks are handed the same pieces: the text writer must write what the built element writes.
TEST(ItemSinkTest, TextWriterWritesWhatTheBuiltElementWrites) {
  const std::int16_t group[kParamCount] = {-32768, 0, 1, -1, 32767, 5};
  auto pieces = [&group](ItemSink& sink) {
    BeginItemElement(sink, 0xFFFFFFFFu);
    sink.WordAttribute("category", "equip");
    sink.NumberAttribute("n", -9223372036854775807LL - 1);
    sink.DurabilityAttribute("durability", 65535);
    sink.JoinedAttribute("g", group, kParamCount);
    sink.JoinedAttribute("none", group, 0);
    BeginTuneSlotElement(sink, 0);
    BeginItemElement(sink, 7);
    BeginTuneSlotElement(sink, 4);
    BeginItemElement(sink, 8);
    sink.EndElement();
    sink.EndElement();
    sink.EndElement();
    sink.EndElement();
    BeginTuneSlotElement(sink, 1);
    BeginItemElement(sink, 9);
    sink.EndElement();
    sink.EndElement();
    sink.EndElement();
  };
  for (const std::string indent : {"", "\t\t", " x "}) {
    SCOPED_TRACE(indent);
    ItemElementBuilder builder;
    pieces(builder);
    std::ostringstream written;
    ASSERT_TRUE(builder.Take()->Write(written, indent));

    CTextBuffer text;
    text.Append("before");
    ItemTextWriter writer(text, indent);
    pieces(writer);
    pieces(writer);  // a second top-level element starts afresh
    EXPECT_EQ(text.View(), "before" + written.str() + written.str());
  }
  // A dropped element leaves the text as it was before the element began, wherever it stopped.
  CTextBuffer text;
  text.Append("kept");
  ItemTextWriter writer(text, "\t\t");
  pieces(writer);
  const std::string whole(text.View());
  BeginItemElement(writer, 1);
  BeginTuneSlotElement(writer, 2);
  writer.DropElement();
  EXPECT_EQ(text.View(), whole);
  writer.DropElement();  // nothing begun since: the whole element before stays
  EXPECT_EQ(text.View(), whole);
  EXPECT_TRUE(writer.Whole());
  pieces(writer);
  EXPECT_EQ(text.View().substr(whole.size()), whole.substr(4));

  const std::string expected =
      "\n\t\t<item baseid=\"4294967295\" category=\"equip\" n=\"-9223372036854775808\" durability=\"65535/65535\" "
      "g=\"-32768:0:1:-1:32767:5\" none=\"\">";
  ItemElementBuilder builder;
  pieces(builder);
  std::ostringstream written;
  builder.Take()->Write(written, "\t\t");
  EXPECT_EQ(written.str().substr(0, expected.size()), expected);
}

}  // namespace
}  // namespace vmqdSDK
