#include "support/xmlfilter.h"


#include "support/stringutil.h"
#include "support/xmlobject.h"
#include "support/xmlparser.h"

namespace rb {

struct XmlFilter::Condition {
  enum class Kind {
    kAttrMatches,
    kAttrContains,
    kAttrDiffers,
    kAttrPresent,
    kProperty,  // a property child passing `property`
    kChildMatches,
    kChildContains,
    kChildLacks,
    kChildPresent,
  };
  Kind kind;
  std::string target;
  std::string value;
  std::unique_ptr<XmlFilter> property;  // "@name='t' @value='v'" and its variants
};

namespace {
char AsciiLowerByte(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLowerByte(c);
  return out;
}

bool Contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}

// Whether the haystack with A to Z lower-cased contains the needle, which is lower-cased already.
bool ContainsFolded(std::string_view haystack, std::string_view loweredNeedle) {
  for (std::size_t at = 0; at + loweredNeedle.size() <= haystack.size(); ++at) {
    std::size_t i = 0;
    while (i < loweredNeedle.size() && AsciiLowerByte(haystack[at + i]) == loweredNeedle[i]) ++i;
    if (i == loweredNeedle.size()) return true;
  }
  return false;
}

// The value of the node's attribute, empty when it has none (no copy).
std::string_view AttributeOrEmpty(const XmlObject& node, std::string_view name) {
  const XmlAttribute* a = node.FindAttribute(name);
  return a != nullptr ? std::string_view(a->value) : std::string_view();
}
}  // namespace

XmlFilter::XmlFilter(std::string_view filter) {
  if (filter.empty()) return;
  if (filter.find('=') == std::string_view::npos) {
    mode_ = Mode::kTextEquals;
    text_ = filter;
    return;
  }
  mode_ = Mode::kConditions;
  std::string text = "<filter ";
  text.append(filter);
  text.append("/>");
  XmlObject parsed;
  ParseElement(parsed, text, nullptr, /*lenient=*/true, /*headerOnly=*/false);

  using Kind = Condition::Kind;
  for (const XmlAttribute& a : parsed.Attributes()) {
    const std::string_view n = a.name;
    Condition c{Kind::kChildMatches, {}, a.value, nullptr};
    auto take = [&](std::size_t prefix, Kind kind) {
      c.kind = kind;
      c.target = n.substr(prefix);
    };
    auto property = [&](std::string_view valueTest) {
      c.kind = Kind::kProperty;
      std::string sub = "@name='";
      sub.append(c.target).append("'");
      if (!valueTest.empty()) sub.append(" ").append(valueTest).append("='").append(c.value).append("'");
      c.property = std::make_unique<XmlFilter>(sub);
    };
    if (n.starts_with("@#")) {
      take(2, Kind::kAttrContains);
      c.value = AsciiLower(c.value);
    } else if (n.starts_with("@!")) {
      take(2, Kind::kAttrDiffers);
    } else if (n.starts_with("@*")) {
      take(2, Kind::kAttrPresent);
    } else if (n.starts_with("@")) {
      take(1, Kind::kAttrMatches);
    } else if (n.starts_with("$#")) {
      take(2, Kind::kProperty);
      property("@#value");
    } else if (n.starts_with("$!")) {
      take(2, Kind::kProperty);
      property("@!value");
    } else if (n.starts_with("$*")) {
      take(2, Kind::kProperty);
      property("");
    } else if (n.starts_with("$")) {
      take(1, Kind::kProperty);
      property("@value");
    } else if (n.starts_with("#")) {
      take(1, Kind::kChildContains);
    } else if (n.starts_with("!")) {
      take(1, Kind::kChildLacks);
    } else if (n.starts_with("*")) {
      take(1, Kind::kChildPresent);
    } else {
      take(0, Kind::kChildMatches);
    }
    conditions_.push_back(std::move(c));
  }
}

XmlFilter::~XmlFilter() = default;
XmlFilter::XmlFilter(XmlFilter&&) noexcept = default;
XmlFilter& XmlFilter::operator=(XmlFilter&&) noexcept = default;

bool XmlFilter::Matches(const XmlObject& node) const {
  switch (mode_) {
    case Mode::kAll: return true;
    case Mode::kTextEquals: return node.Text() == text_;
    case Mode::kConditions: break;
  }
  using Kind = Condition::Kind;
  for (const Condition& c : conditions_) {
    bool holds = false;
    switch (c.kind) {
      case Kind::kAttrMatches:
        holds = EqualsNoCase(AttributeOrEmpty(node, c.target), c.value);
        break;
      case Kind::kAttrContains:
        holds = ContainsFolded(AttributeOrEmpty(node, c.target), c.value);
        break;
      case Kind::kAttrDiffers:
        holds = !EqualsNoCase(AttributeOrEmpty(node, c.target), c.value);
        break;
      case Kind::kAttrPresent:
        holds = node.FindAttribute(c.target) != nullptr;
        break;
      case Kind::kProperty:
        for (const XmlObject& child : node.Children()) {
          if (EqualsNoCase(child.Name(), "property") && c.property->Matches(child)) {
            holds = true;
            break;
          }
        }
        break;
      case Kind::kChildMatches:
      case Kind::kChildContains:
      case Kind::kChildLacks:
      case Kind::kChildPresent: {
        bool any = false;
        for (const XmlObject& child : node.Children()) {
          if (!EqualsNoCase(child.Name(), c.target)) continue;
          any = true;
          if (c.kind == Kind::kChildMatches) holds = EqualsNoCase(child.Text(), c.value);
          if (c.kind == Kind::kChildContains) holds = Contains(child.Text(), c.value);
          if (c.kind == Kind::kChildLacks) holds = !Contains(child.Text(), c.value);
          if (c.kind == Kind::kChildPresent) holds = true;
          if (holds) break;
        }
        if (c.kind == Kind::kChildLacks && !any) holds = true;
        break;
      }
    }
    if (!holds) return false;
  }
  return true;
}

}  // namespace rb
