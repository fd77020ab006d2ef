#pragma once

// The layout of the NVRAM parts (serial EEPROMs) of the array controllers, their batteries and the
// enclosures: one definition for the tests that read and program them and for the simulated parts.
//
// Tagged records, from byte 0 of the part, one after the other:
//   byte 0   kind (kBinary: raw bytes; kText: characters)
//   byte 1   tag; 0 ends the list (an erased or zeroed part has no records)
//   byte 2   length n of the data
//   3..3+n   data
// A lookup names (kind, tag, delimiter). A record matches when kind and tag are equal and, for a
// delimiter other than 0, its data holds the delimiter; the field is the data after the first
// delimiter (all of it for delimiter 0). A record running past the end of the part ends the list.
//
// Checksum: the 8-bit sum of the upper half of the part (from size / 2 to the last byte) is 0; the
// part's last byte is the one a writer adjusts.
//
// Fields:
//   assembly code   kind kText, tag 13, "ASSY=" and four characters          lookup (1, 13, '=')
//   auto rev        kind kBinary, tag 14, three bytes                           lookup (0, 14, 0)
//   wellness log    kind kBinary, tag 13, ">" then four-byte entries: a three-letter header ("FBT", "SYS")
//                   and its status letter (S pass, P partial, F fail)         lookup (0, 13, '>')
//   FBT code, PIC code, test status   kind kBinary, tags 15, 16, 17, one byte each
//   PHY setting     kind kBinary, tag 18, the setting bytes
//   product name    kind kText, tag 19, its characters                        lookup (1, 19, 0)
//   serial number   kind kText, tag 20, its characters                        lookup (1, 20, 0)
//   board signature kind kBinary, tag 21, six bytes                           lookup (0, 21, 0)
//
// The local NVRAM header lives in controller part 128: the PCI vendor identifier at byte 0 and the
// device identifier at byte 2, both little-endian. That part's tagged records follow the header.
//
// Enclosure identity parts (enclosure buffers of 256 bytes; a writer seals the upper-half checksum):
//   chassis serial number (code 8)          its characters from byte 0, NUL-padded, at most 32; digits
//                                           and capital letters, the first four the configuration code
//   expander PHY attributes (codes 10, 11)  byte 0 the PHY count n, bytes 1..n one attribute per PHY
//   product identifier (code 12)            its characters from byte 0, NUL-padded, at most 16
//
// PHY setting files and flash files are text: hexadecimal byte values separated by white space, '#'
// starting a comment to the end of the line. A flash file is the part's image from byte 0.

#include <cstddef>
#include <cstdint>

namespace rb::nvramlayout {

inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kText = 1;

inline constexpr std::size_t kRecordHeader = 3;
inline constexpr std::uint8_t kEndTag = 0;

inline constexpr std::uint8_t kAssemblyTag = 13;
inline constexpr char kAssemblyDelimiter = '=';
inline constexpr std::size_t kAssemblyLength = 4;
inline constexpr std::uint8_t kAutoRevTag = 14;
inline constexpr std::size_t kAutoRevLength = 3;
inline constexpr std::uint8_t kWellnessTag = 13;
inline constexpr char kWellnessDelimiter = '>';
inline constexpr std::size_t kWellnessEntry = 4;
inline constexpr std::uint8_t kFbtCodeTag = 15;
inline constexpr std::uint8_t kPicCodeTag = 16;
inline constexpr std::uint8_t kTestStatusTag = 17;
inline constexpr std::uint8_t kPhySettingTag = 18;
inline constexpr std::uint8_t kProductNameTag = 19;
inline constexpr std::uint8_t kSerialNumberTag = 20;
inline constexpr std::uint8_t kBoardSignatureTag = 21;
inline constexpr std::size_t kBoardSignatureLength = 6;

inline constexpr std::uint8_t kChassisSerialCode = 8;
inline constexpr std::size_t kSerialMost = 32;
inline constexpr std::size_t kConfigCodeLength = 4;
inline constexpr std::uint8_t kFirstExpanderPhyCode = 10;
inline constexpr std::uint8_t kLastExpanderPhyCode = 11;
inline constexpr std::size_t kPhyCount = 0;
inline constexpr std::size_t kPhyAttributes = 1;
inline constexpr std::uint8_t kProductIdCode = 12;
inline constexpr std::size_t kProductIdMost = 16;

inline constexpr std::size_t kLocalVendorOffset = 0;
inline constexpr std::size_t kLocalDeviceOffset = 2;
inline constexpr std::size_t kLocalRecordsOffset = 4;

// The 8-bit sum of the upper half of a part.
inline std::uint8_t UpperHalfSum(const std::uint8_t* part, std::size_t size) {
  std::uint8_t sum = 0;
  for (std::size_t i = size / 2; i < size; ++i) sum = static_cast<std::uint8_t>(sum + part[i]);
  return sum;
}

// Sets the last byte so that the upper half sums to `target` (0 for a good part).
inline void SealChecksum(std::uint8_t* part, std::size_t size, std::uint8_t target = 0) {
  if (size < 2) return;
  part[size - 1] = 0;
  part[size - 1] = static_cast<std::uint8_t>(target - UpperHalfSum(part, size));
}

}  // namespace rb::nvramlayout
