#include "xml/xml.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <streambuf>
#include <string>

namespace vmqdSDK {
namespace {

using Element = CSharedPtr<XmlElement>;

Element Make(const std::string& name, bool explicitEndTag = false) { return MakeShared<XmlElement>(name, explicitEndTag); }

std::string Written(const Element& e, const std::string& indent) {
  std::ostringstream out;
  EXPECT_TRUE(e->Write(out, indent));
  return out.str();
}

TEST(XmlElementTest, WritesLinesIndentsAndTags) {
  struct Case {
    const char* name;
    std::function<Element()> build;
    std::string indent;
    std::string expected;
  };
  const Case cases[] = {
      {"empty element", [] { return Make("e"); }, "\t", "\n\t<e/>"},
      {"explicit end tag", [] { return Make("e", true); }, "\t", "\n\t<e></e>"},
      {"no indent, no line", [] { return Make("e"); }, "", "<e/>"},
      {"attributes in order, duplicates kept, nothing escaped",
       [] {
         Element e = Make("item");
         e->AddAttribute("b", "1");
         e->AddAttribute("a", "<&\"");
         e->AddAttribute("b", "");
         return e;
       },
       "", "<item b=\"1\" a=\"<&\"\" b=\"\"/>"},
      {"child nesting, end tag on its own line at the element's depth",
       [] {
         Element item = Make("item", true);
         item->AddAttribute("k", "v");
         Element slot = Make("tuneslot");
         slot->AddChild(Make("inner"));
         item->AddChild(Make("first", true));
         item->AddChild(slot);
         return item;
       },
       "\t\t",
       "\n\t\t<item k=\"v\">\n\t\t\t<first></first>\n\t\t\t<tuneslot>\n\t\t\t\t<inner/>\n\t\t\t</tuneslot>\n\t\t</item>"},
      {"children of an element written without indent",
       [] {
         Element e = Make("a");
         e->AddChild(Make("b"));
         return e;
       },
       "", "<a>\n\t<b/>\n</a>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Written(c.build(), c.indent), c.expected);
  }
}

TEST(XmlElementTest, AddChildGivesTheStoredPointer) {
  Element parent = Make("p");
  CSharedPtr<XmlElement>& stored = parent->AddChild(Make("old"));
  stored = Make("new");
  EXPECT_EQ(Written(parent, ""), "<p>\n\t<new/>\n</p>");
}

// Accepts no byte: every write puts the stream into its bad state.
class RefusingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST(XmlElementTest, ReportsOnlyTheBadState) {
  Element e = Make("item");
  e->AddChild(Make("child"));

  RefusingBuffer refusing;
  std::ostream bad(&refusing);
  EXPECT_FALSE(e->Write(bad, "\t"));

  std::ostringstream failed;
  failed.setstate(std::ios::failbit);
  EXPECT_TRUE(e->Write(failed, "\t"));
}

TEST(XmlEncodingTest, Names) {
  struct Case {
    std::uint32_t id;
    const char* name;
  };
  for (const Case& c : {Case{0, "UTF-8"}, {1, "UTF-16"}, {2, "ISO-8859-1"}, {3, "US-ASCII"}, {4, "unknown"},
                        {0xFFFFFFFFu, "unknown"}}) {
    EXPECT_STREQ(XmlEncodingName(c.id), c.name);
  }
}

TEST(XmlEncodingTest, OneHighByteAnywhereMakesUtf8) {
  // Long texts are looked at in blocks: a high byte at either edge of a block, or in the tail after the last
  // whole block, must be seen.
  for (std::size_t size : {1u, 31u, 32u, 33u, 64u, 100u}) {
    std::string text(size, 'a');
    EXPECT_EQ(XmlEncodingOf(text.data(), static_cast<std::uint32_t>(size)), kXmlUsAscii) << size;
    for (std::size_t at : {std::size_t{0}, size / 2, size - 1, std::size_t{31}, std::size_t{32}}) {
      if (at >= size) continue;
      std::string high = text;
      high[at] = '\x80';
      EXPECT_EQ(XmlEncodingOf(high.data(), static_cast<std::uint32_t>(size)), kXmlUtf8) << size << " at " << at;
    }
  }
  EXPECT_EQ(XmlEncodingOf(nullptr, 0), kXmlUsAscii);
}

std::string Document(const std::string& text, bool* ok = nullptr) {
  CMemoryStream out(0, kGenericRead | kGenericWrite, CMemoryStream::kDoubling);
  const bool written = WriteXmlDocument(text.data(), static_cast<std::uint32_t>(text.size()), out);
  if (ok != nullptr) *ok = written;
  return out.GetSize() == 0 ? std::string()
                            : std::string(reinterpret_cast<const char*>(out.GetBuffer().Data()), out.GetSize());
}

TEST(WriteXmlDocumentTest, DeclaresAndEncodes) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const std::string ascii = "<?xml version=\"1.0\" encoding=\"US-ASCII\" ?>\r\n";
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n";
  const Case cases[] = {
      {"plain ASCII, byte for byte", std::string("<s>\n\t<i a=\"1\"/>\x7F\r\n</s>"),
       ascii + std::string("<s>\n\t<i a=\"1\"/>\x7F\r\n</s>")},
      {"empty document", "", ascii},
      // U+3042 and a half-width katakana: one Shift-JIS character makes the whole text UTF-8.
      {"Shift-JIS text", "<n>\x82\xA0\xB1</n>", utf8 + "<n>\xE3\x81\x82\xEF\xBD\xB1</n>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool ok = false;
    EXPECT_EQ(Document(c.text, &ok), c.expected);
    EXPECT_TRUE(ok);
  }
}

TEST(WriteXmlDocumentTest, FailsWhenTheOutputOrConversionFails) {
  // Room for the declaration only, then for nothing at all.
  const std::string text = "<s/>";
  for (std::int32_t room : {42, 10}) {
    CMemoryStream out(room, kGenericRead | kGenericWrite, CMemoryStream::kFixed);
    EXPECT_FALSE(WriteXmlDocument(text.data(), static_cast<std::uint32_t>(text.size()), out)) << room;
  }
  // A lead byte without its second byte has no UTF-8 form.
  bool ok = true;
  Document("<s>\x82", &ok);
  EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace vmqdSDK
