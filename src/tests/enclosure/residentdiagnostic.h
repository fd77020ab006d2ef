#pragma once

// A controller-resident diagnostic as the enclosure tests run it: started, then its result read; the
// result's error code (byte 1), 0 when it passed.

#include <cstdint>

namespace rb {

class CissDevice;

// The bracket LED blink and the extended SAS write/read/compare without a TED board (group, code).
inline constexpr std::uint8_t kLedDiagnosticGroup = 5;
inline constexpr std::uint16_t kBracketLedBlink = 1;
inline constexpr std::uint8_t kSasDiagnosticGroup = 8;
inline constexpr std::uint16_t kExtendedSasNoTed = 64;
// The extended SAS diagnostic's code for data that did not compare; other codes are its firmware's.
inline constexpr std::uint8_t kMiscompare = 1;

std::uint8_t RunResidentDiagnostic(CissDevice& controller, std::uint8_t group, std::uint16_t code);

}  // namespace rb
