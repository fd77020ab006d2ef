#include "support/stringtokenizer.h"

namespace rb {

StringTokenizer::StringTokenizer(std::string text, std::string delimiters)
    : text_(std::move(text)), delimiters_(std::move(delimiters)) {
  SkipDelimiters();
}

void StringTokenizer::SkipDelimiters() {
  lastDelimiter_ = 0;
  while (position_ < text_.size() && delimiters_.find(text_[position_]) != std::string::npos)
    lastDelimiter_ = text_[position_++];
}

std::string StringTokenizer::NextToken() {
  if (position_ >= text_.size()) return {};
  std::size_t end = text_.find_first_of(delimiters_, position_);
  if (end == std::string::npos) end = text_.size();
  std::string token = text_.substr(position_, end - position_);
  position_ = end;
  SkipDelimiters();
  return token;
}

}  // namespace rb
