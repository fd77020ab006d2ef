#include "platform/sim/scsi/simdriverequests.h"

#include <cstring>
#include <vector>

#include "platform/sim/scsi/simsbcdisk.h"
#include "platform/sim/scsi/simscsiunit.h"
#include "platform/winstorage.h"

namespace os {

namespace {

// What a class driver makes of a command's CHECK CONDITION.
win::DWORD ErrorOfSense(const std::vector<std::uint8_t>& sense) {
  const std::uint8_t key = sense.size() > 2 ? sense[2] & 0x0F : 0;
  const std::uint8_t asc = sense.size() > 12 ? sense[12] : 0;
  if (key == 0x2) return win::ERROR_NOT_READY;
  if (key == 0x7) return win::ERROR_WRITE_PROTECT;
  if (key == 0x6) return win::ERROR_MEDIA_CHANGED;
  if (key == 0x5 && asc == 0x21) return win::ERROR_SECTOR_NOT_FOUND;
  return win::ERROR_IO_DEVICE;
}

// The capacity READ CAPACITY(10) gives; false when the unit has no medium.
bool Capacity(SimScsiUnit& unit, std::uint64_t* blocks, std::uint32_t* blockSize) {
  const std::uint8_t cdb[10] = {0x25};
  std::uint8_t data[8] = {};
  if (SimDriveCommand(unit, cdb, sizeof cdb, true, data, sizeof data, nullptr) != win::ERROR_SUCCESS)
    return false;
  *blocks = (std::uint64_t{data[0]} << 24 | data[1] << 16 | data[2] << 8 | data[3]) + 1;
  *blockSize = static_cast<std::uint32_t>(data[4] << 24 | data[5] << 16 | data[6] << 8 | data[7]);
  return *blockSize != 0;
}

win::DWORD Geometry(SimScsiUnit& unit, void* out, win::DWORD outLength, win::DWORD* returned) {
  if (out == nullptr || outLength < sizeof(win::DiskGeometry)) return win::ERROR_INSUFFICIENT_BUFFER;
  std::uint64_t blocks = 0;
  std::uint32_t blockSize = 0;
  if (!Capacity(unit, &blocks, &blockSize)) return win::ERROR_NOT_READY;
  win::DiskGeometry geometry{};
  const auto* disk = dynamic_cast<SimSbcDisk*>(&unit);
  if (disk != nullptr && disk->Floppy() && blocks == 2880) {
    geometry = {80, win::F3_1Pt44_512, 2, 18, 512};
  } else {
    // Removable media and disks as the class drivers describe them: 64 heads of 32 sectors (255 of 63
    // for a fixed disk) and as many cylinders as fill the medium.
    const bool fixed = disk != nullptr && !disk->Removable();
    geometry.TracksPerCylinder = fixed ? 255 : 64;
    geometry.SectorsPerTrack = fixed ? 63 : 32;
    geometry.Cylinders =
        static_cast<std::int64_t>(blocks / (geometry.TracksPerCylinder * geometry.SectorsPerTrack));
    geometry.MediaType = fixed ? win::FixedMedia : win::RemovableMedia;
    geometry.BytesPerSector = blockSize;
  }
  std::memcpy(out, &geometry, sizeof geometry);
  *returned = sizeof geometry;
  return win::ERROR_SUCCESS;
}

// SMART_RCV_DRIVE_DATA and SMART_SEND_DRIVE_COMMAND: registers in, the driver's status and the data
// (or, after RETURN STATUS, the registers) out.
win::DWORD Smart(SimAtaDevice& ata, bool receive, const void* in, win::DWORD inLength, void* out,
                 win::DWORD outLength, win::DWORD* returned) {
  if (in == nullptr || inLength < win::kSendCmdInLength || out == nullptr ||
      outLength < win::kSendCmdOutLength)
    return win::ERROR_INVALID_PARAMETER;
  win::SendCmdInParams request;
  std::memcpy(&request, in, win::kSendCmdInLength);
  win::IdeRegs regs = request.irDriveRegs;
  auto* bytes = static_cast<std::uint8_t*>(out);
  std::uint8_t* data = bytes + win::kSendCmdOutLength;
  const std::size_t room = outLength - win::kSendCmdOutLength;
  const bool writing = !receive && regs.bFeaturesReg == win::SMART_WRITE_LOG;
  std::vector<std::uint8_t> written;
  if (writing) {
    const auto* source = static_cast<const std::uint8_t*>(in) + win::kSendCmdInLength;
    written.assign(source, source + (inLength - win::kSendCmdInLength));
  }
  const bool done = writing ? ata.Execute(regs, written.data(), written.size(), true)
                            : ata.Execute(regs, receive ? data : nullptr, receive ? room : 0, false);
  std::memset(bytes, 0, win::kSendCmdOutLength);
  if (!done) return win::ERROR_IO_DEVICE;
  std::uint32_t size = 0;
  if (receive) {
    size = 512;
  } else if (request.irDriveRegs.bFeaturesReg == win::SMART_RETURN_STATUS && room >= sizeof regs) {
    std::memcpy(data, &regs, sizeof regs);
    size = sizeof regs;
  }
  std::memcpy(bytes, &size, sizeof size);
  *returned = win::kSendCmdOutLength + size;
  return win::ERROR_SUCCESS;
}

win::DWORD IdePassThrough(SimAtaDevice& ata, const void* in, win::DWORD inLength, void* out,
                          win::DWORD outLength, win::DWORD* returned) {
  if (in == nullptr || out == nullptr || inLength < sizeof(win::AtaPassThroughHeader) ||
      outLength < sizeof(win::AtaPassThroughHeader))
    return win::ERROR_INVALID_PARAMETER;
  win::AtaPassThroughHeader header;
  std::memcpy(&header, in, sizeof header);
  if (header.DataBufferSize > outLength - sizeof header) return win::ERROR_INSUFFICIENT_BUFFER;
  auto* bytes = static_cast<std::uint8_t*>(out);
  if (bytes != in) std::memmove(bytes, in, std::min(inLength, outLength));
  ata.Execute(header.IdeReg, bytes + sizeof header, header.DataBufferSize, false);
  std::memcpy(bytes, &header, sizeof header);
  *returned = sizeof header + header.DataBufferSize;
  return win::ERROR_SUCCESS;
}

// The SCSI miniport's SMART log write ("SCSIDISK"): the command and its sector follow the header.
win::DWORD MiniportSmart(SimAtaDevice& ata, const void* in, win::DWORD inLength, void* out,
                         win::DWORD outLength, win::DWORD* returned) {
  constexpr std::size_t kHeader = sizeof(win::SrbIoControl);
  if (in == nullptr || inLength < kHeader + win::kSendCmdInLength || out == nullptr ||
      outLength < kHeader + win::kSendCmdOutLength)
    return win::ERROR_INVALID_PARAMETER;
  win::SrbIoControl control;
  std::memcpy(&control, in, kHeader);
  if (std::memcmp(control.Signature, "SCSIDISK", 8) != 0) return win::ERROR_INVALID_FUNCTION;
  if (control.ControlCode != win::IOCTL_SCSI_MINIPORT_WRITE_SMART_LOG) return win::ERROR_NOT_SUPPORTED;
  win::SendCmdInParams request;
  std::memcpy(&request, static_cast<const std::uint8_t*>(in) + kHeader, win::kSendCmdInLength);
  std::vector<std::uint8_t> sector(static_cast<const std::uint8_t*>(in) + kHeader + win::kSendCmdInLength,
                                   static_cast<const std::uint8_t*>(in) + inLength);
  win::IdeRegs regs = request.irDriveRegs;
  const bool done =
      regs.bFeaturesReg == win::SMART_WRITE_LOG && ata.Execute(regs, sector.data(), sector.size(), true);
  control.ReturnCode = done ? 0 : 1;
  std::memset(out, 0, kHeader + win::kSendCmdOutLength);
  std::memcpy(out, &control, kHeader);
  *returned = static_cast<win::DWORD>(kHeader + win::kSendCmdOutLength);
  return win::ERROR_SUCCESS;
}

win::DWORD StartStop(SimScsiUnit& unit, std::uint8_t flags) {
  const std::uint8_t cdb[6] = {0x1B, 0, 0, 0, flags, 0};
  return SimDriveCommand(unit, cdb, sizeof cdb, false, nullptr, 0, nullptr);
}

}  // namespace

win::DWORD SimDriveCommand(SimScsiUnit& unit, const std::uint8_t* cdb, std::size_t cdbLength, bool dataIn,
                           std::uint8_t* data, std::size_t length, std::size_t* transferred) {
  SimScsiCommand command;
  command.cdb = cdb;
  command.cdbLength = cdbLength;
  command.dataIn = dataIn;
  command.data = data;
  command.dataLength = length;
  if (const win::DWORD error = unit.Execute(command)) return error;
  if (transferred != nullptr) *transferred = dataIn ? command.transferred : length;
  if (command.status == 0) return win::ERROR_SUCCESS;
  return ErrorOfSense(command.sense);
}

win::DWORD SimDriveRequest(SimScsiUnit& unit, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                           win::DWORD outLength, win::DWORD* returned, bool& handled) {
  handled = true;
  SimAtaDevice* ata = unit.Ata();
  switch (code) {
    case win::SMART_RCV_DRIVE_DATA:
    case win::SMART_SEND_DRIVE_COMMAND:
      if (ata == nullptr) return win::ERROR_INVALID_FUNCTION;
      return Smart(*ata, code == win::SMART_RCV_DRIVE_DATA, in, inLength, out, outLength, returned);
    case win::IOCTL_IDE_PASS_THROUGH:
      if (ata == nullptr) return win::ERROR_INVALID_FUNCTION;
      return IdePassThrough(*ata, in, inLength, out, outLength, returned);
    case win::IOCTL_SCSI_MINIPORT:
      if (ata == nullptr) return win::ERROR_INVALID_FUNCTION;
      return MiniportSmart(*ata, in, inLength, out, outLength, returned);
    case win::IOCTL_STORAGE_CHECK_VERIFY: {
      const std::uint8_t cdb[6] = {0x00};
      return SimDriveCommand(unit, cdb, sizeof cdb, false, nullptr, 0, nullptr);
    }
    case win::IOCTL_STORAGE_EJECT_MEDIA:
      if (!unit.Removable()) return win::ERROR_INVALID_FUNCTION;
      return StartStop(unit, 0x02);
    case win::IOCTL_STORAGE_LOAD_MEDIA:
      if (!unit.Removable()) return win::ERROR_INVALID_FUNCTION;
      return StartStop(unit, 0x03);
    case win::IOCTL_STORAGE_RESET_DEVICE:
      return win::ERROR_SUCCESS;
    case win::IOCTL_DISK_IS_WRITABLE: {
      const auto* disk = dynamic_cast<SimSbcDisk*>(&unit);
      if (disk == nullptr) return win::ERROR_WRITE_PROTECT;  // optical media are read here
      return disk->WriteProtected() ? win::ERROR_WRITE_PROTECT : win::ERROR_SUCCESS;
    }
    case win::IOCTL_DISK_GET_DRIVE_GEOMETRY:
      return Geometry(unit, out, outLength, returned);
    case win::FSCTL_LOCK_VOLUME:
      return unit.Mounted() ? win::ERROR_ACCESS_DENIED : win::ERROR_SUCCESS;
    case win::FSCTL_UNLOCK_VOLUME:
      return win::ERROR_SUCCESS;
    case win::IOCTL_DISK_FORMAT_TRACKS: {
      auto* disk = dynamic_cast<SimSbcDisk*>(&unit);
      if (disk == nullptr || !disk->Floppy()) return win::ERROR_INVALID_FUNCTION;
      if (in == nullptr || inLength < sizeof(win::FormatParameters)) return win::ERROR_INVALID_PARAMETER;
      if (disk->WriteProtected()) return win::ERROR_WRITE_PROTECT;
      win::FormatParameters format;
      std::memcpy(&format, in, sizeof format);
      constexpr std::uint32_t kHeads = 2, kSectors = 18;
      if (format.EndCylinderNumber >= 80 || format.EndHeadNumber >= kHeads ||
          format.StartCylinderNumber > format.EndCylinderNumber ||
          format.StartHeadNumber > format.EndHeadNumber)
        return win::ERROR_INVALID_PARAMETER;
      // A formatted track holds F6h in every byte.
      std::vector<std::uint8_t> track(kSectors * 512, 0xF6);
      for (std::uint32_t cylinder = format.StartCylinderNumber; cylinder <= format.EndCylinderNumber;
           ++cylinder) {
        for (std::uint32_t head = format.StartHeadNumber; head <= format.EndHeadNumber; ++head) {
          const std::uint32_t lba = (cylinder * kHeads + head) * kSectors;
          const std::uint8_t cdb[10] = {0x2A,
                                        0,
                                        static_cast<std::uint8_t>(lba >> 24),
                                        static_cast<std::uint8_t>(lba >> 16),
                                        static_cast<std::uint8_t>(lba >> 8),
                                        static_cast<std::uint8_t>(lba),
                                        0,
                                        0,
                                        kSectors,
                                        0};
          if (const win::DWORD error =
                  SimDriveCommand(unit, cdb, sizeof cdb, false, track.data(), track.size(), nullptr))
            return error;
        }
      }
      return win::ERROR_SUCCESS;
    }
    default:
      handled = false;
      return win::ERROR_INVALID_FUNCTION;
  }
}

}  // namespace os
