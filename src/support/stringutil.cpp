#include "support/stringutil.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

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

std::string StringPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int needed = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out;
  if (needed > 0) {
    out.resize(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(out.data(), out.size(), format, again);
    out.resize(static_cast<std::size_t>(needed));
  }
  va_end(again);
  return out;
}

std::string Trim(std::string_view text, std::size_t n) {
  if (n != 0 && n < text.size()) text = text.substr(0, n);
  auto blank = [](char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace rb
