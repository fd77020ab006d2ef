#pragma once

// Texts taken from a controller's reply (names, serial numbers, firmware revisions). The reply is
// not trusted: a field is read only as far as the reply reaches, cut at its first NUL, and stripped of
// bytes that are not printable ASCII before it reaches a document or a file name.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rb {

// The text of the field of `size` bytes at `offset`, without leading and trailing blanks.
std::string ReplyText(const std::vector<std::uint8_t>& reply, std::size_t offset, std::size_t size);

}  // namespace rb
