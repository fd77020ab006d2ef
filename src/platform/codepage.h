#pragma once

// Character-set conversion where the component needs one: system texts of a Japanese Windows come in
// code page 932 and go out in UTF-8.

#include <string>

namespace os {

// The text converted from code page 932 (Shift JIS) to UTF-8; unchanged when it cannot be converted.
std::string CodePage932ToUtf8(const std::string& text);

}  // namespace os
