#include "devices/ata/ataidentify.h"

#include <algorithm>
#include <cstring>

namespace rb {

namespace {

// Words 0 and FFFFh mean the drive does not report the field.
bool Reported(std::uint16_t word) {
  return word != 0 && word != 0xFFFF;
}

int HighestBit(unsigned bits) {
  for (int bit = 7; bit >= 0; --bit)
    if (bits & (1u << bit)) return bit;
  return -1;
}

}  // namespace

AtaIdentify::AtaIdentify(const std::uint8_t* bytes) {
  std::memcpy(bytes_.data(), bytes, kBytes);
}

bool AtaIdentify::Present() const {
  return std::any_of(bytes_.begin(), bytes_.end(), [](std::uint8_t byte) { return byte != 0; });
}

std::uint16_t AtaIdentify::Word(std::size_t index) const {
  if (index >= kBytes / 2) return 0;
  return static_cast<std::uint16_t>(bytes_[2 * index] | bytes_[2 * index + 1] << 8);
}

std::string AtaIdentify::Text(std::size_t firstWord, std::size_t words) const {
  std::string text;
  for (std::size_t word = firstWord; word < firstWord + words; ++word) {
    // Each word holds two characters, the first in its high byte; some drives pad with NULs.
    for (const std::uint8_t byte : {bytes_[2 * word + 1], bytes_[2 * word]})
      text += byte == 0 ? ' ' : byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '_';
  }
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string AtaIdentify::Model() const {
  return Text(27, 20);
}

std::string AtaIdentify::Firmware() const {
  const std::string text = Text(23, 4);
  return text.substr(std::min(text.size(), text.find_first_not_of(' ')));
}

std::string AtaIdentify::Serial() const {
  const std::string text = Text(10, 10);
  return text.substr(std::min(text.size(), text.find_first_not_of(' ')));
}

bool AtaIdentify::IsPacketDevice() const {
  return (Word(0) & 0xC000) == 0x8000;
}

int AtaIdentify::PacketDeviceType() const {
  return IsPacketDevice() ? (Word(0) >> 8) & 0x1F : -1;
}

bool AtaIdentify::RemovableMedia() const {
  return (Word(0) & 0x0080) != 0;
}

std::uint64_t AtaIdentify::Sectors() const {
  // Word 83 bit 10 (with bit 14 set and bit 15 clear, the word is valid): the 48-bit address feature set.
  const std::uint16_t commandSets = Word(83);
  if ((commandSets & 0xC000) == 0x4000 && (commandSets & 0x0400) != 0) {
    std::uint64_t sectors = 0;
    for (int word = 103; word >= 100; --word) sectors = sectors << 16 | Word(word);
    if (sectors != 0) return sectors;
  }
  return std::uint64_t{Word(61)} << 16 | Word(60);
}

std::uint32_t AtaIdentify::SectorBytes() const {
  const std::uint16_t sizes = Word(106);
  if ((sizes & 0xC000) == 0x4000 && (sizes & 0x1000) != 0) {
    const std::uint32_t words = static_cast<std::uint32_t>(Word(118)) << 16 | Word(117);
    if (words >= 256) return words * 2;
  }
  return 512;
}

bool AtaIdentify::DmaSupported() const {
  return (Word(49) & 0x0100) != 0;
}

int AtaIdentify::HighestMultiwordDma() const {
  if (!Reported(Word(63))) return -1;
  return HighestBit(Word(63) & 0x07);
}

int AtaIdentify::HighestUltraDma() const {
  if ((Word(53) & 0x0004) == 0 || !Reported(Word(88))) return -1;
  return HighestBit(Word(88) & 0x7F);
}

int AtaIdentify::SelectedUltraDma() const {
  if ((Word(53) & 0x0004) == 0 || !Reported(Word(88))) return -1;
  return HighestBit((Word(88) >> 8) & 0x7F);
}

bool AtaIdentify::SmartSupported() const {
  return Reported(Word(82)) && (Word(82) & 0x0001) != 0;
}

bool AtaIdentify::SmartEnabled() const {
  return Reported(Word(85)) && (Word(85) & 0x0001) != 0;
}

}  // namespace rb
