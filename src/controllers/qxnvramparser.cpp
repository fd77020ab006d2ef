#include "controllers/qxnvramparser.h"

#include <algorithm>
#include <cstring>

#include "controllers/nvramlayout.h"

namespace rb {

namespace layout = nvramlayout;

std::optional<std::size_t> QXNvramParser::Offset(std::uint8_t kind, std::uint8_t tag, char delimiter,
                                                 std::size_t* fieldLength) const {
  std::size_t at = 0;
  while (at + layout::kRecordHeader <= data_.size() && data_[at + 1] != layout::kEndTag) {
    const std::size_t start = at + layout::kRecordHeader;
    const std::size_t end = start + data_[at + 2];
    if (end > data_.size()) break;
    if (data_[at] == kind && data_[at + 1] == tag) {
      std::size_t field = start;
      if (delimiter != 0) {
        const auto found =
            std::find(data_.begin() + static_cast<std::ptrdiff_t>(start),
                      data_.begin() + static_cast<std::ptrdiff_t>(end), static_cast<std::uint8_t>(delimiter));
        field = static_cast<std::size_t>(found - data_.begin()) + 1;
      }
      if (field <= end) {
        if (fieldLength != nullptr) *fieldLength = end - field;
        return field;
      }
    }
    at = end;
  }
  return std::nullopt;
}

std::size_t QXNvramParser::Find(std::uint8_t kind, std::uint8_t tag, char delimiter, std::uint8_t* out,
                                std::size_t length) const {
  std::size_t fieldLength = 0;
  const std::optional<std::size_t> at = Offset(kind, tag, delimiter, &fieldLength);
  if (!at) return 0;
  if (out != nullptr) std::memcpy(out, data_.data() + *at, std::min(length, fieldLength));
  return fieldLength;
}

}  // namespace rb
