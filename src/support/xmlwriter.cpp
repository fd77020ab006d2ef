// Serialisation of an element: two spaces of indentation per depth, one element per line, LF line ends.
#include <ostream>

#include "support/stringutil.h"
#include "support/xmlescape.h"
#include "support/xmlobject.h"

namespace rb {
namespace {
void AppendAttribute(std::string& out, const XmlAttribute& a) {
  out.push_back(' ');
  if (a.name.empty()) return;  // a nameless attribute leaves only its separating space
  out.append(a.name);
  out.append("=\"");
  XmlEscapeAttribute(a.value, out);
  out.push_back('"');
}

void AppendIndent(std::string& out, std::int32_t depth) {
  if (depth > 0) out.append(static_cast<std::size_t>(depth) * 2, ' ');
}
}  // namespace

void XmlObject::NormaliseDeclaration() const {
  if (declaration_.empty() || declaration_.front().name == "version") return;
  XmlAttribute version{"version", GetDeclarationAttribute("version", "1.0")};
  const_cast<XmlObject*>(this)->RemoveDeclarationAttribute("version");
  declaration_.insert(declaration_.begin(), std::move(version));
}

void XmlObject::WriteTo(std::string& out) const {
  if (parent_ == nullptr && !declaration_.empty()) {
    NormaliseDeclaration();
    out.append("<?xml");
    for (const XmlAttribute& a : declaration_) AppendAttribute(out, a);
    out.append("?>\n");
  }
  for (const std::string& instruction : instructions_) {
    if (instruction.empty()) continue;
    AppendIndent(out, depth_);
    out.append(instruction);
    out.push_back('\n');
  }
  const bool named = !name_.empty();
  if (named) {
    AppendIndent(out, depth_);
    out.push_back('<');
    out.append(name_);
  }
  for (const XmlAttribute& a : attributes_) AppendAttribute(out, a);
  if (named && children_.empty() && text_.empty()) {
    out.append("/>\n");
    return;
  }
  if (named) out.push_back('>');
  if (!text_.empty()) {
    XmlEscapeText(text_, out);
  } else if (!children_.empty()) {
    out.push_back('\n');
  }
  for (const XmlObject& child : children_) child.WriteTo(out);
  if (named) {
    if (!children_.empty()) AppendIndent(out, depth_);
    out.append("</");
    out.append(name_);
    out.append(">\n");
  }
}

void XmlObject::AppendXml(std::string& out) const { WriteTo(out); }

std::string XmlObject::ToString() const {
  std::string out;
  WriteTo(out);
  return out;
}

void XmlObject::WriteXml(std::ostream& out) const {
  out << ToString();
  out.flush();
}

}  // namespace rb
