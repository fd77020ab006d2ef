#pragma once

#include <array>
#include <cstdint>

namespace rb {

// Per-byte classification used by the parser and by SetAttribute.
inline constexpr std::uint8_t kXmlChar = 0x01;        // TAB, LF, CR and 32..254
inline constexpr std::uint8_t kXmlWhitespace = 0x02;  // TAB, LF, CR, SPACE

// The class bits of one byte: bytes 0-8, 11, 12, 14-31 and 255 are not XML characters; TAB, LF, CR and
// SPACE are whitespace.
constexpr std::uint8_t XmlByteClass(unsigned char b) {
  if (b == '\t' || b == '\n' || b == '\r' || b == ' ') return kXmlChar | kXmlWhitespace;
  return (b >= 32 && b <= 254) ? kXmlChar : 0;
}

// XmlByteClass of every byte, indexed by the unsigned byte value.
extern const std::array<std::uint8_t, 256> XmlCharClass;

inline bool IsXmlWhitespace(char c) { return XmlCharClass[static_cast<unsigned char>(c)] & kXmlWhitespace; }
inline bool IsXmlChar(char c) { return XmlCharClass[static_cast<unsigned char>(c)] & kXmlChar; }

}  // namespace rb
