#pragma once

// A small reader and writer for the XML documents the component exchanges with its host: elements,
// attributes, character data (with the predefined and numeric character references), CDATA sections;
// comments, processing instructions and the document type declaration are skipped. Texts stay 8-bit.

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace diaghost {

struct XmlNode {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;  // in document order
  // The character data directly inside the element. For an element that also has child elements the
  // text is trimmed, so that the indentation between children does not count as text.
  std::string text;
  std::vector<XmlNode> children;

  // Element and attribute names are matched without regard to the case of A to Z, as the component does.
  bool Is(std::string_view elementName) const;
  bool Has(std::string_view attribute) const;
  std::string Attribute(std::string_view attribute, std::string_view fallback = {}) const;
  // The first child element of that name, or null.
  const XmlNode* Child(std::string_view elementName) const;
  std::vector<const XmlNode*> Children(std::string_view elementName) const;
};

class XmlSyntaxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads one document (its root element). Raises XmlSyntaxError, naming the line, on malformed input.
XmlNode ParseXml(std::string_view document);

// The text with the characters XML reserves replaced by references; `attribute` also replaces quotes.
std::string EscapeXml(std::string_view text, bool attribute);

// The element as indented XML, one element per line, two spaces per level, ending with a line feed.
std::string PrettyXml(const XmlNode& node);

bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace diaghost
