#include "framework/hexparameter.h"

#include <cctype>

namespace rb {

void HexParameter::SetValue(const std::string& text) {
  if (text.size() > 8) RejectValue(Name() + ": more than eight hexadecimal digits");
  for (const char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0) RejectValue(Name() + ": not hexadecimal: " + text);
  StringParameter::SetValue(text);
}

std::uint32_t HexParameter::Parse(const std::string& digits) {
  std::uint32_t value = 0;
  for (const char c : digits) {
    const int digit = std::isdigit(static_cast<unsigned char>(c)) != 0
                          ? c - '0'
                          : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

}  // namespace rb
