#include "platform/smbiostable.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace os {

namespace {
constexpr std::uint8_t kEndOfTable = 127;
constexpr std::uint8_t kHeaderLength = 4;
}  // namespace

void SmbiosTableBuilder::Structure::SetByte(std::uint8_t offset, std::uint8_t value) {
  if (offset < kHeaderLength || offset >= formatted_.size())
    throw std::out_of_range("SMBIOS field offset " + std::to_string(offset) + " outside the structure");
  formatted_[offset] = value;
}

void SmbiosTableBuilder::Structure::SetWord(std::uint8_t offset, std::uint16_t value) {
  SetByte(offset, static_cast<std::uint8_t>(value));
  SetByte(static_cast<std::uint8_t>(offset + 1), static_cast<std::uint8_t>(value >> 8));
}

void SmbiosTableBuilder::Structure::SetString(std::uint8_t offset, const std::string& text) {
  // A string of the table ends at its first zero byte, and the table allows 255 strings at most.
  const std::string stored = text.substr(0, text.find('\0'));
  if (stored.empty() || strings_.size() >= 255) {
    SetByte(offset, 0);
    return;
  }
  strings_.push_back(stored);
  SetByte(offset, static_cast<std::uint8_t>(strings_.size()));
}

SmbiosTableBuilder::Structure& SmbiosTableBuilder::Add(std::uint8_t type, std::uint16_t handle,
                                                       std::uint8_t length) {
  if (length < kHeaderLength) throw std::invalid_argument("an SMBIOS structure is at least 4 bytes long");
  Structure& added = structures_.emplace_back();
  added.formatted_.assign(length, 0);
  added.formatted_[0] = type;
  added.formatted_[1] = length;
  added.formatted_[2] = static_cast<std::uint8_t>(handle);
  added.formatted_[3] = static_cast<std::uint8_t>(handle >> 8);
  return added;
}

std::vector<std::uint8_t> WithRawSmbiosHeader(std::uint8_t majorVersion, std::uint8_t minorVersion,
                                              std::uint8_t dmiRevision, const std::string& table) {
  win::RawSmbiosDataHeader header{};
  header.majorVersion = majorVersion;
  header.minorVersion = minorVersion;
  header.dmiRevision = dmiRevision;
  header.length = static_cast<win::DWORD>(table.size());
  std::vector<std::uint8_t> raw(sizeof header + table.size());
  std::memcpy(raw.data(), &header, sizeof header);
  std::memcpy(raw.data() + sizeof header, table.data(), table.size());
  return raw;
}

std::vector<std::uint8_t> SmbiosTableBuilder::RawSmbiosData(std::uint8_t majorVersion,
                                                            std::uint8_t minorVersion) const {
  std::string table;
  auto append = [&table](const Structure& structure) {
    table.append(structure.formatted_.begin(), structure.formatted_.end());
    // The string set: each string with its zero, then one more zero; without strings, two zeros.
    for (const std::string& text : structure.strings_) {
      table.append(text);
      table.push_back('\0');
    }
    if (structure.strings_.empty()) table.push_back('\0');
    table.push_back('\0');
  };
  std::uint16_t lastHandle = 0;
  for (const Structure& structure : structures_) {
    append(structure);
    lastHandle = std::max<std::uint16_t>(
        lastHandle, static_cast<std::uint16_t>(structure.formatted_[2] | structure.formatted_[3] << 8));
  }
  Structure end;
  end.formatted_ = {kEndOfTable, kHeaderLength, static_cast<std::uint8_t>(lastHandle + 1),
                    static_cast<std::uint8_t>((lastHandle + 1) >> 8)};
  append(end);
  return WithRawSmbiosHeader(majorVersion, minorVersion, 0, table);
}

win::DWORD CopyFirmwareTable(const std::vector<std::uint8_t>& table, void* buffer, win::DWORD size,
                             win::DWORD& error) {
  const auto needed = static_cast<win::DWORD>(table.size());
  if (buffer == nullptr || size < needed) {
    error = win::ERROR_INSUFFICIENT_BUFFER;
    return needed;
  }
  std::memcpy(buffer, table.data(), table.size());
  error = win::ERROR_SUCCESS;
  return needed;
}

}  // namespace os
