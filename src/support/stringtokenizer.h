#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rb {

// Splits a text at any of a set of single-character delimiters. Runs of delimiters never produce empty
// tokens; the last delimiter skipped is remembered.
class StringTokenizer {
 public:
  StringTokenizer(std::string text, std::string delimiters);
  virtual ~StringTokenizer() = default;

  // The text up to the next delimiter or the end; the empty string at the end.
  std::string NextToken();
  // The text from the current position to the end.
  std::string Remainder() const { return text_.substr(position_); }
  // The last delimiter character skipped, 0 when the last skip passed none.
  char LastDelimiter() const { return lastDelimiter_; }

 private:
  void SkipDelimiters();

  std::uint64_t position_ = 0;
  std::string text_;
  std::string delimiters_;
  char lastDelimiter_ = 0;
};

}  // namespace rb
