#include "platform/satrequests.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace os {

namespace {

constexpr std::uint8_t kAtaPassThrough16 = 0x85;
constexpr std::uint8_t kProtocolNonData = 3;
constexpr std::uint8_t kProtocolPioIn = 4;
constexpr std::uint8_t kProtocolPioOut = 5;
constexpr std::uint8_t kStatusGood = 0x00;
constexpr std::uint8_t kStatusCheckCondition = 0x02;
constexpr std::uint8_t kAtaError = 0x01;

// The registers of the ATA status return descriptor (descriptor-format sense) or of the information
// fields of fixed-format sense; false when the sense carries neither.
bool ReturnedRegisters(const std::uint8_t* sense, std::size_t length, win::IdeRegs& regs) {
  if (length < 8) return false;
  const std::uint8_t response = sense[0] & 0x7F;
  if (response == 0x72 || response == 0x73) {
    const std::size_t end = std::min<std::size_t>(length, 8u + sense[7]);
    for (std::size_t at = 8; at + 2 <= end; at += 2u + sense[at + 1]) {
      if (sense[at] != 0x09 || at + 14 > end) continue;
      const std::uint8_t* descriptor = sense + at;
      regs.bReserved = descriptor[3];
      regs.bSectorCountReg = descriptor[5];
      regs.bSectorNumberReg = descriptor[7];
      regs.bCylLowReg = descriptor[9];
      regs.bCylHighReg = descriptor[11];
      regs.bDriveHeadReg = descriptor[12];
      regs.bCommandReg = descriptor[13];
      return true;
    }
    return false;
  }
  // Fixed format with ATA PASS-THROUGH INFORMATION AVAILABLE (00h/1Dh).
  if ((response == 0x70 || response == 0x71) && length >= 14 && sense[12] == 0x00 && sense[13] == 0x1D) {
    regs.bReserved = sense[3];
    regs.bCommandReg = sense[4];
    regs.bDriveHeadReg = sense[5];
    regs.bSectorCountReg = sense[6];
    regs.bCylHighReg = sense[9];
    regs.bCylLowReg = sense[10];
    regs.bSectorNumberReg = sense[11];
    return true;
  }
  return false;
}

std::uint8_t SenseKey(const std::uint8_t* sense, std::size_t length) {
  if (length < 4) return 0;
  if ((sense[0] & 0x7F) >= 0x72) return sense[1] & 0x0F;
  return length > 2 ? sense[2] & 0x0F : 0;
}

std::uint8_t AdditionalSenseCode(const std::uint8_t* sense, std::size_t length) {
  if ((sense[0] & 0x7F) >= 0x72) return length > 2 ? sense[2] : 0;
  return length > 12 ? sense[12] : 0;
}

win::SendCmdInParams CommandOf(const void* in) {
  win::SendCmdInParams request;
  std::memcpy(&request, in, win::kSendCmdInLength);
  return request;
}

win::DWORD SmartReceive(const SatTransport& send, const void* in, win::DWORD inLength, void* out,
                        win::DWORD outLength, win::DWORD* returned, bool receive) {
  if (in == nullptr || inLength < win::kSendCmdInLength || out == nullptr ||
      outLength < win::kSendCmdOutLength)
    return win::ERROR_INVALID_PARAMETER;
  const win::SendCmdInParams request = CommandOf(in);
  win::IdeRegs regs = request.irDriveRegs;
  auto* bytes = static_cast<std::uint8_t*>(out);
  const std::uint32_t room = outLength - win::kSendCmdOutLength;
  const std::uint32_t wanted = receive ? std::min<std::uint32_t>(request.cBufferSize, room) : 0;
  const win::DWORD error = SatCommand(send, regs, bytes + win::kSendCmdOutLength, wanted, false);
  if (error != win::ERROR_SUCCESS) return error;
  std::memset(bytes, 0, win::kSendCmdOutLength);
  std::uint32_t size = wanted;
  // After SMART RETURN STATUS the registers follow the header.
  if (!receive && room >= sizeof regs) {
    std::memcpy(bytes + win::kSendCmdOutLength, &regs, sizeof regs);
    size = sizeof regs;
  }
  std::memcpy(bytes, &size, sizeof size);
  *returned = win::kSendCmdOutLength + size;
  return win::ERROR_SUCCESS;
}

win::DWORD IdePassThrough(const SatTransport& send, const void* in, win::DWORD inLength, void* out,
                          win::DWORD outLength, win::DWORD* returned) {
  if (in == nullptr || out == nullptr || inLength < sizeof(win::AtaPassThroughHeader) ||
      outLength < sizeof(win::AtaPassThroughHeader))
    return win::ERROR_INVALID_PARAMETER;
  win::AtaPassThroughHeader header;
  std::memcpy(&header, in, sizeof header);
  if (header.DataBufferSize > outLength - sizeof header) return win::ERROR_INSUFFICIENT_BUFFER;
  auto* bytes = static_cast<std::uint8_t*>(out);
  const win::DWORD error =
      SatCommand(send, header.IdeReg, bytes + sizeof header, header.DataBufferSize, false);
  // A drive that aborts answers its registers, as the IDE port does; a device that cannot be reached
  // fails the request.
  if (error != win::ERROR_SUCCESS && error != win::ERROR_IO_DEVICE) return error;
  std::memcpy(bytes, &header, sizeof header);
  *returned = static_cast<win::DWORD>(sizeof header + header.DataBufferSize);
  return win::ERROR_SUCCESS;
}

win::DWORD MiniportSmartLog(const SatTransport& send, const void* in, win::DWORD inLength, void* out,
                            win::DWORD outLength, win::DWORD* returned) {
  constexpr std::size_t kHeader = sizeof(win::SrbIoControl);
  if (in == nullptr || out == nullptr || inLength < kHeader + win::kSendCmdInLength ||
      outLength < kHeader + win::kSendCmdOutLength)
    return win::ERROR_INVALID_PARAMETER;
  win::SrbIoControl control;
  std::memcpy(&control, in, kHeader);
  if (std::memcmp(control.Signature, "SCSIDISK", sizeof control.Signature) != 0)
    return win::ERROR_NOT_SUPPORTED;
  if (control.ControlCode != win::IOCTL_SCSI_MINIPORT_WRITE_SMART_LOG) return win::ERROR_NOT_SUPPORTED;
  const auto* bytes = static_cast<const std::uint8_t*>(in);
  win::IdeRegs regs = CommandOf(bytes + kHeader).irDriveRegs;
  std::vector<std::uint8_t> sector(bytes + kHeader + win::kSendCmdInLength, bytes + inLength);
  sector.resize(512, 0);
  const win::DWORD error = SatCommand(send, regs, sector.data(), 512, true);
  control.ReturnCode = error == win::ERROR_SUCCESS ? 0 : 1;
  std::memset(out, 0, kHeader + win::kSendCmdOutLength);
  std::memcpy(out, &control, kHeader);
  *returned = static_cast<win::DWORD>(kHeader + win::kSendCmdOutLength);
  return error == win::ERROR_IO_DEVICE ? win::ERROR_SUCCESS : error;
}

}  // namespace

win::DWORD SatCommand(const SatTransport& send, win::IdeRegs& registers, std::uint8_t* data,
                      std::uint32_t length, bool dataOut) {
  const bool hasData = length > 0 && data != nullptr;
  const std::uint8_t protocol = !hasData ? kProtocolNonData : dataOut ? kProtocolPioOut : kProtocolPioIn;
  std::uint8_t cdb[16] = {kAtaPassThrough16, static_cast<std::uint8_t>(protocol << 1)};
  // Non-data commands ask for the registers back (CK_COND); data commands count in sectors
  // (T_LENGTH in the count field, BYT_BLOK) in the direction of the data (T_DIR).
  cdb[2] = !hasData ? 0x20 : static_cast<std::uint8_t>((dataOut ? 0x00 : 0x08) | 0x04 | 0x02);
  cdb[4] = registers.bFeaturesReg;
  cdb[6] = hasData && registers.bSectorCountReg == 0 ? static_cast<std::uint8_t>(length / 512)
                                                     : registers.bSectorCountReg;
  cdb[8] = registers.bSectorNumberReg;
  cdb[10] = registers.bCylLowReg;
  cdb[12] = registers.bCylHighReg;
  cdb[13] = registers.bDriveHeadReg;
  cdb[14] = registers.bCommandReg;
  std::uint8_t status = 0;
  std::uint8_t sense[64] = {};
  const win::DWORD error =
      send(cdb, sizeof cdb, hasData && !dataOut, data, hasData ? length : 0, &status, sense, sizeof sense);
  if (error != win::ERROR_SUCCESS) return error;
  win::IdeRegs returned = registers;
  const bool haveRegisters = ReturnedRegisters(sense, sizeof sense, returned);
  if (status == kStatusGood) {
    if (haveRegisters) {
      registers = returned;
    } else {
      // Done without an error: the drive is ready.
      registers.bCommandReg = 0x50;
      registers.bReserved = 0;
    }
    return win::ERROR_SUCCESS;
  }
  if (status != kStatusCheckCondition) return win::ERROR_IO_DEVICE;
  if (haveRegisters) {
    registers = returned;
    return (returned.bCommandReg & kAtaError) != 0 ? win::ERROR_IO_DEVICE : win::ERROR_SUCCESS;
  }
  // ILLEGAL REQUEST for the opcode or its fields: the device takes no ATA pass-through.
  const std::uint8_t asc = AdditionalSenseCode(sense, sizeof sense);
  if (SenseKey(sense, sizeof sense) == 0x5 && (asc == 0x20 || asc == 0x24))
    return win::ERROR_INVALID_FUNCTION;
  return win::ERROR_IO_DEVICE;
}

win::DWORD SatRequest(const SatTransport& send, win::DWORD code, const void* in, win::DWORD inLength,
                      void* out, win::DWORD outLength, win::DWORD* returned, bool& handled) {
  handled = true;
  switch (code) {
    case win::SMART_RCV_DRIVE_DATA:
      return SmartReceive(send, in, inLength, out, outLength, returned, true);
    case win::SMART_SEND_DRIVE_COMMAND:
      return SmartReceive(send, in, inLength, out, outLength, returned, false);
    case win::IOCTL_IDE_PASS_THROUGH:
      return IdePassThrough(send, in, inLength, out, outLength, returned);
    case win::IOCTL_SCSI_MINIPORT:
      return MiniportSmartLog(send, in, inLength, out, outLength, returned);
    default:
      handled = false;
      return win::ERROR_INVALID_FUNCTION;
  }
}

}  // namespace os
