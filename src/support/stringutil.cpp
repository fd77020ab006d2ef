#include "support/stringutil.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace rb {
namespace {
// Every byte, with the letters A to Z folded to a to z.
constexpr std::array<unsigned char, 256> kFolded = [] {
  std::array<unsigned char, 256> table{};
  for (std::size_t b = 0; b < table.size(); ++b) {
    table[b] = static_cast<unsigned char>((b >= 'A' && b <= 'Z') ? b + ('a' - 'A') : b);
  }
  return table;
}();

inline unsigned char Fold(char c) {
  return kFolded[static_cast<unsigned char>(c)];
}

bool SameFolded(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}
}  // namespace

int CompareNoCase(std::string_view a, std::string_view b, std::size_t n) {
  const std::size_t common = std::min({a.size(), b.size(), n});
  std::size_t i = 0;
  // Stretches that are equal as they stand are passed over eight bytes at a time.
  for (; i + 8 <= common; i += 8) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) break;
  }
  for (; i < common; ++i) {
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

bool SameBytesNoCase(const char* a, const char* b, std::size_t n) {
  // Eight bytes at a time; only words that differ as they stand are folded.
  for (; n >= 8; a += 8, b += 8, n -= 8) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    if (x != y && !SameFolded(a, b, 8)) return false;
  }
  return SameFolded(a, b, n);
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

int ToInt(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  long long value = 0;
  constexpr long long kLimit = static_cast<long long>(INT32_MAX) + 1;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    value = std::min(value * 10 + (text[at] - '0'), kLimit);
  if (negative) return static_cast<int>(-value);
  return static_cast<int>(std::min<long long>(value, INT32_MAX));
}

}  // namespace rb
