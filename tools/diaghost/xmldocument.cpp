#include "xmldocument.h"

#include <cstdint>

namespace diaghost {
namespace {

constexpr int kMaxDepth = 256;

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameChar(char c) {
  return !IsSpace(c) && c != '\0' && c != '<' && c != '>' && c != '/' && c != '=' && c != '"' && c != '\'' &&
         c != '&';
}

std::string Trim(std::string text) {
  std::size_t end = text.size();
  while (end > 0 && IsSpace(text[end - 1])) --end;
  std::size_t begin = 0;
  while (begin < end && IsSpace(text[begin])) ++begin;
  return text.substr(begin, end - begin);
}

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}

  XmlNode Document() {
    if (in_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
    SkipMisc();
    if (Peek() != '<') Fail("no root element");
    XmlNode root = Element(0);
    SkipMisc();
    if (at_ < in_.size()) Fail("content after the root element");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& problem) const {
    int line = 1;
    for (std::size_t i = 0; i < at_ && i < in_.size(); ++i) line += in_[i] == '\n' ? 1 : 0;
    throw XmlSyntaxError("malformed XML (line " + std::to_string(line) + "): " + problem);
  }

  char Peek(std::size_t ahead = 0) const { return at_ + ahead < in_.size() ? in_[at_ + ahead] : '\0'; }
  bool StartsWith(std::string_view text) const { return in_.substr(at_, text.size()) == text; }
  void SkipSpace() {
    while (at_ < in_.size() && IsSpace(in_[at_])) ++at_;
  }

  // Moves past `terminator`, failing with `what` when the input ends first.
  void SkipPast(std::string_view terminator, const char* what) {
    const std::size_t end = in_.find(terminator, at_);
    if (end == std::string_view::npos) Fail(std::string("unterminated ") + what);
    at_ = end + terminator.size();
  }

  // Comments, processing instructions and declarations (anything but an element) outside the root.
  void SkipMisc() {
    for (;;) {
      SkipSpace();
      if (StartsWith("<?")) {
        SkipPast("?>", "processing instruction");
      } else if (StartsWith("<!--")) {
        SkipPast("-->", "comment");
      } else if (StartsWith("<!")) {
        SkipPast(">", "declaration");
      } else {
        return;
      }
    }
  }

  std::string Name() {
    const std::size_t begin = at_;
    while (at_ < in_.size() && IsNameChar(in_[at_])) ++at_;
    if (at_ == begin) Fail("a name was expected");
    return std::string(in_.substr(begin, at_ - begin));
  }

  // A reference after its '&', appended to `out`.
  void Reference(std::string& out) {
    const std::size_t end = in_.find(';', at_);
    if (end == std::string_view::npos || end - at_ > 10) Fail("unterminated character reference");
    const std::string_view body = in_.substr(at_, end - at_);
    at_ = end + 1;
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [name, byte] : kNamed) {
      if (body == name) {
        out.push_back(byte);
        return;
      }
    }
    if (body.size() < 2 || body[0] != '#') Fail("unknown entity &" + std::string(body) + ";");
    const bool hex = body[1] == 'x';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    for (char c : digits) {
      int value;
      if (c >= '0' && c <= '9') {
        value = c - '0';
      } else if (hex && LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f') {
        value = LowerAscii(c) - 'a' + 10;
      } else {
        Fail("bad character reference &" + std::string(body) + ";");
      }
      code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
      if (code > 0x10FFFF) Fail("character reference out of range");
    }
    if (digits.empty()) Fail("empty character reference");
    AppendUtf8(code, out);
  }

  std::string AttributeValue() {
    const char quote = Peek();
    if (quote != '"' && quote != '\'') Fail("a quoted attribute value was expected");
    ++at_;
    std::string value;
    for (;;) {
      if (at_ >= in_.size()) Fail("unterminated attribute value");
      const char c = in_[at_++];
      if (c == quote) return value;
      if (c == '<') Fail("'<' in an attribute value");
      if (c == '&') {
        Reference(value);
      } else {
        value.push_back(c);
      }
    }
  }

  // An element starting at its '<'.
  XmlNode Element(int depth) {
    if (depth > kMaxDepth) Fail("elements nested too deeply");
    ++at_;
    XmlNode node;
    node.name = Name();
    for (;;) {
      const std::size_t before = at_;
      SkipSpace();
      if (StartsWith("/>")) {
        at_ += 2;
        return node;
      }
      if (Peek() == '>') {
        ++at_;
        break;
      }
      if (at_ == before) Fail("space expected before an attribute");
      std::string name = Name();
      SkipSpace();
      if (Peek() != '=') Fail("'=' expected after attribute " + name);
      ++at_;
      SkipSpace();
      node.attributes.emplace_back(std::move(name), AttributeValue());
    }
    Content(node, depth);
    return node;
  }

  // The content of `node` up to and including its end tag.
  void Content(XmlNode& node, int depth) {
    for (;;) {
      if (at_ >= in_.size()) Fail("missing end tag of " + node.name);
      const char c = in_[at_];
      if (c == '&') {
        ++at_;
        Reference(node.text);
      } else if (c != '<') {
        node.text.push_back(c);
        ++at_;
      } else if (StartsWith("</")) {
        at_ += 2;
        const std::string name = Name();
        if (name != node.name) Fail("end tag " + name + " does not close " + node.name);
        SkipSpace();
        if (Peek() != '>') Fail("'>' expected");
        ++at_;
        if (!node.children.empty()) node.text = Trim(std::move(node.text));
        return;
      } else if (StartsWith("<![CDATA[")) {
        const std::size_t begin = at_ + 9;
        SkipPast("]]>", "CDATA section");
        node.text.append(in_.substr(begin, at_ - 3 - begin));
      } else if (StartsWith("<!--")) {
        SkipPast("-->", "comment");
      } else if (StartsWith("<?")) {
        SkipPast("?>", "processing instruction");
      } else {
        node.children.push_back(Element(depth + 1));
      }
    }
  }

  std::string_view in_;
  std::size_t at_ = 0;
};

void Write(const XmlNode& node, int depth, std::string& out) {
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
  out += '<' + node.name;
  for (const auto& [name, value] : node.attributes) out += ' ' + name + "=\"" + EscapeXml(value, true) + '"';
  if (node.children.empty() && node.text.empty()) {
    out += "/>\n";
    return;
  }
  out += '>';
  if (node.children.empty()) {
    out += EscapeXml(node.text, false) + "</" + node.name + ">\n";
    return;
  }
  out += '\n';
  if (!node.text.empty()) {
    out.append(static_cast<std::size_t>(depth + 1) * 2, ' ');
    out += EscapeXml(node.text, false) + '\n';
  }
  for (const XmlNode& child : node.children) Write(child, depth + 1, out);
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
  out += "</" + node.name + ">\n";
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool XmlNode::Is(std::string_view elementName) const {
  return EqualsNoCase(name, elementName);
}

bool XmlNode::Has(std::string_view attribute) const {
  for (const auto& entry : attributes) {
    if (EqualsNoCase(entry.first, attribute)) return true;
  }
  return false;
}

std::string XmlNode::Attribute(std::string_view attribute, std::string_view fallback) const {
  for (const auto& [name, value] : attributes) {
    if (EqualsNoCase(name, attribute)) return value;
  }
  return std::string(fallback);
}

const XmlNode* XmlNode::Child(std::string_view elementName) const {
  for (const XmlNode& child : children) {
    if (child.Is(elementName)) return &child;
  }
  return nullptr;
}

std::vector<const XmlNode*> XmlNode::Children(std::string_view elementName) const {
  std::vector<const XmlNode*> found;
  for (const XmlNode& child : children) {
    if (child.Is(elementName)) found.push_back(&child);
  }
  return found;
}

XmlNode ParseXml(std::string_view document) {
  return Reader(document).Document();
}

std::string EscapeXml(std::string_view text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += attribute ? "&quot;" : "\"";
        break;
      case '\n':
        out += attribute ? "&#10;" : "\n";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\t':
        out += attribute ? "&#9;" : "\t";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string PrettyXml(const XmlNode& node) {
  std::string out;
  Write(node, 0, out);
  return out;
}

}  // namespace diaghost
