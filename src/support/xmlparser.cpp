// A single-pass scanner for the subset of XML the component's documents use: elements, attributes in
// either quote character, character data with the fixed entity references, nesting comments,
// processing instructions and the XML declaration. Each call parses exactly one element.
#include "support/xmlparser.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "support/debug.h"
#include "support/stringutil.h"
#include "support/xmlcharclass.h"
#include "support/xmlescape.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

// Line and position of error messages. A root parse restarts them; nested calls share them. They are
// per thread, so that parses on different threads (prompt answers on worker threads) never mix.
thread_local std::int32_t tLine = 0;
thread_local std::int32_t tPosition = 0;

// A syntax error inside one call, turned into the runtime error by that same call.
struct SyntaxError {
  std::string text;
};

bool IsPunctuation(unsigned char b) {
  return (b >= 33 && b <= 47) || (b >= 58 && b <= 64) || (b >= 91 && b <= 96) || (b >= 123 && b <= 126);
}

// Names may not start with a digit or ASCII punctuation, and may not be "xml" in any case.
bool IsValidName(std::string_view name) {
  if (!name.empty()) {
    const auto first = static_cast<unsigned char>(name.front());
    if ((first >= '0' && first <= '9') || IsPunctuation(first)) return false;
  }
  return !EqualsNoCase(name, "xml");
}

bool StartsWith(const char* p, const char* end, std::string_view s) {
  return static_cast<std::size_t>(end - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
}

const char* FindIn(const char* from, const char* end, std::string_view s) {
  const std::string_view hay(from, static_cast<std::size_t>(end - from));
  const std::size_t at = hay.find(s);
  return at == std::string_view::npos ? nullptr : from + at;
}

}  // namespace

class XmlParser {
 public:
  XmlParser(XmlObject& element, const char* begin, const char* end, const XmlObject* parent, bool lenient,
            bool headerOnly)
      : e_(element), begin_(begin), end_(end), parent_(parent), lenient_(lenient), headerOnly_(headerOnly) {}

  const char* Run() {
    if (parent_ == nullptr) {
      tLine = 1;
      tPosition = 0;
    }
    try {
      Scan();
    } catch (const SyntaxError& error) {
      Raise(error.text);
    }
    return elementEnd_;
  }

 private:
  void Scan() {
    const char* c = begin_;
    while (c < end_ && elementEnd_ == nullptr) {
      if (*c == '\n') {
        ++tLine;
        tPosition = 0;
      }
      ++tPosition;
      if (StartsWith(c, end_, "<!--")) {
        ++commentDepth_;
        c += 4;
        tPosition += 4;
        continue;
      }
      if (StartsWith(c, end_, "-->")) {
        --commentDepth_;
        c += 3;
        tPosition += 3;
        continue;
      }
      if (commentDepth_ > 0) {
        ++c;
        continue;
      }
      if (start_ == nullptr) {
        c = BeforeStart(c);
      } else if (*c == '>') {
        CloseAngle(c);
        ++c;
      } else if (!tagClosed_) {
        StartTag(c);
        ++c;
      } else {
        c = Content(c);
      }
    }
    if (start_ != nullptr && elementEnd_ == nullptr) throw SyntaxError{"Missing end tag: " + e_.name_};
  }

  // Whitespace, processing instructions and the declaration before the element's '<'.
  const char* BeforeStart(const char* c) {
    if (IsXmlWhitespace(*c)) return c + 1;
    if (*c != '<') throw SyntaxError{"Left angle bracket character expected"};
    if (c + 1 < end_ && c[1] == '?') {
      const char* close = FindIn(c, end_, "?>");
      if (close == nullptr) throw SyntaxError{"Missing end tag: <?"};
      const std::string_view s(c, static_cast<std::size_t>(close - c));
      if (s.size() > 5 && CompareNoCase(s, "<?xml", 5) == 0 && IsXmlWhitespace(s[5])) {
        ReadDeclaration(s.substr(5));
      } else {
        std::string instruction(s);
        instruction.append("?>");
        e_.instructions_.push_back(std::move(instruction));
      }
      return close + 2;
    }
    start_ = c;
    return c + 1;
  }

  // The declaration's pseudo-attributes go through the attribute rules in a root parse of their own.
  void ReadDeclaration(std::string_view pseudoAttributes) {
    std::string text = "<d";
    text.append(pseudoAttributes);
    text.append("/>");
    XmlObject declaration;
    XmlParser(declaration, text.data(), text.data() + text.size(), nullptr, lenient_, false).Run();
    e_.declaration_ = std::move(declaration.attributes_);
  }

  void CloseAngle(const char* c) {
    if (!tagClosed_) {
      if (nameStart_ != nullptr && nameEnd_ == nullptr && nameStart_ < c) {
        nameEnd_ = (c[-1] == '/') ? c - 1 : c;
        e_.name_.assign(nameStart_, nameEnd_);
        if (!IsValidName(e_.name_)) throw SyntaxError{"Invalid tag name"};
      }
      tagClosed_ = true;
    }
    if (c[-1] == '/') elementEnd_ = c + 1;
  }

  // One byte of the start tag: the tag name, then attributes.
  void StartTag(const char* c) {
    if (nameEnd_ == nullptr) {
      if (nameStart_ == nullptr) {
        if (!IsXmlWhitespace(*c)) nameStart_ = c;
      } else if (IsXmlWhitespace(*c)) {
        nameEnd_ = c;
        e_.name_.assign(nameStart_, nameEnd_);
        if (!IsValidName(e_.name_)) throw SyntaxError{"Invalid tag name: " + e_.name_};
      }
      return;
    }
    if (parent_ != nullptr && headerOnly_) return;  // a header-only walk passes over nested attributes
    Attribute(c);
  }

  void Attribute(const char* c) {
    const bool space = IsXmlWhitespace(*c);
    if (attrNameStart_ == nullptr) {
      if (!space && *c != '/') attrNameStart_ = c;
      return;
    }
    if (attrNameEnd_ == nullptr) {
      if (space || *c == '=') {
        attrNameEnd_ = c;
        attrName_.assign(attrNameStart_, attrNameEnd_);
        if (!lenient_ && !IsValidName(attrName_)) throw SyntaxError{"Invalid attribute name: " + attrName_};
        if (*c == '=') equals_ = c;
      }
      return;
    }
    if (equals_ == nullptr) {
      if (space) return;
      if (*c != '=') {
        throw SyntaxError{std::string("Equal chracter expected: ") + *c + " attribute value: " + attrName_ +
                          " tag value: " + e_.name_};
      }
      equals_ = c;
      return;
    }
    if (quote_ == nullptr) {
      if (space) return;
      if (*c != '\'' && *c != '"') {
        throw SyntaxError{std::string("Single or double quote expected: ") + *c + " attribute: " + attrName_ +
                          " tag value: " + e_.name_ + "\n\n\n"};
      }
      quote_ = c;
      return;
    }
    if (*c == *quote_) {
      const char* valueStart = quote_ + 1;
      e_.SetAttribute(attrName_, XmlUnescape(std::string_view(valueStart, static_cast<std::size_t>(c - valueStart))));
      attrNameStart_ = attrNameEnd_ = equals_ = quote_ = nullptr;
    }
  }

  // One step inside the element's content: character data, the end tag or a nested element.
  const char* Content(const char* c) {
    if (*c != '<') {
      if (textStart_ == nullptr) textStart_ = c;
      if (!IsXmlWhitespace(*c)) significant_ = true;
      return c + 1;
    }
    if (!headerOnly_ && textStart_ != nullptr && !textFixed_ && significant_ && c > textStart_) {
      e_.text_ = XmlUnescape(std::string_view(textStart_, static_cast<std::size_t>(c - textStart_)));
      textFixed_ = true;
    }
    if (c + 1 < end_ && c[1] == '/') {
      const char* close = static_cast<const char*>(std::memchr(c, '>', static_cast<std::size_t>(end_ - c)));
      if (close == nullptr) throw SyntaxError{"Missing Right Angle Bracket Character"};
      elementEnd_ = close + 1;
      return elementEnd_;
    }
    // A nested element, parsed at its final depth and moved into place.
    XmlObject child;
    child.depth_ = e_.depth_ + 1;
    const char* childEnd = XmlParser(child, c, end_, &e_, lenient_, headerOnly_).Run();
    // Character data before the child was whitespace only: what follows the child starts afresh.
    if (!textFixed_) {
      textStart_ = nullptr;
      significant_ = false;
    }
    if (childEnd == nullptr) return end_;
    if (!headerOnly_) e_.AddChild(std::move(child));
    return childEnd;
  }

  [[noreturn]] void Raise(const std::string& text) {
    DebugPrint("XML:'%s'\n", std::string(begin_, end_).c_str());
    std::string message = "XML Parsing Error (line " + std::to_string(tLine) + ", position " +
                          std::to_string(tPosition) + ") " + text;
    XmlObject sofar(e_);  // written detached, as the element stands on its own
    sofar.AppendXml(message);
    throw std::runtime_error(message);
  }

  XmlObject& e_;
  const char* const begin_;
  const char* const end_;
  const XmlObject* const parent_;
  const bool lenient_;
  const bool headerOnly_;

  int commentDepth_ = 0;
  const char* start_ = nullptr;  // the element's '<'
  const char* nameStart_ = nullptr;
  const char* nameEnd_ = nullptr;
  bool tagClosed_ = false;
  const char* textStart_ = nullptr;
  bool textFixed_ = false;
  bool significant_ = false;
  const char* elementEnd_ = nullptr;
  // The attribute being read.
  const char* attrNameStart_ = nullptr;
  const char* attrNameEnd_ = nullptr;
  const char* equals_ = nullptr;
  const char* quote_ = nullptr;
  std::string attrName_;
};

std::size_t ParseElement(XmlObject& element, std::string_view text, const XmlObject* parent, bool lenient,
                         bool headerOnly) {
  if (text.data() == nullptr || text.empty()) return kNoElement;
  // The text ends at its first zero byte.
  const void* zero = std::memchr(text.data(), '\0', text.size());
  const char* end = zero != nullptr ? static_cast<const char*>(zero) : text.data() + text.size();
  XmlParser parser(element, text.data(), end, parent, lenient, headerOnly);
  const char* elementEnd = parser.Run();
  return elementEnd == nullptr ? kNoElement : static_cast<std::size_t>(elementEnd - text.data());
}

}  // namespace rb
