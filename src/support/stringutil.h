#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rb {

// Byte-wise comparison with only the letters A to Z folded to lower case; no other byte is folded.
// Returns <0, 0 or >0. The second form compares at most n bytes.
int CompareNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b, std::size_t n);

// Whether the n bytes at a and at b are the same with A to Z folded to lower case.
bool SameBytesNoCase(const char* a, const char* b, std::size_t n);

// CompareNoCase(a, b) == 0.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && SameBytesNoCase(a.data(), b.data(), a.size());
}

// printf-style formatting into a string of exactly the needed length.
std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The first n bytes of the text (all of it when n is 0) without leading and trailing TAB, LF, CR and
// SPACE; bytes of 128 and above are never removed.
std::string Trim(std::string_view text, std::size_t n = 0);

// The integer at the start of the text, read as atoi reads it: leading whitespace, an optional sign,
// decimal digits, the rest ignored; 0 when there is no number. Values beyond int saturate.
int ToInt(std::string_view text);

}  // namespace rb
