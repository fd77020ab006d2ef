#include "platform/sim/array/simvolumelun.h"

#include <algorithm>

namespace os {

namespace {

constexpr std::uint32_t kVerifyPiece = 128;

}  // namespace

void SimVolumeLun::Execute(SimScsiCommand& command) {
  switch (command.Opcode()) {
    case 0x00:  // TEST UNIT READY
    case 0x35:  // SYNCHRONIZE CACHE(10): the controller's cache is written through
    case 0x91:  // SYNCHRONIZE CACHE(16)
      return;
    case 0x12:
      // Vital product data pages are not kept for volumes.
      if ((command.Byte(1) & 0x01) != 0) return command.CheckCondition(0x05, 0x24, 0x00);
      return command.Answer(inquiry_, command.BigEndian(3, 2));
    case 0x25:
      return ReadCapacity(command, false);
    case 0x9E:
      if ((command.Byte(1) & 0x1F) == 0x10) return ReadCapacity(command, true);
      break;
    case 0x28:
    case 0x2A:
    case 0x2F:
    case 0x88:
    case 0x8A:
    case 0x8F:
      return Transfer(command);
    default:
      break;
  }
  command.CheckCondition(0x05, 0x20, 0x00);
}

void SimVolumeLun::ReadCapacity(SimScsiCommand& command, bool sixteen) {
  command.AnswerReadCapacity(volume_.Blocks(), volume_.BlockSize(), sixteen);
}

void SimVolumeLun::Transfer(SimScsiCommand& command) {
  const std::uint8_t opcode = command.Opcode();
  const bool sixteen = opcode >= 0x88;
  const std::uint64_t lba = sixteen ? command.BigEndian(2, 8) : command.BigEndian(2, 4);
  const std::uint64_t blocks = sixteen ? command.BigEndian(10, 4) : command.BigEndian(7, 2);
  if (lba >= volume_.Blocks() || blocks > volume_.Blocks() - lba)
    return command.CheckCondition(0x05, 0x21, 0x00);
  if (opcode == 0x2F || opcode == 0x8F) {
    // A verify reads the blocks back without moving them, a piece at a time.
    std::vector<std::uint8_t> scratch(std::size_t{kVerifyPiece} * volume_.BlockSize());
    for (std::uint64_t done = 0; done < blocks; done += kVerifyPiece) {
      const auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(blocks - done, kVerifyPiece));
      if (!volume_.Read(lba + done, piece, scratch.data())) return command.CheckCondition(0x03, 0x11, 0x00);
    }
    return;
  }
  const bool write = opcode == 0x2A || opcode == 0x8A;
  if (command.data == nullptr || command.dataIn == write) return;
  // A transfer longer than the buffer moves what fits, as a short transfer.
  const auto count =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(blocks, command.dataLength / volume_.BlockSize()));
  const bool done = write ? volume_.Write(lba, count, command.data) : volume_.Read(lba, count, command.data);
  if (!done) return command.CheckCondition(write ? 0x04 : 0x03, write ? 0x0C : 0x11, 0x00);
  command.transferred = std::size_t{count} * volume_.BlockSize();
}

}  // namespace os
