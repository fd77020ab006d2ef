#pragma once

// One SCSI command as a simulated logical unit receives it from a port: the CDB, the data buffer
// (read from for data out, written to for data in) and what the unit answers.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace os {

struct SimScsiCommand {
  const std::uint8_t* cdb = nullptr;
  std::size_t cdbLength = 0;
  bool dataIn = false;
  std::uint8_t* data = nullptr;
  std::size_t dataLength = 0;

  // The answer: the status byte, fixed-format sense data for a CHECK CONDITION, and the count of
  // bytes moved.
  std::uint8_t status = 0;
  std::vector<std::uint8_t> sense;
  std::size_t transferred = 0;

  std::uint8_t Opcode() const { return cdbLength > 0 ? cdb[0] : 0; }
  std::uint8_t Byte(std::size_t i) const { return i < cdbLength ? cdb[i] : 0; }
  std::uint64_t BigEndian(std::size_t offset, std::size_t count) const {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = value << 8 | Byte(offset + i);
    return value;
  }
  // Copies an answer of `count` bytes into the data buffer, cut to the buffer and to `allocation`.
  void Answer(const std::uint8_t* bytes, std::size_t count, std::size_t allocation);
  void Answer(const std::vector<std::uint8_t>& bytes, std::size_t allocation) {
    Answer(bytes.data(), bytes.size(), allocation);
  }
  // The READ CAPACITY(10) or, with `sixteen`, READ CAPACITY(16) answer of a medium of `blocks` blocks.
  void AnswerReadCapacity(std::uint64_t blocks, std::uint32_t blockSize, bool sixteen);
  // CHECK CONDITION with fixed-format sense; `specific` sets SKSV and bytes 16-17 when not negative.
  void CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq, long specific = -1);
};

}  // namespace os
