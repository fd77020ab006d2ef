#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace rb {

// A drive's IDENTIFY DEVICE or IDENTIFY PACKET DEVICE data (256 little-endian words, as the published
// ATA layout places them) and what the component reads from it. Identification strings are taken from
// their fixed word ranges only, NUL padding reads as blanks and other bytes that are not printable
// ASCII read as '_', so that nothing a
// drive answers can break a document or a file name.
class AtaIdentify {
 public:
  static constexpr std::size_t kBytes = 512;

  AtaIdentify() = default;
  explicit AtaIdentify(const std::uint8_t* bytes);

  // Whether identify data was read (all zero is what a drive that never answered leaves).
  bool Present() const;
  std::uint16_t Word(std::size_t index) const;
  const std::uint8_t* Bytes() const { return bytes_.data(); }
  std::uint8_t* MutableBytes() { return bytes_.data(); }

  // Words 27-46, 23-26 and 10-19: byte pairs swapped; the model loses its trailing blanks, firmware
  // and serial number their leading and trailing ones.
  std::string Model() const;
  std::string Firmware() const;
  std::string Serial() const;

  // Word 0: bit 15 set for a packet (ATAPI) device, bits 8-12 its command set (5 CD/DVD), bit 7 a
  // removable medium.
  bool IsPacketDevice() const;
  int PacketDeviceType() const;
  bool RemovableMedia() const;
  // The user-addressable sectors (words 100-103 when the 48-bit feature set is on, else 60-61) and
  // the logical sector's bytes (words 117-118 when word 106 says it is longer than 256 words).
  std::uint64_t Sectors() const;
  std::uint32_t SectorBytes() const;

  // Word 49 bit 8: the drive does DMA. Word 63: the highest multiword DMA mode supported (-1: none).
  // Word 88 (valid when word 53 bit 2 is set): the highest Ultra DMA mode supported and the one
  // selected (-1: none).
  bool DmaSupported() const;
  int HighestMultiwordDma() const;
  int HighestUltraDma() const;
  int SelectedUltraDma() const;
  // Words 82 and 85 bit 0: the SMART feature set is supported and enabled.
  bool SmartSupported() const;
  bool SmartEnabled() const;

 private:
  std::string Text(std::size_t firstWord, std::size_t words) const;

  std::array<std::uint8_t, kBytes> bytes_{};
};

}  // namespace rb
