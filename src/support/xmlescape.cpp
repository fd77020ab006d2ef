#include "support/xmlescape.h"


namespace rb {
namespace {
// Appends `in` to `out`, replacing the bytes that need a reference; `quote` also escapes '"'.
void Escape(std::string_view in, std::string& out, bool quote) {
  out.reserve(out.size() + in.size());
  std::size_t run = 0;  // start of the pending run of bytes written unchanged
  for (std::size_t i = 0; i < in.size(); ++i) {
    const char* ref = nullptr;
    switch (in[i]) {
      case '\t': ref = "&#09;"; break;
      case '\n': ref = "&#10;"; break;
      case '\r': ref = "&#13;"; break;
      case '&': ref = "&amp;"; break;
      case '<': ref = "&lt;"; break;
      case '>': ref = "&gt;"; break;
      case '"': ref = quote ? "&quot;" : nullptr; break;
      default: break;
    }
    if (ref == nullptr) continue;
    out.append(in.data() + run, i - run);
    out.append(ref);
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

void XmlEscapeText(std::string_view in, std::string& out) { Escape(in, out, false); }
void XmlEscapeAttribute(std::string_view in, std::string& out) { Escape(in, out, true); }

std::string XmlEscapeText(std::string_view in) {
  std::string out;
  Escape(in, out, false);
  return out;
}

std::string XmlEscapeAttribute(std::string_view in) {
  std::string out;
  Escape(in, out, true);
  return out;
}

std::string XmlUnescape(std::string_view in) {
  const std::size_t first = in.find('&');
  if (first == std::string_view::npos) return std::string(in);
  std::string out(in.substr(0, first));
  out.reserve(in.size());
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
      if (rest.substr(0, ref.text.size()) == ref.text) {
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
