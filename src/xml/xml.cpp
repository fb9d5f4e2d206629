#include "xml/xml.h"

#include <cstring>

#include "foundation/platform/platform.h"
#include "foundation/text_buffer.h"
#include "foundation/text.h"

namespace vmqdSDK {

namespace {

// An output stream as a text for the xml_text pieces.
struct StreamText {
  std::ostream& out;
  void Append(char c) { out.put(c); }
  void Append(const char* bytes, std::size_t n) { out.write(bytes, static_cast<std::streamsize>(n)); }
  void Append(std::string_view text) { Append(text.data(), text.size()); }
};

}  // namespace

void XmlElementBase::WriteLineStart(std::ostream&, const std::string&) const {}

XmlElement::XmlElement(std::string name, bool explicitEndTag) : name_(std::move(name)), explicitEndTag_(explicitEndTag) {}

bool XmlElement::Write(std::ostream& out, const std::string& indent) const {
  // The start tag is put together first and written in one go: a stream insert per piece costs more than
  // the text itself. The buffer is free again before any child writes.
  thread_local CTextBuffer head;
  head.Truncate(0);
  xml_text::StartTag(head, indent, name_);
  for (const Attribute& a : attributes_) {
    xml_text::AttributeStart(head, a.first);
    head.Append(a.second);
    xml_text::AttributeEnd(head);
  }
  if (!children_.empty()) {
    xml_text::StartTagEnd(head);
  } else {
    xml_text::ChildlessEnd(head, name_, explicitEndTag_);
  }
  if (head.Failed()) {
    // Out of memory for the tag: the element cannot be written whole.
    head.Clear();
    out.setstate(std::ios::badbit);
    return false;
  }
  out.write(head.Data(), static_cast<std::streamsize>(head.Size()));
  if (!children_.empty()) {
    const std::string inner = indent + '\t';
    // A child's own result is not looked at: the stream's state after the whole element decides.
    for (const CSharedPtr<XmlElement>& child : children_) {
      if (child) child->Write(out, inner);
    }
    const CSharedPtr<XmlElement>& last = children_.back();
    if (last) {
      last->WriteLineStart(out, indent);
    } else {
      XmlElement::WriteLineStart(out, indent);
    }
    StreamText text{out};
    xml_text::EndTag(text, name_);
  }
  return !out.bad();
}

void XmlElement::AddAttribute(const std::string& name, const std::string& value) {
  AddAttribute(name, std::string(value));
}

void XmlElement::AddAttribute(const std::string& name, std::string&& value) {
  // An item has up to eight attributes: room for them at once rather than growing four times.
  if (attributes_.empty()) attributes_.reserve(8);
  attributes_.emplace_back(name, std::move(value));
}

CSharedPtr<XmlElement>& XmlElement::AddChild(const CSharedPtr<XmlElement>& child) {
  children_.push_back(child);
  return children_.back();
}

void XmlElement::WriteLineStart(std::ostream& out, const std::string& indent) const {
  StreamText text{out};
  xml_text::LineStart(text, indent);
}

const std::string* XmlElement::FindAttribute(const std::string& name) const {
  for (const Attribute& a : attributes_) {
    if (a.first == name) return &a.second;
  }
  return nullptr;
}

const char* XmlEncodingName(std::uint32_t encoding) {
  switch (encoding) {
    case kXmlUtf8: return "UTF-8";
    case kXmlUtf16: return "UTF-16";
    case kXmlIso8859_1: return "ISO-8859-1";
    case kXmlUsAscii: return "US-ASCII";
    default: return "unknown";
  }
}

XmlEncoding XmlEncodingOf(const void* data, std::uint32_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  // Thirty-two bytes at a time: a whole document is looked at, and a large one is megabytes.
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  std::uint32_t i = 0;
  for (; size - i >= 32; i += 32) {
    std::uint64_t w[4];
    std::memcpy(w, bytes + i, sizeof w);
    if (((w[0] | w[1] | w[2] | w[3]) & kHighBits) != 0) return kXmlUtf8;
  }
  for (; i < size; ++i) {
    if (bytes[i] >= 0x80) return kXmlUtf8;
  }
  return kXmlUsAscii;
}

std::string XmlDeclaration(std::uint32_t encoding) {
  return FormatText("<?xml version=\"1.0\" encoding=\"%s\" ?>\r\n", XmlEncodingName(encoding));
}

bool WriteXmlDocument(const void* data, std::uint32_t size, CStream& out) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (bytes == nullptr && size != 0) return false;
  const XmlEncoding encoding = XmlEncodingOf(bytes, size);
  const std::string declaration = XmlDeclaration(encoding);
  if (!out.WriteAll(declaration.data(), static_cast<std::uint32_t>(declaration.size()))) return false;
  if (encoding == kXmlUsAscii) return out.WriteAll(bytes, size);

  // The texts are code page 932 whatever the host's own code page is.
  std::string utf8;
  if (!platform::Cp932ToUtf8(reinterpret_cast<const char*>(bytes), size, utf8) || utf8.empty()) return false;
  if (utf8.size() > 0xFFFFFFFFu) return false;
  return out.WriteAll(utf8.data(), static_cast<std::uint32_t>(utf8.size()));
}

}  // namespace vmqdSDK
