#pragma once

// The bus and target of a CISS physical LUN address. The first four bytes are read as a little-endian
// word whose top two bits are the addressing mode: modes 0 to 2 keep the bus in bits 24-29 and the
// target in the low 16 bits, mode 3 keeps the target in byte 6 and the bus in byte 7's low six bits.

#include <array>
#include <cstdint>

#include "controllers/arraylayouts.h"

namespace rb {

struct CissLunAddress {
  std::uint8_t bus;
  std::uint16_t target;
};

inline constexpr CissLunAddress DecodePhysicalLun(const std::array<std::uint8_t, 8>& lun) {
  const std::uint32_t word = arraylayout::Get32(lun.data(), 0);
  if (word >> 30 == 3) return {static_cast<std::uint8_t>(lun[7] & 0x3F), lun[6]};
  return {static_cast<std::uint8_t>(word >> 24 & 0x3F), static_cast<std::uint16_t>(word & 0xFFFF)};
}

}  // namespace rb
