#pragma once

#include <cstddef>
#include <string_view>

namespace rb {

// Byte-wise comparison with only the letters A to Z folded to lower case; no other byte is folded.
// Returns <0, 0 or >0. The second form compares at most n bytes.
int CompareNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b, std::size_t n);

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

}  // namespace rb
