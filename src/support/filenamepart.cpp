#include "support/filenamepart.h"

namespace rb {
namespace {

bool KeptInFileName(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

}  // namespace

std::string SafeFileNamePart(std::string_view text) {
  if (text.empty()) return "unknown";
  std::string part(text.substr(0, kMaxFileNamePart));
  for (char& c : part)
    if (!KeptInFileName(c)) c = '_';
  return part;
}

}  // namespace rb
