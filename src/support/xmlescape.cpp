#include "support/xmlescape.h"

#include <array>
#include <cstdint>

namespace rb {
namespace {
// Which bytes Escape replaces: in text and attribute values, and in attribute values only.
enum : std::uint8_t { kEscapedInText = 0x01, kEscapedInAttribute = 0x02 };

constexpr std::array<std::uint8_t, 256> kEscaped = [] {
  std::array<std::uint8_t, 256> table{};
  for (const char c : {'\t', '\n', '\r', '&', '<', '>'}) {
    table[static_cast<unsigned char>(c)] = kEscapedInText | kEscapedInAttribute;
  }
  table[static_cast<unsigned char>('"')] = kEscapedInAttribute;
  return table;
}();

const char* ReferenceFor(char c) {
  switch (c) {
    case '\t':
      return "&#09;";
    case '\n':
      return "&#10;";
    case '\r':
      return "&#13;";
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    default:
      return "&quot;";
  }
}

// Appends `in` to `out`, replacing the bytes of the `which` class by references.
void Escape(std::string_view in, std::string& out, std::uint8_t which) {
  std::size_t run = 0;  // start of the pending run of bytes written unchanged
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (!(kEscaped[static_cast<unsigned char>(in[i])] & which)) continue;
    out.append(in.data() + run, i - run);
    out.append(ReferenceFor(in[i]));
    run = i + 1;
  }
  out.append(in.data() + run, in.size() - run);
}

struct Reference {
  std::string_view text;
  char byte;
};
// Tested in this order, with exact case.
constexpr Reference kReferences[] = {
    {"&lt;", '<'},    {"&gt;", '>'},    {"&amp;", '&'},   {"&apos;", '\''},
    {"&quot;", '"'}, {"&#10;", '\n'}, {"&#13;", '\r'}, {"&#09;", '\t'},
};
}  // namespace

void XmlEscapeText(std::string_view in, std::string& out) {
  Escape(in, out, kEscapedInText);
}
void XmlEscapeAttribute(std::string_view in, std::string& out) {
  Escape(in, out, kEscapedInAttribute);
}

std::string XmlEscapeText(std::string_view in) {
  std::string out;
  Escape(in, out, kEscapedInText);
  return out;
}

std::string XmlEscapeAttribute(std::string_view in) {
  std::string out;
  Escape(in, out, kEscapedInAttribute);
  return out;
}

std::string XmlUnescape(std::string_view in) {
  const std::size_t first = in.find('&');
  if (first == std::string_view::npos) return std::string(in);
  std::string out;
  out.reserve(in.size());
  out.append(in.substr(0, first));
  std::size_t i = first;
  while (i < in.size()) {
    if (in[i] != '&') {
      const std::size_t next = in.find('&', i);
      const std::size_t end = next == std::string_view::npos ? in.size() : next;
      out.append(in.data() + i, end - i);
      i = end;
      continue;
    }
    const std::string_view rest = in.substr(i);
    const Reference* hit = nullptr;
    for (const Reference& ref : kReferences) {
      // The byte after '&' tells most references apart before the full comparison.
      if (rest.size() >= ref.text.size() && rest[1] == ref.text[1] && rest.starts_with(ref.text)) {
        hit = &ref;
        break;
      }
    }
    if (hit != nullptr) {
      out.push_back(hit->byte);
      i += hit->text.size();
    } else {
      out.push_back('&');
      ++i;
    }
  }
  return out;
}

}  // namespace rb
