#include "platform/sim/scsi/simtapehandle.h"

#include <algorithm>

#include "platform/tapedriveinformation.h"
#include "platform/tapesense.h"
#include "platform/wintape.h"

namespace os {

namespace {

constexpr std::uint32_t kMaximumTransfer = 0xFFFFFF;  // a 6-byte CDB's transfer length

// The residue of a transfer, in the information field of fixed-format sense.
std::int32_t Residue(const std::vector<std::uint8_t>& sense) {
  if (sense.size() < 7) return 0;
  return static_cast<std::int32_t>(std::uint32_t{sense[3]} << 24 | std::uint32_t{sense[4]} << 16 |
                                   std::uint32_t{sense[5]} << 8 | sense[6]);
}

SimScsiCommand MakeCommand(const std::uint8_t* cdb, std::size_t cdbLength, bool dataIn, std::uint8_t* data,
                           std::size_t length) {
  SimScsiCommand command;
  command.cdb = cdb;
  command.cdbLength = cdbLength;
  command.dataIn = dataIn;
  command.data = data;
  command.dataLength = length;
  return command;
}

}  // namespace

SimTapeHandle::SimTapeHandle(std::shared_ptr<SimScsiPort> port, SimScsiUnit& unit)
    : port_(port), unit_(unit), drive_(std::move(port), &unit) {}

win::DWORD SimTapeHandle::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                  win::DWORD outLength, win::DWORD* returned) {
  return drive_.Control(code, in, inLength, out, outLength, returned);
}

win::DWORD SimTapeHandle::Command(const std::uint8_t* cdb, std::size_t cdbLength, bool dataIn,
                                  std::uint8_t* data, std::size_t length, std::size_t* transferred,
                                  std::vector<std::uint8_t>* sense) {
  SimScsiCommand command = MakeCommand(cdb, cdbLength, dataIn, data, length);
  if (const win::DWORD error = port_->UnitCommand(unit_, command)) return error;
  if (transferred != nullptr) *transferred = dataIn ? command.transferred : length;
  if (sense != nullptr) *sense = command.sense;
  return TapeErrorOfSense(command.status, command.sense.data(), command.sense.size());
}

win::DWORD SimTapeHandle::Read(void* buffer, win::DWORD count, win::DWORD* moved) {
  *moved = 0;
  if (count > kMaximumTransfer) return win::ERROR_INVALID_PARAMETER;
  const std::uint8_t cdb[6] = {0x08,
                               0,
                               static_cast<std::uint8_t>(count >> 16),
                               static_cast<std::uint8_t>(count >> 8),
                               static_cast<std::uint8_t>(count),
                               0};
  std::size_t transferred = 0;
  std::vector<std::uint8_t> sense;
  const win::DWORD error =
      Command(cdb, sizeof cdb, true, static_cast<std::uint8_t*>(buffer), count, &transferred, &sense);
  *moved = static_cast<win::DWORD>(transferred);
  if (error != win::ERROR_INVALID_BLOCK_LENGTH) return error;
  // A shorter block is read whole; a longer one does not fit the buffer.
  return Residue(sense) > 0 ? win::ERROR_SUCCESS : win::ERROR_MORE_DATA;
}

win::DWORD SimTapeHandle::Write(const void* buffer, win::DWORD count, win::DWORD* moved) {
  *moved = 0;
  if (count > kMaximumTransfer) return win::ERROR_INVALID_PARAMETER;
  const std::uint8_t cdb[6] = {0x0A,
                               0,
                               static_cast<std::uint8_t>(count >> 16),
                               static_cast<std::uint8_t>(count >> 8),
                               static_cast<std::uint8_t>(count),
                               0};
  // The drive reads what it writes from the buffer; it never changes it.
  const win::DWORD error =
      Command(cdb, sizeof cdb, false, static_cast<std::uint8_t*>(const_cast<void*>(buffer)), count);
  if (error == win::ERROR_SUCCESS) *moved = count;
  return error;
}

win::DWORD SimTapeHandle::TapeStatus() {
  const std::uint8_t ready[6] = {0x00};
  if (const win::DWORD error = Command(ready, sizeof ready, false, nullptr, 0)) return error;
  const std::uint8_t requestSense[6] = {0x03, 0, 0, 0, 18, 0};
  std::uint8_t sense[18] = {};
  if (Command(requestSense, sizeof requestSense, true, sense, sizeof sense) != win::ERROR_SUCCESS)
    return win::ERROR_SUCCESS;
  return sense[12] == 0x00 && sense[13] == 0x17 ? win::ERROR_DEVICE_REQUIRES_CLEANING : win::ERROR_SUCCESS;
}

win::DWORD SimTapeHandle::TapeParameters(win::DWORD operation, win::DWORD* size, void* information) {
  return ReadTapeParameters(
      [this](const std::uint8_t* cdb, std::size_t cdbLength, bool dataIn, std::uint8_t* data,
             std::uint32_t length, std::uint8_t* status, std::uint8_t* sense, std::size_t senseLength) {
        SimScsiCommand command = MakeCommand(cdb, cdbLength, dataIn, data, length);
        if (const win::DWORD error = port_->UnitCommand(unit_, command)) return error;
        *status = command.status;
        std::copy_n(command.sense.begin(), std::min(senseLength, command.sense.size()), sense);
        return win::ERROR_SUCCESS;
      },
      operation, size, information);
}

win::DWORD SimTapeHandle::TapePosition(win::DWORD method, win::DWORD, std::uint64_t offset, bool immediate) {
  std::uint8_t cdb[6] = {};
  switch (method) {
    case win::TAPE_REWIND:
      cdb[0] = 0x01;
      cdb[1] = immediate ? 0x01 : 0x00;
      break;
    case win::TAPE_SPACE_RELATIVE_BLOCKS:
    case win::TAPE_SPACE_FILEMARKS:
    case win::TAPE_SPACE_END_OF_DATA: {
      cdb[0] = 0x11;
      cdb[1] = method == win::TAPE_SPACE_RELATIVE_BLOCKS ? 0x00
               : method == win::TAPE_SPACE_FILEMARKS     ? 0x01
                                                         : 0x03;
      // The offset is a signed count; SPACE takes its low 24 bits.
      const auto count = static_cast<std::uint32_t>(offset);
      cdb[2] = static_cast<std::uint8_t>(count >> 16);
      cdb[3] = static_cast<std::uint8_t>(count >> 8);
      cdb[4] = static_cast<std::uint8_t>(count);
      break;
    }
    default:
      return win::ERROR_NOT_SUPPORTED;
  }
  return Command(cdb, sizeof cdb, false, nullptr, 0);
}

win::DWORD SimTapeHandle::Tapemark(win::DWORD type, win::DWORD count, bool immediate) {
  if (type > win::TAPE_LONG_FILEMARKS) return win::ERROR_INVALID_PARAMETER;
  if (count > kMaximumTransfer) return win::ERROR_INVALID_PARAMETER;
  const std::uint8_t cdb[6] = {
      0x10,
      static_cast<std::uint8_t>((type == win::TAPE_SETMARKS ? 0x02 : 0x00) | (immediate ? 0x01 : 0x00)),
      static_cast<std::uint8_t>(count >> 16),
      static_cast<std::uint8_t>(count >> 8),
      static_cast<std::uint8_t>(count),
      0};
  return Command(cdb, sizeof cdb, false, nullptr, 0);
}

}  // namespace os
