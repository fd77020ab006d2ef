#include "support/stringutil.h"

#include <algorithm>

namespace rb {
namespace {
inline unsigned char Fold(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + ('a' - 'A')) : b;
}
}  // namespace

int CompareNoCase(std::string_view a, std::string_view b, std::size_t n) {
  const std::size_t common = std::min({a.size(), b.size(), n});
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = Fold(a[i]);
    const unsigned char y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (common == n) return 0;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  return CompareNoCase(a, b, std::string_view::npos);
}

}  // namespace rb
