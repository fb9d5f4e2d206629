// The XML text writer of the new save: elements that write themselves, indented, to a text stream, and
// the document encoder that puts the XML declaration in front. Nothing is escaped or checked: names,
// values and the document are written byte for byte. What reaches it can stand raw because its sources
// see to it: the item elements hold only numbers and fixed words, and the user name, which the header
// template carries into the document, is refused by the name verdict (username/) when it holds `"`, `<`,
// `>`, `&` or a byte below 0x20.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/shared.h"
#include "archive/stream.h"

namespace vmqdSDK {

// The element syntax piece by piece: what XmlElement::Write puts down, also for writers that make element
// text without building elements. `Text` is a CTextBuffer or anything with its three Append operations;
// the ...Size functions give the most bytes a piece writes, for writers that make room for it at once.
namespace xml_text {
constexpr std::size_t StartTagSize(std::size_t indent, std::size_t name) { return 1 + indent + 1 + name; }
constexpr std::size_t AttributeSize(std::size_t name, std::size_t value) { return 1 + name + 2 + value + 1; }
constexpr std::size_t StartTagEndSize() { return 1; }
constexpr std::size_t ChildlessEndSize(std::size_t name) { return 3 + name + 1; }
constexpr std::size_t EndTagSize(std::size_t indent, std::size_t name) { return 1 + indent + 2 + name + 1; }

// A line feed and the indent.
template <class Text>
void LineStart(Text& out, std::string_view indent) {
  out.Append('\n');
  out.Append(indent);
}
// "<" and the name, on a line of its own at `indent` unless the indent is empty.
template <class Text>
void StartTag(Text& out, std::string_view indent, std::string_view name) {
  if (!indent.empty()) LineStart(out, indent);
  out.Append('<');
  out.Append(name);
}
// ` name="`, to be followed by the value and AttributeEnd.
template <class Text>
void AttributeStart(Text& out, std::string_view name) {
  out.Append(' ');
  out.Append(name);
  out.Append("=\"", 2);
}
template <class Text>
void AttributeEnd(Text& out) {
  out.Append('"');
}
// Closes the start tag of an element whose children follow.
template <class Text>
void StartTagEnd(Text& out) {
  out.Append('>');
}
// Ends an element without children: "/>", or "></name>" when it has an explicit end tag.
template <class Text>
void ChildlessEnd(Text& out, std::string_view name, bool explicitEndTag) {
  if (!explicitEndTag) {
    out.Append("/>", 2);
    return;
  }
  out.Append("></", 3);
  out.Append(name);
  out.Append('>');
}
// "</name>", after the line start of the element's own indent.
template <class Text>
void EndTag(Text& out, std::string_view name) {
  out.Append("</", 2);
  out.Append(name);
  out.Append('>');
}
}  // namespace xml_text

class XmlElement;

// The element interface: what every element can do.
class XmlElementBase {
 public:
  virtual ~XmlElementBase() = default;
  // Writes the element; false only when `out` is in its bad state afterwards.
  virtual bool Write(std::ostream& out, const std::string& indent) const = 0;
  virtual void AddAttribute(const std::string& name, const std::string& value) = 0;
  // Returns the stored copy of the pointer (valid until the next AddChild).
  virtual CSharedPtr<XmlElement>& AddChild(const CSharedPtr<XmlElement>& child) = 0;
  virtual void WriteLineStart(std::ostream& out, const std::string& indent) const;
};

class XmlElement : public XmlElementBase {
 public:
  using Attribute = std::pair<std::string, std::string>;

  explicit XmlElement(std::string name, bool explicitEndTag = false);

  // Starts with a line feed and the indent unless the indent is empty; children get the indent + TAB;
  // never writes a carriage return and never ends with a line break.
  bool Write(std::ostream& out, const std::string& indent) const override;
  void AddAttribute(const std::string& name, const std::string& value) override;
  // The same, taking over a value that is not needed after.
  void AddAttribute(const std::string& name, std::string&& value);
  CSharedPtr<XmlElement>& AddChild(const CSharedPtr<XmlElement>& child) override;
  // A line feed, then the indent.
  void WriteLineStart(std::ostream& out, const std::string& indent) const override;

  const std::string& GetName() const { return name_; }
  const std::vector<Attribute>& GetAttributes() const { return attributes_; }
  // The value of the first attribute of that name, or null.
  const std::string* FindAttribute(const std::string& name) const;
  const std::vector<CSharedPtr<XmlElement>>& GetChildren() const { return children_; }
  bool HasExplicitEndTag() const { return explicitEndTag_; }

 private:
  std::string name_;
  std::vector<Attribute> attributes_;
  std::vector<CSharedPtr<XmlElement>> children_;
  bool explicitEndTag_;
};

enum XmlEncoding : std::uint32_t { kXmlUtf8 = 0, kXmlUtf16 = 1, kXmlIso8859_1 = 2, kXmlUsAscii = 3 };

// "UTF-8", "UTF-16", "ISO-8859-1", "US-ASCII"; "unknown" for any other value.
const char* XmlEncodingName(std::uint32_t encoding);

// US-ASCII when every byte is below 0x80, else UTF-8: what a document is declared as.
XmlEncoding XmlEncodingOf(const void* data, std::uint32_t size);
// "<?xml version=\"1.0\" encoding=\"...\" ?>" and CR LF.
std::string XmlDeclaration(std::uint32_t encoding);

// Writes the declaration and the document (CP932 text) to `out` through WriteAll: US-ASCII and the bytes
// unchanged when every byte is below 0x80, else UTF-8 converted from code page 932. False when a write
// fails or the conversion yields nothing.
bool WriteXmlDocument(const void* data, std::uint32_t size, CStream& out);

}  // namespace vmqdSDK
