#pragma once

#include <string>
#include <string_view>

namespace rb {

// Character data: TAB, LF, CR, '&', '<', '>' become references; quotes stay as they are.
void XmlEscapeText(std::string_view in, std::string& out);
// Attribute values: as for text, and '"' becomes "&quot;" (the apostrophe stays).
void XmlEscapeAttribute(std::string_view in, std::string& out);
std::string XmlEscapeText(std::string_view in);
std::string XmlEscapeAttribute(std::string_view in);

// Replaces exactly the eight references &lt; &gt; &amp; &apos; &quot; &#10; &#13; &#09; (exact case);
// every other ampersand is kept. Scanning resumes after each replacement, so "&amp;lt;" yields "&lt;".
std::string XmlUnescape(std::string_view in);

}  // namespace rb
