#include "xml/xml.h"

#include "foundation/platform/platform.h"
#include "foundation/text.h"

namespace vmqdSDK {

void XmlElementBase::WriteLineStart(std::ostream&, const std::string&) const {}

XmlElement::XmlElement(std::string name, bool explicitEndTag) : name_(std::move(name)), explicitEndTag_(explicitEndTag) {}

bool XmlElement::Write(std::ostream& out, const std::string& indent) const {
  // The start tag is put together first and written in one go: a stream insert per piece costs more than
  // the text itself. The buffer is free again before any child writes.
  thread_local std::string head;
  head.clear();
  if (!indent.empty()) {
    head += '\n';
    head += indent;
  }
  head += '<';
  head += name_;
  for (const Attribute& a : attributes_) {
    head += ' ';
    head += a.first;
    head += "=\"";
    head += a.second;
    head += '"';
  }
  if (!children_.empty()) {
    head += '>';
  } else if (explicitEndTag_) {
    head += "></";
    head += name_;
    head += '>';
  } else {
    head += "/>";
  }
  out.write(head.data(), static_cast<std::streamsize>(head.size()));
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
    out << "</" << name_ << '>';
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

void XmlElement::WriteLineStart(std::ostream& out, const std::string& indent) const { out << '\n' << indent; }

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
  for (std::uint32_t i = 0; i < size; ++i) {
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
  if (!platform::Cp932ToUtf8(std::string(reinterpret_cast<const char*>(bytes), size), utf8) || utf8.empty()) return false;
  if (utf8.size() > 0xFFFFFFFFu) return false;
  return out.WriteAll(utf8.data(), static_cast<std::uint32_t>(utf8.size()));
}

}  // namespace vmqdSDK
