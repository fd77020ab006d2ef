#include "controllers/replytext.h"

#include <algorithm>

#include "support/stringutil.h"

namespace rb {

std::string ReplyText(const std::vector<std::uint8_t>& reply, std::size_t offset, std::size_t size) {
  if (offset >= reply.size()) return {};
  const std::size_t end = offset + std::min(size, reply.size() - offset);
  std::string text;
  for (std::size_t at = offset; at < end && reply[at] != 0; ++at)
    if (reply[at] >= 0x20 && reply[at] < 0x7F) text.push_back(static_cast<char>(reply[at]));
  return Trim(text);
}

}  // namespace rb
