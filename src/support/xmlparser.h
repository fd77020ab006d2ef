#pragma once

#include <cstddef>
#include <string_view>

namespace rb {

class XmlObject;

// Parses exactly one element (with everything nested in it) from `text` into `element` and answers
// the offset just after the element's last '>', or npos when the text holds no element. The text
// ends at its end or at its first zero byte. `parent` is the element being parsed that contains this
// one, null for a root (a root parse restarts the line and position counters of error messages).
// `lenient` accepts any attribute name (filters); `headerOnly` keeps only a root's name and attributes.
// Syntax errors raise std::runtime_error("XML Parsing Error (line L, position P) ..."), and so does an
// element nested more than 256 levels below the root ("Elements nested too deeply").
inline constexpr std::size_t kNoElement = static_cast<std::size_t>(-1);
std::size_t ParseElement(XmlObject& element, std::string_view text, const XmlObject* parent, bool lenient,
                         bool headerOnly);

}  // namespace rb
