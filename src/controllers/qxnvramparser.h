#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace rb {

// Finds the tagged fields of an NVRAM part's bytes (the record format of nvramlayout.h)
// by kind, tag and delimiter.
class QXNvramParser {
 public:
  explicit QXNvramParser(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

  // Copies at most `length` bytes of the field into `out` and answers the field's length; 0 when the
  // part has no such field.
  std::size_t Find(std::uint8_t kind, std::uint8_t tag, char delimiter, std::uint8_t* out,
                   std::size_t length) const;
  // Where the field starts in the part, for writing it back; empty when the part has no such field.
  std::optional<std::size_t> Offset(std::uint8_t kind, std::uint8_t tag, char delimiter,
                                    std::size_t* fieldLength = nullptr) const;

 private:
  std::vector<std::uint8_t> data_;
};

}  // namespace rb
