#pragma once

// SMBIOS structure tables built from parts, for backends that have no raw table of their own to hand
// out (the simulated machine, a Linux system whose raw table is not readable), and the copy rules of
// GetSystemFirmwareTable.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace os {

class SmbiosTableBuilder {
 public:
  // One structure: the formatted area (header included) and its strings, numbered from 1 in order.
  class Structure {
   public:
    void SetByte(std::uint8_t offset, std::uint8_t value);
    void SetWord(std::uint8_t offset, std::uint16_t value);
    // Stores the text as the next string and its number at `offset`; an empty text is "no string" (0).
    void SetString(std::uint8_t offset, const std::string& text);

   private:
    friend class SmbiosTableBuilder;
    std::vector<std::uint8_t> formatted_;
    std::vector<std::string> strings_;
  };

  // Appends a structure of that type and handle whose formatted area is `length` bytes (at least the
  // 4-byte header), zero-filled. The reference stays valid until the next Add.
  Structure& Add(std::uint8_t type, std::uint16_t handle, std::uint8_t length);
  bool Empty() const { return structures_.empty(); }

  // The structures followed by an end-of-table structure (type 127), behind a RawSmbiosDataHeader of
  // that version.
  std::vector<std::uint8_t> RawSmbiosData(std::uint8_t majorVersion, std::uint8_t minorVersion) const;

 private:
  std::vector<Structure> structures_;
};

// A RawSmbiosDataHeader of that version and the length of `table`, followed by the table.
std::vector<std::uint8_t> WithRawSmbiosHeader(std::uint8_t majorVersion, std::uint8_t minorVersion,
                                              std::uint8_t dmiRevision, const std::string& table);

// Answers a firmware table the way GetSystemFirmwareTable does: copies it when `size` holds it and
// answers its length; otherwise answers the length needed and sets `error` to ERROR_INSUFFICIENT_BUFFER.
win::DWORD CopyFirmwareTable(const std::vector<std::uint8_t>& table, void* buffer, win::DWORD size,
                             win::DWORD& error);

}  // namespace os
