#pragma once

#include <cstdint>

namespace rb {

// Per-byte classification used by the parser and by SetAttribute.
inline constexpr std::uint8_t kXmlChar = 0x01;        // TAB, LF, CR and 32..254
inline constexpr std::uint8_t kXmlWhitespace = 0x02;  // TAB, LF, CR, SPACE

extern const std::uint8_t XmlCharClass[256];

inline bool IsXmlWhitespace(char c) { return XmlCharClass[static_cast<unsigned char>(c)] & kXmlWhitespace; }
inline bool IsXmlChar(char c) { return XmlCharClass[static_cast<unsigned char>(c)] & kXmlChar; }

}  // namespace rb
